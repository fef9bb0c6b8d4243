#include "platform/code_page_932.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <memory>
#include <vector>

#include "platform/code_page_932_forms.h"

namespace celshift {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// ICU's table for the Windows code page. Its fallback mappings stay off: they would write "¥" as 5C, a
// backslash, and the JIS wave dash as the full-width tilde without telling anyone.
Converter openCodePage932() {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("windows-31j", &status));
    if (U_FAILURE(status)) return nullptr;
    ucnv_setFallback(converter.get(), false);
    return converter;
}

// To-Unicode callback: every byte sequence that the code page does not define becomes one U+FFFD.
// ICU's own substitute writes U+001A for single bytes, which would show as nothing at all.
void substituteReplacementCharacter(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                                    UConverterCallbackReason reason, UErrorCode* status) {
    if (reason > UCNV_IRREGULAR) return;  // reset, close and clone need nothing
    static const UChar kReplacement = 0xFFFD;
    *status = U_ZERO_ERROR;
    ucnv_cbToUWriteUChars(args, &kReplacement, 1, 0, status);
}

}  // namespace

std::optional<std::string> toCodePage932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    if (utf8.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
    const auto utf8Length = static_cast<int32_t>(utf8.size());

    // Strict UTF-8 to UTF-16: ill-formed sequences, surrogates and overlong forms are refused.
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> utf16(utf8.size());
    int32_t utf16Length = 0;
    u_strFromUTF8(utf16.data(), static_cast<int32_t>(utf16.size()), &utf16Length, utf8.data(), utf8Length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    for (int32_t i = 0; i < utf16Length; ++i) utf16[i] = windowsFormOf(utf16[i]);

    Converter converter = openCodePage932();
    if (!converter) return std::nullopt;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    if (U_FAILURE(status)) return std::nullopt;

    // One UTF-16 unit never takes more than two bytes of this code page.
    std::string bytes(static_cast<std::size_t>(utf16Length) * 2, '\0');
    const int32_t byteLength = ucnv_fromUChars(converter.get(), bytes.data(), static_cast<int32_t>(bytes.size()),
                                               utf16.data(), utf16Length, &status);
    // U_STRING_NOT_TERMINATED_WARNING is a success code: the buffer is exactly full.
    if (U_FAILURE(status)) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(byteLength));
    return bytes;
}

std::string fromCodePage932(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::string();

    Converter converter = openCodePage932();
    if (!converter) return std::string();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), substituteReplacementCharacter, nullptr, nullptr, nullptr, &status);

    // Each byte gives at most one UTF-16 unit.
    std::vector<UChar> utf16(bytes.size());
    const int32_t utf16Length = ucnv_toUChars(converter.get(), utf16.data(), static_cast<int32_t>(utf16.size()),
                                              bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) return std::string();

    std::string utf8(static_cast<std::size_t>(utf16Length) * 3, '\0');
    int32_t utf8Length = 0;
    u_strToUTF8(utf8.data(), static_cast<int32_t>(utf8.size()), &utf8Length, utf16.data(), utf16Length, &status);
    if (U_FAILURE(status)) return std::string();
    utf8.resize(static_cast<std::size_t>(utf8Length));
    return utf8;
}

}  // namespace celshift
