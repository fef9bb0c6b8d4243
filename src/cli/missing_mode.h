// celshift-cli --missing: the image names a scenario's data files hold and no file of its folder matches.
#pragma once

#include <optional>
#include <string>

#include "cli/line_messages.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"
#include "run/scenario_scan.h"

namespace celshift::cli {

enum class MissingImagesResult {
    NothingMissing,
    SomethingMissing,
    CouldNotLook,  // the scenario folder, a folder a name leads into, or a data file could not be read
    Stopped,       // a stop request ended the scan
};

// The scan of a listing that must have seen every name: nothing, with result set and the reason told, when the
// scenario folder could not be listed or a stop cut the scan short (a part could be taken for the whole).
std::optional<ScenarioScan> scanEveryName(const std::string& summary, FileList& fileList, LineMessages& messages,
                                          const RunOptions& options, MissingImagesResult& result);

// Prints "FIELDS<TAB>FILES<TAB>NAME" for each such name, in the order and form of --list-names, then the data
// files that could not be read to their end and the folders that could not be read.
MissingImagesResult listMissingImages(const std::string& summary, FileList& fileList, LineMessages& messages,
                                      const RunOptions& options);

}  // namespace celshift::cli
