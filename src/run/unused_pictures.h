// The picture files of a scenario folder that no image name of its data files names: files left over after
// edits. Something outside the data files (the summary file, the game itself) may still use one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "run/image_files.h"
#include "run/scenario_scan.h"

namespace celshift {

struct UnusedPicture {
    std::string path;      // the file's path under the folder
    std::uintmax_t bytes = 0;
};

struct UnusedPictures {
    std::vector<UnusedPicture> files;            // largest first, then by path
    std::uintmax_t totalBytes = 0;
    std::vector<std::string> unreadableFolders;  // folders that could not be read: a file there, or one a name
                                                 // leads to through them, is not known to be used or unused
};

// Every regular file under folder (subfolders too, not through links to folders) with one of the image
// extensions, that no name of the scan names when looked up as findMissingImages looks names up. Every name of
// the scan counts, image extension or not ("a.bmp." names "a.bmp"), and a file is used whichever of its names a
// name reaches it by (a link to it, a folder link on the way, a hard link). The scan should be complete and
// unreadableFolders empty: a name the scan did not see, or a file in a folder that was not read, may use a file
// listed here.
UnusedPictures findUnusedPictures(const ScenarioScan& scan, const ImageFileIndex& folder);

}  // namespace celshift
