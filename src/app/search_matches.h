// The count of a search's matches, beside the search line of the names page and of the report.
#pragma once

#include <QLabel>
#include <QLineEdit>
#include <QString>

namespace celshift {

// "N件" while the search holds text, "一致なし" when nothing matches; hidden while the search is empty.
inline void showMatches(const QLineEdit* search, QLabel* label, int count) {
    const bool searching = !search->text().isEmpty();
    label->setText(!searching ? QString() : count == 0 ? QString("一致なし") : QString("%1件").arg(count));
    label->setVisible(searching);
}

}  // namespace celshift
