#include "app/Errordialog.h"

#include <QLabel>
#include <QVBoxLayout>

#include "app/fonts.h"

namespace celshift {

TErrorFm* ErrorFm = nullptr;

TErrorFm::TErrorFm(QWidget* parent) : QDialog(parent), PathLabel(new QLabel(this)) {
    setObjectName("ErrorFm");
    setWindowTitle("ErrorFm");
    setFont(windowFont());
    resize(221, 182);
    setSizeGripEnabled(true);

    PathLabel->setObjectName("PathLabel");
    PathLabel->setTextFormat(Qt::PlainText);
    PathLabel->setWordWrap(true);
    PathLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    PathLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PathLabel);
}

void TErrorFm::showModalFor(const QString& path) {
    PathLabel->setText(path);
    exec();
}

}  // namespace celshift
