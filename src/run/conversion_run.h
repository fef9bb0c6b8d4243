// The conversion run: copies a scenario folder's other files, builds the replacement table from the four
// conversion rows, and rewrites every data file into the output folder. The window and the command line
// both call it; it reaches the user only through RunMessages.
#pragma once

#include <array>
#include <string>

#include "platform/file_list.h"

namespace celshift {

// How the run tells the user what happened: modal boxes in the window, lines on the command line.
class RunMessages {
public:
    virtual ~RunMessages() = default;
    // A box with one OK button and no icon.
    virtual void showMessage(const std::string& text, const std::string& caption) = 0;
    // The error window, for a data file (or its copy) that could not be opened; path names that file.
    virtual void showErrorFm(const std::string& path) = 0;
};

// The texts of the conversion rows as typed (UTF-8): row r is from[r - 1] -> to[r - 1].
struct ConversionRows {
    std::array<std::string, 4> from;
    std::array<std::string, 4> to;
};

struct RunOutcome {
    bool started = false;   // false: the run refused to start (missing output folder, output = scenario folder)
    int failedFiles = 0;    // data files reported with the failure box
    int unopenedFiles = 0;  // data files or copies that could not be opened
};

// sourceFile is the chosen "Summary.wsm"; outputFolder is where the copy goes and must exist.
RunOutcome runConversion(const std::string& sourceFile, const std::string& outputFolder, const ConversionRows& rows,
                         FileList& fileList, RunMessages& messages);

// The default output folder: "Scena" beside the executable, with a trailing separator.
std::string defaultOutputFolder();

}  // namespace celshift
