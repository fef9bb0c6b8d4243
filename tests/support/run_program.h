// Runs a built program as a process, its standard output and error captured, for tests of whole programs.
#pragma once

#include <cstdint>
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

#if !defined(_WIN32)
// For a child between fork and exec: the stop signals (SIGINT, SIGHUP, SIGTERM) and SIGPIPE back to their default
// action. A test runner started under nohup or as a background job ignores some of them, and the program rightly
// keeps ignored what it inherits ignored: its tests would see another program than a user at a terminal.
void useDefaultSignals();
#endif

// A program left running, its standard output and error going to files, for tests that end it at a moment of
// their choosing as kill -9 would (TerminateProcess on Windows): it gets no chance to clean up.
class RunningProgram {
public:
    RunningProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
                   const std::string& errPath);
    ~RunningProgram();
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    void kill();
    // Waits for the end; the exit status, or -1 when it did not exit on its own.
    int wait();

private:
    std::intptr_t handle_ = -1;  // the process handle on Windows, the process id elsewhere
    bool ended_ = false;
};

}  // namespace celshift::test
