#include <algorithm>

#include "data_file_copier.h"

namespace celshift {

void raiseCopyError(int code) { throw CopyErrorCode{code}; }

void flushPending(DataFileCopier& c, int writeCode) {
    if (!c.pending) return;
    const unsigned char* end = stream::bufferedPosition(c.input);
    stream::write(c.pending, static_cast<std::size_t>(end - c.pending), c.output);
    c.pending = nullptr;
    if (stream::failed(c.output)) raiseCopyError(writeCode);
}

void copyRunByCalls(DataFileCopier& c, std::int64_t n, int readCode, int writeCode) {
    flushPending(c, writeCode);
    bool inputEnded = false;
    if (n > 0 && n <= 16) {
        // Short runs (single bytes, small blocks) go byte by byte through the stream buffers.
        for (; n > 0; --n) {
            const int value = stream::getByte(c.input);
            if (value == EOF) {
                inputEnded = true;
                break;
            }
            stream::putByte(value, c.output);
        }
    } else {
        unsigned char chunk[16384];
        while (n > 0) {
            const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(n, sizeof chunk));
            const std::size_t got = stream::read(chunk, wanted, c.input);
            if (got > 0) stream::write(chunk, got, c.output);
            if (got < wanted) {
                inputEnded = true;
                break;
            }
            n -= static_cast<std::int64_t>(got);
        }
    }
    if (inputEnded || stream::failed(c.input)) raiseCopyError(readCode);
    if (stream::failed(c.output)) raiseCopyError(writeCode);
}

}  // namespace celshift
