#include "platform/path_text.h"

namespace celshift {

std::filesystem::path pathFromUtf8(const std::string& utf8) { return std::filesystem::path(utf8); }

std::string utf8FromPath(const std::filesystem::path& path) { return path.string(); }

}  // namespace celshift
