#include "run/conversion_run.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/file_list.h"
#include "platform/large_stack.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/output_folder.h"
#include "platform/path_text.h"
#include "run/build_replacement_table.h"
#include "run/data_file_job.h"
#include "run/failure_reasons.h"
#include "run/image_files.h"
#include "run/kept_files.h"
#include "run/output_check.h"
#include "run/output_subfolders.h"
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

// A file of the list: its full path, and its name, which is its path under the scenario folder.
struct ListedFile {
    std::string path;
    std::string name;
};

std::vector<ListedFile> listedFiles(const FileList& fileList) {
    std::vector<ListedFile> files;
    files.reserve(static_cast<std::size_t>(fileList.count()));
    for (int i = 0; i < fileList.count(); ++i) files.push_back({fileList.filePath(i), fileList.fileName(i)});
    return files;
}

std::vector<std::string> pathsOf(const std::vector<ListedFile>& files) {
    std::vector<std::string> paths;
    paths.reserve(files.size());
    for (const ListedFile& file : files) paths.push_back(file.path);
    return paths;
}

// Progress of one stage, told on the calling thread.
OrderedWorkers<int>::Progress stageProgress(const RunOptions& options, RunStage stage,
                                            const std::vector<ListedFile>& files) {
    if (!options.progress) return nullptr;
    return [&options, stage, &files](int done, int inWork) {
        options.progress->progress(stage, done, static_cast<int>(files.size()),
                                   inWork >= 0 ? files[static_cast<std::size_t>(inWork)].name : std::string());
    };
}


// A file whose name Windows takes for an earlier file's of the run: that file's name, and whether the two are one
// name even where case counts ("Area01.wid." and "Area01.wid": Windows drops the trailing dot), so that only one can
// be written into any output folder.
struct SameName {
    std::string earlier;
    bool everywhere = false;
};
using SameNames = std::unordered_map<std::string, SameName>;  // by path

// The name the added file i takes in the output folder.
std::string addedName(const RunOptions& options, std::size_t i) {
    if (i < options.addedNames.size() && !options.addedNames[i].empty()) return options.addedNames[i];
    return nameOf(options.addedFiles[i]);
}

// Added files first, then the scenario's files in the order of its list: the first of each name is the one written.
// Names in subfolders are compared whole, folder part included.
SameNames sameNames(const RunOptions& options, const std::vector<ListedFile>& listed) {
    SameNames result;
    std::unordered_map<std::string, std::string> first;  // folded name -> the first name
    const auto note = [&](const std::string& path, const std::string& name) {
        const std::string windows = windowsFileName(name);
        const auto [earlier, added] = first.emplace(foldFileName(windows).value_or(windows), name);
        // The very same name (a file given with the run that the scenario holds too) is kept as before: the
        // first copy stays and the second finds it there.
        if (!added && earlier->second != name)
            result.emplace(path, SameName{earlier->second, windowsFileName(earlier->second) == windows});
    };
    for (std::size_t i = 0; i < options.addedFiles.size(); ++i) note(options.addedFiles[i], addedName(options, i));
    for (const ListedFile& file : listed) note(file.path, file.name);
    return result;
}

const std::string* sameNameOf(const SameNames& same, const std::string& path) {
    const auto it = same.find(path);
    return it == same.end() ? nullptr : &it->second.earlier;
}

// The earlier file whose name keeps this one out of the output folder: any where the folder folds case, else one of
// the very same Windows name.
const SameName* refusedBy(const SameNames& same, const std::string& path, bool foldsCase) {
    const auto it = same.find(path);
    return it == same.end() || !(foldsCase || it->second.everywhere) ? nullptr : &it->second;
}

bool stopRequested(const RunOptions& options) { return options.stop != nullptr && options.stop->requested(); }

