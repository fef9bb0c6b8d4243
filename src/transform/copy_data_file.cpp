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
        c.stopAt(StopKind::NoFileLayout, c.fileKind, kNoFileLayout);
    }
}

// Writes what is still pending; false when the write fails.
bool flushPassThrough(DataFileCopier& c) {
    try {
        c.flushPending(kFileWrite);
        return true;
    } catch (const CopyErrorCode&) {
        return false;
    }
}

// Copies whatever the input still holds, unchanged. Returns the code of a failed read or write, else 0.
int copyRemainder(DataFileCopier& c) {
    try {
        while (true) {
            const std::size_t got = c.peek(c.windowBytes(), kFileWrite).size();
            if (got == 0) break;
            c.consume(got);
        }
        c.flushPending(kFileWrite);
    } catch (const CopyErrorCode& error) {
        return error.value;
    }
    if (!c.inputFailed()) return 0;
    try {
        c.stopInField(FieldKind::RawBytes, c.inputOffset(), kFileRead);
    } catch (const CopyErrorCode& error) {
        return error.value;
    }
}

}  // namespace

// The walk nests as deeply as the input does, up to c.nestingLimit levels, on the caller's stack.
int copyDataFile(DataFileCopier& c) {
    c.stopCode = 0;
    c.stop = {};
    try {
        walkDataFile(c);
        // Bytes behind a complete layout are kept, not dropped.
        c.stopCode = copyRemainder(c);
    } catch (const CopyErrorCode& error) {
        c.stopCode = error.value;
        // Wherever the walk stopped, for whatever reason the data gave (it ends, a length is impossible, a kind
        // or type has no layout, it nests too deeply), the rest of the input follows unchanged from the field
        // that stopped it, so no byte is lost; the file is still reported, as its images past that point were
        // not looked at. A failed read or write leaves an incomplete output, which the caller throws away.
        if (outputIsWhole(c.stop)) {
            if (const int code = copyRemainder(c); code != 0) c.stopCode = code;
        } else {
            flushPassThrough(c);
        }
    }
    return c.stopCode == 0 ? 0 : 1;
}

}  // namespace celshift
