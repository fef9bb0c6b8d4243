// Bounds the nesting of the recursive walkers, so that no input can exhaust the stack.
#pragma once

#include <cstdint>

#include "data_file_copier.h"
#include "nesting_bound.h"

namespace celshift {

// One level of nesting, held for the duration of a walker call. Input nested deeper than the copier's
// nestingLimit (nesting_bound.h) raises the walker's read code.
class NestingLevel {
public:
    NestingLevel(DataFileCopier& c, int readCode) : copier_(c) {
        if (copier_.nestingDepth >= copier_.nestingLimit) copier_.stopAt(StopKind::TooDeep, copier_.nestingLimit, readCode);
        ++copier_.nestingDepth;
    }
    ~NestingLevel() { --copier_.nestingDepth; }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;

private:
    DataFileCopier& copier_;
};

}  // namespace celshift
