// What the run tells on its own thread, handed to the window on the GUI thread.
#pragma once

#include <mutex>
#include <string>

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

// Hands each file's report to the report page, in the run's order. Queued before any box about the same file,
// it reaches the page before that box comes up.
class ReportRelay : public RunReport {
public:
    explicit ReportRelay(TForm1* form) : form_(form) {}

    void fileDone(const FileReport& report) override {
        QMetaObject::invokeMethod(form_, [page = form_->ReportPage, report] { page->addFile(report); },
                                  Qt::QueuedConnection);
    }

private:
    TForm1* form_;
};

}  // namespace celshift
