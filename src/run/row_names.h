// The written form of an image name, as the listings show it and as rows give it: text in code page 932,
// "\xNN" for an exact byte, and a mark at the end for a field stored without its closing zero byte.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace celshift {

// Written at the end of a name, the mark says that the field holds no closing zero byte. It is U+2205 EMPTY SET,
// a character code page 932 cannot hold: no name shown by displayName, nor any name a row gives, holds it.
inline constexpr std::string_view kNoZeroByteMark = "\u2205";

// A stored name as text (UTF-8): without one trailing zero byte; printable ASCII, half-width katakana and the
// two-byte characters that code page 932 maps outside the private-use area, and back to the same bytes, as
// themselves; every other byte as \xNN (two upper-case hex digits), the next byte then read afresh (both bytes of
// a user-defined character, or of one that reads back as other bytes). A backslash that would read as the start
// of such an escape is shown as \x5C, so that every shown name reads back as its bytes.
std::string displayName(std::string_view stored);

// The bytes that displayName showed: \xNN (hex digits in any case) back to its byte, any other backslash as
// itself, the rest to code page 932. Nothing when the text holds a character that code page 932 cannot hold.
// A trailing zero byte is not added.
std::optional<std::string> storedBytesOf(std::string_view displayed);

// The exact written form of a field as a scan holds it: displayName, followed by kNoZeroByteMark when the field
// has no closing zero byte. A row that gives this text matches that field and no other. What --list-names and
// --missing print, and what a listed name puts into a row.
std::string writtenName(std::string_view storedField);

// What a row's text (UTF-8, as typed or read from a rows file) stands for.
struct RowName {
    std::string bytes;    // the name: code page 932, \xNN as its byte; without a closing zero byte
    bool closed = true;   // false when written with kNoZeroByteMark at its end
    // The field's bytes as a data file holds them: the name, and its closing zero byte when it has one.
    std::string field() const { return closed ? bytes + '\0' : bytes; }
};

// The one conversion of a row's text to bytes, for every row: --from/--to, a rows file, the window's rows.
// Nothing when the text holds a character that code page 932 cannot hold (kNoZeroByteMark anywhere but at the
// end included).
std::optional<RowName> rowNameBytes(std::string_view text);

}  // namespace celshift
