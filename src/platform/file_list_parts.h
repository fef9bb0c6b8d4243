// The parts of the folder enumerator that differ by platform, and the mask they share.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/file_list.h"

namespace celshift::detail {

// A wildcard mask with the Windows meaning, compiled once for a whole folder.
using celshift::WildcardMask;

// What one folder holds that a run looks at (hidden entries left out).
struct FolderEntries {
    // Regular files (links followed), links that lead nowhere and links to folders: the run copies the first and
    // tells why it cannot copy the others.
    std::vector<std::string> files;
    // Subfolders that are no links: a run enters these, never a link, so it can neither loop nor leave the folder.
    std::vector<std::string> folders;
};

// Reads the folder's entries (file_list_posix.cpp, file_list_win32.cpp). False when it cannot be read completely.
bool readFolder(const std::string& folder, FolderEntries& entries);

// All names of the folder (folderEntryNames), per platform.
bool readAllNames(const std::string& folder, std::vector<std::string>& names);

// Sorts UTF-8 names by the Japanese collation with case (and kana type and width) ignored, ties broken by
// code units so that the order is total. False when the collation is not available.
bool sortJapanese(std::vector<std::string>& names);

}  // namespace celshift::detail
