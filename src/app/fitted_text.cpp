#include "app/fitted_text.h"

#include <algorithm>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace celshift {

QStringList breakableParts(const QString& text, bool breakAtSpaces) {
    QStringList parts;
    QString part;
    const auto endPart = [&] {
        if (!part.isEmpty()) parts << part;
        part.clear();
    };
    for (const QChar c : text) {
        if (c == u'\n') {
            endPart();
            parts << QString(c);
            continue;
        }
        if (c == u'（') endPart();
        part += c;
        if (c == u'、' || c == u'。' || c == u'：' || c == u'・' || (breakAtSpaces && c == u' ')) endPart();
    }
    endPart();
    return parts;
}

QStringList lineUp(const QStringList& parts, const QFontMetrics& metrics, int width) {
    QStringList lines;
    QString line;
    const auto endLine = [&] {
        while (line.endsWith(u' ')) line.chop(1);
        lines << (metrics.horizontalAdvance(line) > width ? metrics.elidedText(line, Qt::ElideRight, width) : line);
        line.clear();
    };
    for (const QString& part : parts) {
        if (part == u"\n") {
            endLine();
            continue;
        }
        if (!line.isEmpty() && metrics.horizontalAdvance(line + part) > width) endLine();
        line += part;
    }
    if (!line.isEmpty() || parts.isEmpty() || parts.back() == u"\n") endLine();
    return lines;
}

PartsLabel::PartsLabel(QWidget* parent, bool breakAtSpaces) : QLabel(parent), breakAtSpaces_(breakAtSpaces) {
    setTextFormat(Qt::PlainText);
}

QStringList PartsLabel::linesFor(int width) const {
    if (text().isEmpty()) return {};
    return lineUp(breakableParts(text(), breakAtSpaces_), fontMetrics(), width);
}

QStringList PartsLabel::shownLines() const {
    return linesFor(contentsRect().width() - 2 * margin());
}

int PartsLabel::heightForWidth(int width) const {
    const QMargins margins = contentsMargins();
    const int room = width - margins.left() - margins.right() - 2 * margin();
    return static_cast<int>(linesFor(room).size()) * fontMetrics().lineSpacing() + margins.top() + margins.bottom() +
           2 * margin();
}

QSize PartsLabel::sizeHint() const {
    const QMargins margins = contentsMargins();
    int widest = 0;
    for (const QString& line : text().split(u'\n')) widest = std::max(widest, fontMetrics().horizontalAdvance(line));
    const int width = widest + margins.left() + margins.right() + 2 * margin();
    return {width, heightForWidth(width)};
}

QSize PartsLabel::minimumSizeHint() const {
    const QMargins margins = contentsMargins();
    const QStringList parts = breakableParts(text(), breakAtSpaces_);
    const QString first = parts.isEmpty() ? QString() : parts.front().trimmed();
    return {fontMetrics().horizontalAdvance(first) + margins.left() + margins.right() + 2 * margin(),
            fontMetrics().lineSpacing() + margins.top() + margins.bottom() + 2 * margin()};
}

void PartsLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    drawFrame(&painter);
    const QRect area = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
    const QStringList lines = linesFor(area.width());
    const int lineHeight = fontMetrics().lineSpacing();
    const int block = static_cast<int>(lines.size()) * lineHeight;
    int y = area.top();
    if (alignment() & Qt::AlignVCenter) y += (area.height() - block) / 2;
    if (alignment() & Qt::AlignBottom) y += area.height() - block;
    for (const QString& line : lines) {
        style()->drawItemText(&painter, QRect(area.left(), y, area.width(), lineHeight),
                              static_cast<int>((alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter), palette(),
                              isEnabled(), line, foregroundRole());
        y += lineHeight;
    }
}

QRect PathLine::textArea() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    // QLineEdit keeps 2 pixels between its contents' edges and the text.
    return style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins()).adjusted(2, 0, -2, 0);
}

QString PathLine::shownText() const {
    if (hasFocus()) return text();
    return fontMetrics().elidedText(text(), Qt::ElideMiddle, textArea().width());
}

void PathLine::paintEvent(QPaintEvent* event) {
    const QString shown = shownText();
    if (shown == text()) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(textArea(), static_cast<int>(Qt::AlignLeft | Qt::AlignVCenter), shown);
}

}  // namespace celshift
