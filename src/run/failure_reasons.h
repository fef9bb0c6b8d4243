// Why a file could not be copied or converted, in the user's words, and names as messages show them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/file_error.h"
#include "transform/data_file_copier.h"

namespace celshift {

// A file error: "ディスクの空きが足りません", or the system's own words for an error without a class of its own.
std::string fileErrorText(const FileError& error);

// Why a walk stopped, and where (counted from one): "データが14,058バイトで終わっています（14,051バイト目からの画像名
// フィールドの途中）".
std::string stopText(const StopDetail& stop);

// A count with thousands separators: 14058 -> "14,058".
std::string groupedNumber(std::int64_t value);

// Where a byte lies, counted from one as a reader counts: offset 26 is "27バイト目".
std::string bytePosition(std::int64_t offset);

// A file name or path as a message shows it: valid UTF-8 without control characters as it stands, every other
// byte (a name that is not UTF-8, a control byte) as \xNN with two upper-case hex digits, and a backslash that
// stands before x and two hex digits as \x5C, so that a shown name reads back as one name only.
std::string shownName(std::string_view name);

}  // namespace celshift