// First stage: every file but the data files, never replacing what the output folder holds. Returns false when a
// stop ended it early. In an output folder that folds case, a file whose name an earlier file already takes (data
// files too) is not written but listed with its reason.
bool copyOtherFiles(FileList& fileList, OutputFolder& output, OutputSubfolders& subfolders, const SameNames& same,
                    bool foldsCase, RunMessages& messages, const RunOptions& options, RunOutcome& outcome) {
    fileList.setMask("*.*");
    std::vector<ListedFile> files;
    for (std::size_t i = 0; i < options.addedFiles.size(); ++i) files.push_back({options.addedFiles[i], addedName(options, i)});
    const std::size_t added = files.size();
    // Exactly the files that the second stage leaves alone: a data file copied here as it is would stand unconverted
    // under its final name until the second stage replaced it.
    const WildcardMask dataFiles(kDataFileMask);
    for (ListedFile& file : listedFiles(fileList))
        if (!dataFiles.matches(lastPathElement(windowsFileName(file.name))) || refusedBy(same, file.path, foldsCase))
            files.push_back(std::move(file));
    const auto refused = [&](const std::string& path) { return refusedBy(same, path, foldsCase); };

    std::vector<std::string> notCopied;
    // A file kept because the output folder held one of its name is compared with the scenario's on the worker.
    struct Copy {
        CopyResult result;
        bool differs = false;
        std::string reason;  // why it was not copied, where no file operation tells
    };
    outcome.lastStage = RunStage::CopyingOtherFiles;
    outcome.stageCount = static_cast<int>(files.size());
    // The files given with the run first, all of them, then the scenario's: one of the same name never gets there first.
    int base = 0;
    int delivered = 0;
    const OrderedWorkers<Copy>::Progress progress = stageProgress(options, RunStage::CopyingOtherFiles, files);
    for (const int end : {static_cast<int>(added), static_cast<int>(files.size())}) {
        OrderedWorkers<Copy> workers(end - base, workerCount(options), options.stop, OrderedWorkers<Copy>::kCopyStackBytes);
        delivered += workers.run(
            [&](int at, int) {
                const int i = at + base;
                const ListedFile& file = files[static_cast<std::size_t>(i)];
                if (refused(file.path)) return Copy{};
                // A file given with the run goes into the output folder itself, under its name as given.
                if (static_cast<std::size_t>(i) < added) {
                    Copy copy;
                    copy.result = copyIntoFolder(file.path, output, file.name, options.syncBeforeRename);
                    if (copy.result.outcome == CopyOutcome::AlreadyExists)
                        copy.differs = compareFiles(file.path, joinPath(output.path(), file.name)) == Sameness::Different;
                    return copy;
                }
                Copy copy;
                const std::shared_ptr<OutputFolder> folder = subfolders.folderFor(file.name, copy.reason);
                if (!folder) return copy;
                // Under the name Windows gives it: "readme.txt " is "readme.txt" there.
                const std::string name = windowsFileName(file.name);
                copy.result = copyIntoFolder(file.path, *folder, std::string(lastPathElement(name)), options.syncBeforeRename);
                // The copy refuses a folder before it touches the output, so only a file not copied is asked whether
                // it is a link to one (asking each file cost a system call apiece).
                if (copy.result.outcome != CopyOutcome::Copied && isLinkToFolder(file.path)) {
                    copy.result.outcome = CopyOutcome::Failed;
                    copy.reason = texts::kFolderLink;
                    return copy;
                }
                if (copy.result.outcome == CopyOutcome::AlreadyExists)
                    copy.differs = compareFiles(file.path, joinPath(output.path(), name)) == Sameness::Different;
                return copy;
            },
            [&](int at, Copy& copy) {
                const int i = at + base;
                CopyResult& result = copy.result;
                ++outcome.stageDone;
                const std::string& path = files[static_cast<std::size_t>(i)].path;
                FileReport report;
                report.name = files[static_cast<std::size_t>(i)].name;
                report.path = path;
                report.added = static_cast<std::size_t>(i) < added;
                if (const std::string* earlier = sameNameOf(same, path)) report.sameNameAs = *earlier;
                // A file of another spelling that the output folder held already: one name with this one on Windows.
                else if (!report.added) report.sameNameAs = subfolders.otherSpellingThere(report.name);
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
                    report.reason = refused(path)         ? (refused(path)->everywhere
                                                                 ? texts::sameNameOnWindowsEverywhere(shownName(refused(path)->earlier))
                                                                 : texts::sameNameInOutput(shownName(refused(path)->earlier)))
                                    : !copy.reason.empty() ? copy.reason
                                                           : fileErrorText(result.error);
                    notCopied.push_back(shownName(report.name));
                    ++outcome.notCopiedFiles;
                    break;
                }
                if (options.report) options.report->fileDone(report);
            },
            progress ? OrderedWorkers<Copy>::Progress([&](int done, int inWork) {
                progress(done + base, inWork >= 0 ? inWork + base : -1);
            })
                     : nullptr);
        if (delivered < end) break;
        base = end;
    }
    if (!notCopied.empty()) messages.showMessage(joinLines(texts::kNotCopied, notCopied), texts::kCaptionFirstStage);
    if (delivered < static_cast<int>(files.size())) return false;
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
bool rewriteDataFiles(FileList& fileList, OutputSubfolders* output, const ReplacementTableHolder& holder,
                      const SameNames& same, bool foldsCase, std::size_t stackBytes, RunMessages& messages,
                      const RunOptions& options, RunOutcome& outcome, std::unordered_set<std::string>* seenNames) {
    fileList.setMask(kDataFileMask);
    std::vector<ListedFile> files = listedFiles(fileList);
    std::erase_if(files, [&](const ListedFile& file) { return refusedBy(same, file.path, foldsCase) != nullptr; });
    const int jobs = workerCount(options);
    std::vector<StreamBuffers> buffers(static_cast<std::size_t>(std::max(1, std::min<int>(jobs, static_cast<int>(files.size())))));
    outcome.lastStage = RunStage::RewritingDataFiles;
    outcome.stageDone = 0;
    outcome.stageCount = static_cast<int>(files.size());
    // Each worker keeps the names of the files it wrote; a file that failed left no copy to name anything.
    std::vector<WrittenImageNames> names(buffers.size());
    OrderedWorkers<DataFileResult> workers(static_cast<int>(files.size()), jobs, options.stop, stackBytes);
    const int delivered = workers.run(
        [&](int i, int worker) {
            const ListedFile& file = files[static_cast<std::size_t>(i)];
            DataFileResult result;
            std::shared_ptr<OutputFolder> folder;
            if (output) {
                std::string why;
                folder = output->folderFor(file.name, why);
                if (!folder) {
                    result.kind = DataFileResult::Kind::Unopened;
                    result.unopenedPath = joinPath(output->top().path(), file.name);
                    result.reason = why;
                    return result;
                }
            }
            WrittenImageNames& seen = names[static_cast<std::size_t>(worker)];
            result = convertDataFile(file.path, folder.get(), holder, buffers[static_cast<std::size_t>(worker)],
                                     seenNames ? &seen : nullptr, options.syncBeforeRename,
                                     std::string(lastPathElement(windowsFileName(file.name))));
            seen.fileEnded(result.outputWritten);
            return result;
        },
        [&](int i, DataFileResult& result) {
            const ListedFile& file = files[static_cast<std::size_t>(i)];
            const std::string& path = file.path;
            ++outcome.stageDone;
            if (options.report) {
                FileReport report;
                report.kind = reportKind(result.kind);
                report.name = file.name;
                report.path = result.kind == DataFileResult::Kind::Unopened ? result.unopenedPath : path;
                report.reason = result.reason;
                report.outputWritten = result.outputWritten;
                report.replaced = result.replaced;
                if (const std::string* earlier = sameNameOf(same, path)) report.sameNameAs = *earlier;
                else if (output) report.sameNameAs = output->otherSpellingThere(file.name);
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
                messages.showMessage(shownName(file.name), texts::kCaptionFailed);
                ++outcome.failedFiles;
                break;
            case DataFileResult::Kind::Unopened:
                messages.showErrorFm(shownName(result.unopenedPath));
                ++outcome.unopenedFiles;
                break;
            }
        },
        stageProgress(options, RunStage::RewritingDataFiles, files));
    if (seenNames)
        for (const WrittenImageNames& seen : names) seenNames->insert(seen.names().begin(), seen.names().end());
    return delivered == static_cast<int>(files.size());
}

