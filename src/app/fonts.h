// The window's fonts: the Japanese faces the window was drawn with where the system has them, otherwise Japanese
// faces that it has, so that no text is drawn as empty boxes or with Chinese glyph shapes.
#pragma once

#include <QFont>
#include <QStringList>

namespace celshift {

// The window and its labels, buttons and boxes: "ＭＳ Ｐゴシック", 12 pixels.
QFont windowFont();
// The conversion rows: "ＭＳ ゴシック", 12 pixels.
QFont editFont();

// True when the font draws "_" at all. The small bitmap sizes some faces carry leave out what lies below their
// cell (IPAGothic at 12 pixels under Wine draws file names without their underscores).
bool drawsUnderscore(const QFont& font);

// The families to ask for, best first: those of preferred that the system has, then the first Japanese family it
// has when none of them is there. preferred itself when the system has no Japanese face at all.
QStringList availableFamilies(const QStringList& preferred);

}  // namespace celshift
