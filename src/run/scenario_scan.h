// A read-only look at a scenario: every image-name field that its data files hold, walked with the same
// walkers as a run. Writes nothing and needs no output folder.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_list.h"
#include "run/conversion_run.h"
#include "run/row_names.h"

namespace celshift {

// One distinct stored name: the field's bytes exactly as stored (code page 932, with its zero byte if any).
struct ScannedName {
    std::string bytes;
    std::int64_t fields = 0;  // image-name fields that hold exactly these bytes
    int files = 0;            // data files that hold at least one of them
};

// A data file the scan could not walk to its end.
struct ScanProblem {
    enum class Kind { Unreadable, Failed };
    Kind kind;
    std::string path;    // full path of the data file
    std::string name;    // its name
    std::string reason;  // why, in the user's words
    bool namesMayBeUnseen = true;  // the file was not walked to its end: names may stand in what was not read
};

struct ScenarioScan {
    bool listingFailed = false;      // the scenario folder could not be listed
    std::string unreadableFolder;    // then: the folder that could not be read (the scenario's or a subfolder)
    bool stopped = false;            // a StopRequest ended the scan early
    std::vector<ScannedName> names;  // most fields first, then by the stored bytes
    std::vector<ScanProblem> problems;  // in the run's order
    int dataFiles = 0;
};

// Walks every data file of the scenario whose "Summary.wsm" is sourceFile. options.progress and options.stop
// work as in a run.
ScenarioScan scanScenario(const std::string& sourceFile, FileList& fileList, const RunOptions& options = {});

// True when the scan found a field that a conversion row with this from-text (UTF-8, as typed) would match:
// the field rowNameBytes makes of it.
bool scanHasName(const ScenarioScan& scan, const std::string& fromText);

}  // namespace celshift
