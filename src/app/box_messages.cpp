#include "app/box_messages.h"

#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QThread>
#include <QWindow>

#include "app/Errordialog.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

// Title bars hold an icon and up to three buttons besides the caption; window managers draw them 16 to 30
// pixels wide, with margins.
constexpr int kTitleBarRoom = 150;

// While a box of the run is up, the window under it takes no input: a click into it brings the box to the front, as
// with a modal box. Its close is let through: Qt drops the close of a window that a modal box blocks, and the
// title bar's × must ask whether to stop the run.
class WindowInputBlock : public QObject {
public:
    WindowInputBlock(QWidget* window, QWidget* box) : window_(window != nullptr ? window->window() : nullptr), box_(box) {
        if (window_ != nullptr) QCoreApplication::instance()->installEventFilter(this);
    }
    ~WindowInputBlock() override {
        if (window_ != nullptr) QCoreApplication::instance()->removeEventFilter(this);
    }
    WindowInputBlock(const WindowInputBlock&) = delete;
    WindowInputBlock& operator=(const WindowInputBlock&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
            case QEvent::Wheel:
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
            case QEvent::ShortcutOverride:  // accepted: the window's shortcuts do not fire either
            case QEvent::ContextMenu:
            case QEvent::TouchBegin:
            case QEvent::TouchUpdate:
            case QEvent::TouchEnd:
            case QEvent::TabletPress:
            case QEvent::TabletRelease:
            case QEvent::DragEnter:
            case QEvent::DragMove:
            case QEvent::Drop:
                break;
            default:
                return false;
        }
        const auto* widget = qobject_cast<QWidget*>(watched);
        const bool inWindow = widget != nullptr ? widget->window() == window_
                                                : watched == static_cast<QObject*>(window_->windowHandle());
        if (!inWindow) return false;
        if (event->type() == QEvent::MouseButtonPress && box_ != nullptr) box_->activateWindow();
        event->accept();
        return true;
    }

private:
    QWidget* window_;
    QPointer<QWidget> box_;
};

}  // namespace

int boxWidthForCaption(const QString& caption) {
    // Window managers draw captions in a bold face of about the application's size.
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarRoom;
}

void BoxMessages::onGuiThread(const std::function<void()>& show, bool last) {
    if (silent_.load()) return;
    QObject* const context = parent_ != nullptr ? static_cast<QObject*>(parent_) : QCoreApplication::instance();
    const auto showNow = [&show, last, this] {
        if (silent_.load()) return;
        if (beforeBox_) beforeBox_(last);
        if (!silent_.load()) show();
    };
    if (context == nullptr || QThread::currentThread() == context->thread()) {
        showNow();
        return;
    }
    QMetaObject::invokeMethod(context, showNow, Qt::BlockingQueuedConnection);
}

void BoxMessages::showOverWindow(QDialog& box, bool last) {
    box.setWindowModality(Qt::NonModal);
    const WindowInputBlock block(parent_, &box);
    QEventLoop loop;
    QObject::connect(&box, &QDialog::finished, &loop, &QEventLoop::quit);
    shown_ = &box;
    shownLast_ = last;
    box.show();
    box.activateWindow();
    if (box.isVisible()) loop.exec(QEventLoop::DialogExec);
    shown_ = nullptr;
}

void BoxMessages::closeShownBox() {
    if (shown_) shown_->close();
}

void BoxMessages::raiseShownBox() {
    if (shown_) shown_->activateWindow();
}

void BoxMessages::showMessage(const std::string& text, const std::string& caption) {
    const bool lastBox = caption == texts::kCaptionInfo && (text == texts::kDone || text == texts::kStopped);
    onGuiThread([&] {
        const QString shownCaption = QString::fromStdString(caption);
        QMessageBox box(QMessageBox::NoIcon, shownCaption, QString::fromStdString(text), QMessageBox::Ok, parent_);
        // File names are shown as they are, never as markup.
        box.setTextFormat(Qt::PlainText);
        // QMessageBox sizes itself to its layout: a spacer as wide as the caption needs keeps it from cutting it.
        if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
            grid->addItem(new QSpacerItem(boxWidthForCaption(shownCaption), 0, QSizePolicy::Minimum,
                                          QSizePolicy::Fixed),
                          grid->rowCount(), 0, 1, grid->columnCount());
        }
        // The run's last box: how the run ended under its text, and after a run with problems a way to the report.
        QPushButton* toReport = nullptr;
        const bool last = caption == texts::kCaptionInfo && (text == texts::kDone || text == texts::kStopped);
        QStringList notes;
        if (last) {
            if (beforeLastBox_) beforeLastBox_();
            if (lastBoxNotes_) notes = lastBoxNotes_(text == texts::kStopped);
        }
        // A box about files: the report's reason for each, under the names.
        if (reasonOf_ && (caption == texts::kCaptionFailed || caption == texts::kCaptionFirstStage)) {
            const QStringList lines = QString::fromStdString(text).split('\n');
            for (qsizetype i = caption == texts::kCaptionFailed ? 0 : 1; i < lines.size(); ++i) {
                const QString reason = reasonOf_(lines[i]);
                if (!reason.isEmpty()) notes << (caption == texts::kCaptionFailed ? reason : lines[i] + ": " + reason);
            }
        }
        if (!notes.isEmpty()) box.setInformativeText(notes.join('\n'));
        if (last && reportProblems_ && showReport_ && (reportProblems_() || !notes.isEmpty())) {
            toReport = box.addButton("結果を表示", QMessageBox::ActionRole);
            toReport->setObjectName("ShowReport");
        }
        const bool aboutFile = caption == texts::kCaptionFailed;
        if (aboutFile) tellAbout(QString::fromStdString(text));
        box.setDefaultButton(QMessageBox::Ok);
        // With a second button Qt finds no button for Esc and the title bar's close: both mean OK.
        box.setEscapeButton(QMessageBox::Ok);
        showOverWindow(box, last);
        if (aboutFile) tellAbout(QString());
        if (toReport != nullptr && box.clickedButton() == toReport) showReport_();
    }, lastBox);
}

void BoxMessages::showErrorFm(const std::string& path) {
    onGuiThread([&] {
        const QString shownPath = QFile::decodeName(QByteArray::fromStdString(path));
        tellAbout(QFileInfo(shownPath).fileName());
        const QString reason = reasonOf_ ? reasonOf_(QFileInfo(shownPath).fileName()) : QString();
        if (ErrorFm != nullptr) {
            ErrorFm->setFile(shownPath, reason);
            showOverWindow(*ErrorFm, false);
        } else {
            TErrorFm window(parent_);
            window.setFile(shownPath, reason);
            showOverWindow(window, false);
        }
        tellAbout(QString());
    });
}

}  // namespace celshift
