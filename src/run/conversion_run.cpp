#include "run/conversion_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/file_list.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/output_folder.h"
#include "platform/path_text.h"
#include "run/build_replacement_table.h"
#include "run/data_file_job.h"
#include "run/failure_reasons.h"
#include "run/kept_files.h"
#include "run/run_texts.h"
#include "run/ordered_workers.h"
#include "run/renamed_pictures.h"

namespace celshift {

namespace {

std::string absoluteFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(pathFromUtf8(folder), error);
    return error ? folder : utf8FromPath(absolute);
}

std::string joinLines(const std::string& first, const std::vector<std::string>& lines) {
    std::string text = first;
    for (const auto& line : lines) text += "\n" + line;
    return text;
}

std::vector<std::string> listedPaths(const FileList& fileList) {
    std::vector<std::string> paths;
    paths.reserve(static_cast<std::size_t>(fileList.count()));
    for (int i = 0; i < fileList.count(); ++i) paths.push_back(fileList.filePath(i));
    return paths;
}

// Progress of one stage, told on the calling thread.
OrderedWorkers<int>::Progress stageProgress(const RunOptions& options, RunStage stage,
                                            const std::vector<std::string>& paths) {
    if (!options.progress) return nullptr;
    return [&options, stage, &paths](int done, int inWork) {
        options.progress->progress(stage, done, static_cast<int>(paths.size()),
                                   inWork >= 0 ? nameOf(paths[static_cast<std::size_t>(inWork)]) : std::string());
    };
}


// Files whose names Windows takes for an earlier file's of the run, by path: the earlier file's name.
using SameNames = std::unordered_map<std::string, std::string>;

// The name the added file i takes in the output folder.
std::string addedName(const RunOptions& options, std::size_t i) {
    if (i < options.addedNames.size() && !options.addedNames[i].empty()) return options.addedNames[i];
    return nameOf(options.addedFiles[i]);
}

// Added files first, then the scenario's files in the order of its list: the first of each name is the one written.
SameNames sameNames(const RunOptions& options, const std::vector<std::string>& listed) {
    SameNames result;
    std::unordered_map<std::string, std::string> first;  // folded name -> the first name
    for (const std::vector<std::string>* paths : {&options.addedFiles, &listed})
        for (std::size_t i = 0; i < paths->size(); ++i) {
            const std::string& path = (*paths)[i];
            const std::string name = paths == &options.addedFiles ? addedName(options, i) : nameOf(path);
            const auto [earlier, added] = first.emplace(foldFileName(name).value_or(name), name);
            // The very same name (a file given with the run that the scenario holds too) is kept as before: the
            // first copy stays and the second finds it there.
            if (!added && earlier->second != name) result.emplace(path, earlier->second);
        }
    return result;
}

const std::string* sameNameOf(const SameNames& same, const std::string& path) {
    const auto it = same.find(path);
    return it == same.end() ? nullptr : &it->second;
}

bool stopRequested(const RunOptions& options) { return options.stop != nullptr && options.stop->requested(); }

// First stage: every file but the data files, never replacing what the output folder holds. Returns false when a
// stop ended it early. In an output folder that folds case, a file whose name an earlier file already takes (data
// files too) is not written but listed with its reason.
bool copyOtherFiles(FileList& fileList, OutputFolder& output, const SameNames& same, bool foldsCase,
                    RunMessages& messages, const RunOptions& options, RunOutcome& outcome) {
    fileList.setMask("*.*");
    std::vector<std::string> paths = options.addedFiles;
    const std::size_t added = paths.size();
    // Exactly the files that the second stage leaves alone: a data file copied here as it is would stand unconverted
    // under its final name until the second stage replaced it.
    const WildcardMask dataFiles(kDataFileMask);
    for (std::string& path : listedPaths(fileList))
        if (!dataFiles.matches(lastPathElement(path)) || (foldsCase && sameNameOf(same, path)))
            paths.push_back(std::move(path));
    const auto refused = [&](const std::string& path) { return foldsCase ? sameNameOf(same, path) : nullptr; };
    const auto outputName = [&](int i) {
        const auto index = static_cast<std::size_t>(i);
        return index < added ? addedName(options, index) : nameOf(paths[index]);
    };

    std::vector<std::string> notCopied;
    // A file kept because the output folder held one of its name is compared with the scenario's on the worker.
    struct Copy {
        CopyResult result;
        bool differs = false;
    };
    outcome.lastStage = RunStage::CopyingOtherFiles;
    outcome.stageCount = static_cast<int>(paths.size());
    OrderedWorkers<Copy> workers(static_cast<int>(paths.size()), workerCount(options), options.stop,
                                 OrderedWorkers<Copy>::kCopyStackBytes);
    const int delivered = workers.run(
        [&](int i, int) {
            const std::string& path = paths[static_cast<std::size_t>(i)];
            if (refused(path)) return Copy{};
            const std::string name = outputName(i);
            Copy copy{copyIntoFolder(path, output, name, options.syncBeforeRename)};
            if (copy.result.outcome == CopyOutcome::AlreadyExists)
                copy.differs = compareFiles(path, joinPath(output.path(), name)) == Sameness::Different;
            return copy;
        },
        [&](int i, Copy& copy) {
            CopyResult& result = copy.result;
            ++outcome.stageDone;
            const std::string& path = paths[static_cast<std::size_t>(i)];
            FileReport report;
            report.name = outputName(i);
            report.path = path;
            report.added = static_cast<std::size_t>(i) < added;
            if (const std::string* earlier = sameNameOf(same, path)) report.sameNameAs = *earlier;
            switch (result.outcome) {
            case CopyOutcome::Copied:
                report.kind = FileReport::Kind::Copied;
                break;
            case CopyOutcome::AlreadyExists:
                report.kind = FileReport::Kind::AlreadyThere;
                report.differs = copy.differs;
                if (copy.differs) ++outcome.keptDifferentFiles;
                break;
            case CopyOutcome::Failed:
                report.kind = FileReport::Kind::NotCopied;
                report.reason = refused(path) ? texts::sameNameInOutput(shownName(*refused(path))) : fileErrorText(result.error);
                notCopied.push_back(shownName(report.name));
                ++outcome.notCopiedFiles;
                break;
            }
            if (options.report) options.report->fileDone(report);
        },
        stageProgress(options, RunStage::CopyingOtherFiles, paths));
    if (!notCopied.empty()) messages.showMessage(joinLines(texts::kNotCopied, notCopied), texts::kCaptionFirstStage);
    if (delivered < static_cast<int>(paths.size())) return false;
    messages.showMessage(texts::kCopyDone, texts::kCaptionFirstStage);
    return true;
}

FileReport::Kind reportKind(DataFileResult::Kind kind) {
    switch (kind) {
    case DataFileResult::Kind::Converted: return FileReport::Kind::Converted;
    case DataFileResult::Kind::Failed: return FileReport::Kind::Failed;
    case DataFileResult::Kind::Unopened: return FileReport::Kind::Unopened;
    }
    return FileReport::Kind::Failed;
}

// Second stage: every data file, converted on the workers and reported in the order of the list. Returns
// false when a stop ended it early. In an output folder that folds case, those the first stage refused are left out.
bool rewriteDataFiles(FileList& fileList, OutputFolder* output, const ReplacementTableHolder& holder,
                      const SameNames& same, bool foldsCase, std::size_t stackBytes, RunMessages& messages,
                      const RunOptions& options, RunOutcome& outcome) {
    fileList.setMask(kDataFileMask);
    std::vector<std::string> paths = listedPaths(fileList);
    if (foldsCase) std::erase_if(paths, [&](const std::string& path) { return sameNameOf(same, path) != nullptr; });
    const int jobs = workerCount(options);
    std::vector<StreamBuffers> buffers(static_cast<std::size_t>(std::max(1, std::min<int>(jobs, static_cast<int>(paths.size())))));
    outcome.lastStage = RunStage::RewritingDataFiles;
    outcome.stageDone = 0;
    outcome.stageCount = static_cast<int>(paths.size());
    OrderedWorkers<DataFileResult> workers(static_cast<int>(paths.size()), jobs, options.stop, stackBytes);
    const int delivered = workers.run(
        [&](int i, int worker) {
            return convertDataFile(paths[static_cast<std::size_t>(i)], output, holder,
                                   buffers[static_cast<std::size_t>(worker)], nullptr, options.syncBeforeRename);
        },
        [&](int i, DataFileResult& result) {
            const std::string& path = paths[static_cast<std::size_t>(i)];
            ++outcome.stageDone;
            if (options.report) {
                FileReport report;
                report.kind = reportKind(result.kind);
                report.name = nameOf(path);
                report.path = result.kind == DataFileResult::Kind::Unopened ? result.unopenedPath : path;
                report.reason = result.reason;
                report.outputWritten = result.outputWritten;
                report.replaced = result.replaced;
                if (const std::string* earlier = sameNameOf(same, path)) report.sameNameAs = *earlier;
                options.report->fileDone(report);
            }
            for (const auto& [pair, replaced] : result.replaced.entries()) {
                outcome.rowTotals[static_cast<std::size_t>(pair)].fields += replaced;
                ++outcome.rowTotals[static_cast<std::size_t>(pair)].files;
            }
            if (result.kind == DataFileResult::Kind::Unopened ||
                (result.kind == DataFileResult::Kind::Failed &&
                 (!result.wholeInputWalked || (output != nullptr && !result.outputWritten))))
                outcome.someNamesUncounted = true;
            switch (result.kind) {
            case DataFileResult::Kind::Converted:
                break;
            case DataFileResult::Kind::Failed:
                messages.showMessage(shownName(nameOf(path)), texts::kCaptionFailed);
                ++outcome.failedFiles;
                break;
            case DataFileResult::Kind::Unopened:
                messages.showErrorFm(shownName(result.unopenedPath));
                ++outcome.unopenedFiles;
                break;
            }
        },
        stageProgress(options, RunStage::RewritingDataFiles, paths));
    return delivered == static_cast<int>(paths.size());
}

// Lists the scenario folder, or tells the user that it cannot be read; then makes sure that a worker with the stack
// its data files need (stackBytes) can start, or tells that it cannot. Nothing has been touched yet.
bool listScenarioFolder(FileList& fileList, const std::string& sourceFolder, RunMessages& messages,
                        std::size_t& stackBytes) {
    fileList.setDirectory(sourceFolder);
    fileList.setMask("*.*");
    if (fileList.listingFailed()) {
        messages.showMessage(joinLines(texts::kScenarioUnreadable, {shownName(sourceFolder)}), texts::kCaptionError);
        return false;
    }
    fileList.setMask(kDataFileMask);
    stackBytes = walkStackFor(listedPaths(fileList));
    if (workerCanStart(stackBytes)) return true;
    messages.showMessage(texts::kNoMemoryForWorkers, texts::kCaptionError);
    return false;
}

// everyFileDone: the stop came while the last files were in work, which were finished, so every file was looked at.
// The run still ends as stopped: it was asked to, and the caller tells the stop's status.
RunOutcome stoppedRun(RunOutcome outcome, RunMessages& messages, bool everyFileDone = false) {
    outcome.stopped = true;
    if (!everyFileDone) outcome.someNamesUncounted = true;  // files after the stop were not looked at
    messages.showMessage(texts::kStopped, texts::kCaptionInfo);
    return outcome;
}

}  // namespace

