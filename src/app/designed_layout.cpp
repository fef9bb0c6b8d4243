#include "app/designed_layout.h"

#include <algorithm>
#include <cmath>

#include <QWidget>
#include <QWidgetItem>

namespace celshift {

DesignedLayout::DesignedLayout(QWidget* parent, QSize designed) : QLayout(parent), designed_(designed) {
    setContentsMargins(0, 0, 0, 0);
}

DesignedLayout::~DesignedLayout() {
    for (const Placed& placed : items_) delete placed.item;
}

void DesignedLayout::addDesigned(QWidget* widget, QRect designed, Share share) {
    addChildWidget(widget);
    items_.push_back({new QWidgetItem(widget), designed, share});
    invalidate();
}

void DesignedLayout::addRightAligned(QWidget* widget, int y, int rightMargin) {
    addChildWidget(widget);
    items_.push_back({new QWidgetItem(widget), QRect(0, y, 0, 0), {}, rightMargin});
    invalidate();
}

// Items that arrive without a place (QLayout::addWidget) keep the place they have.
void DesignedLayout::addItem(QLayoutItem* item) {
    const QRect place = item->widget() != nullptr ? item->widget()->geometry() : QRect(QPoint(), item->sizeHint());
    items_.push_back({item, place, {}});
}

QLayoutItem* DesignedLayout::itemAt(int index) const {
    return index >= 0 && index < count() ? items_[static_cast<std::size_t>(index)].item : nullptr;
}

QLayoutItem* DesignedLayout::takeAt(int index) {
    if (index < 0 || index >= count()) return nullptr;
    QLayoutItem* item = items_[static_cast<std::size_t>(index)].item;
    items_.erase(items_.begin() + index);
    return item;
}

void DesignedLayout::setGeometry(const QRect& given) {
    QLayout::setGeometry(given);
    // Places are drawn from the widget's own corner, not from inside its frame or title (a group box's).
    const QWidget* owner = parentWidget();
    const QRect rect = owner != nullptr && owner->layout() == this ? owner->rect() : given;
    const QSize extra = extraSource_ ? extraSource_() : rect.size() - designed_;
    const int extraWidth = std::max(extra.width(), 0);
    const int extraHeight = std::max(extra.height(), 0);
    const auto part = [](int extra, double share) { return static_cast<int>(std::lround(extra * share)); };
    // Exactly the place given: a widget item would bend it to the widget's size hint (a line edit's height).
    const auto place = [](QLayoutItem* item, const QRect& r) {
        if (item->widget() != nullptr) {
            item->widget()->setGeometry(r);
        } else {
            item->setGeometry(r);
        }
    };
    for (const Placed& placed : items_) {
        if (placed.rightMargin >= 0) {
            const QSize size = placed.item->sizeHint();
            place(placed.item, QRect(rect.x() + rect.width() - placed.rightMargin - size.width(),
                                     rect.y() + placed.designed.y(), size.width(), size.height()));
            continue;
        }
        const QRect& d = placed.designed;
        place(placed.item, QRect(rect.x() + d.x() + part(extraWidth, placed.share.moveX),
                                 rect.y() + d.y() + part(extraHeight, placed.share.moveY),
                                 d.width() + part(extraWidth, placed.share.growX),
                                 d.height() + part(extraHeight, placed.share.growY)));
    }
}

}  // namespace celshift
