// File names compared as Windows compares them when it opens a file: without regard to case, and with a
// name in decomposed Unicode (as folders copied from macOS hold) equal to its composed form.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace celshift {

// The form of a UTF-8 file name in which two names are equal exactly when Windows takes them for the same
// name: composed (NFC), then each character mapped to one case by the simple (one-to-one) case mapping, as
// the file system does ("ß" stays "ß", never "ss"). Width and compatibility forms stay apart ("Ａ" is not
// "A"). Nothing when the text is not valid UTF-8. The form is for comparing only, never for showing.
std::optional<std::string> foldFileName(std::string_view utf8);

}  // namespace celshift
