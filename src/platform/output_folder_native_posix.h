// POSIX: what an OutputFolder holds, and the making of new files in it (output_folder_posix.cpp, file_copy_posix.cpp).
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <mutex>
#include <string>

#include "platform/file_error.h"
#include "platform/output_folder.h"

namespace celshift {

struct OutputFolder::Native {
    // How a new file gets its name: files made without a name (O_TMPFILE) are linked in place by their descriptor,
    // through /proc/self/fd where the process may not link descriptors directly; a file system without such files
    // gets files under temporary names, renamed in place. Found out at the first new file.
    enum class Naming { Descriptor, ProcPath, TemporaryName };
    int fd = -1;  // the folder itself: every write names its files relative to it
    Naming naming = Naming::TemporaryName;
    std::once_flag namingFound;
};

namespace detail {

// A file being made in an output folder: without a name, or under a temporary one.
struct NewFile {
    int fd = -1;
    std::string temporaryName;  // empty while the file has no name
};

// Creates a new file with the permission bits mode (less the creation mask). Returns 0 or errno.
int createNewFile(OutputFolder::Native& folder, mode_t mode, NewFile& file);
// The error for a failed createNewFile: ENOENT in an open folder is the folder, not a missing file.
FileError creationError(int errnoValue);
// Gives the whole file its name unless an entry of that name is there (EEXIST). Returns 0 or errno.
int linkWithoutReplacing(OutputFolder::Native& folder, NewFile& file, const std::string& name);
// Gives the whole file its name, replacing the entry of that name (never what a link points at). Returns 0 or errno.
int linkReplacing(OutputFolder::Native& folder, NewFile& file, const std::string& name);
// Removes the temporary name of a file that did not get its own; a file without a name goes with its descriptor.
void removeTemporaryName(OutputFolder::Native& folder, NewFile& file);

// A stream that writes to the descriptor fd and closes it at fclose; fileno() of it is -1. Unlike fdopen it makes no
// system call of its own (fdopen asks the descriptor for its flags: one call per file). Give it a buffer: unbuffered,
// it would write a byte at a time. Null on failure.
std::FILE* writingStream(int fd);

// Makes the folder's new files get their names this way instead of the way found at the first one (for tests of
// every way; only before the first new file).
void chooseNaming(OutputFolder::Native& folder, OutputFolder::Native::Naming naming);

}  // namespace detail

}  // namespace celshift
