#include "replacement_table.h"

#include <cstring>
#include <functional>
#include <stdexcept>

namespace celshift {

namespace {

void checkName(std::string_view name) {
    if (name.empty() || name.size() > static_cast<std::size_t>(kMaxNameBytes))
        throw std::invalid_argument("replacement name must hold 1 to 255 bytes");
    if (name.find('\0') != std::string_view::npos)
        throw std::invalid_argument("replacement name must not hold a zero byte");
}

std::size_t hashOf(const unsigned char* bytes, std::int32_t length) {
    return std::hash<std::string_view>{}(
        std::string_view(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length)));
}

// Spreads a hash over the slots; std::hash may leave low bits poorly mixed.
std::size_t slotOf(std::size_t hash, std::size_t mask) { return (hash * 0x9E3779B97F4A7C15ULL >> 17) & mask; }

}  // namespace

// In row order, so that the lowest row with the name wins as the index has it.
int ReplacementTable::findScanned(const unsigned char* field, std::int32_t length) const {
    const auto* names = reinterpret_cast<const unsigned char*>(names_.data());
    for (std::int32_t j = 0; j < count; ++j) {
        const Stored& s = stored_[static_cast<std::size_t>(j)];
        if (s.fromLength == length && std::memcmp(names + s.fromOffset, field, static_cast<std::size_t>(length)) == 0)
            return j;
    }
    return -1;
}

int ReplacementTable::findIndexed(const unsigned char* field, std::int32_t length) const {
    return findHashed(field, length, hashOf(field, length));
}

int ReplacementTable::findHashed(const unsigned char* field, std::int32_t length, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    const auto* names = reinterpret_cast<const unsigned char*>(names_.data());
    for (std::size_t slot = slotOf(hash, mask);; slot = (slot + 1) & mask) {
        const std::int32_t j = slots_[slot];
        if (j < 0) return -1;
        const Stored& s = stored_[static_cast<std::size_t>(j)];
        if (s.fromLength == length && std::memcmp(names + s.fromOffset, field, static_cast<std::size_t>(length)) == 0)
            return j;
    }
}

// The index rebuilt with size slots (a power of two).
void ReplacementTable::growSlots(std::size_t size) {
    std::vector<std::int32_t> old = std::move(slots_);
    slots_.assign(size, -1);
    const std::size_t mask = slots_.size() - 1;
    for (const std::int32_t earlier : old)
        if (earlier >= 0) {
            std::size_t slot = slotOf(stored_[static_cast<std::size_t>(earlier)].hash, mask);
            while (slots_[slot] >= 0) slot = (slot + 1) & mask;
            slots_[slot] = earlier;
        }
}

void ReplacementTable::reserve(std::size_t pairs, std::size_t nameBytes) {
    names_.reserve(names_.size() + nameBytes);
    stored_.reserve(stored_.size() + pairs);
    std::size_t size = slots_.empty() ? 16 : slots_.size();
    while ((static_cast<std::size_t>(count) + pairs + 1) * 2 > size) size *= 2;
    if (size > slots_.size()) growSlots(size);
}

// Enters pair j into the index, unless an earlier pair has the same name to look for; returns the pair the name
// finds. The slots are rebuilt twice as many whenever they would be more than half full, so a probe stays short.
int ReplacementTable::index(int j) {
    if ((static_cast<std::size_t>(count) + 1) * 2 > slots_.size()) growSlots(slots_.empty() ? 16 : slots_.size() * 2);
    const Stored& s = stored_[static_cast<std::size_t>(j)];
    const auto* name = reinterpret_cast<const unsigned char*>(names_.data()) + s.fromOffset;
    const int earlier = findHashed(name, s.fromLength, s.hash);
    if (earlier >= 0) return earlier;  // the earlier pair keeps the name
    const std::size_t mask = slots_.size() - 1;
    std::size_t slot = slotOf(s.hash, mask);
    while (slots_[slot] >= 0) slot = (slot + 1) & mask;
    slots_[slot] = j;
    lengths_[s.fromLength >> 6] |= std::uint64_t{1} << (s.fromLength & 63);
    return j;
}

int addReplacementPair(ReplacementTable& table, std::string_view fromName, std::string_view toName) {
    checkName(fromName);
    checkName(toName);
    std::string field;
    field.reserve(fromName.size() + 1);
    field.append(fromName).push_back('\0');
    return addReplacementField(table, field, toName);
}

int addReplacementField(ReplacementTable& table, std::string_view fromField, std::string_view toName) {
    if (fromField.empty() || fromField.size() > static_cast<std::size_t>(kMaxNameBytes) + 1)
        throw std::invalid_argument("a field to look for must hold 1 to 256 bytes");
    checkName(toName);
    ReplacementTable::Stored stored{};
    stored.fromLength = static_cast<std::int32_t>(fromField.size());
    stored.toLength = static_cast<std::int32_t>(toName.size() + 1);
    stored.fromOffset = table.names_.size();
    table.names_.append(fromField);
    if (fromField.back() != '\0') table.anyOpenField_ = true;
    stored.toOffset = table.names_.size();
    table.names_.append(toName).push_back('\0');
    stored.hash = hashOf(reinterpret_cast<const unsigned char*>(table.names_.data()) + stored.fromOffset,
                         stored.fromLength);
    table.stored_.push_back(stored);
    const int found = table.index(table.count);
    ++table.count;
    return found;
}

void ReplacedCounts::add(std::int32_t pair, std::int64_t fields) {
    if ((used_ + 1) * 2 > slots_.size()) {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(old.empty() ? 8 : old.size() * 2, Slot{});
        used_ = 0;
        for (const Slot& slot : old)
            if (slot.pair >= 0) add(slot.pair, slot.fields);
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(static_cast<std::size_t>(pair), mask);; i = (i + 1) & mask) {
        if (slots_[i].pair == pair) {
            slots_[i].fields += fields;
            return;
        }
        if (slots_[i].pair < 0) {
            slots_[i] = {pair, fields};
            ++used_;
            return;
        }
    }
}

std::int64_t ReplacedCounts::operator[](std::int32_t pair) const {
    if (slots_.empty()) return 0;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = slotOf(static_cast<std::size_t>(pair), mask);; i = (i + 1) & mask) {
        if (slots_[i].pair == pair) return slots_[i].fields;
        if (slots_[i].pair < 0) return 0;
    }
}

std::vector<std::pair<std::int32_t, std::int64_t>> ReplacedCounts::entries() const {
    std::vector<std::pair<std::int32_t, std::int64_t>> result;
    result.reserve(used_);
    for (const Slot& slot : slots_)
        if (slot.pair >= 0) result.emplace_back(slot.pair, slot.fields);
    return result;
}

std::vector<std::int64_t> ReplacedCounts::perPair(int count) const {
    std::vector<std::int64_t> result(static_cast<std::size_t>(count > 0 ? count : 0));
    for (const Slot& slot : slots_)
        if (slot.pair >= 0 && slot.pair < count) result[static_cast<std::size_t>(slot.pair)] = slot.fields;
    return result;
}

bool ReplacedCounts::operator==(const ReplacedCounts& other) const {
    if (used_ != other.used_) return false;
    for (const Slot& slot : slots_)
        if (slot.pair >= 0 && other[slot.pair] != slot.fields) return false;
    return true;
}

}  // namespace celshift
