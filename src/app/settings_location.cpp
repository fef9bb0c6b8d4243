#include "app/settings_location.h"

#include <filesystem>
#include <system_error>

#include <QFile>
#include <QStandardPaths>

#include "app/Main.h"
#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/conversion_run.h"

namespace celshift {

// The settings are saved through a temporary file in the same folder, so the folder itself must be writable.
bool folderWritable(const std::string& folder) { return isWritableFolder(folder); }

std::string settingsLocation(const std::string& besideExecutable, const std::string& configFolder,
                             const FolderWritable& writable) {
    // No configuration folder (no home folder known): beside the executable, where saving then reports the failure.
    if (writable(parentFolder(besideExecutable)) || configFolder.empty()) return besideExecutable;
    std::error_code ignored;
    std::filesystem::create_directories(pathFromUtf8(configFolder), ignored);
    return joinPath(configFolder, "celshift.ini");
}

std::string outputFolderLocation(const std::string& besideExecutable, const std::string& documentsFolder,
                                 const FolderWritable& writable) {
    // "…/Scena/": the trailing separator is dropped before asking for the folder it lies in.
    std::string folder = besideExecutable;
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    if (writable(parentFolder(folder)) || documentsFolder.empty()) return besideExecutable;
    return joinPath(joinPath(documentsFolder, "Scena"), "");
}

std::string defaultWindowOutputFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return outputFolderLocation(defaultOutputFolder(), QFile::encodeName(documents).toStdString(), folderWritable);
}

std::string settingsFileLocation() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return settingsLocation(settingsFilePath(), config.toStdString(), folderWritable);
}

}  // namespace celshift
