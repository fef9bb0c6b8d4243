#include "platform/name_fold.h"

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace celshift {

namespace {

// ICU's NFC instance, or null when ICU's data lacks it.
const icu::Normalizer2* composed() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    return U_SUCCESS(status) ? nfc : nullptr;
}

}  // namespace

std::optional<std::string> foldFileName(std::string_view utf8) {
    // Most names are plain ASCII, where all of the below comes to lower-casing A to Z (and a run folds every name
    // of the scenario and the output folder).
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(utf8);
        for (char& c : out)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return out;
    }
    if (utf8.size() > static_cast<std::size_t>(INT32_MAX / 2)) return std::nullopt;
    // Strict UTF-8: ill-formed sequences, surrogates and overlong forms make the name unusable.
    UErrorCode status = U_ZERO_ERROR;
    std::vector<UChar> utf16(utf8.size() + 1);
    int32_t utf16Length = 0;
    u_strFromUTF8(utf16.data(), static_cast<int32_t>(utf16.size()), &utf16Length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    if (U_FAILURE(status)) return std::nullopt;
    const icu::Normalizer2* nfc = composed();
    if (!nfc) return std::nullopt;

    const icu::UnicodeString text(false, utf16.data(), utf16Length);
    icu::UnicodeString normalized = nfc->normalize(text, status);
    if (U_FAILURE(status)) return std::nullopt;
    // Simple case folding, one character for one, then composed again: a folded letter may compose anew.
    icu::UnicodeString folded;
    for (int32_t i = 0; i < normalized.length();) {
        const UChar32 c = normalized.char32At(i);
        folded.append(static_cast<UChar32>(u_foldCase(c, U_FOLD_CASE_DEFAULT)));
        i += U16_LENGTH(c);
    }
    const icu::UnicodeString result = nfc->normalize(folded, status);
    if (U_FAILURE(status)) return std::nullopt;
    std::string out;
    result.toUTF8String(out);
    return out;
}

}  // namespace celshift
