#include "app/fonts.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

namespace celshift {

namespace {

QFont japaneseFont(const QStringList& preferred) {
    QFont font;
    font.setFamilies(availableFamilies(preferred));
    font.setPixelSize(12);
    // A face whose 12-pixel size loses the underscores of file names is taken one pixel larger.
    if (!drawsUnderscore(font)) font.setPixelSize(13);
    return font;
}

}  // namespace

bool drawsUnderscore(const QFont& font) {
    const QFontMetrics metrics(font);
    QImage image(metrics.horizontalAdvance('_') + 4, metrics.height() + 4, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(2, 2 + metrics.ascent(), "_");
    }
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            if (qGray(image.pixel(x, y)) < 224) return true;
    }
    return false;
}

QStringList availableFamilies(const QStringList& preferred) {
    QStringList families;
    for (const QString& family : preferred) {
        if (QFontDatabase::hasFamily(family)) families << family;
    }
    if (families.isEmpty()) {
        const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
        if (!japanese.isEmpty()) families << japanese.front();
    }
    return families.isEmpty() ? preferred : families;
}

QFont windowFont() {
    return japaneseFont({"ＭＳ Ｐゴシック", "MS PGothic", "IPAPGothic", "Noto Sans CJK JP", "Source Han Sans JP",
                         "VL PGothic", "TakaoPGothic", "IPAGothic", "Noto Sans Mono CJK JP"});
}

QFont editFont() {
    return japaneseFont({"ＭＳ ゴシック", "MS Gothic", "IPAGothic", "Noto Sans Mono CJK JP", "VL Gothic",
                         "TakaoGothic", "Noto Sans CJK JP", "IPAPGothic"});
}

}  // namespace celshift
