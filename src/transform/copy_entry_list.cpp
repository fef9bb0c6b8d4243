#include "nesting_level.h"
#include "walkers.h"

namespace celshift {

namespace {

constexpr int R = kBodyRead;
constexpr int W = kBodyWrite;

constexpr std::int32_t kFirstEntryType = 0x40800;
constexpr std::int32_t kEmbeddedEntryType = 0x40808;  // carries a whole kind 6 file body when its flag is set

// Raw payload bytes of the entry types other than the embedded one.
constexpr int kPayloadBytes[] = {5, 5, 0, 4, 4, 8, 0, 0};

// The body of an embedded entry: laid out like a kind 6 file, header included, with this walker's codes.
void copyEmbeddedBody(DataFileCopier& c) {
    copyRun(c, 1, R, W);
    copyPlainString(c, R, W);
    copyPlainString(c, R, W);
    copyInt32(c, R, W);
    copyNestedRecord(c);
    const std::int32_t eventCount = copyInt32(c, R, W);
    for (std::int32_t i = 0; i < eventCount; ++i) copyEvent(c, false);
    copyRun(c, 5, R, W);
}

}  // namespace

// EntryList: an int32 count and that many TypedEntry items. An entry is its type, then 4 head bytes
// (3 bytes and a presence flag for the embedded type), then a payload chosen by the type.
void copyEntryList(DataFileCopier& c) {
    const NestingLevel level(c, R);
    const std::int32_t count = copyInt32(c, R, W);
    for (std::int32_t i = 0; i < count; ++i) {
        const std::int32_t type = copyInt32(c, R, W);
        std::int32_t present = 0;
        if (type == kEmbeddedEntryType) {
            copyRun(c, 3, R, W);
            present = copyInt32(c, R, W);
        } else {
            copyInt32(c, R, W);
        }
        // Tested after the head, so an unknown entry's type and head are already in the output.
        if (type < kFirstEntryType || type > kEmbeddedEntryType) c.stopAt(StopKind::NoEntryLayout, type, kNoBodyLayout);
        if (type == kEmbeddedEntryType) {
            if (present != 0) copyEmbeddedBody(c);
        } else {
            copyRun(c, kPayloadBytes[type - kFirstEntryType], R, W);
        }
    }
}

}  // namespace celshift
