// The run's replacement table, from the leading valid conversion rows.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "run/conversion_run.h"
#include "transform/replacement_table.h"

namespace celshift {

// Image extensions a conversion row may name, in the order they are tested.
inline constexpr std::string_view kImageExtensions[] = {".bmp", ".jpg", ".jpeg", ".jpy1", ".jpdc", ".jpx"};

// True when the code page 932 name ends in an image extension, its letters compared without regard to case.
bool hasImageExtension(std::string_view name932);

// How a run would take each row, for a display as the rows are typed.
enum class RowState {
    Used,     // valid, and every row above it is used
    Empty,    // both texts empty: ends the table
    Invalid,  // ends the table; reason says why
    NotUsed,  // below an empty or invalid row: a run leaves it out, valid or not
};
struct RowCheck {
    RowState state = RowState::Empty;
    std::string reason;  // for Invalid: why, in the user's words
};
// One row on its own: Empty, Invalid with its reason, or Used (valid).
RowCheck checkRow(std::string_view fromText, std::string_view toText);
// The same, with a valid row's texts as the table holds them (each text converted by rowNameBytes).
struct StoredRow {
    RowCheck check;
    std::string from;  // for Used only: the exact field to look for, its closing zero byte included when it has one
    std::string to;    // the name to write, without its zero byte
};
StoredRow storeRow(std::string_view fromText, std::string_view toText);
// The window's four rows, as a run would take them.
std::array<RowCheck, 4> checkRows(const ConversionRows& rows);

// For each row (index from 0), the number (from 1) of the earlier used row whose FROM is the same as its own as
// the table holds it (code page 932 bytes), else 0; 0 for every row that is not used. The earlier row takes every
// such field first, so the later one never replaces anything, though the run keeps it.
std::vector<int> earlierRowsWithSameFrom(const ConversionRows& rows);

// Scans the rows from the first and stops at the first row that is not valid: a text that code page 932
// cannot hold, a from- or to-text without an image extension, or a valid row with a text over 255 bytes
// (the first and the last are told in a box). Tells the number of rows used, then fills the holder. Rows that
// come with their table give a copy of it.
void buildReplacementTable(const ConversionRows& rows, ReplacementTableHolder& holder, RunMessages& messages);

}  // namespace celshift
