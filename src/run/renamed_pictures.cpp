#include "run/renamed_pictures.h"

#include <filesystem>
#include <map>
#include <memory>
#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "platform/code_page_932.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/data_file_job.h"
#include "run/failure_reasons.h"
#include "run/ordered_workers.h"
#include "run/row_names.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

std::string lookupProblem(const ImageLookup& lookup) {
    return std::string(texts::kFolderUnreadable) + ": " + shownName(lookup.path);
}

// The name of the entry of folder that Windows would take for element (its case or composition may differ);
// the element's own spelling when there is none.
std::string spellingInFolder(const std::string& folder, const PathElement& element) {
    std::error_code error;
    std::string found = element.text;
    for (std::filesystem::directory_iterator entries(pathFromUtf8(folder), error);
         !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::string name = utf8FromPath(entries->path().filename());
        if (name == element.text) return name;
        if (foldFileName(name) == element.key) found = name;
    }
    return found;
}

}  // namespace

std::vector<PictureRename> picturesToRename(const ReplacementTable& table, const ImageFileIndex& scenario,
                                            const ImageFileIndex& output) {
    std::vector<PictureRename> renames;
    std::unordered_set<std::string> targets;  // the folded paths taken
    std::unordered_map<std::string, std::pair<int, std::string>> firstRows;  // folded path -> the row and its picture
    for (int j = 0; j < table.count; ++j) {
        const ReplacementPair pair = table.pair(j);
        if (table.find(pair.fromName, pair.fromLength) != j) continue;
        const std::string_view field(reinterpret_cast<const char*>(pair.fromName), static_cast<std::size_t>(pair.fromLength));
        const std::string_view from = field.back() == '\0' ? field.substr(0, field.size() - 1) : field;
        const std::string_view to(reinterpret_cast<const char*>(pair.toName), static_cast<std::size_t>(pair.toLength - 1));
        const ImageLookup source = scenario.lookStored(from);

        PictureRename rename;
        if (source.kind == ImageLookup::Kind::Found) rename.source = source.path;
        rename.fromText = writtenName(field);
        rename.fromName = fromCodePage932(from);
        rename.toText = displayName(to);
        const ImageLookup inScenario = scenario.lookStored(to);
        const ImageLookup inOutput = output.lookStored(to);
        if (inScenario.kind == ImageLookup::Kind::Found || inOutput.kind == ImageLookup::Kind::Found) continue;
        // The data files will name TO, and no picture goes there: told, never left for the user to find.
        if (source.kind != ImageLookup::Kind::Found && source.kind != ImageLookup::Kind::Unreadable) {
            rename.problem = texts::kRenameSourceMissing;
            renames.push_back(std::move(rename));
            continue;
        }
        std::optional<std::vector<PathElement>> target = storedPathElements(to);
        if (source.kind == ImageLookup::Kind::Unreadable) rename.problem = lookupProblem(source);
        else if (!target) rename.problem = "変換先の名前はファイル名になりません";
        else if (inScenario.kind == ImageLookup::Kind::Unreadable) rename.problem = lookupProblem(inScenario);
        else if (inOutput.kind == ImageLookup::Kind::Unreadable) rename.problem = lookupProblem(inOutput);
        if (target) {
            std::string key;
            for (const PathElement& element : *target) key.append(element.key).push_back('/');
            // A second row with the same TO: its fields will show the first row's picture, not its own.
            const auto [first, isFirst] = firstRows.emplace(key, std::make_pair(j + 1, rename.source));
            if (!isFirst && first->second.second != rename.source) {
                PictureRename notice = rename;
                notice.problem = texts::renameSameTarget(first->second.first);
                renames.push_back(std::move(notice));
            }
            if (!targets.insert(key).second) continue;
            rename.target = std::move(*target);
        }
        renames.push_back(std::move(rename));
    }
    return renames;
}

bool copyRenamedPictures(const ReplacementTable& table, const std::string& scenarioFolder, OutputFolder& output,
                         RunMessages& messages, const RunOptions& options, RunOutcome& outcome) {
    const ImageFileIndex scenario(scenarioFolder);
    const ImageFileIndex outputFiles(output.path());
    std::vector<PictureRename> renames = picturesToRename(table, scenario, outputFiles);
    // Each folder on the way is opened (made where absent) and held once, before the copies: the workers share it.
    std::map<std::string, std::unique_ptr<OutputFolder>> folders;  // by the folded path
    std::vector<OutputFolder*> folderOf(renames.size(), &output);
    for (std::size_t r = 0; r < renames.size(); ++r) {
        PictureRename& rename = renames[r];
        std::string key;
        for (std::size_t i = 0; rename.problem.empty() && i + 1 < rename.target.size(); ++i) {
            key.append(rename.target[i].key).push_back('/');
            std::unique_ptr<OutputFolder>& folder = folders[key];
            if (!folder) {
                auto opened = std::make_unique<OutputFolder>();
                FileError error = folderOf[r]->openSubfolder(spellingInFolder(folderOf[r]->path(), rename.target[i]), *opened);
                // Held as the output folder is held: what a killed run left under a temporary name there can go.
                if (!error) error = opened->lock();
                if (error) {
                    folders.erase(key);
                    rename.problem = fileErrorText(error);
                    break;
                }
                opened->removeLeftovers();
                folder = std::move(opened);
            }
            folderOf[r] = folder.get();
        }
    }
    std::string copied;
    std::string notCopied;
    int copiedCount = 0;
    OrderedWorkers<CopyResult> workers(static_cast<int>(renames.size()), workerCount(options), options.stop,
                                       OrderedWorkers<CopyResult>::kCopyStackBytes);
    const int delivered = workers.run(
        [&](int i, int) {
            const PictureRename& rename = renames[static_cast<std::size_t>(i)];
            if (!rename.problem.empty()) return CopyResult{};
            return copyIntoFolder(rename.source, *folderOf[static_cast<std::size_t>(i)], rename.target.back().text,
                                  options.syncBeforeRename);
        },
        [&](int i, CopyResult& result) {
            const PictureRename& rename = renames[static_cast<std::size_t>(i)];
            FileReport report;
            report.name = rename.source.empty() ? rename.fromName : nameOf(rename.source);
            report.path = rename.source;
            report.renamedTo = rename.toText;
            // Written forms are shown as they stand: shownName would take their escapes for backslashes.
            const std::string line = "\n" + rename.fromText + " → " + rename.toText;
            switch (result.outcome) {
            case CopyOutcome::Copied:
                report.kind = FileReport::Kind::Copied;
                copied += line;
                ++copiedCount;
                break;
            case CopyOutcome::AlreadyExists:
                report.kind = FileReport::Kind::AlreadyThere;
                break;
            case CopyOutcome::Failed:
                report.kind = FileReport::Kind::NotCopied;
                report.reason = rename.problem.empty() ? fileErrorText(result.error) : rename.problem;
                notCopied += line;
                ++outcome.notCopiedFiles;
                break;
            }
            if (options.report) options.report->fileDone(report);
        },
        nullptr);
    if (copiedCount > 0) messages.showMessage(texts::renamedCopies(copiedCount) + copied, texts::kCaptionRenamed);
    if (!notCopied.empty()) messages.showMessage(texts::kRenamedNotCopied + notCopied, texts::kCaptionRenamed);
    return delivered == static_cast<int>(renames.size());
}

}  // namespace celshift
