// The run's look at its own copy: the pictures that the converted data files name and the output folder lacks,
// which the scenario folder did not already lack. Works from the names the walk saw; reads no data file again.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace celshift {

// Hashes a name and a view of one alike, so that a field already seen is looked up without making a string of it.
struct NameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
};

// The distinct image-name fields of one data file, as stored (with the zero byte when the field has one). Called for
// every field of a walk: most fields name a picture seen before, and cost a lookup only.
class ImageNameSet final : public ImageNameVisitor {
public:
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        const std::string_view name(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
        if (names.find(name) == names.end()) names.emplace(name);
    }
    std::unordered_set<std::string, NameHash, std::equal_to<>> names;
};

struct MissingPicture {
    std::string name;  // the field's written form (as --list-names writes it)
    int row = 0;       // the row (from 1) that wrote the name; 0 when the name was the scenario's own
};

// The names (image extensions only) that the output's data files hold after table replaced the fields in
// inputNames, that the output folder does not hold (looked up as Windows looks them up), and that were not already
// missing from the scenario folder. By row, then by the bytes of the name; names no row wrote come last.
using ImageNames = std::unordered_set<std::string, NameHash, std::equal_to<>>;
std::vector<MissingPicture> picturesMissingAfterRun(const ImageNames& inputNames,
                                                    const ReplacementTable* table, const std::string& scenarioFolder,
                                                    const std::string& outputFolder);

}  // namespace celshift
