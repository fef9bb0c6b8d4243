#include <algorithm>
#include <array>

#include "walkers.h"

namespace celshift {

namespace {

// The fifteen body layouts.
enum class Body : std::uint8_t {
    Empty,
    String,
    Int32,
    OneByte,
    ImageNameString,  // type 6
    CellRecords,      // type 8: int32 count, then that many CellRecords
    EntryList,        // type 11: 11 bytes, string, 1 byte, EntryList
    TwoBytes,
    ThirteenBytes,
    StringByte,       // type 16
    StringInt32,
    Int32FiveBytes,
    StringFiveBytes,
    StringPairs,      // type 40: 1 byte, int32 count, that many pairs of strings
    FiveBytes,
};

using enum Body;

// Layout of each defined content type, indexed by the type byte.
constexpr std::array<Body, 66> kBodyOfType = {
    Empty,           String,          Int32,           OneByte,         Empty,           // 0-4
    Int32,           ImageNameString, String,          CellRecords,     String,          // 5-9
    Int32,           EntryList,       TwoBytes,        ThirteenBytes,   Int32,           // 10-14
    String,          StringByte,      String,          StringInt32,     Int32,           // 15-19
    Int32FiveBytes,  Int32FiveBytes,  Int32,           Int32FiveBytes,  Int32,           // 20-24
    StringFiveBytes, Int32,           Int32FiveBytes,  Int32FiveBytes,  Int32,           // 25-29
    Int32FiveBytes,  Int32,           StringFiveBytes, Int32,           Int32FiveBytes,  // 30-34
    Int32FiveBytes,  Int32,           Int32FiveBytes,  Int32,           StringFiveBytes, // 35-39
    StringPairs,     String,          String,          String,          StringInt32,     // 40-44
    Empty,           FiveBytes,       TwoBytes,        Int32,           Empty,           // 45-49
    Empty,           Empty,           String,          Int32,           Int32,           // 50-54
    Empty,           Empty,           String,          String,          String,          // 55-59
    String,          String,          String,          Empty,           Empty,           // 60-64
    String,                                                                              // 65
};

constexpr int R = kBodyRead;
constexpr int W = kBodyWrite;

}  // namespace

// The body of a content node, laid out by its type byte alone. Types above 65 have no layout: 83 is raised
// before anything of the body is read.
void copyContentBody(DataFileCopier& c, std::uint8_t contentType) {
    if (contentType >= kBodyOfType.size()) c.stopAt(StopKind::NoContentLayout, contentType, kNoBodyLayout);
    switch (kBodyOfType[contentType]) {
    case Empty:
        return;
    case String:
        copyPlainString(c, R, W);
        return;
    case Int32:
        copyInt32(c, R, W);
        return;
    case OneByte:
        copyRun(c, 1, R, W);
        return;
    case ImageNameString:
        copyImageName(c);
        copyPlainString(c, R, W);
        return;
    case CellRecords: {
        const std::int32_t count = copyInt32(c, R, W);
        for (std::int32_t i = 0; i < count; ++i) copyCellRecord(c);
        return;
    }
    case EntryList:
        copyRun(c, 11, R, W);
        copyPlainString(c, R, W);
        copyRun(c, 1, R, W);
        copyEntryList(c);
        return;
    case TwoBytes:
        copyRun(c, 2, R, W);
        return;
    case ThirteenBytes:
        copyRun(c, 13, R, W);
        return;
    case StringByte: {
        // The byte follows the string's bytes at once; the tests come after that byte.
        const std::int32_t length = copyInt32(c, R, W);
        copyRun(c, std::max<std::int64_t>(length, 0) + 1, R, W);
        return;
    }
    case StringInt32:
        copyPlainString(c, R, W);
        copyInt32(c, R, W);
        return;
    case Int32FiveBytes:
        copyInt32(c, R, W);
        copyRun(c, 5, R, W);
        return;
    case StringFiveBytes:
        copyPlainString(c, R, W);
        copyRun(c, 5, R, W);
        return;
    case StringPairs: {
        copyRun(c, 1, R, W);
        const std::int32_t count = copyInt32(c, R, W);
        for (std::int32_t i = 0; i < count; ++i) {
            copyPlainString(c, R, W);
            copyPlainString(c, R, W);
        }
        return;
    }
    case FiveBytes:
        copyRun(c, 5, R, W);
        return;
    }
}

}  // namespace celshift
