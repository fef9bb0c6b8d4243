// generate-scenario: writes a large realistic scenario folder for tests and measurements.
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "platform/code_page_932.h"
#include "scenario_builder/command_line.h"
#include "scenario_builder/scenario_writer.h"

int main(int argc, char** argv) {
    using namespace celshift::build;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const ParsedGenerateCommand parsed = parseGenerateCommand(args);
    if (parsed.help) {
        std::fputs(generateUsage().c_str(), stdout);
        return 0;
    }
    if (!parsed.command) {
        std::fprintf(stderr, "generate-scenario: %s\n%s", parsed.error.c_str(), generateUsage().c_str());
        return 2;
    }
    try {
        ScenarioOptions options = scenarioFor(*parsed.command);
        for (const auto& [from, to] : parsed.command->renames) {
            const auto from932 = celshift::toCodePage932(from);
            const auto to932 = celshift::toCodePage932(to);
            if (!from932 || !to932 || from932->size() > 255 || to932->size() > 255) {
                std::fprintf(stderr, "generate-scenario: --rename %s=%s: each name must be code page 932 text of"
                             " at most 255 bytes\n", from.c_str(), to.c_str());
                return 2;
            }
            options.renamedImages[*from932] = *to932;
        }
        const ScenarioReport report = writeScenario(options);
        std::uint64_t total = 0, fields = 0, longFieldBytes = 0;
        for (const auto& file : report.dataFiles) {
            fields += file.report.fields;
            longFieldBytes += file.report.longFieldBytes;
            std::printf("%-16s %-12s %12llu bytes\n", file.plan.name.c_str(),
                        file.plan.package ? "package" : ("kind " + std::to_string(file.plan.kind)).c_str(),
                        static_cast<unsigned long long>(file.report.bytes));
            total += file.report.bytes;
        }
        std::printf("%zu data files, %llu bytes, %zu images, %zu further media files in %s\n",
                    report.dataFiles.size(), static_cast<unsigned long long>(total), report.images.size(),
                    report.unnamedMedia.size(), options.folder.c_str());
        // The shape of the data files, for the benchmark's report.
        if (fields > 0 && total > 0) {
            std::printf("data-file fields: %llu, %.1f bytes per field, %.1f %% of the bytes in fields of %llu bytes"
                        " or more\n", static_cast<unsigned long long>(fields),
                        static_cast<double>(total) / static_cast<double>(fields),
                        100.0 * static_cast<double>(longFieldBytes) / static_cast<double>(total),
                        static_cast<unsigned long long>(kLongFieldBytes));
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "generate-scenario: %s\n", e.what());
        return 1;
    }
}
