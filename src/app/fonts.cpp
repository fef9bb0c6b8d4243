#include "app/fonts.h"

#include <QFontDatabase>

namespace celshift {

namespace {

QFont japaneseFont(const QStringList& preferred) {
    QFont font;
    font.setFamilies(availableFamilies(preferred));
    font.setPixelSize(12);
    return font;
}

}  // namespace

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
