#include "run_program.h"

#include <cstdio>

#include "temp_folder.h"

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace celshift::test {

namespace {

#if defined(_WIN32)
std::wstring wide(const std::string& utf8) {
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring text(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), text.data(), length);
    return text;
}

// One argument of a command line as the C runtime splits it again: quotes around it, backslashes doubled
// where a quote follows them.
std::wstring quoted(const std::wstring& argument) {
    std::wstring result = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        result.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        result += c;
    }
    result.append(backslashes * 2, L'\\');
    return result + L"\"";
}

HANDLE inheritableFile(const std::string& path) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(wide(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Starts program with its standard output and error in the files; its process handle, or null.
HANDLE startProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
                    const std::string& errPath) {
    std::wstring commandLine = quoted(wide(program));
    for (const auto& arg : args) commandLine += L" " + quoted(wide(arg));
    HANDLE out = inheritableFile(outPath);
    HANDLE err = inheritableFile(errPath);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    const BOOL started = ::CreateProcessW(wide(program).c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                          nullptr, nullptr, &startup, &process);
    ::CloseHandle(out);
    ::CloseHandle(err);
    if (!started) return nullptr;
    ::CloseHandle(process.hThread);
    return process.hProcess;
}

int waitForProgram(HANDLE process) {
    ::WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process, &status);
    ::CloseHandle(process);
    return static_cast<int>(status);
}

int runAndWait(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
               const std::string& errPath) {
    HANDLE process = startProgram(program, args, outPath, errPath);
    return process != nullptr ? waitForProgram(process) : -1;
}
#else
pid_t startProgram(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
                   const std::string& errPath) {
    std::fflush(nullptr);  // else the child writes out what the parent still buffers
    const pid_t child = fork();
    if (child == 0) {
        useDefaultSignals();
        if (!freopen(outPath.c_str(), "w", stdout) || !freopen(errPath.c_str(), "w", stderr)) _exit(127);
        std::vector<char*> argv{const_cast<char*>(program.c_str())};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

int waitForProgram(pid_t child) {
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int runAndWait(const std::string& program, const std::vector<std::string>& args, const std::string& outPath,
               const std::string& errPath) {
    return waitForProgram(startProgram(program, args, outPath, errPath));
}
#endif

}  // namespace

#if !defined(_WIN32)
void useDefaultSignals() {
    for (const int signalNumber : {SIGINT, SIGHUP, SIGTERM, SIGPIPE}) signal(signalNumber, SIG_DFL);
}
#endif

ProgramResult runProgram(const std::string& program, const std::vector<std::string>& args) {
    TempFolder streams;
    const std::string outPath = streams / "stdout";
    const std::string errPath = streams / "stderr";
    ProgramResult result;
    result.status = runAndWait(program, args, outPath, errPath);
    result.out = readFile(outPath);
    result.err = readFile(errPath);
#if defined(_WIN32)
    for (std::string* text : {&result.out, &result.err}) {
        std::string lines;
        for (std::size_t i = 0; i < text->size(); ++i)
            if (!((*text)[i] == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n')) lines += (*text)[i];
        *text = lines;
    }
#endif
    return result;
}

RunningProgram::RunningProgram(const std::string& program, const std::vector<std::string>& args,
                               const std::string& outPath, const std::string& errPath) {
#if defined(_WIN32)
    handle_ = reinterpret_cast<std::intptr_t>(startProgram(program, args, outPath, errPath));
    if (handle_ == 0) handle_ = -1;
#else
    handle_ = startProgram(program, args, outPath, errPath);
#endif
}

RunningProgram::~RunningProgram() {
    if (ended_ || handle_ == -1) return;
    kill();
    wait();
}

void RunningProgram::kill() {
    if (ended_ || handle_ == -1) return;
#if defined(_WIN32)
    ::TerminateProcess(reinterpret_cast<HANDLE>(handle_), 137);
#else
    ::kill(static_cast<pid_t>(handle_), SIGKILL);
#endif
}

int RunningProgram::wait() {
    if (ended_ || handle_ == -1) return -1;
    ended_ = true;
#if defined(_WIN32)
    return waitForProgram(reinterpret_cast<HANDLE>(handle_));
#else
    return waitForProgram(static_cast<pid_t>(handle_));
#endif
}

}  // namespace celshift::test
