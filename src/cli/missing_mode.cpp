#include "cli/missing_mode.h"

#include <cstdio>

#include "platform/name_rules.h"
#include "run/image_files.h"
#include "run/missing_images.h"
#include "run/run_texts.h"
#include "run/scenario_scan.h"

namespace celshift::cli {

namespace {

constexpr int kNothingMissing = 0;
constexpr int kSomethingMissing = 1;
constexpr int kCouldNotLook = 2;
constexpr int kStopped = 130;

constexpr const char* kFolderUnreadable = "フォルダが読めません";

}  // namespace

int listMissingImages(const std::string& summary, FileList& fileList, RunMessages& messages,
                      const RunOptions& options) {
    const std::string folder = parentFolder(summary);
    const ScenarioScan scan = scanScenario(summary, fileList, options);
    if (scan.listingFailed) {
        messages.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + folder, texts::kCaptionError);
        return kCouldNotLook;
    }
    const ImageFileIndex files(folder);
    const MissingImages missing = findMissingImages(scan, files);
    for (const ScannedName& name : missing.names)
        std::printf("%lld\t%d\t%s\n", static_cast<long long>(name.fields), name.files, displayName(name.bytes).c_str());
    std::fflush(stdout);
    for (const ScanProblem& problem : scan.problems) {
        if (problem.kind == ScanProblem::Kind::Unreadable) messages.showErrorFm(problem.path);
        else messages.showMessage(problem.name, texts::kCaptionFailed);
    }
    for (const std::string& unreadable : missing.unreadableFolders)
        messages.showMessage(std::string(kFolderUnreadable) + "\n" + unreadable, texts::kCaptionError);
    if (scan.stopped) {
        messages.showMessage(texts::kStopped, texts::kCaptionInfo);
        return kStopped;
    }
    if (!scan.problems.empty() || !missing.unreadableFolders.empty()) return kCouldNotLook;
    return missing.names.empty() ? kNothingMissing : kSomethingMissing;
}

}  // namespace celshift::cli
