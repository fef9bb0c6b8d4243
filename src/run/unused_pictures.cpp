#include "run/unused_pictures.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <set>
#include <system_error>
#include <unordered_set>

#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/build_replacement_table.h"
#include "run/missing_images.h"

namespace celshift {

namespace {

namespace fs = std::filesystem;

// True when a file name on disk (UTF-8) ends in one of the image extensions, in any case. Read as code page 932,
// a UTF-8 name could hide its dot behind a byte taken for a lead byte.
bool isPictureFileName(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    std::string extension(name.substr(dot));
    for (char& c : extension) c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return std::find(std::begin(kImageExtensions), std::end(kImageExtensions), extension) != std::end(kImageExtensions);
}

// The picture files under folder, each path built as a lookup builds it (joinPath of the names on disk).
void listPictures(const std::string& folder, UnusedPictures& result, std::vector<UnusedPicture>& pictures) {
    std::error_code error;
    fs::directory_iterator entries(pathFromUtf8(folder), error);
    if (error) {
        result.unreadableFolders.push_back(folder);
        return;
    }
    std::vector<std::string> subfolders;
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        const std::string name = utf8FromPath(entries->path().filename());
        const std::string path = joinPath(folder, name);
        std::error_code ignored;
        if (entries->is_directory(ignored) && !entries->is_symlink(ignored)) {
            subfolders.push_back(path);
        } else if (isPictureFileName(name) && entries->is_regular_file(ignored)) {
            std::error_code sizeError;
            const std::uintmax_t size = fs::file_size(pathFromUtf8(path), sizeError);
            pictures.push_back({path, sizeError ? 0 : size});
        }
    }
    // A listing cut short would call the files it did not reach neither used nor unused: say it was not read.
    if (error) result.unreadableFolders.push_back(folder);
    for (const std::string& subfolder : subfolders) listPictures(subfolder, result, pictures);
}

}  // namespace

UnusedPictures findUnusedPictures(const ScenarioScan& scan, const ImageFileIndex& folder) {
    UnusedPictures result;
    std::vector<UnusedPicture> pictures;
    listPictures(folder.folder(), result, pictures);
    // A name may reach a picture through another name of it: a folder link (lnk\C.JPG, lnk leading to A/B), a file
    // link or a hard link. The file is used all the same: files are compared by what they are on disk.
    std::unordered_set<std::string> usedPaths;
    std::set<FileIdentity> usedFiles;
    for (const ScannedName& name : scan.names) {
        const ImageLookup lookup = lookUpStoredName(name.bytes, folder);
        if (lookup.kind == ImageLookup::Kind::Found) {
            if (!usedPaths.insert(lookup.path).second) continue;
            if (const std::optional<FileIdentity> file = fileIdentity(lookup.path)) usedFiles.insert(*file);
        } else if (lookup.kind == ImageLookup::Kind::Unreadable &&
                   std::find(result.unreadableFolders.begin(), result.unreadableFolders.end(), lookup.path) ==
                       result.unreadableFolders.end()) {
            result.unreadableFolders.push_back(lookup.path);
        }
    }
    for (UnusedPicture& picture : pictures) {
        if (usedPaths.count(picture.path) != 0) continue;
        const std::optional<FileIdentity> file = fileIdentity(picture.path);
        if (file && usedFiles.count(*file) != 0) continue;
        result.totalBytes += picture.bytes;
        result.files.push_back(std::move(picture));
    }
    std::sort(result.files.begin(), result.files.end(), [](const UnusedPicture& a, const UnusedPicture& b) {
        return a.bytes != b.bytes ? a.bytes > b.bytes : a.path < b.path;
    });
    return result;
}

}  // namespace celshift
