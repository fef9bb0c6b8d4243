// Files the output folder held before the run: whether they are the scenario's own. A kept file that differs is
// worth a look (the output may mix two scenarios), and an output folder whose "Summary.wsm" is another's is
// asked about before anything is written.
#pragma once

#include <optional>
#include <string>

namespace celshift {

enum class Sameness { Same, Different, Unknown };

// Byte for byte; Unknown when either cannot be read.
Sameness compareFiles(const std::string& a, const std::string& b);

// The path of the output folder's "Summary.wsm" when it holds one that is not byte for byte the scenario's
// (sourceFile); nothing when it holds none, the same one, or the scenario folder is the output folder.
std::optional<std::string> foreignSummary(const std::string& sourceFile, const std::string& outputFolder);

}  // namespace celshift
