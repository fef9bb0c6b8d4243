#include "app/thumbnails.h"

#include <QCache>
#include <QDateTime>
#include <QFileInfo>
#include <QImageReader>
#include <QLabel>
#include <QPainter>

namespace celshift {

QImage loadThumbnail(const QString& path, QSize size) {
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QSize full = reader.size();
    if (full.isValid() && !full.isEmpty()) reader.setScaledSize(full.scaled(size, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (image.isNull()) return {};
    const QSize fitted = image.size().scaled(size, Qt::KeepAspectRatio);
    if (image.size() == fitted) return image;
    // Small cell pictures are drawn larger with their pixels kept sharp; large ones are shrunk smoothly.
    const bool larger = fitted.width() > image.width();
    return image.scaled(fitted, Qt::IgnoreAspectRatio, larger ? Qt::FastTransformation : Qt::SmoothTransformation);
}

QPixmap placeholderThumbnail(QSize size) {
    QPixmap pixmap(size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(150, 150, 150));
    painter.setBrush(QColor(235, 235, 235));
    painter.drawRect(QRect(QPoint(0, 0), size - QSize(1, 1)));
    painter.drawLine(QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1));
    return pixmap;
}

void showThumbnail(QLabel* label, const QString& path) {
    if (path.isEmpty()) {
        label->clear();
        return;
    }
    // Images, not pixmaps: the cache outlives the application object, and pixmaps may not.
    static QCache<QString, QImage> cache(256);
    const QFileInfo info(path);
    const QString key = QString("%1|%2x%3|%4|%5")
                            .arg(info.absoluteFilePath())
                            .arg(label->width())
                            .arg(label->height())
                            .arg(info.lastModified().toMSecsSinceEpoch())
                            .arg(info.size());
    if (const QImage* cached = cache.object(key)) {
        label->setPixmap(QPixmap::fromImage(*cached));
        return;
    }
    auto* image = new QImage(loadThumbnail(path, label->size()));
    if (image->isNull()) *image = placeholderThumbnail(label->size()).toImage();
    label->setPixmap(QPixmap::fromImage(*image));
    cache.insert(key, image);
}

}  // namespace celshift
