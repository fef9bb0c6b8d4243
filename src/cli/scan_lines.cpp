#include "cli/scan_lines.h"

#include <cstdio>
#include <string>

#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift::cli {

void printNameLines(const std::vector<ScannedName>& names, LineMessages& messages) {
    for (const ScannedName& name : names) {
        if (!messages.write(std::to_string(name.fields) + "\t" + std::to_string(name.files) + "\t" +
                            writtenName(name.bytes) + "\n"))
            return;
    }
}

std::string scanProblemLine(const ScanProblem& problem) {
    if (problem.kind == ScanProblem::Kind::Unreadable) return "ErrorFm: " + shownName(problem.path) + ": " + problem.reason;
    return std::string(texts::kCaptionFailed) + ": " + shownName(problem.name) + ": " + problem.reason;
}

void tellScanProblems(const ScenarioScan& scan, LineMessages& messages) {
    for (const ScanProblem& problem : scan.problems) {
        if (problem.kind == ScanProblem::Kind::Unreadable) messages.showErrorFm(shownName(problem.path));
        else messages.showMessage(shownName(problem.name), texts::kCaptionFailed);
        std::fprintf(stderr, "%s\n", scanProblemLine(problem).c_str());
    }
}

}  // namespace celshift::cli
