#include "platform/file_list.h"

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "platform/file_list_parts.h"
#include "platform/name_rules.h"

namespace celshift {

namespace {

// The wildcards of the Windows file search, after it rewrites a mask: "*" before a "." may not run past the
// last dot of the name, "?" matches nothing at a dot or at the end, a "." before a wildcard (or at the end
// of the mask) also matches the end of a name.
constexpr char32_t kStar = U'*';
constexpr char32_t kDosStar = 0x110001;
constexpr char32_t kDosQuestion = 0x110002;
constexpr char32_t kDosDot = 0x110003;

// Splits UTF-8 text into characters, so that "?" takes a whole character. A byte that does not start a
// well-formed sequence stands for itself (above the range of real characters, so it only equals itself).
std::vector<char32_t> characters(std::string_view text) {
    std::vector<char32_t> result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        char32_t value = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0;
            if ((next & 0xC0) != 0x80) {
                length = 0;
                break;
            }
            value = (value << 6) | (next & 0x3F);
        }
        if (length == 0) {
            result.push_back(0x120000 + lead);
            ++i;
        } else {
            result.push_back(value);
            i += length;
        }
    }
    return result;
}

std::vector<char32_t> windowsMask(const std::string& mask) {
    if (mask == "*.*") return {kStar};
    std::vector<char32_t> expression = characters(mask);
    for (std::size_t i = 0; i < expression.size(); ++i) {
        const char32_t next = i + 1 < expression.size() ? expression[i + 1] : 0;
        const bool nextIsWildcard = next == U'*' || next == U'?';
        const bool nextIsDot = next == U'.';
        if (expression[i] == U'?') expression[i] = kDosQuestion;
        else if (expression[i] == U'*' && nextIsDot) expression[i] = kDosStar;
        else if (expression[i] == U'.' && (nextIsWildcard || i + 1 == expression.size())) expression[i] = kDosDot;
    }
    return expression;
}

char32_t foldAscii(char32_t c) { return c >= U'A' && c <= U'Z' ? c - U'A' + U'a' : c; }

// Dynamic programming over (mask position, name position); names and masks are short.
bool matchesExpression(const std::vector<char32_t>& name, const std::vector<char32_t>& expression) {
    const std::size_t n = name.size();
    const std::size_t m = expression.size();
    std::size_t lastDot = n;
    for (std::size_t i = n; i-- > 0;)
        if (name[i] == U'.') {
            lastDot = i;
            break;
        }
    // at(j, i): expression from j matches name from i, in one block.
    std::vector<char> table((m + 1) * (n + 1), 0);
    const auto at = [&table, n](std::size_t j, std::size_t i) -> char& { return table[j * (n + 1) + i]; };
    at(m, n) = 1;
    for (std::size_t j = m; j-- > 0;) {
        const char32_t e = expression[j];
        for (std::size_t i = n + 1; i-- > 0;) {
            const bool more = i < n;
            bool result = false;
            if (e == kStar) {
                result = at(j + 1, i) || (more && at(j, i + 1));
            } else if (e == kDosStar) {
                result = at(j + 1, i) || (more && i != lastDot && at(j, i + 1));
            } else if (e == kDosQuestion) {
                if (more && name[i] != U'.') {
                    result = at(j + 1, i + 1);
                } else {
                    std::size_t after = j;
                    while (after < m && expression[after] == kDosQuestion) ++after;
                    result = at(after, i);
                }
            } else if (e == kDosDot) {
                result = (more && name[i] == U'.' && at(j + 1, i + 1)) || (!more && at(j + 1, i));
            } else {
                result = more && foldAscii(name[i]) == foldAscii(e) && at(j + 1, i + 1);
            }
            at(j, i) = result;
        }
    }
    return at(0, 0) != 0;
}

// The listing that both platforms share: the platform reads and sorts, the list keeps the result.
class DirectoryFileList final : public FileList {
public:
    void setDirectory(const std::string& folder) override {
        folder_ = folder;
        read_ = false;
    }

    // The folder is read and sorted once, at the first mask after setDirectory; each mask then picks its names
    // from that reading, in its order. A run lists its folder for two masks, and collation is its dearest part.
    void setMask(const std::string& mask) override {
        names_.clear();
        if (!read_) {
            allNames_.clear();
            subfolders_.clear();
            unreadable_.clear();
            failed_ = !readTree(std::string(), 0);
            if (failed_) {
                allNames_.clear();  // never a partial list: the caller would take it for the whole folder
                subfolders_.clear();
                return;
            }
            read_ = true;
        }
        const detail::WildcardMask matcher(mask);
        for (const std::string& name : allNames_)
            if (matcher.matches(lastPathElement(windowsFileName(name)))) names_.push_back(name);
    }

