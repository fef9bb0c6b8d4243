#include "platform/code_page_932.h"

#include <climits>

#include "platform/code_page_932_forms.h"
#include "platform/win32_text.h"

namespace celshift {

namespace {

constexpr UINT kCodePage932 = 932;

// Bytes that the system's table takes for private-use characters but that name no character of the code
// page: they read as U+FFFD, as on Linux.
bool isUndefinedSingleByte(unsigned char b) { return b == 0x80 || b == 0xA0 || b >= 0xFD; }

bool isTrailByte(unsigned char b) { return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC); }

// One character of the code page, or nothing when the system refuses it.
bool decodeCharacter(std::string_view bytes, std::wstring& out) {
    wchar_t decoded[2];
    const int length = ::MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(),
                                             static_cast<int>(bytes.size()), decoded, 2);
    if (length <= 0) return false;
    out.append(decoded, static_cast<std::size_t>(length));
    return true;
}

}  // namespace

// No best-fit mapping: without WC_NO_BEST_FIT_CHARS, "¥" would silently become 5C, a backslash. The
// used-default flag tells a character the code page cannot hold.
std::optional<std::string> toCodePage932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    if (utf8.size() > static_cast<std::size_t>(INT_MAX / 2)) return std::nullopt;
    std::optional<std::wstring> utf16 = toWide(utf8);
    if (!utf16) return std::nullopt;
    for (wchar_t& c : *utf16) c = static_cast<wchar_t>(windowsFormOf(static_cast<char16_t>(c)));

    const int utf16Length = static_cast<int>(utf16->size());
    // One UTF-16 unit never takes more than two bytes of this code page.
    std::string bytes(utf16->size() * 2, '\0');
    BOOL usedDefault = FALSE;
    const int byteLength = ::WideCharToMultiByte(kCodePage932, WC_NO_BEST_FIT_CHARS, utf16->data(), utf16Length,
                                                 bytes.data(), static_cast<int>(bytes.size()), nullptr, &usedDefault);
    if (byteLength <= 0 || usedDefault) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(byteLength));
    return bytes;
}

// The whole text in one call when it is all valid; else character by character, where a lead byte with a
// byte that cannot follow it is bad alone and the next byte is read again, and an unassigned pair is one
// bad character (ICU's reading, which the Linux build uses).
std::string fromCodePage932(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT_MAX / 2)) return std::string();
    std::wstring utf16;
    bool allDefined = true;
    for (const char c : bytes) allDefined = allDefined && !isUndefinedSingleByte(static_cast<unsigned char>(c));
    if (allDefined) {
        utf16.resize(bytes.size());
        const int length = ::MultiByteToWideChar(kCodePage932, MB_ERR_INVALID_CHARS, bytes.data(),
                                                 static_cast<int>(bytes.size()), utf16.data(),
                                                 static_cast<int>(utf16.size()));
        if (length > 0) {
            utf16.resize(static_cast<std::size_t>(length));
            return toUtf8(utf16);
        }
        utf16.clear();
    }
    for (std::size_t i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (isCodePage932LeadByte(b)) {
            if (i + 1 < bytes.size() && decodeCharacter(bytes.substr(i, 2), utf16)) {
                i += 2;
                continue;
            }
            utf16 += L'\xFFFD';
            i += i + 1 < bytes.size() && isTrailByte(static_cast<unsigned char>(bytes[i + 1])) ? 2 : 1;
            continue;
        }
        if (isUndefinedSingleByte(b) || !decodeCharacter(bytes.substr(i, 1), utf16)) utf16 += L'\xFFFD';
        ++i;
    }
    return toUtf8(utf16);
}

}  // namespace celshift