// Lists the scenario folder, or tells the user that it cannot be read; stackBytes is the stack its data files need.
// Nothing has been touched yet.
bool listScenarioFolder(FileList& fileList, const std::string& sourceFolder, RunMessages& messages,
                        std::size_t& stackBytes) {
    fileList.setDirectory(sourceFolder);
    fileList.setMask("*.*");
    if (fileList.listingFailed()) {
        const std::string folder = fileList.unreadableFolder();
        messages.showMessage(joinLines(texts::kScenarioUnreadable, {shownName(folder.empty() ? sourceFolder : folder)}),
                             texts::kCaptionError);
        return false;
    }
    fileList.setMask(kDataFileMask);
    stackBytes = walkStackFor(pathsOf(listedFiles(fileList)));
    return true;
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
    const SameNames same = sameNames(options, listedFiles(fileList));
    const bool outputFolds = options.outputFoldsCase.value_or(output.foldsCase());
    const bool foldsCase = !same.empty() && outputFolds;
    // The scenario's folder tree, empty folders too, before any file goes into it.
    OutputSubfolders subfolders(output);
    subfolders.tellOtherSpellings(!outputFolds);
    subfolders.make(fileList.subfolders());
    if (!copyOtherFiles(fileList, output, subfolders, same, foldsCase, messages, options, outcome) ||
        stopRequested(options))
        return stoppedRun(outcome, messages);

    ReplacementTableHolder holder;
    buildReplacementTable(rows, holder, messages);
    outcome.usedRows = holder.table ? holder.table->count : 0;
    outcome.rowTotals.resize(static_cast<std::size_t>(outcome.usedRows));
    if (options.renamePictures &&
        (!copyRenamedPictures(*holder.table, sourceFolder, output, messages, options, outcome) || stopRequested(options)))
        return stoppedRun(outcome, messages);

    // The output's pictures are all there now: from here on the run adds data files alone, and no picture name can
    // name one of those. So the output folder is read beside the conversion rather than after it.
    const ImageFileIndex outputFiles(output.path());
    std::unique_ptr<LargeStackThread> outputReader;
    try {
        outputReader = std::make_unique<LargeStackThread>(std::size_t{1} << 20,
                                                          [&outputFiles] { outputFiles.folderReadable(); });
    } catch (const std::system_error&) {
        // Without a thread the folder is read when the check first asks for it.
    }
    std::unordered_set<std::string> seenNames;
    const bool ended = rewriteDataFiles(fileList, &subfolders, holder, same, foldsCase, stackBytes, messages, options,
                                        outcome, &seenNames);
    if (outputReader) outputReader->join();
    if (options.syncBeforeRename) output.syncEntries();
    if (!ended || stopRequested(options)) return stoppedRun(outcome, messages, ended);
    // The copy checked against itself: pictures its data files name that its folder lacks, told before the last box.
    outcome.missingAfterRun = picturesMissingAfterRun(seenNames, holder.table.get(), sourceFolder, outputFiles);
    if (options.report)
        for (const MissingPicture& picture : outcome.missingAfterRun) {
            FileReport report;
            report.kind = FileReport::Kind::MissingPicture;
            report.name = picture.name;
            report.writtenByRow = picture.row;
            report.reason = texts::missingAfterRun(picture.name, picture.row);
            options.report->fileDone(report);
        }
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
    const SameNames same = sameNames({}, listedFiles(fileList));
    const bool ended =
        rewriteDataFiles(fileList, nullptr, holder, same, false, stackBytes, messages, options, outcome, nullptr);
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
