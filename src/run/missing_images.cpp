#include "run/missing_images.h"

#include <algorithm>

#include "run/build_replacement_table.h"

namespace celshift {

namespace {

std::string_view withoutZeroByte(std::string_view stored) {
    if (!stored.empty() && stored.back() == '\0') stored.remove_suffix(1);
    return stored;
}

}  // namespace

bool isImageName(std::string_view stored) { return hasImageExtension(withoutZeroByte(stored)); }

ImageLookup lookUpStoredName(std::string_view stored, const ImageFileIndex& folder) {
    return folder.lookStored(withoutZeroByte(stored));
}

MissingImages findMissingImages(const ScenarioScan& scan, const ImageFileIndex& folder) {
    MissingImages missing;
    for (const ScannedName& name : scan.names) {
        if (!isImageName(name.bytes)) continue;
        const ImageLookup lookup = lookUpStoredName(name.bytes, folder);
        switch (lookup.kind) {
        case ImageLookup::Kind::Found:
            break;
        case ImageLookup::Kind::Missing:
        case ImageLookup::Kind::Unusable:
            missing.names.push_back(name);
            break;
        case ImageLookup::Kind::Unreadable:
            if (std::find(missing.unreadableFolders.begin(), missing.unreadableFolders.end(), lookup.path) ==
                missing.unreadableFolders.end())
                missing.unreadableFolders.push_back(lookup.path);
            break;
        }
    }
    return missing;
}

}  // namespace celshift
