// The run's folder enumerator: the files of one folder and of its subfolders whose names match a wildcard mask,
// sorted.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace celshift {

class FileList {
public:
    virtual ~FileList() = default;
    // The folder to list. It is read at the next setMask.
    virtual void setDirectory(const std::string& folder) = 0;
    // Sets the mask: the files of the folder, as read at the first mask after setDirectory, that it matches.
    virtual void setMask(const std::string& mask) = 0;
    virtual int count() const = 0;
    // Name of entry i (counted from 0), and its full path: the folder, one separator, the name. A file in a
    // subfolder is named by its path under the folder ("Material/Area10.wid", with the system's separator).
    // An i outside 0 to count() - 1 throws std::out_of_range.
    virtual std::string fileName(int i) const = 0;
    virtual std::string filePath(int i) const = 0;
    // True when the last setMask could not read the folder (missing, not a folder, a read error): the
    // list is then empty, and the caller can tell "nothing there" from "could not look".
    virtual bool listingFailed() const { return false; }
    // When listingFailed: the folder that could not be read (the folder itself or one of its subfolders).
    virtual std::string unreadableFolder() const { return {}; }
    // Every subfolder under the folder, by its path under it, each after the folder that holds it.
    virtual std::vector<std::string> subfolders() const { return {}; }
};

// Lists the folder on disk and its subfolders at any depth, never through a link: regular files (links followed),
// links that lead nowhere (dangling, a loop) and links to folders, which a run then reports as files it cannot copy;
// no hidden entries (names that begin with "."), no FIFOs, sockets or devices. The last element of each name, as
// Windows takes it (without trailing dots and spaces), is matched against the mask without regard to case, with the Windows meaning ("*.*" lists every file, names without a
// dot too). Each folder's files come first, sorted by the Japanese collation at secondary strength (case ignored),
// ties broken by the bytes of the names; then its subfolders in the same order, each with all it holds.
std::unique_ptr<FileList> makeDirectoryFileList();

// Every name the folder holds, hidden ones and folders too (not "." and ".."), in UTF-8 as far as the system
// spells them, in no order. False when the folder cannot be read completely. Cheaper per name than a
// std::filesystem listing, which builds a path for each entry: a run lists its whole output folder this way.
bool folderEntryNames(const std::string& folder, std::vector<std::string>& names);

// Windows wildcard match of a file name, ASCII letters compared without regard to case.
bool matchesMask(const std::string& name, const std::string& mask);

// The same, for many names against one mask: the mask is read once.
class WildcardMask {
public:
    explicit WildcardMask(const std::string& mask);
    bool matches(std::string_view name) const;

private:
    enum class Shape { Everything, Extension, Other };
    std::vector<char32_t> expression_;
    Shape shape_ = Shape::Other;
    std::string suffix_;  // Extension: the dot and what follows, ASCII letters in lower case
};

}  // namespace celshift
