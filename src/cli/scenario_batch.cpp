#include "cli/scenario_batch.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "cli/cli_arguments.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/file_copy.h"
#include "platform/file_error.h"
#include "platform/path_text.h"
#include "run/conversion_run.h"
#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift::cli {

namespace {

// The name of a folder given by an absolute path that may hold "." and ".." ("/a/b/.." names a); empty for a
// root.
std::string folderName(const std::string& folder) {
    std::filesystem::path path = pathFromUtf8(folder).lexically_normal();
    if (!path.has_filename() && path.has_relative_path()) path = path.parent_path();
    return utf8FromPath(path.filename());
}

// The call would write into a scenario folder: the output folder, or one scenario's output folder, is one of
// the scenarios' folders.
void refuseOutputsInScenarios(const std::vector<ScenarioJob>& jobs, const std::string& outputFolder) {
    for (const ScenarioJob& scenario : jobs) {
        const std::string folder = parentFolder(scenario.summary);
        if (isSameFileSystemObject(folder, outputFolder))
            throw std::invalid_argument("出力先フォルダが、指定したシナリオのフォルダです: " + shownName(folder));
        for (const ScenarioJob& job : jobs)
            if (isSameFileSystemObject(folder, job.output))
                throw std::invalid_argument("出力先フォルダ " + shownName(job.output) +
                                            " が、指定したシナリオのフォルダです: " + shownName(folder));
    }
    // Two names of one folder (a link beside the other): the second scenario would be copied over the first.
    for (std::size_t i = 0; i < jobs.size(); ++i)
        for (std::size_t k = i + 1; k < jobs.size(); ++k)
            if (isSameFileSystemObject(jobs[i].output, jobs[k].output))
                throw std::invalid_argument("二つのシナリオが同じフォルダに書き込まれます: " + shownName(jobs[i].output) +
                                            " と " + shownName(jobs[k].output));
}

}  // namespace

std::vector<ScenarioJob> planScenarios(const std::vector<std::string>& scenarios, const std::string& outputFolder) {
    std::vector<ScenarioJob> jobs;
    std::map<std::string, std::string> given;  // folded folder name -> the SCENARIO argument
    for (const std::string& scenario : scenarios) {
        ScenarioJob job;
        try {
            job.summary = resolveScenario(scenario);
        } catch (const UnreadableScenario& error) {
            job.unreadableFolder = error.folder;
            // Named after what was given: a folder, or the folder of a "Summary.wsm".
            std::error_code ignored;
            const std::string given = utf8FromPath(std::filesystem::absolute(pathFromUtf8(scenario), ignored));
            job.summary = asciiLower932(lastPathElement(given)) == "summary.wsm" ? given : joinPath(given, "Summary.wsm");
        }
        job.name = folderName(parentFolder(job.summary));
        if (scenarios.size() > 1) {
            if (job.name.empty()) throw std::invalid_argument("シナリオフォルダに名前がありません: " + scenario);
            const std::string key = foldFileName(job.name).value_or(job.name);
            const auto [earlier, added] = given.emplace(key, scenario);
            if (!added)
                throw std::invalid_argument("同じ名前（" + job.name + "）のシナリオフォルダが二つあります: " + earlier->second +
                                            " と " + scenario);
            job.output = joinPath(outputFolder, job.name);
            job.outputParent = outputFolder;
        } else {
            job.output = outputFolder;
        }
        jobs.push_back(std::move(job));
    }
    if (jobs.size() > 1 && !outputFolder.empty()) refuseOutputsInScenarios(jobs, outputFolder);
    return jobs;
}

std::string makeScenarioOutputFolder(const ScenarioJob& job) {
    const std::string& outputFolder = job.outputParent;
    if (const char* refusal = outputFolderRefusal(outputFolder)) return std::string(refusal) + "\n" + shownName(outputFolder);
    std::error_code error;
    std::filesystem::create_directory(pathFromUtf8(job.output), error);
    std::error_code ignored;
    const std::filesystem::file_status status = std::filesystem::symlink_status(pathFromUtf8(job.output), ignored);
    // The entry itself, never what a link leads to: a link there would take the scenario out of outputParent.
    if (std::filesystem::is_symlink(status)) return std::string(kOutputFolderIsLink) + "\n" + shownName(job.output);
    if (std::filesystem::is_directory(status)) return {};
    if (std::filesystem::exists(status))
        return std::string(texts::kOutputNotAFolder) + "\n" + shownName(job.output);
    return std::string(kCannotMakeOutputFolder) + "\n" + shownName(job.output) + "\n" +
           fileErrorText(errorFromErrno(error ? error.value() : ENOENT));
}

bool isStopStatus(int status) { return status != 0 && status != 1 && status != 2; }

int combinedStatus(const std::vector<int>& statuses) {
    for (const int status : statuses)
        if (isStopStatus(status)) return status;
    return statuses.empty() ? 0 : *std::max_element(statuses.begin(), statuses.end());
}

}  // namespace celshift::cli
