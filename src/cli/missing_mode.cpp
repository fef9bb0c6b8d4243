#include "cli/missing_mode.h"

#include <cstdio>

#include "cli/scan_lines.h"
#include "platform/name_rules.h"
#include "run/failure_reasons.h"
#include "run/image_files.h"
#include "run/missing_images.h"
#include "run/run_texts.h"
#include "run/scenario_scan.h"

namespace celshift::cli {

MissingImagesResult listMissingImages(const std::string& summary, FileList& fileList, LineMessages& messages,
                                      const RunOptions& options) {
    const std::string folder = parentFolder(summary);
    const ScenarioScan scan = scanScenario(summary, fileList, options);
    if (scan.listingFailed) {
        messages.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + shownName(folder), texts::kCaptionError);
        return MissingImagesResult::CouldNotLook;
    }
    // A stopped scan saw only some of the names: no list that could be taken for the whole one.
    if (scan.stopped) {
        messages.showMessage(texts::kStopped, texts::kCaptionInfo);
        return MissingImagesResult::Stopped;
    }
    const ImageFileIndex files(folder);
    const MissingImages missing = findMissingImages(scan, files);
    printNameLines(missing.names, messages);
    tellScanProblems(scan, messages);
    for (const std::string& unreadable : missing.unreadableFolders)
        messages.showMessage(std::string(texts::kFolderUnreadable) + "\n" + shownName(unreadable), texts::kCaptionError);
    if (!scan.problems.empty() || !missing.unreadableFolders.empty()) return MissingImagesResult::CouldNotLook;
    return missing.names.empty() ? MissingImagesResult::NothingMissing : MissingImagesResult::SomethingMissing;
}

}  // namespace celshift::cli
