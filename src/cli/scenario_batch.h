// Several scenarios in one call: each converted (or looked at) in turn into an output folder of its own.
#pragma once

#include <string>
#include <vector>

namespace celshift::cli {

inline constexpr const char* kCaptionScenario = "シナリオ";
inline constexpr const char* kCannotMakeOutputFolder = "出力先フォルダを作れません";
inline constexpr const char* kOutputFolderIsLink = "出力先フォルダがリンクです（リンク先には書き込みません）";

// One scenario of a call.
struct ScenarioJob {
    std::string summary;           // its "Summary.wsm", as an absolute path
    std::string name;              // the name of its folder, as "シナリオ: NAME" shows it
    std::string output;            // its output folder (for a conversion)
    std::string outputParent;      // with several scenarios: the folder that holds output, made by the call
    std::string unreadableFolder;  // not empty: the scenario folder (or one on its way) cannot be read
};

// Resolves every scenario; one whose folder cannot be read is kept with unreadableFolder set, so that the
// others still run. With one scenario the output folder is outputFolder itself; with several, each
// scenario's is outputFolder/<the name of its folder> ("." and ".." resolved: "." names the folder it stands
// for). Throws std::invalid_argument, before anything is written, for a scenario that names no "Summary.wsm",
// a scenario folder without a name (a root), two scenario folders of the same name (compared as Windows
// compares file names: their outputs would be one), or an output folder of the call that is one of its
// scenario folders (through a link too): the call would write into a scenario.
std::vector<ScenarioJob> planScenarios(const std::vector<std::string>& scenarios, const std::string& outputFolder);

// Makes a scenario's own output folder (outputParent/<name>) when it is not there. Returns the message that
// refuses the scenario when outputParent is missing or no folder, the folder cannot be made, or what stands under
// that name is a link (to anywhere) or anything but a folder: nothing outside outputParent is written. Empty when
// a plain folder is there.
std::string makeScenarioOutputFolder(const ScenarioJob& job);

// True for an exit status that tells of a stop (Ctrl+C, a signal, a closed output): no later scenario starts.
bool isStopStatus(int status);

// The exit status of a call from the statuses of its scenarios, in order: a stop status if any, else 2 if a
// scenario did not start, else 1 if a data file failed (or, for --missing, an image is missing), else 0.
int combinedStatus(const std::vector<int>& statuses);

}  // namespace celshift::cli
