#include "app/picture_files.h"

#include <QFile>

#include "app/window_paths.h"
#include "platform/file_copy.h"
#include "run/image_files.h"

namespace celshift {

std::optional<std::string> findPictureFile(const std::string& folder, const std::string& name) {
    if (folder.empty() || name.empty()) return std::nullopt;
    return ImageFileIndex(folder).findTyped(name);
}

bool sameContents(const std::string& a, const std::string& b) {
    if (isSameFileSystemObject(a, b)) return true;
    QFile first(fromBytes(a));
    QFile second(fromBytes(b));
    if (!first.open(QIODevice::ReadOnly) || !second.open(QIODevice::ReadOnly)) return false;
    if (first.size() != second.size()) return false;
    constexpr qint64 kChunk = 1 << 16;
    while (!first.atEnd()) {
        const QByteArray left = first.read(kChunk);
        const QByteArray right = second.read(kChunk);
        if (left.isEmpty() && first.error() != QFile::NoError) return false;
        if (left != right) return false;
    }
    return second.atEnd();
}

}  // namespace celshift
