#include "platform/name_fold.h"

#include <algorithm>
#include <climits>

#include "platform/win32_text.h"

namespace celshift {

std::optional<std::string> foldFileName(std::string_view utf8) {
    // Most names are plain ASCII, where all of the below comes to upper-casing a to z.
    if (std::all_of(utf8.begin(), utf8.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) {
        std::string out(utf8);
        for (char& c : out)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        return out;
    }
    const std::optional<std::wstring> wide = toWide(utf8);
    if (!wide || wide->size() > static_cast<std::size_t>(INT_MAX / 4)) return std::nullopt;

    // NormalizeString may need a few tries: its first answer is an estimate.
    std::wstring normalized;
    int size = ::NormalizeString(NormalizationC, wide->data(), static_cast<int>(wide->size()), nullptr, 0);
    for (int attempt = 0; attempt < 4 && size > 0; ++attempt) {
        normalized.assign(static_cast<std::size_t>(size), L'\0');
        const int length = ::NormalizeString(NormalizationC, wide->data(), static_cast<int>(wide->size()),
                                             normalized.data(), size);
        if (length > 0) {
            normalized.resize(static_cast<std::size_t>(length));
            break;
        }
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
        size = -length;
        normalized.clear();
    }
    if (normalized.empty()) return std::nullopt;

    // The system's own upper-case table, as the file system compares names (no linguistic casing).
    const int length = static_cast<int>(normalized.size());
    const int upperLength = ::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, normalized.data(), length,
                                            nullptr, 0, nullptr, nullptr, 0);
    if (upperLength <= 0) return std::nullopt;
    std::wstring upper(static_cast<std::size_t>(upperLength), L'\0');
    if (::LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, normalized.data(), length, upper.data(), upperLength,
                        nullptr, nullptr, 0) != upperLength)
        return std::nullopt;
    return toUtf8(upper);
}

}  // namespace celshift
