// Bounds the nesting of the recursive walkers, so that no input can exhaust the stack.
#pragma once

#include <cstdint>

#include "data_file_copier.h"

namespace celshift {

// Walker levels (events, content nodes, entry lists, nested records) that one walk may hold at once.
// Real event trees nest one level per step of a sequence, so the bound sits far above any real file;
// copyDataFile runs the walk on a stack sized for it (platform/large_stack.h).
inline constexpr std::int32_t kMaxNestingDepth = 1'000'000;

// One level of nesting, held for the duration of a walker call. Deeper input raises the walker's read code.
class NestingLevel {
public:
    NestingLevel(DataFileCopier& c, int readCode) : copier_(c) {
        if (copier_.nestingDepth >= kMaxNestingDepth) raiseCopyError(readCode);
        ++copier_.nestingDepth;
    }
    ~NestingLevel() { --copier_.nestingDepth; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    DataFileCopier& copier_;
};

}  // namespace celshift
