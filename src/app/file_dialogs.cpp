#include "app/file_dialogs.h"

#include <algorithm>

#include <QDateTime>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFontMetrics>
#include <QHeaderView>
#include <QLocale>
#include <QTreeView>

namespace celshift {

bool systemDialogsSpeakJapanese(const QStringList& uiLanguages) {
    return !uiLanguages.isEmpty() && (uiLanguages.front() == "ja" || uiLanguages.front().startsWith("ja-"));
}

namespace {

// The kind of a file as Qt's own dialog lists it, told from its name alone ("WID ファイル"). Qt tells it from the
// file's type in the system's list of types, and from the file's contents where its name does not tell it: on the
// GUI thread, for every file as the folder's lines come in; the first look into a scenario folder of 6,000 files
// held the window for 0.5 to 0.9 s, most of it there.
class KindsByName : public QFileIconProvider {
public:
    QString type(const QFileInfo& info) const override {
        if (info.isDir()) return "フォルダー";
        return info.suffix().isEmpty() ? QString("ファイル") : info.suffix().toUpper() + " ファイル";
    }
};

}  // namespace

// The columns of Qt's own dialog (size, kind, date) get widths measured once on the longest texts they show, not on
// the folder's lines, which would be measured again and again as they come in.
void prepareFileDialog(QFileDialog& dialog) {
    if (!systemDialogsSpeakJapanese(QLocale::system().uiLanguages())) dialog.setOption(QFileDialog::DontUseNativeDialog);
    static KindsByName kinds;
    dialog.setIconProvider(&kinds);
    dialog.resize(dialog.size().expandedTo(QSize(760, 480)));
    auto* list = dialog.findChild<QTreeView*>("treeView");
    if (list == nullptr) return;
    QHeaderView* header = list->header();
    const QFontMetrics metrics(list->font());
    const QLocale locale = QLocale::system();
    const QStringList longest{locale.formattedDataSize(999'999'999'999), "JPEG ファイル",
                              locale.toString(QDateTime(QDate(2000, 12, 28), QTime(23, 58, 58)), QLocale::ShortFormat)};
    for (int column = 1; column < header->count(); ++column) {
        const QString title = list->model() != nullptr ? list->model()->headerData(column, Qt::Horizontal).toString() : QString();
        const QString text = column - 1 < longest.size() ? longest[column - 1] : QString();
        header->setSectionResizeMode(column, QHeaderView::Interactive);
        header->resizeSection(column, std::max(metrics.horizontalAdvance(text), metrics.horizontalAdvance(title)) + 24);
    }
    header->setSectionResizeMode(0, QHeaderView::Stretch);
    header->setStretchLastSection(false);
}

}  // namespace celshift
