// Runs a built program as a process, its standard output and error captured, for tests of whole programs.
#pragma once

#include <string>
#include <vector>

namespace celshift::test {

struct ProgramResult {
    int status = -1;  // the exit status; -1 when the program could not be run or did not exit normally
    std::string out;
    std::string err;
};

// Arguments are UTF-8 and reach the program unchanged (on Windows through its UTF-8 code page). Line ends of
// the output are "\n" on every platform (Windows text streams write "\r\n").
ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args);

}  // namespace celshift::test
