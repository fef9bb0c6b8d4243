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
    // The list is made to be acted on ("cut -f2 | xargs rm"): standard output holds its lines and nothing else,
    // every other word goes to standard error.
    LineMessages notes(stderr);
    // A stopped scan saw only some of the names: a file it did not see named would be listed as unused.
    MissingImagesResult early = MissingImagesResult::CouldNotLook;
    const std::optional<ScenarioScan> scanned = scanEveryName(summary, fileList, notes, options, early);
    if (!scanned) return early;
    const ScenarioScan& scan = *scanned;
    const ImageFileIndex files(parentFolder(summary));
    const UnusedPictures unused = findUnusedPictures(scan, files);
    // A data file not read to its end, or a folder not read, may name or hold any picture: no list at all, since
    // a part of one would be taken for the whole.
    if (!scan.problems.empty() || !unused.unreadableFolders.empty()) {
        for (const ScanProblem& problem : scan.problems) std::fprintf(stderr, "%s\n", scanProblemLine(problem).c_str());
        for (const std::string& unreadable : unused.unreadableFolders)
            std::fprintf(stderr, "celshift-cli: %s: %s\n", texts::kFolderUnreadable, shownName(unreadable).c_str());
        std::fputs("celshift-cli: 使われていない画像は判断できません（読めなかったデータファイルかフォルダがあります）\n", stderr);
        return MissingImagesResult::CouldNotLook;
    }
    std::string lines;
    for (const UnusedPicture& file : unused.files)
        lines.append(std::to_string(file.bytes)).append("\t").append(shownName(file.path)).push_back('\n');
    // A failed write decides the exit status on its own; the total of a list that did not get out would mislead.
    if (!lines.empty() && !messages.write(lines)) return MissingImagesResult::SomethingMissing;
    std::fprintf(stderr, "celshift-cli: 使われていない画像: %zuファイル、%sバイト\n", unused.files.size(),
                 groupedNumber(static_cast<std::int64_t>(unused.totalBytes)).c_str());
    return unused.files.empty() ? MissingImagesResult::NothingMissing : MissingImagesResult::SomethingMissing;
}

}  // namespace celshift::cli
