// One data file's part of a run, a dry run or a scan: open, walk, close, and say what became of it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "transform/data_file_copier.h"
#include "transform/replacement_table.h"

namespace celshift {

struct DataFileResult {
    enum class Kind { Converted, Failed, Unopened };
    Kind kind = Kind::Converted;
    std::string unopenedPath;  // the file (or copy) that could not be opened
    int stopCode = 0;          // the transformer's code that ended a failed walk; 0 for a failed flush or close
    ReplacedCounts replaced;
};

// The output stream's buffer, one per worker, lent to each output in turn.
struct StreamBuffers {
    StreamBuffers();
    std::vector<char> output;
};

// Rewrites the data file at path into outputFolder, or, when outputFolder is null, only walks it and writes
// nothing. The visitor, when given, sees every image-name field. Must run on a large stack.
DataFileResult convertDataFile(const std::string& path, const std::string* outputFolder,
                               const ReplacementTableHolder& holder, StreamBuffers& buffers,
                               ImageNameVisitor* visitor);

// The last element of a path.
std::string nameOf(const std::string& path);

}  // namespace celshift
