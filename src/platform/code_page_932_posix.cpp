#include "platform/code_page_932.h"

#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <iterator>
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

// This thread's converter, both ways: opening one costs more than most conversions (a rows file converts
// thousands of names). Its callbacks are set once; it is reset before each use. Null when ICU lacks it.
UConverter* threadConverter() {
    thread_local const Converter converter = [] {
        Converter opened = openCodePage932();
        if (!opened) return opened;
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setFromUCallBack(opened.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setToUCallBack(opened.get(), substituteReplacementCharacter, nullptr, nullptr, nullptr, &status);
        if (U_FAILURE(status)) opened.reset();
        return opened;
    }();
    if (converter) ucnv_reset(converter.get());
    return converter.get();
}

}  // namespace

std::optional<std::string> toCodePage932(std::string_view utf8) {
    if (utf8.empty()) return std::string();
    if (utf8.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
    const auto utf8Length = static_cast<int32_t>(utf8.size());
    // The code page holds ASCII as it is: most names need no conversion.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return std::string(utf8);

    // Strict UTF-8 to UTF-16: ill-formed sequences, surrogates and overlong forms are refused. A name fits the
    // buffer on the stack.
    UErrorCode status = U_ZERO_ERROR;
    UChar onStack[512];
    std::vector<UChar> onHeap(utf8.size() > std::size(onStack) ? utf8.size() : 0);
    UChar* utf16 = onHeap.empty() ? onStack : onHeap.data();
    const auto capacity = static_cast<int32_t>(onHeap.empty() ? std::size(onStack) : onHeap.size());
    int32_t utf16Length = 0;
    u_strFromUTF8(utf16, capacity, &utf16Length, utf8.data(), utf8Length, &status);
    if (U_FAILURE(status)) return std::nullopt;
    for (int32_t i = 0; i < utf16Length; ++i) utf16[i] = windowsFormOf(utf16[i]);
    // ICU's converters drop the characters that Unicode lets a display ignore (a byte order mark, a zero-width
    // space, a soft hyphen) without calling the callback: the name would lose them silently. The code page
    // holds none of them.
    for (int32_t i = 0; i < utf16Length;) {
        UChar32 c;
        U16_NEXT(utf16, i, utf16Length, c);
        if (u_hasBinaryProperty(c, UCHAR_DEFAULT_IGNORABLE_CODE_POINT)) return std::nullopt;
    }

    UConverter* converter = threadConverter();
    if (!converter) return std::nullopt;

    // One UTF-16 unit never takes more than two bytes of this code page.
    std::string bytes(static_cast<std::size_t>(utf16Length) * 2, '\0');
    const int32_t byteLength = ucnv_fromUChars(converter, bytes.data(), static_cast<int32_t>(bytes.size()),
                                               utf16, utf16Length, &status);
    // U_STRING_NOT_TERMINATED_WARNING is a success code: the buffer is exactly full.
    if (U_FAILURE(status)) return std::nullopt;
    bytes.resize(static_cast<std::size_t>(byteLength));
    return bytes;
}

std::string fromCodePage932(std::string_view bytes) {
    if (bytes.empty() || bytes.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::string();

    UConverter* converter = threadConverter();
    if (!converter) return std::string();
    UErrorCode status = U_ZERO_ERROR;

    // Each byte gives at most one UTF-16 unit.
    std::vector<UChar> utf16(bytes.size());
    const int32_t utf16Length = ucnv_toUChars(converter, utf16.data(), static_cast<int32_t>(utf16.size()),
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
