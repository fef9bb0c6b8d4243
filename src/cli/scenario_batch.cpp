#include "cli/scenario_batch.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <stdexcept>

#include "cli/cli_arguments.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"

namespace celshift::cli {

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
        job.name = std::string(lastPathElement(parentFolder(job.summary)));
        if (scenarios.size() > 1) {
            if (job.name.empty()) throw std::invalid_argument("the scenario folder has no name of its own: " + scenario);
            const std::string key = foldFileName(job.name).value_or(job.name);
            const auto [earlier, added] = given.emplace(key, scenario);
            if (!added)
                throw std::invalid_argument("two scenario folders have the name " + job.name + ": " + earlier->second +
                                            " and " + scenario);
            job.output = joinPath(outputFolder, job.name);
        } else {
            job.output = outputFolder;
        }
        jobs.push_back(std::move(job));
    }
    return jobs;
}

void makeScenarioOutputFolder(const ScenarioJob& job) {
    std::error_code ignored;
    std::filesystem::create_directory(pathFromUtf8(job.output), ignored);
}

bool isStopStatus(int status) { return status != 0 && status != 1 && status != 2; }

int combinedStatus(const std::vector<int>& statuses) {
    for (const int status : statuses)
        if (isStopStatus(status)) return status;
    return statuses.empty() ? 0 : *std::max_element(statuses.begin(), statuses.end());
}

}  // namespace celshift::cli
