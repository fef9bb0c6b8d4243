#include "app/settings_location.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include <QFile>
#include <QStandardPaths>

#include "app/Main.h"
#include "platform/name_rules.h"

namespace celshift {

bool folderWritable(const std::string& folder) {
    struct stat status {};
    if (folder.empty() || ::stat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode)) return false;
    // The settings are saved through a temporary file in the same folder, so the folder itself must be writable.
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string settingsLocation(const std::string& besideExecutable, const std::string& configFolder,
                             const FolderWritable& writable) {
    // No configuration folder (no home folder known): beside the executable, where saving then reports the failure.
    if (writable(parentFolder(besideExecutable)) || configFolder.empty()) return besideExecutable;
    std::error_code ignored;
    std::filesystem::create_directories(configFolder, ignored);
    return joinPath(configFolder, "celshift.ini");
}

std::string settingsFileLocation() {
    const QString config = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return settingsLocation(settingsFilePath(), QFile::encodeName(config).toStdString(), folderWritable);
}

}  // namespace celshift
