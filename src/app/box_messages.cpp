#include "app/box_messages.h"

#include <QFile>
#include <QMessageBox>
#include <QString>

#include "app/Errordialog.h"

namespace celshift {

void BoxMessages::showMessage(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Ok, parent_);
    // File names are shown as they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void BoxMessages::showErrorFm(const std::string& path) {
    const QString shownPath = QFile::decodeName(QByteArray::fromStdString(path));
    if (ErrorFm != nullptr) {
        ErrorFm->showModalFor(shownPath);
        return;
    }
    TErrorFm window(parent_);
    window.showModalFor(shownPath);
}

}  // namespace celshift
