#include "app/settings_location.h"

#include <filesystem>
#include <system_error>

#include <QFile>
#include <QStandardPaths>

#include "app/Main.h"
#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"

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

std::string settingsFileLocation() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return settingsLocation(settingsFilePath(), config.toStdString(), folderWritable);
}

}  // namespace celshift
