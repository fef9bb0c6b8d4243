#include <algorithm>
#include <numeric>
#include <optional>

#include "platform/file_list_parts.h"
#include "platform/win32_text.h"

namespace celshift::detail {

namespace {

// Devices and what Explorer hides (hidden or system attribute) are left out.
constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DEVICE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() {
        if (valid()) ::FindClose(handle_);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

}  // namespace

// Calls each(entry) for every entry the folder holds; false when it cannot be read completely.
template <typename Each>
bool forEachEntry(const std::string& folder, Each each) {
    std::string pattern = folder.empty() ? std::string(".") : folder;
    if (pattern.back() != '\\' && pattern.back() != '/') pattern += '\\';
    pattern += '*';
    const std::optional<std::wstring> widePattern = toWide(pattern);
    if (!widePattern) return false;
    WIN32_FIND_DATAW entry;
    FindHandle search(::FindFirstFileExW(widePattern->c_str(), FindExInfoBasic, &entry, FindExSearchNameMatch, nullptr,
                                         FIND_FIRST_EX_LARGE_FETCH));
    // "*" finds "." and ".." in every folder but the root of a drive: nothing found there is an empty folder.
    if (!search.valid()) return ::GetLastError() == ERROR_FILE_NOT_FOUND;
    do {
        each(entry);
    } while (::FindNextFileW(search.get(), &entry));
    return ::GetLastError() == ERROR_NO_MORE_FILES;
}

bool readAllNames(const std::string& folder, std::vector<std::string>& names) {
    return forEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        const std::string name = toUtf8(entry.cFileName);
        if (!name.empty() && name != "." && name != "..") names.push_back(name);
    });
}

// The search runs over "*" and masks are matched by the list: the system's own matching also tries each file's
// 8.3 short name, so "*.wid" would find "a.widx" by its alias "A~1.WID". A folder that is a link or junction (a
// reparse point) is listed as a file, which the run then tells it does not copy.
bool readFolder(const std::string& folder, FolderEntries& entries) {
    return forEachEntry(folder, [&](const WIN32_FIND_DATAW& entry) {
        if ((entry.dwFileAttributes & kLeftOut) != 0) return;
        const std::string name = toUtf8(entry.cFileName);
        if (name.empty() || name == "." || name == "..") return;
        const bool isFolder = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) entries.folders.push_back(name);
        else entries.files.push_back(name);
    });
}

// CompareStringEx for Japanese with case, kana type and width ignored; equal names in code unit order.
bool sortJapanese(std::vector<std::string>& names) {
    std::vector<std::wstring> wide;
    wide.reserve(names.size());
    for (const std::string& name : names) wide.push_back(toWide(name).value_or(std::wstring()));
    constexpr DWORD kFlags = NORM_IGNORECASE | NORM_IGNOREKANATYPE | NORM_IGNOREWIDTH;
    bool available = true;
    std::vector<std::size_t> order(names.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int result = ::CompareStringEx(L"ja-JP", kFlags, wide[a].data(), static_cast<int>(wide[a].size()),
                                             wide[b].data(), static_cast<int>(wide[b].size()), nullptr, nullptr, 0);
        if (result == 0) available = false;
        if (result == CSTR_LESS_THAN || result == CSTR_GREATER_THAN) return result == CSTR_LESS_THAN;
        return wide[a] < wide[b];
    });
    if (!available) return false;
    std::vector<std::string> sorted;
    sorted.reserve(names.size());
    for (std::size_t i : order) sorted.push_back(std::move(names[i]));
    names = std::move(sorted);
    return true;
}

}  // namespace celshift::detail
