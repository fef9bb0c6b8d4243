// File-system operations of the run: the copy that never overwrites, and folder checks.
#pragma once

#include <string>

namespace celshift {

enum class CopyOutcome {
    Copied,
    AlreadyExists,  // a file (or anything else) of that name is already at the target: left untouched
    Failed,         // any other failure; no partial target is left behind
};

// Copies a file to a new name, failing if the target exists. Keeps the source's modification time and
// permission bits. On failure after the target was created, the incomplete target is removed.
CopyOutcome copyFileNoOverwrite(const std::string& source, const std::string& target);

bool isExistingFolder(const std::string& path);

// Whether this process may create and replace files in the folder (the effective user's rights); a file or a
// missing path is no writable folder.
bool isWritableFolder(const std::string& path);

// True when both paths name the same folder or file on disk (links followed).
bool isSameFileSystemObject(const std::string& a, const std::string& b);

}  // namespace celshift
