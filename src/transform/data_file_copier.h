// The context of one data-file copy, and the primitives with which every walker copies its fields.
//
// Every primitive reads a field, tests the input, writes the field, tests the output, in this order.
// A read that fails or comes back short (the end of the input inside a field) raises the caller's read
// code; a write that fails raises its write code.
#pragma once

#include <cstdint>
#include <cstdio>

#include "copy_error_code.h"
#include "replacement_table.h"
#include "stream_io.h"

namespace celshift {

struct DataFileCopier {
    // Streams and holder stay the caller's: the copier never opens, closes, flushes or frees them.
    DataFileCopier(std::FILE* input, std::FILE* output, std::uint8_t packageFlag,
                   const ReplacementTableHolder* holder)
        : packageFlag(packageFlag), input(input), output(output), holder(holder) {}

    std::int8_t fileKind = 0;  // set by copyDataFile at the start of the walk
    std::uint8_t packageFlag;
    std::FILE* input;
    std::FILE* output;
    const ReplacementTableHolder* holder;
    unsigned char stringBuffer[256];
    std::int32_t nestingDepth = 0;  // walker levels under way, bounded by kMaxNestingDepth
};

// Copies one byte and returns it. Nothing is written when the read fails.
inline std::uint8_t copyByte(DataFileCopier& c, int readCode, int writeCode) {
    const int value = stream::getByte(c.input);
    if (value == EOF) raiseCopyError(readCode);
    stream::putByte(value, c.output);
    if (stream::failed(c.output)) raiseCopyError(writeCode);
    return static_cast<std::uint8_t>(value);
}

// Reads the four bytes of a little-endian int32 without writing them. Raises readCode when one is missing.
inline std::uint32_t readInt32Bytes(DataFileCopier& c, int readCode) {
    std::uint32_t value = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int byte = stream::getByte(c.input);
        if (byte == EOF) raiseCopyError(readCode);
        value |= static_cast<std::uint32_t>(byte) << shift;
    }
    return value;
}

inline void writeInt32Bytes(DataFileCopier& c, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) stream::putByte(static_cast<int>((value >> shift) & 0xFF), c.output);
}

// Copies one little-endian int32 and returns its value. Nothing is written when the read is incomplete.
inline std::int32_t copyInt32(DataFileCopier& c, int readCode, int writeCode) {
    const std::uint32_t value = readInt32Bytes(c, readCode);
    writeInt32Bytes(c, value);
    if (stream::failed(c.output)) raiseCopyError(writeCode);
    return static_cast<std::int32_t>(value);
}

// Copies n raw bytes (none when n <= 0), then tests the input and the output. When the input ends or fails
// early, the bytes that were read are written before the read code is raised.
void copyRun(DataFileCopier& c, std::int64_t n, int readCode, int writeCode);

// A plain string: an int32 length, then that many raw bytes, copied unchanged.
inline void copyPlainString(DataFileCopier& c, int readCode, int writeCode) {
    const std::int32_t length = copyInt32(c, readCode, writeCode);
    copyRun(c, length, readCode, writeCode);
}

// Copies one image-name field, writing the pair's new name in its place when the field equals a name to
// look for (its bytes and its zero byte). Raises 10 for a length outside 0..256, 50 and 55 for I/O failures.
void copyStringField(DataFileCopier& c, bool replace, const ReplacementTable* table);

// The image-name field as the walkers call it: with the holder's flag and table.
inline void copyImageName(DataFileCopier& c) {
    if (c.holder) copyStringField(c, c.holder->enabled, c.holder->table.get());
    else copyStringField(c, false, nullptr);
}

}  // namespace celshift
