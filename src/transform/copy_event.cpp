#include "nesting_level.h"
#include "walkers.h"

namespace celshift {

// Event: a count of content trees, the trees, and where the caller says so a trailer of two counted runs
// (itemCount items of 4 bytes, then tailLength bytes). Nothing in the file tells whether a trailer follows.
void copyEvent(DataFileCopier& c, bool withTrailer) {
    const NestingLevel level(c, kEventRead);
    const std::int32_t treeCount = copyInt32(c, kEventRead, kEventWrite);
    for (std::int32_t i = 0; i < treeCount; ++i) copyContentNode(c);
    if (!withTrailer) return;

    const std::int32_t itemCount = copyInt32(c, kEventRead, kEventWrite);
    copyRun(c, 4 * static_cast<std::int64_t>(itemCount), kEventRead, kEventWrite);
    const std::int32_t tailLength = copyInt32(c, kEventRead, kEventWrite);
    copyRun(c, tailLength, kEventRead, kEventWrite);
}

}  // namespace celshift
