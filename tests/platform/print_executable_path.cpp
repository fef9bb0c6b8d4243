// Prints executablePath() and executableFolder(), one a line, for the test of long program paths.
#include <cstdio>
#include <exception>

#include "platform/executable_path.h"

int main() {
    try {
        std::printf("%s\n%s\n", celshift::executablePath().c_str(), celshift::executableFolder().c_str());
        return 0;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
