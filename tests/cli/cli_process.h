// celshift-cli run as a process over real folders.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <chrono>
#include <signal.h>
#include <thread>

#include <sys/wait.h>
#include <unistd.h>
#endif

#include "platform/path_text.h"
#include "run_program.h"
#include "scenario_builder/byte_builder.h"
#include "temp_folder.h"

namespace celshift::test {

namespace fs = std::filesystem;
using build::ByteBuilder;

using Process = ProgramResult;

// A file of a folder as the run prints it: the folder made absolute (on Windows; separators as given), then
// the platform's separator and the name.
inline std::string printed(const std::string& folder, const std::string& name) {
#if defined(_WIN32)
    return utf8FromPath(fs::absolute(pathFromUtf8(folder))) + "\\" + name;
#else
    return folder + "/" + name;
#endif
}

inline Process runCli(const std::vector<std::string>& args) { return runProgram(CELSHIFT_CLI_PATH, args); }

inline std::string dataFile(const std::string& image) {
    return ByteBuilder().fileHeader(0).int32(0).byte(0).int32(0).int32(1).cellRecord(image, image).bytes();
}

class CliProcess : public ::testing::Test {
protected:
    TempFolder root;
    std::string scenario = root / "シナリオ";
    std::string output = root / "out";
    void SetUp() override {
        fs::create_directory(pathFromUtf8(scenario));
        fs::create_directory(output);
        writeFile(scenario + "/Summary.wsm", "summary");
        writeFile(scenario + "/cell.bmp", "BM");
        writeFile(scenario + "/Area01.wid", dataFile("cell.bmp"));
        writeFile(scenario + "/Area02.wid", dataFile("other.bmp"));
    }
};

#if !defined(_WIN32)
// celshift-cli started as a process that the test can signal; its output goes to files of its own.
class CliChild {
public:
    explicit CliChild(const std::vector<std::string>& args) {
        std::fflush(nullptr);  // else the child writes out what the parent still buffers
        child_ = fork();
        if (child_ == 0) {
            useDefaultSignals();
            if (!freopen(outPath().c_str(), "w", stdout) || !freopen(errPath().c_str(), "w", stderr)) _exit(127);
            std::vector<char*> argv{const_cast<char*>(CELSHIFT_CLI_PATH)};
            for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
            argv.push_back(nullptr);
            execv(CELSHIFT_CLI_PATH, argv.data());
            _exit(127);
        }
    }
    pid_t pid() const { return child_; }
    std::string outPath() const { return streams_ / "stdout"; }
    std::string errPath() const { return streams_ / "stderr"; }
    Process wait() {
        Process result;
        int status = 0;
        waitpid(child_, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = readFile(outPath());
        result.err = readFile(errPath());
        return result;
    }

private:
    TempFolder streams_;
    pid_t child_ = -1;
};

// A data file walked event by event for seconds (1 GiB, sparse, so it costs no disk): a signal sent while it is in
// work finds the run busy with it.
inline void writeLongDataFile(const std::string& path) {
    writeFile(path, ByteBuilder().fileHeader(8).int32(0x7FFFFFFF).bytes());
    fs::resize_file(path, std::uintmax_t{1} << 30);
}

// Sends signalNumber to the child once its standard output holds text (within 20 s), a moment later.
inline void signalOnceItPrinted(const CliChild& child, const std::string& text, int signalNumber) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    const auto printed = [&] { return fs::exists(child.outPath()) ? readFile(child.outPath()) : std::string(); };
    while (printed().find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    kill(child.pid(), signalNumber);
}
#endif

}  // namespace celshift::test
