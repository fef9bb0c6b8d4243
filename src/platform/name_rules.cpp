#include "platform/name_rules.h"

#include "platform/code_page_932.h"

namespace celshift {

namespace {

// Windows takes "/" as well as "\\" between the elements of a path; a path written by the program uses "\\".
#if defined(_WIN32)
constexpr char kSeparator = '\\';
constexpr std::string_view kSeparators = "\\/";
#else
constexpr char kSeparator = '/';
constexpr std::string_view kSeparators = "/";
#endif

constexpr bool isSeparator(char c) {
#if defined(_WIN32)
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

// Length of the part of a path that is its root: "/" on POSIX; "X:" and "X:\\" on Windows. The root keeps its
// separator when the parent of an element right below it is taken.
std::size_t rootLength(std::string_view path) {
#if defined(_WIN32)
    if (path.size() >= 2 && path[1] == ':') return path.size() >= 3 && isSeparator(path[2]) ? 3 : 2;
#endif
    return !path.empty() && isSeparator(path[0]) ? 1 : 0;
}

// Length in bytes of the code page 932 character that starts at i. A lead byte takes the next byte with
// it whatever that byte is, the way the Windows character walk does; a lead byte at the very end stands alone.
std::size_t characterLength932(std::string_view text, std::size_t i) {
    if (isCodePage932LeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) return 2;
    return 1;
}

}  // namespace

std::string_view extensionOf932(std::string_view name) {
    std::size_t lastDot = std::string_view::npos;
    for (std::size_t i = 0; i < name.size();) {
        const std::size_t length = characterLength932(name, i);
        if (length == 1) {
            if (name[i] == '\\' || name[i] == ':') lastDot = std::string_view::npos;
            else if (name[i] == '.') lastDot = i;
        }
        i += length;
    }
    return lastDot == std::string_view::npos ? std::string_view{} : name.substr(lastDot);
}

std::string asciiLower932(std::string_view text) {
    std::string lowered(text);
    for (std::size_t i = 0; i < lowered.size();) {
        const std::size_t length = characterLength932(text, i);
        if (length == 1 && lowered[i] >= 'A' && lowered[i] <= 'Z')
            lowered[i] = static_cast<char>(lowered[i] - 'A' + 'a');
        i += length;
    }
    return lowered;
}

std::string_view lastPathElement(std::string_view path) {
    // Every listed name passes here for each mask, so no search over a set of separators per character.
    const std::size_t root = rootLength(path);
    std::size_t end = path.size();
    while (end > root && !isSeparator(path[end - 1])) --end;
    const std::size_t slash = end > root ? end - 1 : (root > 0 ? root - 1 : std::string_view::npos);
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// A path without any separator lies in the current folder, so its parent is ".".
std::string parentFolder(std::string_view path) {
    const std::size_t root = rootLength(path);
    const std::size_t found = path.substr(root).find_last_of(kSeparators);
    if (found == std::string_view::npos) return root > 0 ? std::string(path.substr(0, root)) : ".";
    std::size_t end = root + found;
    while (end > root && isSeparator(path[end - 1])) --end;
    if (end == root && root > 0) return std::string(path.substr(0, root));
    if (end == 0) return std::string(1, kSeparator);
    return std::string(path.substr(0, end));
}

// An empty folder stands for the current one: the name alone is returned, never "/name".
std::string joinPath(std::string_view folder, std::string_view name) {
    std::string joined(folder);
    if (!joined.empty() && !isSeparator(joined.back())) joined += kSeparator;
    joined += name;
    return joined;
}

std::string windowsFileName(std::string_view name) {
    const std::size_t lastLength = lastPathElement(name).size();
    std::size_t end = name.size();
    while (end > name.size() - lastLength && (name[end - 1] == '.' || name[end - 1] == ' ')) --end;
    if (end == name.size() - lastLength) return std::string(name);
    return std::string(name.substr(0, end));
}

std::string_view fileNameExtension(std::string_view name) {
    const std::string_view element = lastPathElement(name);
    const std::size_t dot = element.rfind('.');
    return dot == std::string_view::npos ? std::string_view{} : element.substr(dot);
}

}  // namespace celshift
