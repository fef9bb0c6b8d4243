// std::filesystem paths from and to the program's UTF-8 strings. On Windows, mingw's library converts narrow
// strings with the C runtime's "C" locale, byte by byte, whatever the code page: every Japanese name would be
// garbled. These convert explicitly; elsewhere the native narrow form already is UTF-8.
#pragma once

#include <filesystem>
#include <string>

namespace celshift {

std::filesystem::path pathFromUtf8(const std::string& utf8);
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace celshift