    std::string unreadableFolder() const override { return unreadable_; }
    std::vector<std::string> subfolders() const override { return subfolders_; }
    int count() const override { return static_cast<int>(names_.size()); }
    std::string fileName(int i) const override { return names_.at(index(i)); }
    std::string filePath(int i) const override { return joinPath(folder_, names_.at(index(i))); }
    bool listingFailed() const override { return failed_; }

private:
    // Deeper than any real scenario; a bind mount of a folder inside itself would otherwise never end.
    static constexpr int kDeepestFolder = 64;

    // Adds the files of the folder under, then each subfolder with what it holds. False when one cannot be read.
    bool readTree(const std::string& under, int depth) {
        const std::string path = under.empty() ? folder_ : joinPath(folder_, under);
        detail::FolderEntries entries;
        if (depth > kDeepestFolder || !detail::readFolder(path, entries) || !detail::sortJapanese(entries.files) ||
            !detail::sortJapanese(entries.folders)) {
            unreadable_ = path;
            return false;
        }
        for (const std::string& name : entries.files) allNames_.push_back(under.empty() ? name : joinPath(under, name));
        for (const std::string& name : entries.folders) {
            std::string subfolder = under.empty() ? name : joinPath(under, name);
            subfolders_.push_back(subfolder);
            if (!readTree(subfolder, depth + 1)) return false;
        }
        return true;
    }

    static std::size_t index(int i) {
        if (i < 0) throw std::out_of_range("file list index is negative");
        return static_cast<std::size_t>(i);
    }

    std::string folder_;
    std::vector<std::string> allNames_;  // every listed file of the folder, sorted, by its path under the folder
    std::vector<std::string> subfolders_;
    std::string unreadable_;
    std::vector<std::string> names_;     // those the mask matches
    bool read_ = false;
    bool failed_ = false;
};

}  // namespace

// The masks a run uses take a shortcut: "*.*" matches every name, and "*." followed by characters that are neither
// wildcards nor dots (as "*.wid") matches the names that end in a dot and those characters, as the full match does.
// Their bytes are compared: a dot never continues a UTF-8 sequence, so the characters from the last dot on are
// decoded alike, and letters fold as ASCII only.
WildcardMask::WildcardMask(const std::string& mask) : expression_(windowsMask(mask)) {
    const auto special = [](char32_t c) {
        return c == U'.' || c == U'*' || c == U'?' || c == kStar || c == kDosStar || c == kDosQuestion || c == kDosDot ||
               c > 0x10FFFF;  // a byte of the mask that was not UTF-8
    };
    if (expression_ == std::vector<char32_t>{kDosStar, kDosDot, kStar} || expression_ == std::vector<char32_t>{kStar}) {
        shape_ = Shape::Everything;
    } else if (expression_.size() >= 2 && expression_[0] == kDosStar && expression_[1] == U'.' &&
               std::none_of(expression_.begin() + 2, expression_.end(), special)) {
        shape_ = Shape::Extension;
        const std::size_t dot = mask.find('.');
        for (const char c : mask.substr(dot)) suffix_ += static_cast<char>(foldAscii(static_cast<unsigned char>(c)));
    }
}

bool WildcardMask::matches(std::string_view name) const {
    if (shape_ == Shape::Everything) return true;
    if (shape_ == Shape::Extension) {
        if (name.size() < suffix_.size()) return false;
        const std::string_view tail = name.substr(name.size() - suffix_.size());
        return std::equal(tail.begin(), tail.end(), suffix_.begin(),
                          [](char a, char b) { return static_cast<char>(foldAscii(static_cast<unsigned char>(a))) == b; });
    }
    return matchesExpression(characters(name), expression_);
}

std::unique_ptr<FileList> makeDirectoryFileList() { return std::make_unique<DirectoryFileList>(); }

bool folderEntryNames(const std::string& folder, std::vector<std::string>& names) {
    return detail::readAllNames(folder, names);
}

bool matchesMask(const std::string& name, const std::string& mask) { return WildcardMask(mask).matches(name); }

}  // namespace celshift
