// Why a file operation failed, classified for the user, with the system's own words for it.
#pragma once

#include <string>

namespace celshift {

enum class FileProblem {
    None,
    NotFound,             // no such file or folder
    NotAFolderOnPath,     // a file (not a folder) stands where the path needs a folder
    FolderTakesNoNewFile, // the folder was removed meanwhile, or takes no new files (/proc)
    DanglingLink,         // a link whose target does not exist
    LinkLoop,             // a link that leads back to itself
    AccessDenied,         // no permission
    NoSpace,              // the disk (or the user's quota) is full
    ReadOnly,             // a read-only file system or medium
    NameTooLong,          // the name or path is too long for the file system
    InUse,                // another program holds the file
    FolderInTheWay,       // a folder stands where a file should go
    ReadOnlyInTheWay,     // a read-only file stands where a file should replace it (Windows)
    LinkInTheWay,         // a link stands where a file should go
    SpecialInTheWay,      // a FIFO, socket or device stands where a file should go
    NotRegularFile,       // the source is not a regular file
    Busy,                 // another run is writing into the folder
    Other,                // anything else: see systemText
};

struct FileError {
    FileProblem problem = FileProblem::None;
    int code = 0;            // errno, or the Windows error number
    std::string systemText;  // the system's message for code, when there is one

    explicit operator bool() const { return problem != FileProblem::None; }
};

// The error for an errno value of a failed C library or POSIX call (0 gives an Other error without text).
FileError errorFromErrno(int errnoValue);

// An error of a kind the program found itself (something in the way, a busy folder), without a system code.
inline FileError fileError(FileProblem problem) { return {problem, 0, {}}; }

}  // namespace celshift
