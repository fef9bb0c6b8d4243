#include <algorithm>
#include <cerrno>
#include <cstring>

#include "primitives.h"

namespace celshift {

void raiseCopyError(int code) { throw CopyErrorCode{code}; }

DataFileCopier::DataFileCopier(std::FILE* input, std::FILE* output, std::uint8_t packageFlag,
                               const ReplacementTableHolder* holder, std::size_t windowBytes)
    : packageFlag(packageFlag), input(input), output(output), holder(holder),
      buffer_(std::make_unique_for_overwrite<unsigned char[]>(std::max(windowBytes, kSmallestInputWindow))),
      capacity_(std::max(windowBytes, kSmallestInputWindow)), position_(buffer_.get()), end_(buffer_.get()),
      pending_(buffer_.get()) {}

void DataFileCopier::write(const unsigned char* bytes, std::size_t n, int writeCode) {
    if (!output || n == 0) return;
    errno = 0;
    if (std::fwrite(bytes, 1, n, output) != n) {
        stop = {StopKind::OutputFailed, FieldKind::None, inputOffset(), 0, 0, errno};
        raiseCopyError(writeCode);
    }
}

void DataFileCopier::stopInField(FieldKind field, std::int64_t fieldStart, int code) {
    const std::int64_t dataEnd = windowOffset_ + (end_ - buffer_.get());
    stop = {inputFailed_ ? StopKind::InputFailed : StopKind::InputEnded, field, fieldStart, dataEnd, 0,
            inputFailed_ ? readErrno_ : 0};
    raiseCopyError(code);
}

void DataFileCopier::stopAt(StopKind kind, std::int64_t value, int code) {
    stop = {kind, FieldKind::None, inputOffset(), 0, value, 0};
    raiseCopyError(code);
}

void DataFileCopier::flushPending(int writeCode) {
    const unsigned char* from = pending_;
    // Marked as written before the write, so that a failed block is never written twice.
    pending_ = position_;
    write(from, static_cast<std::size_t>(position_ - from), writeCode);
}

void DataFileCopier::replace(std::size_t n, const unsigned char* bytes, std::size_t length, int writeCode) {
    flushPending(writeCode);
    position_ += n;
    pending_ = position_;
    write(bytes, length, writeCode);
}

// Moves the unread bytes to the front and fills the rest of the window with one read. A short read ends the
// input for good: bytes past a read error are never asked for again, so every field before it stays readable
// and the first field that needs more raises its own read code.
std::span<const unsigned char> DataFileCopier::refillAndPeek(std::size_t n, int writeCode) {
    if (!inputEnded_) {
        flushPending(writeCode);
        const std::size_t kept = static_cast<std::size_t>(end_ - position_);
        unsigned char* front = buffer_.get();
        windowOffset_ += position_ - front;
        if (kept > 0) std::memmove(front, position_, kept);
        const std::size_t room = capacity_ - kept;
        errno = 0;
        const std::size_t got = std::fread(front + kept, 1, room, input);
        if (got < room) {
            inputEnded_ = true;
            inputFailed_ = std::ferror(input) != 0;
            if (inputFailed_) readErrno_ = errno;
        }
        position_ = pending_ = front;
        end_ = front + kept + got;
    }
    return {position_, std::min(n, static_cast<std::size_t>(end_ - position_))};
}

void copyLongRun(DataFileCopier& c, std::int64_t n, int readCode, int writeCode) {
    const std::int64_t start = c.inputOffset();
    while (n > 0) {
        const std::size_t wanted = static_cast<std::size_t>(std::min<std::int64_t>(n, c.windowBytes()));
        const std::size_t got = c.peek(wanted, writeCode).size();
        c.consume(got);
        if (got < wanted) c.stopInField(FieldKind::RawBytes, start, readCode);
        n -= static_cast<std::int64_t>(got);
    }
}

}  // namespace celshift
