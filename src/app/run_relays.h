// What the run tells on its own thread, handed to the window on the GUI thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "app/Main.h"
#include "app/run_report_page.h"
#include "app/window_paths.h"
#include "run/conversion_run.h"

namespace celshift {

// Hands the run's progress to the GUI thread without making the run wait: the latest state is kept, and one update
// at a time is queued, so that a run of many small files does not flood the event queue.
class ProgressRelay : public RunProgress {
public:
    explicit ProgressRelay(TForm1* form) : form_(form) {}

    void progress(RunStage stage, int done, int count, const std::string& inWork) override {
        {
            const std::lock_guard lock(mutex_);
            latest_ = {stage, done, count, inWork};
            if (queued_) return;
            queued_ = true;
        }
        QMetaObject::invokeMethod(form_, [this] { deliver(); }, Qt::QueuedConnection);
    }

private:
    struct State {
        RunStage stage = RunStage::CopyingOtherFiles;
        int done = 0;
        int count = 0;
        std::string inWork;
    };

    void deliver() {
        State state;
        {
            const std::lock_guard lock(mutex_);
            state = latest_;
            queued_ = false;
        }
        form_->showProgress(state.stage, state.done, state.count, fromBytes(state.inWork));
    }

    TForm1* form_;
    std::mutex mutex_;
    State latest_;
    bool queued_ = false;
};

// Hands the files' reports to the report page in the run's order, a batch at a time: what came since the last
// delivery goes in one step, so that a run of many thousand small files does not flood the event queue. A box about
// a file is queued after its report, so the delivery that takes the report runs before the box comes up.
class ReportRelay : public RunReport {
public:
    explicit ReportRelay(TForm1* form) : form_(form) {}

    void fileDone(const FileReport& report) override {
        {
            const std::lock_guard lock(mutex_);
            pending_.push_back(report);
            if (queued_) return;
            queued_ = true;
        }
        QMetaObject::invokeMethod(form_, [this] { deliver(); }, Qt::QueuedConnection);
    }

private:
    void deliver() {
        std::vector<FileReport> reports;
        {
            const std::lock_guard lock(mutex_);
            reports.swap(pending_);
            queued_ = false;
        }
        form_->ReportPage->addFiles(reports);
    }

    TForm1* form_;
    std::mutex mutex_;
    std::vector<FileReport> pending_;
    bool queued_ = false;
};

}  // namespace celshift
