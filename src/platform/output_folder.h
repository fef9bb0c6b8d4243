// The folder a run writes into. Every file goes in whole or not at all: it is written under a temporary hidden
// name of this program's own pattern and takes its final name only when complete, so that a process killed at any
// moment leaves no partial file under a final name. A lock keeps a second run out of the folder while one writes.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <unordered_set>

#include "platform/file_error.h"

namespace celshift {

class OutputFolder {
public:
    OutputFolder();
    ~OutputFolder();
    OutputFolder(const OutputFolder&) = delete;
    OutputFolder& operator=(const OutputFolder&) = delete;

    // Opens the folder at path and holds it for the writes that follow (on POSIX, later renames of the path do
    // not redirect them). NotFound or NotRegularFile-like errors when it is missing or no folder. Without
    // followLastLink, a link under path's last name is not followed: LinkInTheWay.
    FileError open(const std::string& path, bool followLastLink = true);
    const std::string& path() const { return path_; }
    // True when the folder at path (links followed) is this folder.
    bool isFolder(const std::string& path) const;
    // True when writing here would write into the folder at path: this folder is it or lies inside it (compared by
    // canonical path and by the identity of each folder above this one), or is another view of it (a bind mount, a
    // FUSE view): a hidden probe file made here for a moment shows up there.
    bool isWithin(const std::string& path);
    // True when the folder takes two names that differ only in case for one (vfat, exFAT, ext4 casefold, every
    // Windows folder): a probe file made here for a moment is found under its name in capitals.
    bool foldsCase();
    // True once a file of this process took its name by a look and then a rename: the file system offers no way to
    // name a file that cannot replace another (some FUSE disks). Files of this process never replace each other
    // even so; a file another program makes in the moment between could be replaced.
    static bool namesTakenAfterALook();
    // Takes the folder for this run alone; Busy while another run (of any process) holds it. The hold ends with
    // this object, and with the process however it ends.
    FileError lock();
    // Removes the temporary files that an earlier run left behind when it was killed: names of this program's
    // pattern that are regular files and whose process (the number in the name) no longer runs, nothing else. A
    // run that writes here through another view of the folder, which the lock may not see, keeps its files.
    void removeLeftovers();
    // False when the folder held no entry of this name as removeLeftovers read it, so that a first run need not look
    // for each name before its copy; true otherwise (and when the folder could not be read to its end). Entries made
    // since are not noted: a copy that then meets one finds it when it takes its name, which never replaces.
    bool mayHold(const std::string& name) const { return !entriesRead_ || entries_.contains(name); }
    // The names the folder held as removeLeftovers read it (temporary files left out); empty when not read.
    const std::unordered_set<std::string>& entryNames() const { return entries_; }
    // Makes the names given so far durable (the folder's entries reach the disk).
    void syncEntries();
    // Opens into sub the folder name directly inside this one, made when absent, never through a link: a link, or
    // anything else that is no folder, of that name is an error, and stays.
    FileError openSubfolder(const std::string& name, OutputFolder& sub) const;

    struct Native;
    Native& native() const { return *native_; }

private:
    std::string path_;
    std::unique_ptr<Native> native_;
    std::unordered_set<std::string> entries_;
    bool entriesRead_ = false;
};

// A file being written into an output folder, without a name or under a temporary one until it is whole. What
// never got its own name goes away with this object.
class PendingFile {
public:
    explicit PendingFile(OutputFolder& folder);
    ~PendingFile();
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;

    // Creates the file and a binary output stream on it (buffered by the C library).
    FileError create();
    std::FILE* stream() const { return stream_; }
    // Writes out what the stream still buffers (with sync, down to the disk). An error means the file is incomplete.
    FileError finish(bool sync);
    // Gives the finished file its name, replacing the entry of that name (a file, a link, a FIFO: the entry itself,
    // never what a link points at, nor another name of a hard-linked file). A folder in the way is an error, and
    // the folder stays.
    FileError replace(const std::string& name);
    // Gives up the file now.
    void discard();

    struct Native;

private:
    OutputFolder& folder_;
    std::unique_ptr<Native> native_;
    std::FILE* stream_ = nullptr;
};

// The temporary names of this program: ".celshift-" the process number, "-" a counter, ".tmp". Hidden, so that a
// scenario folder made from an output folder never lists them.
std::string temporaryFileName();
bool isTemporaryFileName(const std::string& name);
// For a temporary name: false when the process that made it has ended (or is this one, whose runs into a folder
// take turns), so that what it left may go.
bool temporaryFileInUse(const std::string& name);

}  // namespace celshift
