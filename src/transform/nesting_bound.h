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

// The stack of a thread that walks up to kMaxNestingDepth levels: the budget above, and room for the thread's own
// frames above the walk (the run's loop, the copier's callers).
inline constexpr std::size_t kWalkStackBytes =
    static_cast<std::size_t>(kMaxNestingDepth) * kStackBytesPerNestingLevel + (std::size_t{16} << 20);

}  // namespace celshift
