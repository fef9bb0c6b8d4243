// Windows only: the program's UTF-8 strings and the UTF-16 of the W functions, and error texts.
#pragma once

#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace celshift {

// Strict UTF-8 to UTF-16; nothing when the text is not valid UTF-8 (a path that cannot name any file).
std::optional<std::wstring> toWide(std::string_view utf8);

// UTF-16 to UTF-8. An unpaired surrogate (possible in NTFS names) becomes U+FFFD.
std::string toUtf8(std::wstring_view utf16);

// The system's text for GetLastError(), in UTF-8, with its number.
std::string lastErrorText();

}  // namespace celshift
