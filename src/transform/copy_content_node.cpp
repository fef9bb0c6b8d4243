#include "nesting_level.h"
#include "walkers.h"

namespace celshift {

namespace {

// The child count is the child word's remainder by 10000 (truncating, so it takes the word's sign); the
// quotient is not interpreted. A negative count announces exactly one child. Shared by copyContentNode,
// which inlines it (a call fewer per node), and copyChildren.
inline void copyChildList(DataFileCopier& c) {
    const std::int32_t childWord = copyInt32(c, kNodeRead, kNodeWrite);
    std::int32_t n = childWord % 10000;
    if (n == 0) return;
    copyContentNode(c);
    for (; n > 1; --n) copyContentNode(c);
}

}  // namespace

// ContentNode: type byte, name, child word, the children, and last the body. The body stands behind the
// whole subtree, so an undefined type is found only after the subtree has been copied.
void copyContentNode(DataFileCopier& c) {
    const NestingLevel level(c, kNodeRead);
    const std::uint8_t contentType = copyByte(c, kNodeRead, kNodeWrite);
    copyPlainString(c, kNodeRead, kNodeWrite);
    copyChildList(c);
    copyContentBody(c, contentType);
}

void copyChildren(DataFileCopier& c) { copyChildList(c); }

}  // namespace celshift
