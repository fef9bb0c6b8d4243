// Conversion of typed text to Windows code page 932, the encoding of names inside the data files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace celshift {

// Converts UTF-8 text to code page 932 bytes (the Windows form: "～" U+FF5E is 81 60, "①" 87 40).
// The JIS forms that Linux and macOS input methods produce (U+301C, U+2212, U+2016, U+00A2, U+00A3,
// U+00AC, U+2014) are first mapped to the forms that Windows writes. Returns nothing when the text holds a
// character that code page 932 cannot hold, or is not valid UTF-8: nothing is ever replaced by "?".
std::optional<std::string> toCodePage932(std::string_view utf8);

// The other way, for display. Bytes that are not valid code page 932 become U+FFFD.
std::string fromCodePage932(std::string_view bytes);

// True when b starts a double-byte character of code page 932.
constexpr bool isCodePage932LeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

}  // namespace celshift
