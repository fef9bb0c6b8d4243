#include "replacement_table.h"

#include <algorithm>
#include <stdexcept>

namespace celshift {

namespace {

NameBuffer storeName(std::string_view name) {
    if (name.empty() || name.size() > static_cast<std::size_t>(kMaxNameBytes))
        throw std::invalid_argument("replacement name must hold 1 to 255 bytes");
    if (name.find('\0') != std::string_view::npos)
        throw std::invalid_argument("replacement name must not hold a zero byte");
    NameBuffer buffer{};
    std::copy(name.begin(), name.end(), buffer.begin());
    buffer[name.size()] = 0;
    return buffer;
}

}  // namespace

void addReplacementPair(ReplacementTable& table, std::string_view fromName, std::string_view toName) {
    if (table.count >= kMaxPairs) throw std::invalid_argument("a replacement table holds at most four pairs");
    NameBuffer from = storeName(fromName);
    NameBuffer to = storeName(toName);
    table.fromLengths.push_back(static_cast<std::int32_t>(fromName.size() + 1));
    table.toLengths.push_back(static_cast<std::int32_t>(toName.size() + 1));
    table.fromNames.push_back(from);
    table.toNames.push_back(to);
    ++table.count;
}

}  // namespace celshift
