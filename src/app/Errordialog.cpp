#include "app/Errordialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

#include "app/fonts.h"

namespace celshift {

TErrorFm* ErrorFm = nullptr;

TErrorFm::TErrorFm(QWidget* parent)
    : QDialog(parent), PathLabel(new QLabel(this)), ReasonLabel(new QLabel(this)), CloseButton(nullptr) {
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
    ReasonLabel->setObjectName("ReasonLabel");
    ReasonLabel->setTextFormat(Qt::PlainText);
    ReasonLabel->setWordWrap(true);
    ReasonLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    // Enter and Esc close it like every other box: the run waits until it is closed.
    auto* buttons = new QDialogButtonBox(this);
    CloseButton = buttons->addButton("閉じる", QDialogButtonBox::AcceptRole);
    CloseButton->setObjectName("CloseButton");
    CloseButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PathLabel);
    layout->addWidget(ReasonLabel);
    layout->addStretch(1);
    layout->addWidget(buttons);
}

void TErrorFm::setFile(const QString& path, const QString& reason) {
    PathLabel->setText(path);
    ReasonLabel->setText(reason);
    ReasonLabel->setVisible(!reason.isEmpty());
    // As wide as the path needs (up to half the screen), as high as the text needs; never smaller than designed.
    const int wanted = PathLabel->fontMetrics().horizontalAdvance(path) + 40;
    const QScreen* shown = parentWidget() != nullptr ? parentWidget()->screen() : screen();
    const int widest = shown != nullptr ? shown->availableGeometry().width() / 2 : 640;
    resize(std::clamp(wanted, 221, std::max(221, widest)), 10);
    adjustSize();
    resize(std::max(width(), 221), std::min(height(), 182 + 200));
    CloseButton->setFocus();
}

}  // namespace celshift
