// A layout for controls drawn at fixed places: at the designed size of its widget each control lies exactly where
// it was drawn, and what the widget has beyond that size is shared out, each control moving by one part of the
// extra width and height and growing by another. Smaller than the designed size it never goes: its minimum is the
// designed size.
#pragma once

#include <functional>
#include <vector>

#include <QLayout>
#include <QRect>
#include <QSize>

namespace celshift {

class DesignedLayout : public QLayout {
public:
    // How a control takes part in the extra room, as fractions of the extra width (x) and height (y).
    struct Share {
        double moveX = 0;
        double growX = 0;
        double moveY = 0;
        double growY = 0;
    };

    DesignedLayout(QWidget* parent, QSize designed);
    ~DesignedLayout() override;

    // Places widget at designed, sharing the extra room as share says.
    void addDesigned(QWidget* widget, QRect designed, Share share);
    void addDesigned(QWidget* widget, QRect designed) { addDesigned(widget, designed, Share{}); }
    // Places widget at its preferred size, its right edge rightMargin pixels inside the widget's right edge, at
    // y: for a label whose text changes.
    void addRightAligned(QWidget* widget, int y, int rightMargin);
    // The extra room is by default what the layout is given beyond the designed size. A layout deep inside the
    // window may instead take it from elsewhere (the window's own extra room), so that it starts sharing at the
    // same moment as the window.
    void setExtraSource(std::function<QSize()> source) { extraSource_ = std::move(source); }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override { return static_cast<int>(items_.size()); }
    QSize sizeHint() const override { return designed_; }
    QSize minimumSize() const override { return designed_; }
    void setGeometry(const QRect& rect) override;

private:
    struct Placed {
        QLayoutItem* item;
        QRect designed;
        Share share;
        int rightMargin = -1;  // >= 0: right-aligned at its preferred width
    };

    QSize designed_;
    std::vector<Placed> items_;
    std::function<QSize()> extraSource_;
};

}  // namespace celshift
