// celshift-cli: the conversion run from the command line.
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "cli/cli_arguments.h"
#include "cli/line_messages.h"
#include "cli/scan_lines.h"
#include "cli/missing_mode.h"
#include "cli/rows_file.h"
#include "cli/scenario_batch.h"
#include "cli/unused_mode.h"
#include "platform/console.h"
#include "platform/name_rules.h"
#include "platform/output_folder.h"
#include "run/kept_files.h"
#include "run/build_replacement_table.h"
#include "run/failure_reasons.h"
#include "run/run_texts.h"
#include "run/scenario_scan.h"

namespace {

constexpr int kRunEnded = 0;
constexpr int kFilesFailed = 1;
constexpr int kNotStarted = 2;
constexpr int kStoppedWithoutSignal = 130;  // as a shell reports a program ended by Ctrl+C

celshift::StopRequest gStop;
volatile std::sig_atomic_t gStopSignal = 0;

// The first request to stop (Ctrl+C, SIGTERM, SIGHUP) lets the files in work finish; a second ends the program.
extern "C" void requestStop(int signalNumber) {
    gStopSignal = signalNumber;
    gStop.request();
}

int stoppedStatus() { return gStopSignal != 0 ? 128 + gStopSignal : kStoppedWithoutSignal; }

int exitStatusOf(const celshift::RunOutcome& outcome) {
    if (!outcome.started) return kNotStarted;
    if (outcome.stopped) return stoppedStatus();
    return outcome.failedFiles + outcome.unopenedFiles + outcome.notCopiedFiles > 0 ? kFilesFailed : kRunEnded;
}

// One line per used row: what it replaced, in how many data files.
// The lines go out in writes of up to 64 KiB: a rows file may use thousands of rows, and a buffer of them all would
// be memory touched for nothing.
void printSummary(const celshift::RunOutcome& outcome, celshift::cli::LineMessages& messages) {
    constexpr std::size_t kWriteBytes = 64 * 1024;
    const bool someFilesUnread = outcome.someNamesUncounted;
    std::string lines;
    lines.reserve(kWriteBytes + 256);
    for (int row = 1; row <= outcome.usedRows; ++row) {
        const celshift::RowTotal& total = outcome.rowTotals[static_cast<std::size_t>(row - 1)];
        lines.append(celshift::texts::kCaptionSummary).append(": ");
        lines.append(celshift::texts::rowSummary(row, total.fields, total.files, someFilesUnread)).push_back('\n');
        if (lines.size() >= kWriteBytes) {
            if (!messages.write(lines)) return;
            lines.clear();
        }
    }
    if (!lines.empty()) messages.write(lines);
}

// Tells on standard error each row that a run leaves out, and why: nothing typed is dropped without a word. A row
// that repeats an earlier row's FROM is kept but can never match: told too, not refused.
void tellUnusedRows(const celshift::ConversionRows& rows) {
    using namespace celshift;
    const auto checks = checkRows(rows);
    const std::vector<int> earlier = earlierRowsWithSameFrom(rows);
    for (std::size_t row = 0; row < std::max(checks.size(), earlier.size()); ++row) {
        const std::string name = "変換" + texts::rowNumber(static_cast<int>(row) + 1);
        if (row < earlier.size() && earlier[row] != 0)
            std::fprintf(stderr, "celshift-cli: %s は%s\n", name.c_str(), texts::rowRepeats(earlier[row]).c_str());
        if (row >= checks.size()) continue;
        if (checks[row].state == RowState::Invalid)
            std::fprintf(stderr, "celshift-cli: %s は使われません: %s\n", name.c_str(), checks[row].reason.c_str());
        else if (checks[row].state == RowState::NotUsed && (!rows.from[row].empty() || !rows.to[row].empty()))
            std::fprintf(stderr, "celshift-cli: %s は使われません（上の行が空か無効です）\n", name.c_str());
    }
}

int listNames(const std::string& summary, celshift::FileList& fileList, celshift::cli::LineMessages& messages,
              const celshift::RunOptions& options) {
    using namespace celshift;
    const ScenarioScan scan = scanScenario(summary, fileList, options);
    if (scan.listingFailed) {
        messages.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + shownName(scan.unreadableFolder),
                             texts::kCaptionError);
        return kNotStarted;
    }
    // A stopped scan saw only some of the names: no table that could be taken for the whole one.
    if (scan.stopped) {
        messages.showMessage(texts::kStopped, texts::kCaptionInfo);
        return stoppedStatus();
    }
    cli::printNameLines(scan.names, messages);
    cli::tellScanProblems(scan, messages);
    return scan.problems.empty() ? kRunEnded : kFilesFailed;
}

