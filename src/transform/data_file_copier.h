// The context of one data-file copy, and the primitives with which every walker copies its fields.
//
// Every primitive reads a field, tests the input, writes the field, tests the output, in this order.
// A read that fails or comes back short (the end of the input inside a field) raises the caller's read
// code; a write that fails raises its write code.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

#include "copy_error_code.h"
#include "replacement_table.h"
#include "stream_io.h"

namespace celshift {

// Sees every image-name field that a walk reads whole, with its stored bytes (before any replacement).
struct ImageNameVisitor {
    virtual ~ImageNameVisitor() = default;
    virtual void imageName(const unsigned char* bytes, std::int32_t length) = 0;
};

struct DataFileCopier {
    // Streams and holder stay the caller's: the copier never opens, closes, flushes or frees them.
    DataFileCopier(std::FILE* input, std::FILE* output, std::uint8_t packageFlag,
                   const ReplacementTableHolder* holder)
        : packageFlag(packageFlag), input(input), output(output), holder(holder),
          passThrough(stream::buffersOutput(output)) {}

    std::int8_t fileKind = 0;  // set by copyDataFile at the start of the walk
    std::uint8_t packageFlag;
    std::FILE* input;
    std::FILE* output;
    const ReplacementTableHolder* holder;
    unsigned char stringBuffer[256];
    std::int32_t nestingDepth = 0;  // walker levels under way, bounded by kMaxNestingDepth
    std::array<std::int64_t, kMaxPairs> replacedFields{};  // per pair: image-name fields replaced by this walk
    ImageNameVisitor* nameVisitor = nullptr;                // not owned
    int stopCode = 0;                                       // the code that ended the walk; 0: it reached its end

    // Pass-through. Bytes that are copied unchanged are not written one field at a time: while they lie in
    // the input's buffer they are only marked (from `pending` to the read position) and go to the output in
    // one block before anything else is read or written through a call, before a replaced name, and at the
    // end of the walk. The output then sees the same bytes in the same order, as if its buffer were larger.
    // Only for a buffered output: an unbuffered one must see each field's write at once.
    bool passThrough;
    const unsigned char* pending = nullptr;
};

// Writes the marked pass-through bytes, then tests the output. Comes before every call on either stream.
void flushPending(DataFileCopier& c, int writeCode);

// The n bytes at the input's position, consumed as passed through; null when they cannot be taken that way
// (not all buffered, pass-through off, or an error indicator already set: the calls then do the tests).
inline const unsigned char* passBuffered(DataFileCopier& c, std::size_t n) {
    if (!c.passThrough || stream::bufferedAvailable(c.input) < n || stream::failed(c.input) || stream::failed(c.output))
        return nullptr;
    const unsigned char* bytes = stream::bufferedPosition(c.input);
    if (!c.pending) c.pending = bytes;
    stream::consumeBuffered(c.input, n);
    return bytes;
}

inline std::uint32_t littleEndian32(const unsigned char* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Copies one byte and returns it. Nothing is written when the read fails.
inline std::uint8_t copyByte(DataFileCopier& c, int readCode, int writeCode) {
    if (const unsigned char* byte = passBuffered(c, 1)) return *byte;
    flushPending(c, writeCode);
    const int value = stream::getByte(c.input);
    if (value == EOF) raiseCopyError(readCode);
    stream::putByte(value, c.output);
    if (stream::failed(c.output)) raiseCopyError(writeCode);
    return static_cast<std::uint8_t>(value);
}

// Reads the four bytes of a little-endian int32 without writing them. Raises readCode when one is missing.
// The caller has flushed the pass-through.
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
    if (const unsigned char* bytes = passBuffered(c, 4)) return static_cast<std::int32_t>(littleEndian32(bytes));
    flushPending(c, writeCode);
    const std::uint32_t value = readInt32Bytes(c, readCode);
    writeInt32Bytes(c, value);
    if (stream::failed(c.output)) raiseCopyError(writeCode);
    return static_cast<std::int32_t>(value);
}

// Copies n raw bytes (none when n <= 0), then tests the input and the output. When the input ends or fails
// early, the bytes that were read are written before the read code is raised.
void copyRunByCalls(DataFileCopier& c, std::int64_t n, int readCode, int writeCode);
inline void copyRun(DataFileCopier& c, std::int64_t n, int readCode, int writeCode) {
    if (n >= 0 && passBuffered(c, static_cast<std::size_t>(n))) return;
    copyRunByCalls(c, n, readCode, writeCode);
}

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
