#include "cli/line_messages.h"

#include <cerrno>

#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift::cli {

bool LineMessages::write(const std::string& text) {
    if (writeError_ != 0) return false;
    errno = 0;
    if (std::fputs(text.c_str(), out_) < 0 || std::fflush(out_) != 0) {
        writeError_ = errno != 0 ? errno : EIO;
        if (stop_) stop_->request();
        return false;
    }
    return true;
}

void LineMessages::showMessage(const std::string& text, const std::string& caption) {
    std::string line = caption + ": ";
    for (const char ch : text) {
        line += ch;
        if (ch == '\n') line += "  ";
    }
    line += '\n';
    write(line);
}

void LineMessages::showErrorFm(const std::string& path) { showMessage(path, "ErrorFm"); }

void ProblemLines::fileDone(const FileReport& report) {
    // Written, but the scenario cannot work on Windows as it stands.
    if (!report.sameNameAs.empty() && report.kind != FileReport::Kind::NotCopied) {
        std::fprintf(err_, "celshift-cli: 警告: %s: %s\n", shownName(report.name).c_str(),
                     texts::sameNameOnWindows(shownName(report.sameNameAs)).c_str());
        std::fflush(err_);
    }
    if (report.kind == FileReport::Kind::MissingPicture) {
        // The user may add the picture later: a warning, and the exit status stays.
        std::fprintf(err_, "celshift-cli: 警告: %s\n", report.reason.c_str());
        std::fflush(err_);
        return;
    }
    std::string label;
    switch (report.kind) {
    case FileReport::Kind::Failed:
        label = std::string(texts::kCaptionFailed) + ": " + shownName(report.name);
        break;
    case FileReport::Kind::Unopened:
        label = "ErrorFm: " + shownName(report.path);
        break;
    case FileReport::Kind::NotCopied:
        label = "コピーできません: " + shownName(report.name);
        // TO in its written form, as the row gives it.
        if (!report.renamedTo.empty()) label += " → " + report.renamedTo;
        break;
    default:
        return;
    }
    std::fprintf(err_, "%s: %s\n", label.c_str(), report.reason.c_str());
    std::fflush(err_);
}

}  // namespace celshift::cli
