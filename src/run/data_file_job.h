// One data file's part of a run, a dry run or a scan: open, walk, give the copy its name, and say what became of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/output_folder.h"
#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace celshift {

// The data files of a scenario folder, for every stage alike: ".wid" in any case, as Windows matches it.
inline constexpr const char* kDataFileMask = "*.wid";

struct DataFileResult {
    enum class Kind { Converted, Failed, Unopened };
    Kind kind = Kind::Converted;
    std::string unopenedPath;  // the file (or copy) that could not be opened
    std::string reason;        // why, for Failed and Unopened
    bool outputWritten = false;  // the output folder now holds this file's new copy
    int stopCode = 0;          // the transformer's code that ended a failed walk; 0 for a failed flush or close
    // False when the walk stopped before the input's last byte (a read error, a field it could not take): names
    // may stand in the part it did not walk. A file that ends early was walked to its end.
    bool wholeInputWalked = true;
    // Image-name fields replaced per pair, in what the output folder now holds (or, without an output, would hold).
    ReplacedCounts replaced;
};

// The output stream's buffer, one per worker, lent to each output in turn.
struct StreamBuffers {
    StreamBuffers();
    std::vector<char> output;
};

// Rewrites the data file at path into the output folder, or, when output is null, only walks it and writes
// nothing. The copy is written under a temporary name and replaces the file's name only when it holds every byte:
// converted up to where a walk stopped, unchanged from there on. When the input cannot be read to its end or the
// copy cannot be written, the earlier copy (or none) stays. The visitor, when given, sees every image-name field.
// sync: the copy reaches the disk before it takes its name. outputName: the copy's name (and the one the package flag
// is read from); the file's own name when empty. Must run on a large stack.
DataFileResult convertDataFile(const std::string& path, OutputFolder* output, const ReplacementTableHolder& holder,
                               StreamBuffers& buffers, ImageNameVisitor* visitor, bool sync = false,
                               const std::string& outputName = {});

// The stack that walks of these data files need: in proportion to the largest (its nesting is bounded by its size).
std::size_t walkStackFor(const std::vector<std::string>& paths);

// The last element of a path.
std::string nameOf(const std::string& path);

}  // namespace celshift
