// celshift-cli: the conversion run from the command line.
#include <csignal>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "cli/cli_arguments.h"
#include "cli/line_messages.h"
#include "cli/missing_mode.h"
#include "cli/rows_file.h"
#include "cli/scenario_batch.h"
#include "platform/name_rules.h"
#include "run/run_texts.h"
#include "run/scenario_scan.h"
#include "platform/console.h"

namespace {

constexpr int kRunEnded = 0;
constexpr int kFilesFailed = 1;
constexpr int kNotStarted = 2;
constexpr int kStopped = 130;  // as a shell reports a program ended by Ctrl+C

celshift::StopRequest gStop;

// The first Ctrl+C asks the run to stop after the files in work; a second one ends the program at once.
extern "C" void requestStop(int) {
    gStop.request();
    std::signal(SIGINT, SIG_DFL);
}

int exitStatusOf(const celshift::RunOutcome& outcome) {
    if (!outcome.started) return kNotStarted;
    if (outcome.stopped) return kStopped;
    return outcome.failedFiles + outcome.unopenedFiles > 0 ? kFilesFailed : kRunEnded;
}

// One line per used row: what it replaced, in how many data files.
void printSummary(const celshift::RunOutcome& outcome, celshift::RunMessages& messages) {
    for (int row = 1; row <= outcome.usedRows; ++row) {
        const celshift::RowTotal& total = outcome.rowTotals[static_cast<std::size_t>(row - 1)];
        messages.showMessage(celshift::texts::rowSummary(row, total.fields, total.files), celshift::texts::kCaptionSummary);
    }
}

int listNames(const std::string& summary, celshift::FileList& fileList, celshift::RunMessages& messages,
              const celshift::RunOptions& options) {
    using namespace celshift;
    const ScenarioScan scan = scanScenario(summary, fileList, options);
    if (scan.listingFailed) {
        messages.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + parentFolder(summary), texts::kCaptionError);
        return kNotStarted;
    }
    for (const ScannedName& name : scan.names)
        std::printf("%lld\t%d\t%s\n", static_cast<long long>(name.fields), name.files, displayName(name.bytes).c_str());
    std::fflush(stdout);
    for (const ScanProblem& problem : scan.problems) {
        if (problem.kind == ScanProblem::Kind::Unreadable) messages.showErrorFm(problem.path);
        else messages.showMessage(problem.name, texts::kCaptionFailed);
    }
    if (scan.stopped) {
        messages.showMessage(texts::kStopped, texts::kCaptionInfo);
        return kStopped;
    }
    return scan.problems.empty() ? kRunEnded : kFilesFailed;
}

// One scenario of the call, in the call's mode; returns its exit status.
int doScenario(const celshift::cli::Arguments& arguments, const celshift::cli::ScenarioJob& job,
               const celshift::ConversionRows& rows, celshift::FileList& fileList, celshift::RunMessages& messages,
               const celshift::RunOptions& options) {
    using namespace celshift;
    if (arguments.mode == cli::Mode::ListNames) return listNames(job.summary, fileList, messages, options);
    if (arguments.mode == cli::Mode::Missing) return cli::listMissingImages(job.summary, fileList, messages, options);
    const RunOutcome outcome = arguments.mode == cli::Mode::DryRun
                                   ? dryRun(job.summary, rows, fileList, messages, options)
                                   : runConversion(job.summary, job.output, rows, fileList, messages, options);
    if (outcome.started && !arguments.quiet) printSummary(outcome, messages);
    return exitStatusOf(outcome);
}

// The rows of a --rows file; false, with one line per bad line on standard error, when any line is bad.
bool readRows(const std::string& path, celshift::ConversionRows& rows) {
    celshift::cli::RowsFile file = celshift::cli::readRowsFile(path);
    for (const celshift::cli::RowsFileProblem& problem : file.problems)
        std::fprintf(stderr, "celshift-cli: %s:%d: %s\n", path.c_str(), problem.line, problem.reason.c_str());
    if (!file.problems.empty()) return false;
    rows = std::move(file.rows);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace celshift;
    useUtf8Console();
    cli::Arguments arguments;
    std::vector<cli::ScenarioJob> jobs;
    ConversionRows rows;
    try {
        arguments = cli::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        if (arguments.help) {
            std::fputs(cli::kUsage, stdout);
            return kRunEnded;
        }
        std::string output;
        if (arguments.mode == cli::Mode::Run) {
            try {
                output = arguments.output ? *arguments.output : defaultOutputFolder();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "celshift-cli: no output folder: %s\n", error.what());
                return kNotStarted;
            }
        }
        jobs = cli::planScenarios(arguments.scenarios, output);
        rows = arguments.rows;
        if (arguments.rowsFile && !readRows(*arguments.rowsFile, rows)) return kNotStarted;
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "celshift-cli: %s\nTry 'celshift-cli --help' for more information.\n", error.what());
        return kNotStarted;
    }

    std::signal(SIGINT, requestStop);
    try {
        cli::LineMessages messages(stdout);
        const auto fileList = makeDirectoryFileList();
        RunOptions options;
        options.jobs = arguments.jobs;
        options.stop = &gStop;
        std::vector<int> statuses;
        for (const cli::ScenarioJob& job : jobs) {
            if (jobs.size() > 1) {
                messages.showMessage(job.name, cli::kCaptionScenario);
                if (arguments.mode == cli::Mode::Run) cli::makeScenarioOutputFolder(job);
            }
            statuses.push_back(doScenario(arguments, job, rows, *fileList, messages, options));
            if (cli::isStopStatus(statuses.back())) break;
        }
        return cli::combinedStatus(statuses);
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "celshift-cli: the run stopped: %s\n", error.what());
        return kFilesFailed;
    }
}
