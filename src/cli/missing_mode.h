// celshift-cli --missing: the image names a scenario's data files hold and no file of its folder matches.
#pragma once

#include <string>

#include "platform/file_list.h"
#include "run/conversion_run.h"

namespace celshift::cli {

// Prints "FIELDS<TAB>FILES<TAB>NAME" for each such name, in the order and form of --list-names, then the data
// files that could not be read to their end and the folders that could not be read. Returns the exit status:
// 0 when nothing is missing, 1 when something is, 2 when the answer is not complete (the scenario folder, a
// folder a name leads into or a data file could not be read), 130 when a stop ended the scan.
int listMissingImages(const std::string& summary, FileList& fileList, RunMessages& messages,
                      const RunOptions& options);

}  // namespace celshift::cli
