// Answers the boxes and the error window that come up, as a user would, from a timer on the GUI thread, and
// records each: for tests that run the real boxes on the real threads.
#pragma once

#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QString>
#include <QThread>
#include <QTest>
#include <QTimer>

#include "app/Errordialog.h"

namespace celshift::test {

// The box that waits for an answer: a modal one (a question, a file dialog), else a box of the run, which holds the
// window without being modal; nullptr when none is up.
inline QWidget* boxWaitingForAnswer() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && (qobject_cast<QMessageBox*>(widget) != nullptr || qobject_cast<TErrorFm*>(widget) != nullptr))
            return widget;
    }
    return nullptr;
}

class BoxAnswerer {
public:
    struct Seen {
        QString caption;
        QString text;          // the box's text, or ErrorFm's path
        QWidget* parent;       // what it is shown over
        Qt::TextFormat format;  // how its text is taken
        int width;
        bool centredOverParent;
        bool onGuiThread;
        bool offersReport;  // a button that leads to the run's report
        QString informative;  // the lines under a box's text (ErrorFm: the reason)
    };

    BoxAnswerer() {
        timer_.setInterval(10);
        QObject::connect(&timer_, &QTimer::timeout, [this] { answer(); });
        timer_.start();
    }

    // Which button answers a box that is not a plain message: Yes or No for the question at close.
    QMessageBox::StandardButton questionAnswer = QMessageBox::Yes;
    // Answers a box that offers the run's report with that button instead of OK.
    bool takeReport = false;
    // Answers every message box with Esc instead of a button.
    bool escape = false;
    // A box of this object name is left up for the test (the question at close, say); it is not recorded.
    QString leaveUp;
    // Called with each box before it is answered; a test can look at the window in the meantime.
    std::function<void(const Seen&)> onShown;

    std::vector<Seen> seen;

private:
    void answer() {
        QWidget* modal = boxWaitingForAnswer();
        if (modal == nullptr || !modal->isVisible()) return;
        const bool onGuiThread = modal->thread() == QApplication::instance()->thread();
        const QWidget* parent = modal->parentWidget();
        const bool centred = parent != nullptr && parent->frameGeometry().contains(modal->frameGeometry().center());
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            if (!leaveUp.isEmpty() && box->objectName() == leaveUp) return;
            const auto* label = box->findChild<QLabel*>("qt_msgbox_label");
            auto* report = box->findChild<QAbstractButton*>("ShowReport");
            seen.push_back({box->windowTitle(), box->text(), box->parentWidget(),
                            label != nullptr ? label->textFormat() : box->textFormat(), box->width(), centred,
                            onGuiThread, report != nullptr, box->informativeText()});
            if (onShown) onShown(seen.back());
            if (escape) {
                QTest::keyClick(box, Qt::Key_Escape);
                return;
            }
            if (takeReport && report != nullptr) {
                report->click();
                return;
            }
            QAbstractButton* button = box->button(QMessageBox::Ok);
            if (button == nullptr) button = box->button(questionAnswer);
            if (button != nullptr) button->click();
            return;
        }
        if (auto* errorFm = qobject_cast<TErrorFm*>(modal)) {
            seen.push_back({errorFm->windowTitle(), errorFm->PathLabel->text(), errorFm->parentWidget(),
                            errorFm->PathLabel->textFormat(), errorFm->width(), centred, onGuiThread, false,
                            errorFm->ReasonLabel->text()});
            if (onShown) onShown(seen.back());
            // Enter, as a user closes it: its default button.
            QTest::keyClick(errorFm, Qt::Key_Return);
        }
    }

    QTimer timer_;
};

}  // namespace celshift::test
