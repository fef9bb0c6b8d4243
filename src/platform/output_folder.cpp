#include <atomic>
#include <string_view>

#include "platform/output_folder.h"
#include "platform/output_folder_parts.h"

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

}  // namespace celshift
