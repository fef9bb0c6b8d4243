// Single-threaded stream calls. Each stream belongs to one copy at a time, so the walkers use the
// unlocked forms, which skip the per-call lock of the plain ones.
#pragma once

#include <cstddef>
#include <cstdio>

namespace celshift::stream {

#if defined(_WIN32)
inline int getByte(std::FILE* f) { return _getc_nolock(f); }
inline int putByte(int c, std::FILE* f) { return _putc_nolock(c, f); }
inline std::size_t read(void* p, std::size_t n, std::FILE* f) { return _fread_nolock(p, 1, n, f); }
inline std::size_t write(const void* p, std::size_t n, std::FILE* f) { return _fwrite_nolock(p, 1, n, f); }
inline bool failed(std::FILE* f) { return std::ferror(f) != 0; }
#else
inline int getByte(std::FILE* f) { return getc_unlocked(f); }
inline int putByte(int c, std::FILE* f) { return putc_unlocked(c, f); }
inline std::size_t read(void* p, std::size_t n, std::FILE* f) { return fread_unlocked(p, 1, n, f); }
inline std::size_t write(const void* p, std::size_t n, std::FILE* f) { return fwrite_unlocked(p, 1, n, f); }
inline bool failed(std::FILE* f) { return ferror_unlocked(f) != 0; }
#endif

}  // namespace celshift::stream
