#include "cli/line_messages.h"

namespace celshift::cli {

void LineMessages::showMessage(const std::string& text, const std::string& caption) {
    std::string line = caption + ": ";
    for (const char ch : text) {
        line += ch;
        if (ch == '\n') line += "  ";
    }
    line += '\n';
    std::fputs(line.c_str(), out_);
    std::fflush(out_);
}

void LineMessages::showErrorFm(const std::string& path) { showMessage(path, "ErrorFm"); }

}  // namespace celshift::cli
