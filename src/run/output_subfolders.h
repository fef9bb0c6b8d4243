// The subfolders of a run's output folder: the scenario's folder tree made again there, never through a link.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/file_error.h"
#include "platform/output_folder.h"

namespace celshift {

class OutputSubfolders {
public:
    explicit OutputSubfolders(OutputFolder& top) : top_(top) {}

    // Makes each subfolder (by its path under the output folder, each after the folder that holds it) where it is
    // absent, and removes what killed runs left in it. One that cannot be made is remembered with its reason.
    void make(const std::vector<std::string>& subfolders);

    // The folder that takes a file named by its path under the output folder (the output folder itself for a name
    // without a folder); null when that folder could not be made, with the reason in `why`. Safe from any thread.
    std::shared_ptr<OutputFolder> folderFor(const std::string& fileName, std::string& why);

    OutputFolder& top() const { return top_; }

    // An entry that the folder for fileName held before the run, whose name Windows takes for the name the file gets
    // there ("AREA01.WID" for "Area01.wid") and that is spelt otherwise; empty when there is none, or when the folder
    // holds that very spelling too. Safe from any thread.
    std::string otherSpellingThere(const std::string& fileName);
    // Only an output folder that tells case apart holds two such names; one that folds case has one file for both.
    void tellOtherSpellings(bool tell) { tellOtherSpellings_ = tell; }

private:
    std::shared_ptr<OutputFolder> open(const std::string& folder, std::string& why);

    // Folders stay open for the run's writes, up to this many: each holds a handle, and the process has a limit.
    static constexpr std::size_t kOpenFolders = 256;

    OutputFolder& top_;
    bool tellOtherSpellings_ = true;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<OutputFolder>> open_;
    std::map<std::string, std::string> failed_;  // folder -> why it could not be made
    // Per folder, the names it held before the run by the form Windows compares them in.
    std::map<std::string, std::unordered_map<std::string, std::vector<std::string>>> spellings_;
};

// The folder part of a path under a folder ("" for a name without one).
std::string folderPartOf(const std::string& fileName);

}  // namespace celshift
