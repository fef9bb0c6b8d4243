// celshift-cli --unused: the picture files of a scenario folder that no data file names.
#pragma once

#include <string>

#include "cli/line_messages.h"
#include "cli/missing_mode.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"

namespace celshift::cli {

// Prints "BYTES<TAB>PATH" for each such file, largest first, then the data files that could not be read to their
// end and the folders that could not be read; the total goes to standard error. NothingMissing when there is no
// unused picture, SomethingMissing when there is one, CouldNotLook when not every file or name could be looked at.
MissingImagesResult listUnusedPictures(const std::string& summary, FileList& fileList, LineMessages& messages,
                                       const RunOptions& options);

}  // namespace celshift::cli
