// What --list-names and --missing print of a scan: one line per name, and each data file the scan could not walk.
#pragma once

#include <string>
#include <vector>

#include "cli/line_messages.h"
#include "run/scenario_scan.h"

namespace celshift::cli {

// "FIELDS<TAB>FILES<TAB>NAME" per name; stops at the first line that cannot be written.
void printNameLines(const std::vector<ScannedName>& names, LineMessages& messages);

// ErrorFm or 失敗 for each data file the scan could not walk, with its reason on standard error.
void tellScanProblems(const ScenarioScan& scan, LineMessages& messages);

// A data file the scan could not walk as standard error tells it: "ErrorFm: PATH: REASON" or "失敗: NAME: REASON".
std::string scanProblemLine(const ScanProblem& problem);

}  // namespace celshift::cli
