#include "app/file_dialogs.h"

#include <QFileDialog>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

namespace celshift {

bool systemDialogsSpeakJapanese(const QStringList& uiLanguages) {
    return !uiLanguages.isEmpty() && (uiLanguages.front() == "ja" || uiLanguages.front().startsWith("ja-"));
}

void prepareFileDialog(QFileDialog& dialog) {
    if (!systemDialogsSpeakJapanese(QLocale::system().uiLanguages())) dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.resize(dialog.size().expandedTo(QSize(760, 480)));
    auto* list = dialog.findChild<QTreeView*>("treeView");
    if (list == nullptr) return;
    QHeaderView* header = list->header();
    for (int column = 1; column < header->count(); ++column) header->setSectionResizeMode(column, QHeaderView::ResizeToContents);
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setStretchLastSection(false);
}

}  // namespace celshift
