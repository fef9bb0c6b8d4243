#include "platform/executable_path.h"

#include <stdexcept>
#include <string>

#include "platform/win32_text.h"

namespace celshift {

// GetModuleFileNameW cuts the path to the buffer without an error on older systems and with
// ERROR_INSUFFICIENT_BUFFER on newer ones: grow the buffer until the path fits with room left.
std::string executablePath() {
    for (DWORD size = 256; size <= 32768 * 2; size *= 2) {
        std::wstring path(size, L'\0');
        const DWORD length = ::GetModuleFileNameW(nullptr, path.data(), size);
        if (length == 0) throw std::runtime_error("プログラム自身のパスが読めません: " + lastErrorText());
        if (length < size) {
            path.resize(length);
            return toUtf8(path);
        }
    }
    throw std::runtime_error("プログラム自身のパスが長すぎます");
}

}  // namespace celshift
