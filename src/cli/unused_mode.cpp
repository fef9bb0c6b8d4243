#include "cli/unused_mode.h"

#include <cstdio>

#include "cli/scan_lines.h"
#include "platform/name_rules.h"
#include "run/failure_reasons.h"
#include "run/image_files.h"
#include "run/run_texts.h"
#include "run/scenario_scan.h"
#include "run/unused_pictures.h"

namespace celshift::cli {

MissingImagesResult listUnusedPictures(const std::string& summary, FileList& fileList, LineMessages& messages,
                                       const RunOptions& options) {
    // A stopped scan saw only some of the names: a file it did not see named would be listed as unused.
    MissingImagesResult early = MissingImagesResult::CouldNotLook;
    const std::optional<ScenarioScan> scanned = scanEveryName(summary, fileList, messages, options, early);
    if (!scanned) return early;
    const ScenarioScan& scan = *scanned;
    const ImageFileIndex files(parentFolder(summary));
    const UnusedPictures unused = findUnusedPictures(scan, files);
    std::string lines;
    for (const UnusedPicture& file : unused.files)
        lines.append(std::to_string(file.bytes)).append("\t").append(shownName(file.path)).push_back('\n');
    // A failed write decides the exit status on its own; the total of a list that did not get out would mislead.
    if (lines.empty() || messages.write(lines))
        std::fprintf(stderr, "celshift-cli: 使われていない画像: %zuファイル、%sバイト\n", unused.files.size(),
                     groupedNumber(static_cast<std::int64_t>(unused.totalBytes)).c_str());
    tellScanProblems(scan, messages);
    for (const std::string& unreadable : unused.unreadableFolders)
        messages.showMessage(std::string(texts::kFolderUnreadable) + "\n" + shownName(unreadable), texts::kCaptionError);
    if (!scan.problems.empty() || !unused.unreadableFolders.empty()) return MissingImagesResult::CouldNotLook;
    return unused.files.empty() ? MissingImagesResult::NothingMissing : MissingImagesResult::SomethingMissing;
}

}  // namespace celshift::cli
