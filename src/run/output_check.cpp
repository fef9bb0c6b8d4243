#include "run/output_check.h"

#include <algorithm>
#include <limits>
#include <map>

#include "run/missing_images.h"
#include "run/row_names.h"

namespace celshift {

std::vector<MissingPicture> picturesMissingAfterRun(const std::unordered_set<std::string>& inputNames,
                                                    const ReplacementTable* table, const std::string& scenarioFolder,
                                                    const ImageFileIndex& output) {
    // Each name of the output, with the first row that wrote it (0: only the scenario's own fields hold it).
    std::map<std::string, int> written;
    for (const std::string& name : inputNames) {
        const int pair = table ? table->find(reinterpret_cast<const unsigned char*>(name.data()),
                                             static_cast<std::int32_t>(name.size()))
                               : -1;
        if (pair < 0) {
            written.emplace(name, 0);
            continue;
        }
        const ReplacementPair to = table->pair(pair);
        std::string toName(reinterpret_cast<const char*>(to.toName), static_cast<std::size_t>(to.toLength));
        const auto [entry, added] = written.emplace(std::move(toName), pair + 1);
        if (!added && entry->second > pair + 1) entry->second = pair + 1;
    }
    const ImageFileIndex scenario(scenarioFolder);
    std::vector<MissingPicture> missing;
    for (const auto& [name, row] : written) {
        if (!isImageName(name)) continue;
        const ImageLookup there = lookUpStoredName(name, output);
        if (there.kind == ImageLookup::Kind::Found || there.kind == ImageLookup::Kind::Unreadable) continue;
        // A name the scenario already named and lacked is not the run's doing.
        if (inputNames.contains(name) && lookUpStoredName(name, scenario).kind != ImageLookup::Kind::Found) continue;
        missing.push_back({writtenName(name), row});
    }
    std::stable_sort(missing.begin(), missing.end(), [](const MissingPicture& a, const MissingPicture& b) {
        const auto key = [](int row) { return row == 0 ? std::numeric_limits<int>::max() : row; };
        return key(a.row) < key(b.row);
    });
    return missing;
}

}  // namespace celshift
