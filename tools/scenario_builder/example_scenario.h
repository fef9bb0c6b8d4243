// The small example scenario shipped with the tool: a few data files of several kinds whose records name
// "cell_red.bmp", "cell_green.bmp" and "背景01.bmp", the images themselves, and the replacement images
// "cell_blue.bmp" and "背景02.bmp". Every byte is made up here.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "data_file_generator.h"

namespace celshift::build {

struct NamedBytes {
    std::string name;  // file name on disk (UTF-8)
    std::string bytes;
};

// The example's data files. Image-name fields naming a key of renamedImages hold its value instead, which
// gives the output that a conversion with the same pairs must produce.
std::vector<NamedBytes> exampleDataFiles(const NameMap& renamedImages = {});

// Every file of the example: "Summary.wsm", the data files, the images and a text file.
std::vector<NamedBytes> exampleScenarioFiles();

// Writes the example into folder (created when missing). Throws ScenarioError, writing nothing, when one
// of its files already exists there.
void writeExampleScenario(const std::filesystem::path& folder);

}  // namespace celshift::build
