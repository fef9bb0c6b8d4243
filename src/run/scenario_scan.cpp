#include "run/scenario_scan.h"

#include <algorithm>
#include <map>
#include <unordered_map>

#include "platform/code_page_932.h"
#include "platform/name_rules.h"
#include "run/data_file_job.h"
#include "run/ordered_workers.h"
#include "run/run_texts.h"
#include "transform/copy_error_code.h"

namespace celshift {

namespace {

// The image names of one data file, with how often each occurs.
class NameCounter final : public ImageNameVisitor {
public:
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        ++counts[std::string(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length))];
    }
    std::unordered_map<std::string, std::int64_t> counts;
};

struct ScannedFile {
    DataFileResult result;
    std::unordered_map<std::string, std::int64_t> counts;
};

}  // namespace

bool scanHasName(const ScenarioScan& scan, const std::string& fromText) {
    const std::optional<RowName> from = rowNameBytes(fromText);
    if (!from || from->bytes.empty()) return false;
    const std::string field = from->field();
    return std::any_of(scan.names.begin(), scan.names.end(),
                       [&](const ScannedName& name) { return name.bytes == field; });
}

ScenarioScan scanScenario(const std::string& sourceFile, FileList& fileList, const RunOptions& options) {
    ScenarioScan scan;
    fileList.setDirectory(parentFolder(sourceFile));
    fileList.setMask(kDataFileMask);
    if (fileList.listingFailed()) {
        scan.listingFailed = true;
        scan.unreadableFolder = fileList.unreadableFolder();
        if (scan.unreadableFolder.empty()) scan.unreadableFolder = parentFolder(sourceFile);
        return scan;
    }
    std::vector<std::string> paths;
    std::vector<std::string> fileNames;  // paths under the scenario folder
    for (int i = 0; i < fileList.count(); ++i) {
        paths.push_back(fileList.filePath(i));
        fileNames.push_back(fileList.fileName(i));
    }
    scan.dataFiles = static_cast<int>(paths.size());

    const ReplacementTableHolder noReplacement;
    const int jobs = workerCount(options);
    std::vector<StreamBuffers> buffers(static_cast<std::size_t>(std::max(1, std::min<int>(jobs, scan.dataFiles))));
    std::map<std::string, ScannedName> names;
    OrderedWorkers<ScannedFile> workers(scan.dataFiles, jobs, options.stop, walkStackFor(paths));
    const int delivered = workers.run(
        [&](int i, int worker) {
            ScannedFile file;
            NameCounter counter;
            file.result = convertDataFile(paths[static_cast<std::size_t>(i)], nullptr, noReplacement,
                                          buffers[static_cast<std::size_t>(worker)], &counter);
            file.counts = std::move(counter.counts);
            return file;
        },
        [&](int i, ScannedFile& file) {
            for (auto& [bytes, count] : file.counts) {
                ScannedName& name = names[bytes];
                name.fields += count;
                ++name.files;
            }
            const std::string& path = paths[static_cast<std::size_t>(i)];
            const std::string& fileName = fileNames[static_cast<std::size_t>(i)];
            if (file.result.kind == DataFileResult::Kind::Unopened)
                scan.problems.push_back({ScanProblem::Kind::Unreadable, path, fileName, file.result.reason});
            else if (file.result.kind == DataFileResult::Kind::Failed)
                scan.problems.push_back({ScanProblem::Kind::Failed, path, fileName, file.result.reason,
                                         !file.result.wholeInputWalked});
        },
        options.progress ? OrderedWorkers<ScannedFile>::Progress([&](int done, int inWork) {
            options.progress->progress(RunStage::RewritingDataFiles, done, scan.dataFiles,
                                       inWork >= 0 ? fileNames[static_cast<std::size_t>(inWork)] : std::string());
        })
                         : nullptr);
    // A stop that came while the last files were read still stops the scan: it was asked to.
    scan.stopped = delivered < scan.dataFiles || (options.stop != nullptr && options.stop->requested());

    scan.names.reserve(names.size());
    for (auto& [bytes, name] : names) {
        name.bytes = bytes;
        scan.names.push_back(std::move(name));
    }
    // The map is ordered by the bytes as unsigned values; a stable sort by count keeps that order within a count.
    std::stable_sort(scan.names.begin(), scan.names.end(),
                     [](const ScannedName& a, const ScannedName& b) { return a.fields > b.fields; });
    return scan;
}

}  // namespace celshift
