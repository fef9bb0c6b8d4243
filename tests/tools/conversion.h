// Runs the transformer over bytes in memory, through real temporary files opened as the run opens them.
#pragma once

#include <string>

#include "scenario_builder/data_file_generator.h"

namespace celshift::test {

struct Conversion {
    int result = -1;
    std::string output;
};

// Converts input with a table holding pairs (in map order) when enabled is set, none otherwise.
Conversion convert(const std::string& input, bool package, const build::NameMap& pairs, bool enabled = true);

// Reads a whole file; fails the current test when it cannot.
std::string readFile(const std::string& path);

// A fresh empty folder under the system's temporary folder, removed at destruction.
class TemporaryFolder {
public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace celshift::test
