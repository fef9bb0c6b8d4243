// Shared by both code page 932 converters: the forms that Windows writes for characters typed elsewhere.
#pragma once

namespace celshift {

// The characters that Linux and macOS input methods produce where Windows writes another form of the same
// character. Mapping them first makes the bytes in the data file what the user sees in the edit.
constexpr char16_t windowsFormOf(char16_t c) {
    switch (c) {
    case 0x301C: return 0xFF5E;  // wave dash -> full-width tilde
    case 0x2212: return 0xFF0D;  // minus sign -> full-width hyphen-minus
    case 0x2016: return 0x2225;  // double vertical line -> parallel to
    case 0x00A2: return 0xFFE0;  // cent sign
    case 0x00A3: return 0xFFE1;  // pound sign
    case 0x00AC: return 0xFFE2;  // not sign
    case 0x2014: return 0x2015;  // em dash -> horizontal bar
    default: return c;
    }
}

}  // namespace celshift
