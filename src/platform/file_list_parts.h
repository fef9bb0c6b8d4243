// The parts of the folder enumerator that differ by platform, and the mask they share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_list.h"

namespace celshift::detail {

// A wildcard mask with the Windows meaning, compiled once for a whole folder.
using celshift::WildcardMask;

// Adds the names of the folder's visible regular files that match the mask (file_list_posix.cpp,
// file_list_win32.cpp). False when the folder cannot be read completely.
bool readMatchingFiles(const std::string& folder, const WildcardMask& mask, std::vector<std::string>& names);

// Sorts UTF-8 names by the Japanese collation with case (and kana type and width) ignored, ties broken by
// code units so that the order is total. False when the collation is not available.
bool sortJapanese(std::vector<std::string>& names);

}  // namespace celshift::detail
