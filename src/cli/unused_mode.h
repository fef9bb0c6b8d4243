// celshift-cli --unused: the picture files of a scenario folder that no data file names.
#pragma once

#include <string>

#include "cli/line_messages.h"
#include "cli/missing_mode.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"

namespace celshift::cli {

// Prints "BYTES<TAB>PATH" for each such file, largest first; the total goes to standard error. When a data file
// could not be read to its end or a folder could not be read, prints nothing and tells why on standard error
// (CouldNotLook). NothingMissing when there is no unused picture, SomethingMissing when there is one. Every
// message but the list goes to standard error.
MissingImagesResult listUnusedPictures(const std::string& summary, FileList& fileList, LineMessages& messages,
                                       const RunOptions& options);

}  // namespace celshift::cli
