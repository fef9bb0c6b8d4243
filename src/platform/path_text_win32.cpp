#include "platform/path_text.h"

#include "platform/win32_text.h"

namespace celshift {

// Text that is not UTF-8 names no file: it becomes a path that cannot exist rather than a garbled one.
std::filesystem::path pathFromUtf8(const std::string& utf8) {
    const std::optional<std::wstring> wide = toWide(utf8);
    return wide ? std::filesystem::path(*wide) : std::filesystem::path(L"<|not UTF-8|>");
}

std::string utf8FromPath(const std::filesystem::path& path) { return toUtf8(path.native()); }

}  // namespace celshift
