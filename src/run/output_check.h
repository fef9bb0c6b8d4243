// The run's look at its own copy: the pictures that the converted data files name and the output folder lacks,
// which the scenario folder did not already lack. Works from the names the walk saw; reads no data file again.
#pragma once

#include <string>
#include <unordered_set>
#include <vector>

#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace celshift {

// The distinct image-name fields of one data file, as stored (with the zero byte when the field has one).
class ImageNameSet final : public ImageNameVisitor {
public:
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        names.emplace(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    }
    std::unordered_set<std::string> names;
};

struct MissingPicture {
    std::string name;  // the field's written form (as --list-names writes it)
    int row = 0;       // the row (from 1) that wrote the name; 0 when the name was the scenario's own
};

// The names (image extensions only) that the output's data files hold after table replaced the fields in
// inputNames, that the output folder does not hold (looked up as Windows looks them up), and that were not already
// missing from the scenario folder. By row, then by the bytes of the name; names no row wrote come last.
std::vector<MissingPicture> picturesMissingAfterRun(const std::unordered_set<std::string>& inputNames,
                                                    const ReplacementTable* table, const std::string& scenarioFolder,
                                                    const std::string& outputFolder);

}  // namespace celshift
