#include "walkers.h"

namespace celshift {

// CellRecord: 16 raw bytes, an image name, a byte, a plain string, a byte.
void copyCellRecord(DataFileCopier& c) {
    copyRun(c, 16, kBodyRead, kBodyWrite);
    copyImageName(c);
    copyRun(c, 1, kBodyRead, kBodyWrite);
    copyPlainString(c, kBodyRead, kBodyWrite);
    copyRun(c, 1, kBodyRead, kBodyWrite);
}

}  // namespace celshift
