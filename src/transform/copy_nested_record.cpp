#include "nesting_level.h"
#include "walkers.h"

namespace celshift {

namespace {
constexpr int R = kRecordRead;
constexpr int W = kRecordWrite;
}  // namespace

// NestedRecord: a string, 18 bytes, an EntryList, 12 bytes, seven strings, a byte, two strings.
// None of its strings is an image name; they pass through unchanged.
void copyNestedRecord(DataFileCopier& c) {
    const NestingLevel level(c, R);
    copyPlainString(c, R, W);
    copyRun(c, 18, R, W);
    copyEntryList(c);
    copyRun(c, 12, R, W);
    for (int i = 0; i < 7; ++i) copyPlainString(c, R, W);
    copyRun(c, 1, R, W);
    copyPlainString(c, R, W);
    copyPlainString(c, R, W);
}

}  // namespace celshift
