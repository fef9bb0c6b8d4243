// Texts that fit the room the window gives them at its smallest size without being cut in the wrong place.
//
// PartsLabel: a label whose text breaks only between its parts, never inside a word: Qt breaks Japanese text between any two
// characters ("変換済" at the end of a line, "み" on the next), which narrow pages of the window made readers trip
// over. A part is what runs up to and including "、", "。", "：" or "・", or up to "（"; with breakAtSpaces, a space ends a
// part too. A line break in the text always breaks. A part wider than the label is elided at its end.
// text() stays the text as set.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QStringList>

namespace celshift {

// text split into the parts a line may break between; "\n" stands alone as a part of its own.
QStringList breakableParts(const QString& text, bool breakAtSpaces);

// parts laid out in lines no wider than width in metrics (a part that alone is wider is elided).
QStringList lineUp(const QStringList& parts, const QFontMetrics& metrics, int width);

class PartsLabel : public QLabel {
public:
    explicit PartsLabel(QWidget* parent = nullptr, bool breakAtSpaces = false);

    // The lines as drawn at the label's width.
    QStringList shownLines() const;

    QSize sizeHint() const override;
    // As wide as the first part: "画像名 12 件" is never broken nor elided.
    QSize minimumSizeHint() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QStringList linesFor(int width) const;

    bool breakAtSpaces_;
};

// A read-only line for a path. Without the focus, a path that does not fit is drawn elided in the middle, so that
// both its beginning (the drive, the top folders) and its end (the folder's own name) stay in sight; with the
// focus it is an ordinary line that scrolls, to select and copy from. text() is the whole path.
class PathLine : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

    // What the line draws without the focus.
    QString shownText() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect textArea() const;
};

}  // namespace celshift
