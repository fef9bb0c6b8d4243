// The command line of celshift-cli:
//   celshift-cli [--output DIR] [--jobs N] [--sync] [--quiet] [--rename] [--from TEXT --to TEXT]... SCENARIO...
//   celshift-cli [--output DIR] [--jobs N] [--sync] [--quiet] [--rename] --rows FILE SCENARIO...
//   celshift-cli --dry-run [--jobs N] [--quiet] [--from TEXT --to TEXT]... | [--rows FILE] SCENARIO...
//   celshift-cli --list-names [--jobs N] SCENARIO...
//   celshift-cli --missing [--jobs N] SCENARIO...
//   celshift-cli --unused [--jobs N] SCENARIO...
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "run/conversion_run.h"

namespace celshift::cli {

enum class Mode {
    Run,        // convert into the output folder
    DryRun,     // walk and count, write nothing
    ListNames,  // list the image names the scenario holds
    Missing,    // list the image names that no file of the scenario folder matches
    Unused,     // list the picture files of the scenario folder that no image name matches
};

struct Arguments {
    bool help = false;
    bool version = false;                 // --version: the name and version alone
    Mode mode = Mode::Run;
    bool quiet = false;                   // leave out the summary lines
    bool sync = false;                    // each file reaches the disk before it takes its name
    bool rename = false;                  // copy each used row's picture under its TO (--rename)
    int jobs = 0;                         // worker threads; 0: one per core
    std::vector<std::string> scenarios;   // as given: each a "Summary.wsm" or a folder that holds one
    std::optional<std::string> output;    // as given; the default folder when absent
    ConversionRows rows;                  // the --from/--to pairs
    int rowCount = 0;                     // how many --from/--to pairs were given
    std::optional<std::string> rowsFile;  // --rows FILE: the rows come from the file instead
};

// Parses the arguments (without the program name). Throws std::invalid_argument with a message for the user.
Arguments parseArguments(const std::vector<std::string>& args);

// A scenario folder that exists but cannot be read.
struct UnreadableScenario : std::runtime_error {
    explicit UnreadableScenario(std::string folder) : std::runtime_error("unreadable scenario folder"), folder(std::move(folder)) {}
    std::string folder;
};

// The "Summary.wsm" that SCENARIO names, as an absolute path. Throws std::invalid_argument when there is none, and
// UnreadableScenario when the folder cannot be looked into.
std::string resolveScenario(const std::string& scenario);

extern const char* const kUsage;

}  // namespace celshift::cli
