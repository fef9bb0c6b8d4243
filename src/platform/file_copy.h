// File-system operations of the run: the copy that never overwrites, and folder checks.
#pragma once

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "platform/file_error.h"
#include "platform/output_folder.h"

namespace celshift {

enum class CopyOutcome {
    Copied,
    AlreadyExists,  // a regular file of that name is already in the folder: left untouched
    Failed,         // the error says why; nothing of the copy is left behind
};

struct CopyResult {
    CopyOutcome outcome = CopyOutcome::Failed;
    FileError error;  // for Failed
};

// Copies the file at source into the folder under name, never replacing anything of that name: a regular file
// there stays (AlreadyExists); a folder, a link or a FIFO there stays too, and the copy fails with what it is.
// The copy keeps the source's modification time and permission bits and takes its name only when complete
// (with sync, once it is on the disk). A source that is not a regular file (a FIFO, a link that leads nowhere)
// fails without waiting.
CopyResult copyIntoFolder(const std::string& source, OutputFolder& folder, const std::string& name, bool sync);

// Opens a listed file for reading as a binary stream, unbuffered (the reader keeps a buffer of its own). Anything
// but a regular file is refused without waiting (a FIFO put in its place after the listing would block). Null,
// with the error set, when it cannot be opened.
std::FILE* openForReading(const std::string& path, FileError& error);

// The error for a file that was listed but could not be opened (errnoValue from the failed open): a link that
// leads nowhere is told as such.
FileError errorOpening(const std::string& path, int errnoValue);

bool isExistingFolder(const std::string& path);

// True when path is a link (or on Windows a junction) that leads to a folder.
bool isLinkToFolder(const std::string& path);

// Whether this process may create and replace files in the folder (the effective user's rights); a file or a
// missing path is no writable folder.
bool isWritableFolder(const std::string& path);

// True when both paths name the same folder or file on disk (links followed).
bool isSameFileSystemObject(const std::string& a, const std::string& b);

// What tells two names of one file (a link, a hard link, a folder link on the way) from two files: the device or
// volume, and the file's number on it. Links are followed. Nothing when the path cannot be looked at.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    auto operator<=>(const FileIdentity&) const = default;
};
std::optional<FileIdentity> fileIdentity(const std::string& path);

}  // namespace celshift
