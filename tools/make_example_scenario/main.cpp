// make-example-scenario DIR: writes the small example scenario into DIR.
#include <cstdio>
#include <exception>
#include <string>

#include "scenario_builder/example_scenario.h"

namespace {
constexpr const char* kUsage =
    "usage: make-example-scenario DIR\n"
    "Writes the example scenario (Summary.wsm, five data files, BMP images, readme.txt) into DIR, which is\n"
    "created when missing and may not hold any of these files yet.\n";
}

int main(int argc, char** argv) {
    if (argc == 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2 || argv[1][0] == '\0' || argv[1][0] == '-') {
        std::fprintf(stderr, "make-example-scenario: %s\n%s",
                     argc < 2 ? "the folder DIR is missing" : argc > 2 ? "give exactly one folder" : "not a folder name",
                     kUsage);
        return 2;
    }
    try {
        celshift::build::writeExampleScenario(argv[1]);
        std::printf("example scenario written to %s\n", argv[1]);
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make-example-scenario: %s\n", e.what());
        return 1;
    }
}
