// Runs the transformer over bytes in memory, through real temporary files opened as the run opens them.
#pragma once

#include <string>

#include "scenario_builder/data_file_generator.h"
#include "temp_folder.h"

namespace celshift::test {

struct Conversion {
    int result = -1;
    std::string output;
};

// Converts input with a table holding pairs (in map order) when enabled is set, none otherwise.
Conversion convert(const std::string& input, bool package, const build::NameMap& pairs, bool enabled = true);

}  // namespace celshift::test
