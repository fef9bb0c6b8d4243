// Pictures renamed with their rows (--rename): the scenario's picture that a row's FROM names, copied into the
// output folder under the row's TO, so that the converted data files find it there.
#pragma once

#include <string>
#include <vector>

#include "platform/file_copy.h"
#include "platform/output_folder.h"
#include "run/conversion_run.h"
#include "run/image_files.h"
#include "transform/replacement_table.h"

namespace celshift {

struct PictureRename {
    std::string source;               // the scenario's file that FROM names
    std::string fromText;             // FROM and TO in their written form (writtenName), for messages as they stand
    std::string toText;
    std::string fromName;             // FROM as a file name (UTF-8), for a report without source (shownName shows it)
    std::vector<PathElement> target;  // TO's path under the output folder: its folders, then the file's name
    std::string problem;              // not empty: the picture cannot be copied, and why
};

// For each pair of the table, in order (a pair whose FROM an earlier pair has is never used, and is left out):
// when TO names no file of the scenario folder nor of the output folder, looked up as --missing looks names up, the
// file of the scenario folder that FROM names. A TO that an earlier pair copies to already (as Windows compares names)
// is left to it; where that pair's picture is another file, the pair is listed with that problem. A FROM that names no
// file, a TO that cannot name a file, or a folder that could not be read, gives a problem too.
std::vector<PictureRename> picturesToRename(const ReplacementTable& table, const ImageFileIndex& scenario,
                                            const ImageFileIndex& output);

// The run's stage for RunOptions::renamePictures: copies every picture of picturesToRename into the output folder
// under TO, making TO's folders where absent (an existing folder is taken in the spelling it has), under the rules
// of every copy: whole or nothing, never replacing, never through a link (a link or a file where a folder should be
// fails that picture). Reports each (FileReport::renamedTo), and tells the pictures copied and those that could
// not be in one message each. Returns false when a stop ended it early.
bool copyRenamedPictures(const ReplacementTable& table, const std::string& scenarioFolder, OutputFolder& output,
                         RunMessages& messages, const RunOptions& options, RunOutcome& outcome);

}  // namespace celshift
