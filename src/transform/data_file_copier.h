// The transformer's public interface: the context of one data-file copy, and copyDataFile.
//
// The copier reads its input through a window of its own: plain fread calls fill a buffer it owns, the
// walkers look at the next bytes (peek) and take them (consume). Bytes taken unchanged are not written one
// field at a time: they stay in the window from `pending` to the read position and go to the output in one
// fwrite before the window is refilled, before a replaced name is written, and at the end of the walk.
// Nothing else writes them, so no pointer into a refilled buffer can reach the output.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <span>

#include "copy_error_code.h"
#include "nesting_bound.h"
#include "replacement_table.h"

namespace celshift {

// The input window's size: each refill is one fread of about this many bytes.
inline constexpr std::size_t kInputWindowBytes = 256 * 1024;
// The smallest window that holds every field whole (an image-name field: length and 256 bytes).
inline constexpr std::size_t kSmallestInputWindow = 4 + 256;
// The buffer a caller should give the output stream (setvbuf): pass-through blocks come in window-sized
// writes, replaced names in small ones that the buffer gathers. The input stream is best left unbuffered,
// since the window is its buffer.
inline constexpr std::size_t kOutputBufferBytes = 64 * 1024;
namespace stream {
// The former name of kOutputBufferBytes, still used by the conversion run until its rewrite.
inline constexpr std::size_t kRecommendedBufferBytes = kOutputBufferBytes;
}  // namespace stream

// Why a walk ended before the end of its input.
enum class StopKind : std::uint8_t {
    None,
    InputEnded,       // the data ends inside a field
    InputFailed,      // a read of the input failed
    OutputFailed,     // a write of the output failed
    NameLength,       // an image-name field whose length lies outside 0..256
    NoFileLayout,     // a file kind without a layout
    NoContentLayout,  // a content type without a layout
    NoEntryLayout,    // an entry type without a layout
    TooDeep,          // nesting deeper than the copier's limit
};

// The field a walk was reading when it stopped.
enum class FieldKind : std::uint8_t { None, Byte, Int32, RawBytes, ImageName };

// Where and why a walk stopped; kind None when it reached its end.
struct StopDetail {
    StopKind kind = StopKind::None;
    FieldKind field = FieldKind::None;
    std::int64_t offset = 0;   // input offset of the field, body or record at which the walk stopped
    std::int64_t dataEnd = 0;  // InputEnded: the length of the input
    std::int64_t value = 0;    // NameLength: the length; No*Layout: the kind or type; TooDeep: the limit
    int systemError = 0;       // InputFailed, OutputFailed: errno of the failed call (0 when unknown)
};

// True when the output of a stopped walk holds every byte of the input: converted up to where the walk stopped,
// unchanged from there on. False when the input could not be read to its end or the output not be written.
constexpr bool outputIsWhole(const StopDetail& stop) {
    return stop.kind != StopKind::InputFailed && stop.kind != StopKind::OutputFailed;
}

// Sees every image-name field that was read whole, with its stored bytes (before any replacement).
struct ImageNameVisitor {
    virtual ~ImageNameVisitor() = default;
    virtual void imageName(const unsigned char* bytes, std::int32_t length) = 0;
};

class DataFileCopier {
public:
    // Streams and holder stay the caller's: the copier never opens, closes, flushes or frees them. A null
    // output discards what would be written (nothing can fail to be written then). windowBytes below
    // kSmallestInputWindow is raised to it; tests use small windows to refill often.
    DataFileCopier(std::FILE* input, std::FILE* output, std::uint8_t packageFlag,
                   const ReplacementTableHolder* holder, std::size_t windowBytes = kInputWindowBytes);

    std::int8_t fileKind = 0;  // set by copyDataFile at the start of the walk
    std::uint8_t packageFlag;
    std::FILE* input;
    std::FILE* output;
    const ReplacementTableHolder* holder;
    std::int32_t nestingDepth = 0;                    // walker levels under way
    std::int32_t nestingLimit = kDefaultNestingLimit;  // raise to kMaxNestingDepth on a large stack
    // Per pair index, the image-name fields that this walk replaced.
    ReplacedCounts replacedFields;
    ImageNameVisitor* nameVisitor = nullptr;
    // The CopyErrorCode value that ended the walk, 0 when it reached its end (set by copyDataFile).
    int stopCode = 0;
    // Why and where the walk stopped (set where it stopped).
    StopDetail stop;

    // The next n bytes (n <= windowBytes()), refilling the window when fewer are there. Fewer come back only
    // when the input ended or failed before them. A refill first writes the pending bytes, and a failure of
    // that write raises writeCode.
    std::span<const unsigned char> peek(std::size_t n, int writeCode) {
        if (static_cast<std::size_t>(end_ - position_) < n) [[unlikely]] return refillAndPeek(n, writeCode);
        return {position_, n};
    }
    // Takes n peeked bytes as passed through unchanged.
    void consume(std::size_t n) { position_ += n; }
    // Takes n peeked bytes and writes `bytes` in their place, after the pending ones.
    void replace(std::size_t n, const unsigned char* bytes, std::size_t length, int writeCode);
    // Writes the pending bytes in one block; raises writeCode when the output fails.
    void flushPending(int writeCode);

    // True once a read of the input failed (not merely ended).
    bool inputFailed() const { return inputFailed_; }
    std::size_t windowBytes() const { return capacity_; }
    // Offset in the input of the next byte to read.
    std::int64_t inputOffset() const { return windowOffset_ + (position_ - buffer_.get()); }

    // Records why the walk stops here and raises code. A field the input ends in (or fails in) that started at
    // fieldStart; data without a layout, a name length or a nesting limit (value) at the read position.
    [[noreturn, gnu::cold]] void stopInField(FieldKind field, std::int64_t fieldStart, int code);
    [[noreturn, gnu::cold]] void stopAt(StopKind kind, std::int64_t value, int code);

private:
    std::span<const unsigned char> refillAndPeek(std::size_t n, int writeCode);
    void write(const unsigned char* bytes, std::size_t n, int writeCode);

    std::unique_ptr<unsigned char[]> buffer_;
    std::size_t capacity_;
    const unsigned char* position_;  // next byte to read
    const unsigned char* end_;       // end of the bytes read into the window
    const unsigned char* pending_;   // first byte taken unchanged and not written yet
    std::int64_t windowOffset_ = 0;  // input offset of the window's first byte
    bool inputEnded_ = false;        // a read came back short: no more reads
    bool inputFailed_ = false;
    int readErrno_ = 0;              // errno of the failed read
};

// Copies a whole data file and returns 0 (nothing to report) or 1 (the file failed), setting stopCode.
// Raises nothing. The walk nests up to c.nestingLimit levels deep on the calling thread's stack.
int copyDataFile(DataFileCopier& c);

}  // namespace celshift