// What a failed standard output cost, in the mode's own words.
const char* cutShort(celshift::cli::Mode mode) {
    return mode == celshift::cli::Mode::Run || mode == celshift::cli::Mode::DryRun
               ? "処理中のファイルを終えたところで止めました"
               : "一覧は完全ではありません";
}

// A standard output that failed overrides every other status: what the run said was not all seen.
int finalStatus(int status, const celshift::cli::LineMessages& messages, const char* consequence) {
    if (messages.writeError() == 0) return status;
    const int error = messages.writeError();
    const std::string reason =
        error == EPIPE ? "読み手が閉じました" : celshift::fileErrorText(celshift::errorFromErrno(error));
    std::fprintf(stderr, "celshift-cli: 標準出力に書き込めません（%s）。%s\n", reason.c_str(), consequence);
    return celshift::standardOutputFailureStatus(messages.writeError());
}

// One scenario of the call, in the call's mode; returns its exit status. notes takes what is said besides the
// mode's own lines (standard error where those are a list made to be acted on).
int doScenario(const celshift::cli::Arguments& arguments, const celshift::cli::ScenarioJob& job,
               const celshift::ConversionRows& rows, celshift::FileList& fileList,
               celshift::cli::LineMessages& messages, celshift::cli::LineMessages& notes,
               const celshift::RunOptions& options) {
    using namespace celshift;
    if (!job.unreadableFolder.empty()) {
        notes.showMessage(std::string(texts::kScenarioUnreadable) + "\n" + shownName(job.unreadableFolder),
                             texts::kCaptionError);
        return kNotStarted;
    }
    if (arguments.mode == cli::Mode::Run && !job.outputParent.empty()) {
        const std::string refusal = cli::makeScenarioOutputFolder(job);
        if (!refusal.empty()) {
            messages.showMessage(refusal, texts::kCaptionError);
            return kNotStarted;
        }
    }
    if (arguments.mode == cli::Mode::ListNames) return listNames(job.summary, fileList, messages, options);
    if (arguments.mode == cli::Mode::Missing || arguments.mode == cli::Mode::Unused) {
        const cli::MissingImagesResult result = arguments.mode == cli::Mode::Missing
                                                    ? cli::listMissingImages(job.summary, fileList, messages, options)
                                                    : cli::listUnusedPictures(job.summary, fileList, messages, options);
        switch (result) {
        case cli::MissingImagesResult::NothingMissing:
            return kRunEnded;
        case cli::MissingImagesResult::SomethingMissing:
            return kFilesFailed;
        case cli::MissingImagesResult::CouldNotLook:
            return kNotStarted;
        case cli::MissingImagesResult::Stopped:
            return stoppedStatus();
        }
    }
    // The output folder holds another scenario's summary file: the copy would mix two scenarios. A command line
    // cannot ask, so it says so and runs as told.
    if (arguments.mode == cli::Mode::Run) {
        if (const std::optional<std::string> foreign = foreignSummary(job.summary, job.output))
            std::fprintf(stderr, "celshift-cli: 出力先の %s はこのシナリオのものと違います（二つのシナリオが混ざります）\n",
                         shownName(*foreign).c_str());
    }
    // A scenario's own folder in DIR: a link put there after it was looked at is not followed either.
    RunOptions scenarioOptions = options;
    scenarioOptions.outputNotALink = !job.outputParent.empty();
    const RunOutcome outcome = arguments.mode == cli::Mode::DryRun
                                   ? dryRun(job.summary, rows, fileList, messages, options)
                                   : runConversion(job.summary, job.output, rows, fileList, messages, scenarioOptions);
    if (outcome.started && !arguments.quiet) printSummary(outcome, messages);
    return exitStatusOf(outcome);
}