WorkersUnavailable::WorkersUnavailable() : std::runtime_error(texts::kNoMemoryForWorkers) {}

RunOutcome runConversion(const std::string& sourceFile, const std::string& outputFolder, const ConversionRows& rows,
                         FileList& fileList, RunMessages& messages, const RunOptions& options) {
    RunOutcome outcome;
    const std::string sourceFolder = parentFolder(sourceFile);
    const auto refuse = [&](const char* text, std::vector<std::string> lines) {
        messages.showMessage(joinLines(text, lines), texts::kCaptionError);
        return outcome;
    };

    // Nothing is touched unless the output folder is a folder, is neither the scenario folder nor inside it, no other
    // run writes into it, and the scenario folder can be listed.
    if (const char* refusal = outputFolderRefusal(outputFolder)) return refuse(refusal, {shownName(outputFolder)});
    OutputFolder output;
    if (const FileError error = output.open(absoluteFolder(outputFolder), !options.outputNotALink))
        return refuse(texts::kOutputUnopened, {shownName(outputFolder), fileErrorText(error)});
    if (output.isFolder(sourceFolder)) return refuse(texts::kSameFolder, {});
    // The scenario folder is never written into: not through a folder inside it, nor through another view of it.
    if (output.isWithin(sourceFolder)) return refuse(texts::kOutputInScenario, {shownName(outputFolder)});
    std::size_t stackBytes = 0;
    if (!listScenarioFolder(fileList, sourceFolder, messages, stackBytes)) return outcome;
    if (output.lock()) return refuse(texts::kOutputBusy, {shownName(outputFolder)});
    // Temporary files of a run that was killed: no run but this one can be writing them now.
    output.removeLeftovers();
    outcome.started = true;

    // Names that Windows takes for one: decided before anything is written.
    fileList.setMask("*.*");
    const SameNames same = sameNames(options, listedPaths(fileList));
    const bool foldsCase = !same.empty() && options.outputFoldsCase.value_or(output.foldsCase());
    if (!copyOtherFiles(fileList, output, same, foldsCase, messages, options, outcome) || stopRequested(options))
        return stoppedRun(outcome, messages);

    ReplacementTableHolder holder;
    buildReplacementTable(rows, holder, messages);
    outcome.usedRows = holder.table ? holder.table->count : 0;
    outcome.rowTotals.resize(static_cast<std::size_t>(outcome.usedRows));
    if (options.renamePictures &&
        (!copyRenamedPictures(*holder.table, sourceFolder, output, messages, options, outcome) || stopRequested(options)))
        return stoppedRun(outcome, messages);

    const bool ended = rewriteDataFiles(fileList, &output, holder, same, foldsCase, stackBytes, messages, options, outcome);
    if (options.syncBeforeRename) output.syncEntries();
    if (!ended || stopRequested(options)) return stoppedRun(outcome, messages, ended);
    messages.showMessage(texts::kDone, texts::kCaptionInfo);
    return outcome;
}

