// The run's table of image-name pairs, the holder that owns it, and the counts of what a walk replaced.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace celshift {

inline constexpr int kMaxNameBytes = 255;  // a name and its zero byte fill at most 256 bytes, as a field may

// One pair, read out of a ReplacementTable. Lengths count the zero byte.
struct ReplacementPair {
    std::int32_t fromLength;
    std::int32_t toLength;
    const unsigned char* fromName;
    const unsigned char* toName;
};

// Pairs keep the order of the conversion rows; pair j comes from the j-th used row. Any number of pairs: a
// field is looked up by its bytes in a hash index, so the lookup does not grow with the number of pairs.
class ReplacementTable {
public:
    std::int32_t count = 0;

    ReplacementPair pair(int j) const {
        const Stored& s = stored_[static_cast<std::size_t>(j)];
        const auto* names = reinterpret_cast<const unsigned char*>(names_.data());
        return {s.fromLength, s.toLength, names + s.fromOffset, names + s.toOffset};
    }

    // Room for this many more pairs whose names take about nameBytes in all, so that adding them grows nothing:
    // ten thousand rows would otherwise copy the table's parts into fresh memory again and again.
    void reserve(std::size_t pairs, std::size_t nameBytes);

    // The first pair (lowest row) whose field to look for is exactly the field's bytes; -1 when none is.
    int find(const unsigned char* field, std::int32_t length) const {
        // Nearly every field to look for ends at its zero byte: most fields are told apart by length or last byte.
        if (length < 1 || length > kMaxNameBytes + 1 || (field[length - 1] != 0 && !anyOpenField_)) return -1;
        if (!hasLength(length)) return -1;
        return count <= kScannedPairs ? findScanned(field, length) : findIndexed(field, length);
    }

private:
    friend int addReplacementField(ReplacementTable& table, std::string_view fromField, std::string_view toName);

    struct Stored {
        std::int32_t fromLength;
        std::int32_t toLength;
        std::size_t fromOffset;
        std::size_t toOffset;
        std::size_t hash;  // of the name to look for, kept for growing the index
    };
    // Up to this many pairs a field is compared with each in turn: cheaper than hashing it.
    static constexpr std::int32_t kScannedPairs = 8;
    bool hasLength(std::int32_t length) const { return (lengths_[length >> 6] >> (length & 63)) & 1; }
    int findScanned(const unsigned char* field, std::int32_t length) const;
    int findIndexed(const unsigned char* field, std::int32_t length) const;
    int findHashed(const unsigned char* field, std::int32_t length, std::size_t hash) const;
    int index(int j);
    void growSlots(std::size_t size);

    std::string names_;             // every name with its zero byte, one after another
    std::vector<Stored> stored_;
    std::uint64_t lengths_[5] = {};   // a bit per from-length (with the zero byte) that some pair has
    std::vector<std::int32_t> slots_;  // open addressing: a pair index, or -1; a power of two in size
    bool anyOpenField_ = false;        // some field to look for has no closing zero byte
};

// Appends a pair. The names are the bytes as a data file holds them, without the zero byte.
// Throws std::invalid_argument for an empty or over-long name, or a name holding a zero byte:
// copyStringField relies on every stored name ending at its one zero byte. A name to look for that an
// earlier pair has already is kept, but never found: the earlier pair wins. Returns the pair that a field
// holding fromName finds: the new one, or that earlier pair.
int addReplacementPair(ReplacementTable& table, std::string_view fromName, std::string_view toName);

// The same for a field to look for given as its exact bytes (1 to 256): as a data file holds it, its closing zero
// byte included when it has one, any zero byte inside it. toName is as for addReplacementPair.
int addReplacementField(ReplacementTable& table, std::string_view fromField, std::string_view toName);

struct ReplacementTableHolder {
    bool enabled = false;
    std::unique_ptr<ReplacementTable> table;
};

// Per pair index, the image-name fields that a walk (or a file's walks) replaced. Only the pairs that
// replaced something take room, so that a walk with thousands of pairs costs nothing for those it did not use.
class ReplacedCounts {
public:
    void add(std::int32_t pair, std::int64_t fields = 1);
    std::int64_t operator[](std::int32_t pair) const;
    // The pairs that replaced at least one field, with their counts, in no particular order.
    std::vector<std::pair<std::int32_t, std::int64_t>> entries() const;
    bool empty() const { return used_ == 0; }
    // Per pair index from 0 to count - 1, for tests and small tables.
    std::vector<std::int64_t> perPair(int count) const;
    // The same pairs with the same counts, whatever the order they came in.
    bool operator==(const ReplacedCounts& other) const;

private:
    struct Slot {
        std::int32_t pair = -1;
        std::int64_t fields = 0;
    };
    std::vector<Slot> slots_;  // open addressing; a power of two in size, at most half full
    std::size_t used_ = 0;
};

}  // namespace celshift
