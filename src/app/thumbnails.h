// Small pictures of image files, for the rows and the names panel. Qt decodes BMP and JPEG; other image kinds
// (.jpy1, .jpdc, .jpx) and files it cannot decode get a plain placeholder.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QSize>
#include <QString>

class QLabel;

namespace celshift {

// The picture of the file at path, scaled to fit size with its proportions kept; a null image when the file
// cannot be decoded. Safe on any thread.
QImage loadThumbnail(const QString& path, QSize size);

// A plain frame of size: the file is there but cannot be shown.
QPixmap placeholderThumbnail(QSize size);

// Shows the file's picture in label (at the label's size), the placeholder when it cannot be decoded, and nothing
// for an empty path. Pictures are kept by path, size and modification time, so retyping a name reads no file again.
void showThumbnail(QLabel* label, const QString& path);

}  // namespace celshift
