// The settings file's own reading and writing, per platform (ini_file_posix.cpp, ini_file_win32.cpp).
#pragma once

#include <string>

namespace celshift::detail {

// The whole file as bytes; nothing when it is missing or is not a readable regular file.
std::string readWholeFile(const std::string& path);

// Replaces the file's contents in one step: a temporary file in the same folder, written with every error
// checked, then put in the file's place. False when that failed; the old file then stays as it was.
bool replaceFile(const std::string& path, const std::string& bytes);

}  // namespace celshift::detail
