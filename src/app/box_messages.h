// The run's messages as the window shows them: modal boxes with one OK button and no icon, and the error window.
#pragma once

#include <string>

#include "run/conversion_run.h"

class QWidget;

namespace celshift {

class BoxMessages : public RunMessages {
public:
    // The boxes are centred over parent.
    explicit BoxMessages(QWidget* parent) : parent_(parent) {}

    void showMessage(const std::string& text, const std::string& caption) override;
    // Shows ErrorFm modally with the path; a window of its own when the program entry made none.
    void showErrorFm(const std::string& path) override;

private:
    QWidget* parent_;
};

}  // namespace celshift
