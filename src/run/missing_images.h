// The image names that a scenario's data files hold and that no file of its folder matches: pictures the
// scenario names but does not hold (or that the game itself provides).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/image_files.h"
#include "run/scenario_scan.h"

namespace celshift {

// True when a stored name (as a scan holds it, with its zero byte if any) ends in one of the image extensions.
bool isImageName(std::string_view stored);

// What the folder holds of a stored name as a scan holds it: the name without its one trailing zero byte,
// looked up as Windows looks it up. Names that are no image names are looked up all the same.
ImageLookup lookUpStoredName(std::string_view stored, const ImageFileIndex& folder);

struct MissingImages {
    std::vector<ScannedName> names;              // image names no file matches (or cannot match), in scan order
    std::vector<std::string> unreadableFolders;  // folders that could not be read: names below them are unknown
};

// Looks up every image name of the scan in the folder.
MissingImages findMissingImages(const ScenarioScan& scan, const ImageFileIndex& folder);

}  // namespace celshift