RunOutcome dryRun(const std::string& sourceFile, const ConversionRows& rows, FileList& fileList,
                  RunMessages& messages, const RunOptions& options) {
    RunOutcome outcome;
    std::size_t stackBytes = 0;
    if (!listScenarioFolder(fileList, parentFolder(sourceFile), messages, stackBytes)) return outcome;
    outcome.started = true;
    ReplacementTableHolder holder;
    buildReplacementTable(rows, holder, messages);
    outcome.usedRows = holder.table ? holder.table->count : 0;
    outcome.rowTotals.resize(static_cast<std::size_t>(outcome.usedRows));
    fileList.setMask("*.*");
    const SameNames same = sameNames({}, listedPaths(fileList));
    const bool ended = rewriteDataFiles(fileList, nullptr, holder, same, false, stackBytes, messages, options, outcome);
    if (!ended || stopRequested(options)) return stoppedRun(outcome, messages, ended);
    return outcome;
}

const char* outputFolderRefusal(const std::string& outputFolder) {
    if (isExistingFolder(outputFolder)) return nullptr;
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(pathFromUtf8(outputFolder), error);
    if (error == std::errc::too_many_symbolic_link_levels) return texts::kOutputLinkLoop;
    return std::filesystem::exists(status) ? texts::kOutputNotAFolder : texts::kNoOutputFolder;
}

int workerCount(const RunOptions& options) {
    if (options.jobs > 0) return options.jobs;
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 0 ? static_cast<int>(cores) : 1;
}

// "Scena" and a trailing separator, both the system's ("Scena\" on Windows), so that paths shown under it are of one kind.
std::string defaultOutputFolder() { return joinPath(joinPath(executableFolder(), "Scena"), ""); }

}  // namespace celshift
