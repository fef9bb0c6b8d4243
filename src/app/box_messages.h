// The run's messages as the window shows them: boxes with one OK button and no icon, and the error window.
// The run calls them on its own thread; every box is created and shown on the GUI thread, over the main window,
// and the calling thread waits for the answer. A box holds the window as a modal box would (the window takes no
// input meanwhile), but for the window's own close: the title bar's × still reaches it, to ask about the run.
#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <utility>

#include <QPointer>
#include <QString>
#include <QStringList>

#include "run/conversion_run.h"

class QDialog;
class QMessageBox;
class QWidget;

namespace celshift {

class BoxMessages : public RunMessages {
public:
    // The boxes are centred over parent, and parent's thread is the GUI thread.
    explicit BoxMessages(QWidget* parent) : parent_(parent) {}

    void showMessage(const std::string& text, const std::string& caption) override;
    // Shows ErrorFm modally with the path; a window of its own when the program entry made none.
    void showErrorFm(const std::string& path) override;

    // From now on, messages are answered at once without being shown: for a window that is going away while a
    // run still has something to say.
    void answerWithoutShowing() { silent_.store(true); }

    // True while a box of the run is up; lastBoxUp(): the run's last box (完了, 中止しました), after which the run
    // has nothing left to do.
    bool boxUp() const { return !shown_.isNull(); }
    bool lastBoxUp() const { return boxUp() && shownLast_; }
    // Closes the box that is up as Esc would; the run goes on as after OK.
    void closeShownBox();
    // Brings the box that is up to the front, with the keyboard (after a question of the window's own).
    void raiseShownBox();

    // Told on the GUI thread the name of the file a box is about (失敗, ErrorFm) before the box comes up, and an
    // empty name once it is closed.
    void setAboutFile(std::function<void(const QString& file)> about) { aboutFile_ = std::move(about); }
    // The run's last box (完了 or 中止しました under 情報) offers a button to the report when problems() says the
    // run had some; show() is called when the user takes it.
    void setReportOffer(std::function<bool()> problems, std::function<void()> show) {
        reportProblems_ = std::move(problems);
        showReport_ = std::move(show);
    }

    // The run's last box: before() is called on the GUI thread just before it comes up; notes(stopped) gives lines
    // shown under its text (how the run ended, what is worth a look), which also make it offer the report.
    void setLastBox(std::function<void()> before, std::function<QStringList(bool stopped)> notes) {
        beforeLastBox_ = std::move(before);
        lastBoxNotes_ = std::move(notes);
    }
    // Called on the GUI thread before any box comes up (last: the run's last box): the window brings its pages up
    // to date first, and may hold the box back while a question of its own is up.
    void setBeforeBox(std::function<void(bool last)> before) { beforeBox_ = std::move(before); }
    // The reason the report gives for a file of that name (as the box shows it), shown under a box about it.
    void setReasonOf(std::function<QString(const QString& name)> reasonOf) { reasonOf_ = std::move(reasonOf); }

private:
    // Runs show on the GUI thread and returns when it has returned there.
    void onGuiThread(const std::function<void()>& show, bool last = false);

    // Shows box over the window and returns once it is closed.
    void showOverWindow(QDialog& box, bool last);

    void tellAbout(const QString& file) const {
        if (aboutFile_) aboutFile_(file);
    }

    QWidget* parent_;
    std::atomic<bool> silent_{false};
    QPointer<QDialog> shown_;
    bool shownLast_ = false;
    std::function<void(const QString&)> aboutFile_;
    std::function<bool()> reportProblems_;
    std::function<void()> showReport_;
    std::function<void(bool)> beforeBox_;
    std::function<void()> beforeLastBox_;
    std::function<QStringList(bool)> lastBoxNotes_;
    std::function<QString(const QString&)> reasonOf_;
};

// The width a box needs so that the window manager can draw its caption whole: the caption in the title bar's
// font, and room for the title bar's icon and buttons.
int boxWidthForCaption(const QString& caption);

}  // namespace celshift
