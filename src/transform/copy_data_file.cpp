#include "platform/large_stack.h"
#include "walkers.h"

namespace celshift {

namespace {

constexpr int R = kFileRead;
constexpr int W = kFileWrite;

void copyEvents(DataFileCopier& c, bool withTrailer) {
    const std::int32_t count = copyInt32(c, R, W);
    for (std::int32_t i = 0; i < count; ++i) copyEvent(c, withTrailer);
}

// Kind 0 entry: byte, three strings around a value, events with trailer, a string, 12 bytes, an image name.
void copyKind0Entry(DataFileCopier& c) {
    copyByte(c, R, W);
    copyPlainString(c, R, W);
    copyPlainString(c, R, W);
    copyInt32(c, R, W);
    copyPlainString(c, R, W);
    copyEvents(c, true);
    copyPlainString(c, R, W);
    copyRun(c, 12, R, W);
    copyImageName(c);
}

// Kind 1 entry: a value, events with trailer, a string, 13 bytes.
void copyKind1Entry(DataFileCopier& c) {
    copyInt32(c, R, W);
    copyEvents(c, true);
    copyPlainString(c, R, W);
    copyRun(c, 13, R, W);
}

// Kinds 0 and 1: events with trailer, a byte, the entries of the kind, then cells (0) or a string (1).
void copyEntriesBody(DataFileCopier& c) {
    copyEvents(c, true);
    copyByte(c, R, W);
    const std::int32_t entryCount = copyInt32(c, R, W);
    for (std::int32_t i = 0; i < entryCount; ++i) {
        if (c.fileKind == 0) copyKind0Entry(c);
        else copyKind1Entry(c);
    }
    if (c.fileKind == 0) {
        const std::int32_t cellCount = copyInt32(c, R, W);
        for (std::int32_t i = 0; i < cellCount; ++i) copyCellRecord(c);
    } else {
        copyPlainString(c, R, W);
    }
}

// Kinds 3, 5 and 6 (and each element of a kind 2 list): a nested record, events, a tail.
void copyRecordBody(DataFileCopier& c, int tailBytes) {
    copyNestedRecord(c);
    copyEvents(c, false);
    copyRun(c, tailBytes, R, W);
}

// Kind 2: blocks and a string, three lists of records laid out like kind 3, 5 and 6 files (header
// included), then string/value pairs. The tail of an element comes from its list, not its leading byte.
void copyListsBody(DataFileCopier& c) {
    copyRun(c, 18, R, W);
    copyPlainString(c, R, W);
    copyRun(c, 125, R, W);
    for (const int tailBytes : {25, 9, 5}) {
        const std::int32_t count = copyInt32(c, R, W);
        for (std::int32_t i = 0; i < count; ++i) {
            copyByte(c, R, W);
            copyPlainString(c, R, W);
            copyPlainString(c, R, W);
            copyInt32(c, R, W);
            copyRecordBody(c, tailBytes);
        }
    }
    const std::int32_t pairCount = copyInt32(c, R, W);
    for (std::int32_t i = 0; i < pairCount; ++i) {
        copyPlainString(c, R, W);
        copyInt32(c, R, W);
    }
}

// The header, then the body that the file kind selects. A package file has no kind byte: its kind is 8.
void walkDataFile(DataFileCopier& c) {
    if (c.packageFlag) {
        c.fileKind = 8;
        copyInt32(c, R, W);
    } else {
        c.fileKind = static_cast<std::int8_t>(copyByte(c, R, W));
        copyPlainString(c, R, W);
    }
    copyPlainString(c, R, W);
    copyInt32(c, R, W);

    switch (c.fileKind) {
    case 0:
    case 1:
        copyEntriesBody(c);
        break;
    case 2:
        copyListsBody(c);
        break;
    case 3:
        copyRecordBody(c, 25);
        break;
    case 4:
        copyPlainString(c, R, W);
        break;
    case 5:
        copyRecordBody(c, 9);
        break;
    case 6:
        copyRecordBody(c, 5);
        break;
    case 8:
        copyEvents(c, false);
        break;
    default:
        raiseCopyError(kNoFileLayout);
    }
}

// Writes what is still marked as passed through; false when the write fails.
bool flushPassThrough(DataFileCopier& c) {
    try {
        flushPending(c, kFileWrite);
        return true;
    } catch (const CopyErrorCode&) {
        return false;
    }
}

// Copies whatever the input still holds, unchanged. False when a read or a write fails.
bool copyRemainder(DataFileCopier& c) {
    if (!flushPassThrough(c)) return false;
    unsigned char chunk[16384];
    std::size_t got;
    while ((got = stream::read(chunk, sizeof chunk, c.input)) > 0) {
        if (stream::write(chunk, got, c.output) != got) break;
    }
    return !stream::failed(c.input) && !stream::failed(c.output);
}

int walkAndReport(DataFileCopier& c) {
    try {
        walkDataFile(c);
        // Bytes behind a complete layout are kept, not dropped.
        return copyRemainder(c) ? 0 : 1;
    } catch (const CopyErrorCode& error) {
        // Data without a layout is passed through unchanged from where the walk stopped, so no byte is
        // lost; the file is still reported, as its images past that point were not looked at.
        if (isNoLayoutCode(error.value)) copyRemainder(c);
        else flushPassThrough(c);  // what was copied before the failing field stays written
        return 1;
    }
}

}  // namespace

// The walk runs on a large stack, since nesting has no fixed depth. A caller that converts many files can
// put its whole loop on one (runOnLargeStack) to save a thread per file.
int copyDataFile(DataFileCopier& c) {
    if (onLargeStack()) return walkAndReport(c);
    int result = 1;
    runOnLargeStack([&] { result = walkAndReport(c); });
    return result;
}

}  // namespace celshift
