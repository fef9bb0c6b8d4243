// The primitives with which every walker copies its fields, over the copier's input window.
//
// A primitive peeks at its field's bytes, raises the caller's read code when the input ended or failed
// before them, and takes them. Taken bytes reach the output in blocks (data_file_copier.h), so a failed
// write raises the write code of the call that flushed the block: the call whose peek refilled the window,
// the image-name field that wrote a replaced name (55), or copyDataFile at the end of the walk (55).
#pragma once

#include <cstdint>

#include "data_file_copier.h"

namespace celshift {

inline std::uint32_t littleEndian32(const unsigned char* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

// Copies one byte and returns it.
inline std::uint8_t copyByte(DataFileCopier& c, int readCode, int writeCode) {
    const auto bytes = c.peek(1, writeCode);
    if (bytes.empty()) c.stopInField(FieldKind::Byte, c.inputOffset(), readCode);
    c.consume(1);
    return bytes[0];
}

// Copies one little-endian int32 and returns its value. Nothing of it is written when it is incomplete.
inline std::int32_t copyInt32(DataFileCopier& c, int readCode, int writeCode) {
    const auto bytes = c.peek(4, writeCode);
    if (bytes.size() < 4) c.stopInField(FieldKind::Int32, c.inputOffset(), readCode);
    c.consume(4);
    return static_cast<std::int32_t>(littleEndian32(bytes.data()));
}

// Copies n raw bytes (none when n <= 0). When the input ends or fails early, the bytes read before that
// point are still copied, then the read code is raised.
void copyLongRun(DataFileCopier& c, std::int64_t n, int readCode, int writeCode);
inline void copyRun(DataFileCopier& c, std::int64_t n, int readCode, int writeCode) {
    if (n <= 0) return;
    if (static_cast<std::uint64_t>(n) > c.windowBytes()) {
        copyLongRun(c, n, readCode, writeCode);
        return;
    }
    const auto bytes = c.peek(static_cast<std::size_t>(n), writeCode);
    c.consume(bytes.size());
    if (bytes.size() < static_cast<std::size_t>(n)) [[unlikely]]
        c.stopInField(FieldKind::RawBytes, c.inputOffset() - static_cast<std::int64_t>(bytes.size()), readCode);
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
