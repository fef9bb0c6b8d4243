// Run messages as lines of text: "CAPTION: TEXT", further lines of a text indented by two spaces. A line that
// cannot be written (a closed pipe, a full disk) stops the run as Ctrl+C does, and is never taken for success.
#pragma once

#include <cstdio>
#include <string>

#include "run/conversion_run.h"

namespace celshift::cli {

class LineMessages : public RunMessages {
public:
    // stop, when given, is requested when a line cannot be written.
    explicit LineMessages(std::FILE* out, StopRequest* stop = nullptr) : out_(out), stop_(stop) {}
    void showMessage(const std::string& text, const std::string& caption) override;
    void showErrorFm(const std::string& path) override;
    // Writes text as it stands (a --list-names line); false once writing has failed.
    bool write(const std::string& text);

    // errno of the first write that failed; 0 while every line was written.
    int writeError() const { return writeError_; }

private:
    std::FILE* out_;
    StopRequest* stop_;
    int writeError_ = 0;
};

// One line on standard error for each file a run reports: "失敗: NAME: REASON", "ErrorFm: PATH: REASON",
// "コピーできません: NAME: REASON". Standard output keeps only the run's messages.
class ProblemLines : public RunReport {
public:
    explicit ProblemLines(std::FILE* err) : err_(err) {}
    void fileDone(const FileReport& report) override;

private:
    std::FILE* err_;
};

}  // namespace celshift::cli
