// Arguments of the generate-scenario tool, parsed apart from main so that tests can reach them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "scenario_writer.h"

namespace celshift::build {

struct GenerateCommand {
    std::filesystem::path out;
    double megabytes = 0;  // whole scenario, with files
    int files = 0;
    std::optional<double> singleFileMegabytes;  // one data file instead
    int kind = 0;                               // of that one file
    bool package = false;
    std::uint64_t seed = 1;
    int images = 8;
    Shape shape = Shape::Synthetic;
    // --rename FROM=TO (UTF-8, up to four): image-name fields naming FROM hold TO, every other byte stays
    // as it would be. Generating twice, with and without, gives a scenario and its expected conversion.
    std::vector<std::pair<std::string, std::string>> renames;
};

struct ParsedGenerateCommand {
    std::optional<GenerateCommand> command;  // set when the arguments were good
    bool help = false;                       // --help was given
    std::string error;                       // otherwise: what is wrong, one line
};

// args excludes the program name.
ParsedGenerateCommand parseGenerateCommand(const std::vector<std::string>& args);

std::string generateUsage();

// The data files the command asks for.
std::vector<PlannedDataFile> planFor(const GenerateCommand& command);

// The whole scenario the command asks for, but the renamed images (which need code page 932).
ScenarioOptions scenarioFor(const GenerateCommand& command);

}  // namespace celshift::build
