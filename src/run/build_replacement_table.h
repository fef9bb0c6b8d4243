// The run's replacement table, from the leading valid conversion rows.
#pragma once

#include "run/conversion_run.h"
#include "transform/replacement_table.h"

namespace celshift {

// Image extensions a conversion row may name, in the order they are tested.
inline constexpr const char* kImageExtensions[] = {".bmp", ".jpg", ".jpeg", ".jpy1", ".jpdc", ".jpx"};

// True when the code page 932 name ends in an image extension, its letters compared without regard to case.
bool hasImageExtension(std::string_view name932);

// Scans the rows from 1 to 4 and stops at the first row that is not valid: a text that code page 932
// cannot hold, a from- or to-text without an image extension, or a valid row with a text over 255 bytes
// (the first and the last are told in a box). Tells the number of rows used, then fills the holder.
void buildReplacementTable(const ConversionRows& rows, ReplacementTableHolder& holder, RunMessages& messages);

}  // namespace celshift
