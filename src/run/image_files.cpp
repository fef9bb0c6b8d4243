#include "run/image_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <unordered_map>

#include "platform/code_page_932.h"
#include "platform/file_list.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/row_names.h"

namespace celshift {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kReplacementCharacter = "\xEF\xBF\xBD";

using NameElement = PathElement;

// Characters that no Windows file name holds: controls, and the ones the system reserves. ":" also marks a
// drive or a stream, "*" and "?" are wildcards.
bool isForbidden(char c) {
    return static_cast<unsigned char>(c) < 0x20 || std::string_view("<>:\"|?*").find(c) != std::string_view::npos;
}

// CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, alone or with any extension: Windows opens the device.
bool isDeviceName(std::string_view element) {
    std::string base(element.substr(0, element.find('.')));
    while (!base.empty() && base.back() == ' ') base.pop_back();
    for (char& c : base) c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL") return true;
    return base.size() == 4 && (base.starts_with("COM") || base.starts_with("LPT")) && base[3] >= '1' && base[3] <= '9';
}

// The elements of a relative path in UTF-8, resolved as Windows resolves a path under a folder.
std::optional<std::vector<NameElement>> resolvedElements(std::string_view utf8) {
    if (utf8.empty() || utf8.find(kReplacementCharacter) != std::string_view::npos) return std::nullopt;
    if (std::any_of(utf8.begin(), utf8.end(), isForbidden)) return std::nullopt;
    const auto isSeparator = [](char c) { return c == '\\' || c == '/'; };
    // A rooted name ("\x.bmp", "\\server\x.bmp") leaves the folder, as a drive ("C:") would.
    if (isSeparator(utf8.front())) return std::nullopt;
    // A name that ends in a separator names a folder.
    if (isSeparator(utf8.back())) return std::nullopt;

    std::vector<std::string> elements;
    std::size_t start = 0;
    while (start < utf8.size()) {
        std::size_t end = start;
        while (end < utf8.size() && !isSeparator(utf8[end])) ++end;
        const std::string_view element = utf8.substr(start, end - start);
        if (element == "..") {
            if (elements.empty()) return std::nullopt;  // above the folder
            elements.pop_back();
        } else if (!element.empty() && element != ".") {
            elements.emplace_back(element);
        }
        start = end + 1;
    }
    if (elements.empty()) return std::nullopt;

    std::vector<NameElement> resolved;
    for (std::size_t i = 0; i < elements.size(); ++i) {
        std::string text = std::move(elements[i]);
        if (i + 1 < elements.size()) {
            if (text.back() == '.') text.pop_back();
        } else {
            while (!text.empty() && (text.back() == '.' || text.back() == ' ')) text.pop_back();
        }
        if (text.empty() || text == "." || text == ".." || isDeviceName(text)) return std::nullopt;
        std::optional<std::string> key = foldFileName(text);
        if (!key) return std::nullopt;
        resolved.push_back({std::move(text), std::move(*key)});
    }
    return resolved;
}

std::optional<std::vector<NameElement>> storedElements(std::string_view storedName) {
    if (storedName.empty()) return std::nullopt;
    // Every byte sequence that code page 932 does not define comes back as U+FFFD, which no defined one gives.
    return resolvedElements(fromCodePage932(storedName));
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return fs::is_regular_file(pathFromUtf8(path), error);
}

bool isFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(pathFromUtf8(path), error);
}

}  // namespace

std::optional<std::vector<PathElement>> storedPathElements(std::string_view storedName) {
    return storedElements(storedName);
}

// The names of one folder by their folded form; several names share a form only where the file system tells
// case apart, and then each is tried, the one spelt as asked first.
struct ImageFileIndex::Listing {
    bool readable = false;
    std::unordered_map<std::string, std::vector<std::string>> byKey;
};

ImageFileIndex::ImageFileIndex(std::string folder) : folder_(folder.empty() ? std::string(".") : std::move(folder)) {}

ImageFileIndex::~ImageFileIndex() = default;

const ImageFileIndex::Listing& ImageFileIndex::listing(const std::string& path) const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::unique_ptr<Listing>& slot = listings_[path];
    if (slot) return *slot;
    slot = std::make_unique<Listing>();
    std::vector<std::string> names;
    // A partial listing would answer "missing" for names it did not reach.
    if (!folderEntryNames(path, names)) return *slot;
    for (std::string& name : names)
        // A name that is not valid UTF-8 is no name a code page 932 name can spell.
        if (std::optional<std::string> key = foldFileName(name)) slot->byKey[*key].push_back(std::move(name));
    for (auto& [key, names] : slot->byKey) std::sort(names.begin(), names.end());
    slot->readable = true;
    return *slot;
}

bool ImageFileIndex::folderReadable() const { return listing(folder_).readable; }

ImageLookup ImageFileIndex::lookStored(std::string_view storedName) const {
    const std::optional<std::vector<NameElement>> elements = storedElements(storedName);
    if (!elements) return {ImageLookup::Kind::Unusable, {}};
    // Depth first over the names that match each element: on a file system that tells case apart, "IMG" and
    // "img" may both be there.
    ImageLookup unreadable{ImageLookup::Kind::Missing, {}};
    const auto walk = [&](const auto& self, const std::string& folder, std::size_t index) -> std::optional<std::string> {
        const Listing& here = listing(folder);
        if (!here.readable) {
            if (unreadable.kind != ImageLookup::Kind::Unreadable) unreadable = {ImageLookup::Kind::Unreadable, folder};
            return std::nullopt;
        }
        const NameElement& element = (*elements)[index];
        const auto found = here.byKey.find(element.key);
        if (found == here.byKey.end()) return std::nullopt;
        std::vector<const std::string*> candidates;
        for (const std::string& name : found->second)
            if (name == element.text) candidates.insert(candidates.begin(), &name);
            else candidates.push_back(&name);
        const bool last = index + 1 == elements->size();
        for (const std::string* name : candidates) {
            const std::string path = joinPath(folder, *name);
            if (last) {
                if (isRegularFile(path)) return path;
            } else if (isFolder(path)) {
                if (std::optional<std::string> file = self(self, path, index + 1)) return file;
            }
        }
        return std::nullopt;
    };
    if (std::optional<std::string> path = walk(walk, folder_, 0)) return {ImageLookup::Kind::Found, std::move(*path)};
    return unreadable;
}

ImageLookup ImageFileIndex::lookTyped(const std::string& typedName) const {
    const std::optional<RowName> stored = rowNameBytes(typedName);
    if (!stored || stored->bytes.empty()) return {ImageLookup::Kind::Unusable, {}};
    return lookStored(stored->bytes);
}

std::optional<std::string> ImageFileIndex::findStored(std::string_view storedName) const {
    ImageLookup lookup = lookStored(storedName);
    if (lookup.kind != ImageLookup::Kind::Found) return std::nullopt;
    return std::move(lookup.path);
}

std::optional<std::string> ImageFileIndex::findTyped(const std::string& typedName) const {
    ImageLookup lookup = lookTyped(typedName);
    if (lookup.kind != ImageLookup::Kind::Found) return std::nullopt;
    return std::move(lookup.path);
}

}  // namespace celshift
