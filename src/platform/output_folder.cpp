#include <algorithm>
#include <atomic>
#include <charconv>
#include <filesystem>
#include <iterator>
#include <string_view>

#include "platform/output_folder.h"
#include "platform/output_folder_parts.h"
#include "platform/file_copy.h"
#include "platform/path_text.h"

namespace celshift {

namespace {

constexpr std::string_view kTemporaryPrefix = ".celshift-";
constexpr std::string_view kTemporarySuffix = ".tmp";

std::atomic<std::uint64_t> gTemporaryCounter{0};
// Asked once: every temporary name of the process carries it.
const std::string gProcessNumber = std::to_string(detail::processNumber());

}  // namespace

std::string temporaryFileName() {
    const std::uint64_t n = gTemporaryCounter.fetch_add(1, std::memory_order_relaxed);
    return std::string(kTemporaryPrefix) + gProcessNumber + "-" + std::to_string(n) + std::string(kTemporarySuffix);
}

// Exactly the pattern temporaryFileName makes: digits, one "-", digits between the prefix and the suffix.
bool isTemporaryFileName(const std::string& name) {
    if (name.size() < kTemporaryPrefix.size() + kTemporarySuffix.size() + 3) return false;
    if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) return false;
    const std::string_view middle = std::string_view(name).substr(
        kTemporaryPrefix.size(), name.size() - kTemporaryPrefix.size() - kTemporarySuffix.size());
    const std::size_t dash = middle.find('-');
    if (dash == std::string_view::npos || dash == 0 || dash + 1 == middle.size()) return false;
    for (std::size_t i = 0; i < middle.size(); ++i)
        if (i != dash && (middle[i] < '0' || middle[i] > '9')) return false;
    return true;
}

bool temporaryFileInUse(const std::string& name) {
    const std::string_view digits = std::string_view(name).substr(kTemporaryPrefix.size());
    std::uint64_t number = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (error != std::errc() || *end != '-') return false;  // no process has a number that large
    return number != detail::processNumber() && detail::processRuns(number);
}

bool OutputFolder::isWithin(const std::string& path) {
    namespace fs = std::filesystem;
    std::error_code error;
    if (path.empty()) return false;
    const fs::path folder = fs::weakly_canonical(pathFromUtf8(path), error);
    if (error || folder.empty()) return false;
    fs::path mine = fs::weakly_canonical(pathFromUtf8(path_), error);
    if (error) return false;
    // By path: the scenario folder's elements begin this folder's.
    const auto [folderEnd, mineEnd] = std::mismatch(folder.begin(), folder.end(), mine.begin(), mine.end());
    if (folderEnd == folder.end() || (std::next(folderEnd) == folder.end() && folderEnd->empty())) return true;
    // By identity: this folder and each one above it.
    for (int depth = 0; depth < 4096; ++depth) {
        if (isSameFileSystemObject(utf8FromPath(mine), path)) return true;
        if (!mine.has_relative_path()) break;
        mine = mine.parent_path();
    }
    return detail::probeShowsIn(*this, temporaryFileName(), path);
}

}  // namespace celshift
