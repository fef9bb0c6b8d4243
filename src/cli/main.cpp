// celshift-cli: the conversion run from the command line.
#include <cstdio>
#include <exception>
#include <stdexcept>

#include "cli/cli_arguments.h"
#include "cli/line_messages.h"
#include "platform/console.h"

namespace {

constexpr int kRunEnded = 0;
constexpr int kFilesFailed = 1;
constexpr int kNotStarted = 2;

}  // namespace

int main(int argc, char** argv) {
    using namespace celshift;
    useUtf8Console();
    cli::Arguments arguments;
    std::string summary;
    std::string output;
    try {
        arguments = cli::parseArguments(std::vector<std::string>(argv + 1, argv + argc));
        if (arguments.help) {
            std::fputs(cli::kUsage, stdout);
            return kRunEnded;
        }
        summary = cli::resolveScenario(arguments.scenario);
    } catch (const std::invalid_argument& error) {
        std::fprintf(stderr, "celshift-cli: %s\nTry 'celshift-cli --help' for more information.\n", error.what());
        return kNotStarted;
    }
    try {
        output = arguments.output ? *arguments.output : defaultOutputFolder();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "celshift-cli: no output folder: %s\n", error.what());
        return kNotStarted;
    }

    try {
        cli::LineMessages messages(stdout);
        const auto fileList = makeDirectoryFileList();
        const RunOutcome outcome = runConversion(summary, output, arguments.rows, *fileList, messages);
        if (!outcome.started) return kNotStarted;
        return outcome.failedFiles + outcome.unopenedFiles > 0 ? kFilesFailed : kRunEnded;
    } catch (const std::exception& error) {
        std::fflush(stdout);
        std::fprintf(stderr, "celshift-cli: the run stopped: %s\n", error.what());
        return kFilesFailed;
    }
}
