// Single-threaded stream calls. Each stream belongs to one copy at a time, so the walkers use the
// unlocked forms, which skip the per-call lock of the plain ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace celshift::stream {

// The buffer that callers give each stream of a copy (setvbuf). Larger than the usual 4 KiB, so that
// passed-through bytes go out in large blocks and each refill is one large read.
inline constexpr std::size_t kRecommendedBufferBytes = 64 * 1024;

#if defined(_WIN32)
inline int getByte(std::FILE* f) { return _getc_nolock(f); }
inline int putByte(int c, std::FILE* f) { return _putc_nolock(c, f); }
// mingw's msvcrt.dll has no unlocked block calls: the locked ones cost one lock per block.
inline std::size_t read(void* p, std::size_t n, std::FILE* f) { return std::fread(p, 1, n, f); }
inline std::size_t write(const void* p, std::size_t n, std::FILE* f) { return std::fwrite(p, 1, n, f); }
inline bool failed(std::FILE* f) { return std::ferror(f) != 0; }
#else
inline int getByte(std::FILE* f) { return getc_unlocked(f); }
inline int putByte(int c, std::FILE* f) { return putc_unlocked(c, f); }
inline std::size_t read(void* p, std::size_t n, std::FILE* f) { return fread_unlocked(p, 1, n, f); }
inline std::size_t write(const void* p, std::size_t n, std::FILE* f) { return fwrite_unlocked(p, 1, n, f); }
inline bool failed(std::FILE* f) { return ferror_unlocked(f) != 0; }
#endif

// The input's buffered bytes not read yet, or none where the stream's buffer cannot be reached.
// These are the pointers that getc_unlocked itself reads through.
inline std::size_t bufferedAvailable(std::FILE* in) {
#if defined(__GLIBC__)
    return static_cast<std::size_t>(in->_IO_read_end - in->_IO_read_ptr);
#else
    (void)in;
    return 0;
#endif
}
inline const unsigned char* bufferedPosition(std::FILE* in) {
#if defined(__GLIBC__)
    return reinterpret_cast<const unsigned char*>(in->_IO_read_ptr);
#else
    (void)in;
    return nullptr;
#endif
}
// Consumes n bytes that bufferedAvailable has shown to be there.
inline void consumeBuffered(std::FILE* in, std::size_t n) {
#if defined(__GLIBC__)
    in->_IO_read_ptr += n;
#else
    (void)in;
    (void)n;
#endif
}

// True when the stream buffers what is written to it. An unbuffered stream must see each write at once.
inline bool buffersOutput(std::FILE* out) {
#if defined(__GLIBC__)
    constexpr int kUnbuffered = 0x0002;  // glibc's _IO_UNBUFFERED
    return (out->_flags & kUnbuffered) == 0;
#else
    (void)out;
    return false;
#endif
}

}  // namespace celshift::stream
