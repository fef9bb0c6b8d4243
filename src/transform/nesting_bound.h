// How deeply the recursive walkers may nest, and the stack that this costs.
#pragma once

#include <cstddef>
#include <cstdint>

namespace celshift {

// Walker levels (events, content nodes, entry lists, nested records) that one walk may hold at once.
// Real event trees nest one level per step of a sequence, so the bound sits far above any real file.
//
// Each counted level puts at most two walker frames on the stack (a node and its child list; an entry list
// and the embedded body that calls the next level). kStackBytesPerNestingLevel is a generous budget for
// those frames in every build we make (-O0 and the sanitizers included), so a thread that walks up to
// kMaxNestingDepth levels needs kMaxNestingDepth * kStackBytesPerNestingLevel bytes of stack plus room for
// its own frames (platform/large_stack.h starts such threads).
inline constexpr std::int32_t kMaxNestingDepth = 1'000'000;
inline constexpr std::size_t kStackBytesPerNestingLevel = 2048;

// The limit a copier starts with: safe on an ordinary 8 MiB stack, since 2,000 levels take at most 4 MiB by
// the budget above. A caller that runs the walk on a large stack raises DataFileCopier::nestingLimit to
// kMaxNestingDepth.
inline constexpr std::int32_t kDefaultNestingLimit = 2'000;

// Room for a walking thread's own frames above the walk (the run's loop, the copier's callers).
inline constexpr std::size_t kWalkFrameBytes = std::size_t{16} << 20;

// The stack of a thread that walks up to kMaxNestingDepth levels: the budget above, and room for its own frames.
inline constexpr std::size_t kWalkStackBytes =
    static_cast<std::size_t>(kMaxNestingDepth) * kStackBytesPerNestingLevel + kWalkFrameBytes;

// The stack for walks of files of up to largestFileBytes: each level reads at least one byte of its file, so no file
// nests deeper than its size. Ordinary scenarios then run under ordinary memory limits.
constexpr std::size_t walkStackBytesFor(std::uint64_t largestFileBytes) {
    const std::uint64_t levels = largestFileBytes < static_cast<std::uint64_t>(kMaxNestingDepth)
                                     ? largestFileBytes + 1 : static_cast<std::uint64_t>(kMaxNestingDepth);
    return static_cast<std::size_t>(levels) * kStackBytesPerNestingLevel + kWalkFrameBytes;
}

// The nesting limit for a walk on a stack of stackBytes (0: an ordinary thread): as deep as its budget allows,
// never below the default that an ordinary stack holds.
constexpr std::int32_t nestingLimitFor(std::size_t stackBytes) {
    if (stackBytes <= kWalkFrameBytes) return kDefaultNestingLimit;
    const std::size_t levels = (stackBytes - kWalkFrameBytes) / kStackBytesPerNestingLevel;
    if (levels >= static_cast<std::size_t>(kMaxNestingDepth)) return kMaxNestingDepth;
    return levels > static_cast<std::size_t>(kDefaultNestingLimit) ? static_cast<std::int32_t>(levels) : kDefaultNestingLimit;
}

}  // namespace celshift
