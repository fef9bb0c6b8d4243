// Where the settings file lives. A portable copy (its folder writable) keeps it beside the executable; an installed
// program (its folder not writable, as /usr/bin for a user) keeps it in the user's configuration folder instead.
#pragma once

#include <functional>
#include <string>

namespace celshift {

// Whether this process may create and replace files in a folder (the effective user's rights; a file or a missing
// path is no writable folder).
bool folderWritable(const std::string& folder);

using FolderWritable = std::function<bool(const std::string& folder)>;

// The settings file for this start: besideExecutable when the folder it is in is writable, else
// configFolder + "/celshift.ini". The configuration folder is created when missing; when it cannot be, the path is
// still given, so that saving fails with a message that names it.
std::string settingsLocation(const std::string& besideExecutable, const std::string& configFolder,
                             const FolderWritable& writable);

// The settings file of the running program: settingsFilePath() or the application's configuration folder.
std::string settingsFileLocation();

// The window's output folder when none is chosen: besideExecutable ("Scena" beside the program) when the
// program's folder is writable (a portable copy), else documentsFolder + "/Scena/" (an installed program). Without
// a documents folder, besideExecutable. Neither is created here: the window asks first.
std::string outputFolderLocation(const std::string& besideExecutable, const std::string& documentsFolder,
                                 const FolderWritable& writable);

// That folder for the running program (the user's documents folder as the system names it).
std::string defaultWindowOutputFolder();

}  // namespace celshift
