// What the run tells on its own thread, handed to the window on the GUI thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include <QElapsedTimer>
#include <QTimer>

#include "app/Main.h"
#include "app/run_report_page.h"
#include "app/window_paths.h"
#include "run/conversion_run.h"

namespace celshift {

// Hands what a worker thread tells to the GUI thread without making it wait, and at most every kInterval: the
// window redraws a few times a second however many small files the run does, instead of once per file. flush()
// hands over what is pending at once: before a box about a file, and when the run has ended. Made, used and
// destroyed on the GUI thread, but for post(), which any thread may call.
class ThrottledRelay {
public:
    static constexpr int kInterval = 50;  // milliseconds

    explicit ThrottledRelay(QObject* context) : context_(context) {
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, [this] { flush(); });
        since_.start();
    }
    virtual ~ThrottledRelay() = default;

    void flush() {
        timer_.stop();
        {
            const std::lock_guard lock(mutex_);
            if (!queued_) return;
            queued_ = false;
        }
        since_.restart();
        deliver();
    }

protected:
    // Called with mutex_ held after the pending state was updated.
    void postLocked() {
        if (queued_) return;
        queued_ = true;
        QMetaObject::invokeMethod(context_, [this] { schedule(); }, Qt::QueuedConnection);
    }
    // Takes what is pending, under mutex_, and shows it.
    virtual void deliver() = 0;

    std::mutex mutex_;

private:
    void schedule() {
        const qint64 wait = kInterval - since_.elapsed();
        if (wait <= 0) {
            flush();
        } else if (!timer_.isActive()) {
            timer_.start(static_cast<int>(wait));
        }
    }

    QObject* context_;
    QTimer timer_;
    QElapsedTimer since_;
    bool queued_ = false;  // under mutex_
};

// The run's progress: only the latest state counts.
class ProgressRelay : public RunProgress, public ThrottledRelay {
public:
    explicit ProgressRelay(TForm1* form) : ThrottledRelay(form), form_(form) {}

    void progress(RunStage stage, int done, int count, const std::string& inWork) override {
        const std::lock_guard lock(mutex_);
        latest_ = {stage, done, count, inWork};
        postLocked();
    }

private:
    struct State {
        RunStage stage = RunStage::CopyingOtherFiles;
        int done = 0;
        int count = 0;
        std::string inWork;
    };

    void deliver() override {
        State state;
        {
            const std::lock_guard lock(mutex_);
            state = latest_;
        }
        form_->showProgress(state.stage, state.done, state.count, fromBytes(state.inWork));
    }

    TForm1* form_;
    State latest_;
};

// The files' reports, in the run's order, a batch at a time.
class ReportRelay : public RunReport, public ThrottledRelay {
public:
    explicit ReportRelay(TForm1* form) : ThrottledRelay(form), form_(form) {}

    void fileDone(const FileReport& report) override {
        const std::lock_guard lock(mutex_);
        pending_.push_back(report);
        postLocked();
    }

private:
    void deliver() override {
        std::vector<FileReport> reports;
        {
            const std::lock_guard lock(mutex_);
            reports.swap(pending_);
        }
        form_->ReportPage->addFiles(reports);
    }

    TForm1* form_;
    std::vector<FileReport> pending_;
};

}  // namespace celshift
