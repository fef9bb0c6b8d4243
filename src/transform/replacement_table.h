// The run's table of up to four image-name pairs, and the holder that owns it.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace celshift {

// A name as stored in the table: the name's bytes, one zero byte, the rest unused.
using NameBuffer = std::array<unsigned char, 256>;

inline constexpr int kMaxPairs = 4;
inline constexpr int kMaxNameBytes = 255;  // a name and its zero byte fill at most one NameBuffer

// One pair, read out of a ReplacementTable. Lengths count the zero byte.
struct ReplacementPair {
    std::int32_t fromLength;
    std::int32_t toLength;
    const unsigned char* fromName;
    const unsigned char* toName;
};

// Pair j is made of index j of the four arrays; pairs keep the order of the conversion rows.
struct ReplacementTable {
    std::int32_t count = 0;
    std::vector<std::int32_t> fromLengths;
    std::vector<std::int32_t> toLengths;
    std::vector<NameBuffer> fromNames;
    std::vector<NameBuffer> toNames;

    ReplacementPair pair(int j) const {
        return {fromLengths[j], toLengths[j], fromNames[j].data(), toNames[j].data()};
    }
};

// Appends a pair. The names are the bytes as a data file holds them, without the zero byte.
// Throws std::invalid_argument for a fifth pair, an empty or over-long name, or a name holding a zero byte:
// copyStringField relies on every stored name ending at its one zero byte.
void addReplacementPair(ReplacementTable& table, std::string_view fromName, std::string_view toName);

struct ReplacementTableHolder {
    bool enabled = false;
    std::unique_ptr<ReplacementTable> table;
};

}  // namespace celshift
