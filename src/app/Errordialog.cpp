#include "app/Errordialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/fonts.h"

namespace celshift {

TErrorFm* ErrorFm = nullptr;

TErrorFm::TErrorFm(QWidget* parent) : QDialog(parent), PathLabel(new QLabel(this)), CloseButton(nullptr) {
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
    // Enter and Esc close it like every other box: the run waits until it is closed.
    auto* buttons = new QDialogButtonBox(this);
    CloseButton = buttons->addButton("閉じる", QDialogButtonBox::AcceptRole);
    CloseButton->setObjectName("CloseButton");
    CloseButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PathLabel, 1);
    layout->addWidget(buttons);
}

void TErrorFm::showModalFor(const QString& path) {
    PathLabel->setText(path);
    CloseButton->setFocus();
    exec();
}

}  // namespace celshift
