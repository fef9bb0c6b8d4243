// A small seeded generator (xoshiro256**, seeded through splitmix64). Its output depends on nothing but the
// seed, unlike the distributions of the standard library, so a seed names the same bytes on every machine.
#pragma once

#include <cstdint>

namespace celshift::build {

// One step of splitmix64: spreads a seed (or a seed and an index) over all 64 bits.
constexpr std::uint64_t splitMix64(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

// A seed of its own for the index-th part of a larger whole (one data file of a scenario).
constexpr std::uint64_t deriveSeed(std::uint64_t seed, std::uint64_t index) {
    std::uint64_t state = seed ^ (index * 0xD1B54A32D192ED03ULL);
    splitMix64(state);
    return splitMix64(state);
}

class Random {
public:
    explicit constexpr Random(std::uint64_t seed) {
        std::uint64_t state = seed;
        for (auto& word : s_) word = splitMix64(state);
    }

    constexpr std::uint64_t next() {
        const std::uint64_t result = rotl(s_[1] * 5, 7) * 9;
        const std::uint64_t t = s_[1] << 17;
        s_[2] ^= s_[0];
        s_[3] ^= s_[1];
        s_[1] ^= s_[2];
        s_[0] ^= s_[3];
        s_[2] ^= t;
        s_[3] = rotl(s_[3], 45);
        return result;
    }

    // 0 to n - 1; 0 when n is 0. The small bias of the modulo does not matter here.
    constexpr std::uint64_t below(std::uint64_t n) { return n == 0 ? 0 : next() % n; }

    // lo to hi, both included.
    constexpr std::int64_t between(std::int64_t lo, std::int64_t hi) {
        if (hi <= lo) return lo;
        return lo + static_cast<std::int64_t>(below(static_cast<std::uint64_t>(hi - lo) + 1));
    }

    // True in `percent` cases of a hundred.
    constexpr bool percent(unsigned percent) { return below(100) < percent; }

    // True in one case of n.
    constexpr bool oneIn(std::uint64_t n) { return below(n) == 0; }

private:
    static constexpr std::uint64_t rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

    std::uint64_t s_[4] = {};
};

}  // namespace celshift::build
