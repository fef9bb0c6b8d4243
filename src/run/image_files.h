// Image names looked up on disk as Windows looks them up when the game opens a picture: without regard to
// case, a decomposed Unicode file name equal to its composed form, "\" (or "/") between folders.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace celshift {

// What a lookup found. A name is resolved as Windows resolves a path under a folder: "\" and "/" separate
// elements, runs of them count as one, "." is dropped and ".." takes back one element, an element loses one
// trailing "." and the last element every trailing "." and " ".
struct ImageLookup {
    enum class Kind {
        Found,       // path names the regular file
        Missing,     // the folder holds no regular file of that name
        Unusable,    // the name cannot name a file under the folder on Windows: bytes that are no character,
                     // a character Windows forbids in names, a drive, a rooted path, ".." above the folder,
                     // a device name (CON, NUL, COM1, ...), or no file name at the end
        Unreadable,  // a folder on the way could not be read, so the answer is not known
    };
    Kind kind = Kind::Missing;
    std::string path;  // Found: the file's path; Unreadable: the folder that could not be read
};

// The elements of the path that a stored name (code page 932 bytes, without its trailing zero byte) names under a
// folder, resolved as a lookup resolves it, each in UTF-8 as the name spells it, with its folded form for comparing;
// nothing when the name cannot name a file under a folder (ImageLookup::Kind::Unusable).
struct PathElement {
    std::string text;
    std::string key;
};
std::optional<std::vector<PathElement>> storedPathElements(std::string_view storedName);

// The files under one folder (a scenario folder, an output folder), looked up as Windows looks up a name.
// Each folder on the way is read once, when first needed; what is on disk later is not seen. Safe to use from
// several threads at once.
class ImageFileIndex {
public:
    explicit ImageFileIndex(std::string folder);
    ~ImageFileIndex();
    ImageFileIndex(const ImageFileIndex&) = delete;
    ImageFileIndex& operator=(const ImageFileIndex&) = delete;

    // The path of the regular file that a stored image name (code page 932 bytes, without its trailing zero
    // byte, "\" as folder separator) names under the folder, or nothing.
    std::optional<std::string> findStored(std::string_view storedName) const;
    // The same for a name as typed in a row (UTF-8), taken as the bytes a run stores for it (rowNameBytes).
    std::optional<std::string> findTyped(const std::string& typedName) const;

    // The same lookups, telling also why a name was not found.
    ImageLookup lookStored(std::string_view storedName) const;
    ImageLookup lookTyped(const std::string& typedName) const;

    // False when the folder itself cannot be read (missing, not a folder, no permission).
    bool folderReadable() const;

    const std::string& folder() const { return folder_; }

private:
    struct Listing;
    const Listing& listing(const std::string& path) const;

    std::string folder_;
    mutable std::mutex mutex_;
    mutable std::map<std::string, std::unique_ptr<Listing>> listings_;  // by the folder's path as on disk
};

}  // namespace celshift
