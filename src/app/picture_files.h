// Image files on disk, looked up by the name a data file holds.
#pragma once

#include <optional>
#include <string>

namespace celshift {

// The path of the file in folder that the name (UTF-8, as typed) names as Windows looks it up (case and Unicode
// composition ignored); nothing when there is none. Reads the folder afresh: for one-off lookups.
std::optional<std::string> findPictureFile(const std::string& folder, const std::string& name);

// True when both files hold the same bytes (also when both paths name one file); false when either cannot be read.
bool sameContents(const std::string& a, const std::string& b);

}  // namespace celshift
