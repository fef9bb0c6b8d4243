// The run's folder enumerator: the files of one folder whose names match a wildcard mask, sorted.
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
    // Name of entry i (counted from 0), and its full path: the folder, one separator, the name.
    // An i outside 0 to count() - 1 throws std::out_of_range.
    virtual std::string fileName(int i) const = 0;
    virtual std::string filePath(int i) const = 0;
    // True when the last setMask could not read the folder (missing, not a folder, a read error): the
    // list is then empty, and the caller can tell "nothing there" from "could not look".
    virtual bool listingFailed() const { return false; }
};

// Lists the folder on disk: regular files (links followed) and links that lead nowhere (dangling, a loop), which a
// run then reports as files it cannot copy; no subfolders, no hidden files (names that begin with "."), no FIFOs,
// sockets or devices. Names are matched against the mask without regard to case,
// with the Windows meaning ("*.*" lists every file, names without a dot too). Entries are sorted by the
// Japanese collation at secondary strength (case ignored), ties broken by the bytes of the names.
std::unique_ptr<FileList> makeDirectoryFileList();

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
