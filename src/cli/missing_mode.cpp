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

std::optional<ScenarioScan> scanEveryName(const std::string& summary, FileList& fileList, LineMessages& messages,
                                          const RunOptions& options, MissingImagesResult& result) {
    ScenarioScan scan = scanScenario(summary, fileList, options);
    if (scan.listingFailed) {
        messages.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + shownName(scan.unreadableFolder),
                             texts::kCaptionError);
        result = MissingImagesResult::CouldNotLook;
        return std::nullopt;
    }
    if (scan.stopped) {
        messages.showMessage(texts::kStopped, texts::kCaptionInfo);
        result = MissingImagesResult::Stopped;
        return std::nullopt;
    }
    return scan;
}

MissingImagesResult listMissingImages(const std::string& summary, FileList& fileList, LineMessages& messages,
                                      const RunOptions& options) {
    MissingImagesResult early = MissingImagesResult::CouldNotLook;
    const std::optional<ScenarioScan> scanned = scanEveryName(summary, fileList, messages, options, early);
    if (!scanned) return early;
    const ScenarioScan& scan = *scanned;
    const ImageFileIndex files(parentFolder(summary));
    const MissingImages missing = findMissingImages(scan, files);
    printNameLines(missing.names, messages);
    tellScanProblems(scan, messages);
    for (const std::string& unreadable : missing.unreadableFolders)
        messages.showMessage(std::string(texts::kFolderUnreadable) + "\n" + shownName(unreadable), texts::kCaptionError);
    if (!scan.problems.empty() || !missing.unreadableFolders.empty()) return MissingImagesResult::CouldNotLook;
    return missing.names.empty() ? MissingImagesResult::NothingMissing : MissingImagesResult::SomethingMissing;
}

}  // namespace celshift::cli
