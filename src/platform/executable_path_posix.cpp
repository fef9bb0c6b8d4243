#include "platform/executable_path.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace celshift {

std::string executablePath() {
    // readlink does not say whether the buffer was large enough: grow it until the path fits with room left.
    for (std::size_t size = 256; size <= (std::size_t{1} << 20); size *= 2) {
        std::string path(size, '\0');
        const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
        if (length < 0)
            throw std::runtime_error(std::string("プログラム自身のパスが読めません: ") + std::strerror(errno));
        if (static_cast<std::size_t>(length) < size) {
            path.resize(static_cast<std::size_t>(length));
            return path;
        }
    }
    throw std::runtime_error("プログラム自身のパスが長すぎます");
}

}  // namespace celshift
