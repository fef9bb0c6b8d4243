// Run messages as lines of text: "CAPTION: TEXT", further lines of a text indented by two spaces.
#pragma once

#include <cstdio>

#include "run/conversion_run.h"

namespace celshift::cli {

class LineMessages : public RunMessages {
public:
    explicit LineMessages(std::FILE* out) : out_(out) {}
    void showMessage(const std::string& text, const std::string& caption) override;
    void showErrorFm(const std::string& path) override;

private:
    std::FILE* out_;
};

}  // namespace celshift::cli