// The rows of a --rows file; false, with one line per bad line on standard error, when any line is bad.
bool readRows(const std::string& path, celshift::ConversionRows& rows) {
    // The run takes the table: the texts of thousands of rows would be memory touched for nothing.
    celshift::cli::RowsFile file = celshift::cli::readRowsFile(path, 0);
    for (const celshift::cli::RowsFileProblem& problem : file.problems)
        std::fprintf(stderr, "celshift-cli: %s:%d: %s\n", celshift::shownName(path).c_str(), problem.line,
                     problem.reason.c_str());
    if (!file.problems.empty()) return false;
    // Not refused (a run without rows copies the scenario as it is), but a wrong file given by mistake is told.
    if (file.rowCount == 0)
        std::fprintf(stderr, "celshift-cli: %s: 行がありません（どの画像名も置き換えません）\n", celshift::shownName(path).c_str());
    rows = std::move(file.rows);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace celshift;
    useUtf8Console();
    if (!standardOutputIsOpen()) {
        std::fputs("celshift-cli: 標準出力が閉じられています。何もしませんでした\n", stderr);
        return standardOutputFailureStatus(0);
    }
    cli::LineMessages messages(stdout, &gStop);
    cli::LineMessages standardError(stderr);
    cli::Arguments arguments;
    std::vector<cli::ScenarioJob> jobs;
    ConversionRows rows;
    try {
        arguments = cli::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        if (arguments.help) {
            messages.write(cli::kUsage);
            return finalStatus(kRunEnded, messages, "ヘルプは最後まで出ていません");
        }
        if (arguments.version) {
            messages.write("celshift-cli " CELSHIFT_VERSION "\n");
            return finalStatus(kRunEnded, messages, "the version line is not complete");
        }
        std::string output;
        if (arguments.mode == cli::Mode::Run) {
            try {
                output = arguments.output ? *arguments.output : defaultOutputFolder();
            } catch (const std::exception& error) {
                std::fprintf(stderr, "celshift-cli: 既定の出力先フォルダがわかりません（--output で指定してください）: %s\n",
                             error.what());
                return kNotStarted;
            }
        }
        jobs = cli::planScenarios(arguments.scenarios, output);
        rows = arguments.rows;
        if (arguments.rowsFile && !readRows(*arguments.rowsFile, rows)) return kNotStarted;
    } catch (const std::invalid_argument& error) {
        // Names given on the command line are shown as the run's messages show them: no control byte reaches the
        // terminal as it is.
        std::fprintf(stderr, "celshift-cli: %s\n使い方は celshift-cli --help で見られます\n",
                     shownName(error.what()).c_str());
        return kNotStarted;
    }
    if (arguments.mode == cli::Mode::Run || arguments.mode == cli::Mode::DryRun) tellUnusedRows(arguments.rows);

    onStopRequests(requestStop);
    // --unused prints a list made to be acted on ("cut -f2 | xargs rm"): its other words go to standard error.
    cli::LineMessages& notes = arguments.mode == cli::Mode::Unused ? standardError : messages;
    try {
        const auto fileList = makeDirectoryFileList();
        cli::ProblemLines problems(stderr);
        RunOptions options;
        options.jobs = arguments.jobs;
        options.stop = &gStop;
        options.report = &problems;
        options.syncBeforeRename = arguments.sync;
        options.renamePictures = arguments.rename;
        std::vector<int> statuses;
        for (const cli::ScenarioJob& job : jobs) {
            // A stop that came between two scenarios: the next one does not start.
            if (!statuses.empty() && gStop.requested()) {
                notes.showMessage(texts::kStopped, texts::kCaptionInfo);
                statuses.push_back(stoppedStatus());
                break;
            }
            if (jobs.size() > 1) {
                notes.showMessage(shownName(job.name), cli::kCaptionScenario);
            }
            statuses.push_back(doScenario(arguments, job, rows, *fileList, messages, notes, options));
            if (cli::isStopStatus(statuses.back()) || messages.writeError() != 0) break;
        }
        // Said once: where names were taken after a look, only this program's own files were kept from replacing
        // each other.
        if (celshift::OutputFolder::namesTakenAfterALook())
            std::fprintf(stderr, "celshift-cli: 警告: 出力先のファイルシステムには、既存のファイルを置き換えずに名前を付ける方法が"
                                 "ありません。この実行のファイル同士は置き換えませんが、同時に書き込むほかのプログラムのファイルは"
                                 "置き換えることがあります\n");
        return finalStatus(cli::combinedStatus(statuses), messages, cutShort(arguments.mode));
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "celshift-cli: 実行を続けられません: %s\n", error.what());
        return kFilesFailed;
    }
}
