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

void tellScanProblems(const ScenarioScan& scan, LineMessages& messages) {
    for (const ScanProblem& problem : scan.problems) {
        if (problem.kind == ScanProblem::Kind::Unreadable) {
            messages.showErrorFm(shownName(problem.path));
            std::fprintf(stderr, "ErrorFm: %s: %s\n", shownName(problem.path).c_str(), problem.reason.c_str());
        } else {
            messages.showMessage(shownName(problem.name), texts::kCaptionFailed);
            std::fprintf(stderr, "%s: %s: %s\n", texts::kCaptionFailed, shownName(problem.name).c_str(),
                         problem.reason.c_str());
        }
    }
}

}  // namespace celshift::cli
