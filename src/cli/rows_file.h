// A rows file (--rows FILE): any number of conversion rows, one per line, "FROM<TAB>TO", in UTF-8.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/conversion_run.h"

namespace celshift::cli {

// Larger files are refused unread: ten thousand rows of the longest names take about 5 MiB.
inline constexpr std::size_t kMaxRowsFileBytes = 16 * 1024 * 1024;

struct RowsFileProblem {
    int line = 0;        // counted from 1, every line of the file included
    std::string reason;  // in the user's words
};

struct RowsFile {
    ConversionRows rows;                    // the rows in the file's order (their texts as kept), with their table
    std::size_t rowCount = 0;               // the rows of the file, kept or not
    std::vector<RowsFileProblem> problems;  // one per bad line, in order; none may be used when there is one
};

// Every row's texts: what the window shows of a rows file.
inline constexpr std::size_t kAllRowTexts = static_cast<std::size_t>(-1);

// Reads the text of a rows file: a UTF-8 byte order mark is skipped, a line may end in CR LF, empty lines and
// lines that begin with "#" are skipped. Every other line must be FROM, one tab, TO, and is checked as a row
// of the window is (code page 932, an image extension on both sides, 255 bytes); a FROM that an earlier line
// has already (as the data file would hold it) is a bad line too. The texts of the first keptTexts rows are kept
// in rows.from and rows.to; a run needs none of them, since it takes the table.
RowsFile parseRowsFile(std::string_view text, std::size_t keptTexts = kAllRowTexts);

// Reads the file and parses it. Throws std::invalid_argument when it cannot be read or is too large.
RowsFile readRowsFile(const std::string& path, std::size_t keptTexts = kAllRowTexts);

}  // namespace celshift::cli
