// Name and path rules. Texts of the conversion rows are code page 932 bytes, handled character by
// character so that the second byte of a double-byte character ("ソ" 83 5C) is never taken for a "\".
// Paths on disk use the platform's own encoding and separator.
#pragma once

#include <string>
#include <string_view>

namespace celshift {

// The part of a code page 932 name from the last "." that comes after the last "\" or ":", the dot included;
// empty when there is no such dot.
std::string_view extensionOf932(std::string_view name);

// ASCII letters lowered; the bytes of double-byte characters are left alone.
std::string asciiLower932(std::string_view text);

// The part of a path after its last separator.
std::string_view lastPathElement(std::string_view path);

// The path without its last element and without a trailing separator, except for the root ("/").
std::string parentFolder(std::string_view path);

// folder + separator + name; no separator is added when the folder already ends in one.
std::string joinPath(std::string_view folder, std::string_view name);

// A name (or a path whose last element is one) as Windows takes it: without the trailing dots and spaces of its
// last element, which Windows drops ("Area09.wid." is "Area09.wid"). A last element of only dots and spaces stays.
std::string windowsFileName(std::string_view name);

// The extension of a file name on disk ("." included, empty without a dot), compared byte for byte.
std::string_view fileNameExtension(std::string_view name);

}  // namespace celshift
