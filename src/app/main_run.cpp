// The run's controller: starts the run on a thread of its own, relays its progress and its report of each file to
// the window, and makes the window ready again when it ends.
#include <algorithm>
#include <exception>
#include <map>
#include <utility>

#include <QCoreApplication>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

#include "app/Main.h"
#include "app/names_panel.h"
#include "app/picture_files.h"
#include "app/run_relays.h"
#include "app/run_report_page.h"
#include "app/window_paths.h"
#include "platform/file_copy.h"
#include "platform/name_fold.h"
#include "platform/name_rules.h"
#include "run/build_replacement_table.h"
#include "run/image_files.h"
#include "run/run_texts.h"

namespace celshift {

RunMessages& TForm1::messages() { return runMessages_ != nullptr ? *runMessages_ : *boxMessages_; }

// The run starts on a thread of its own, with a folder enumerator of its own; the window stays live and tells the
// progress. The run's messages reach the user through boxes that the GUI thread shows (BoxMessages).
void TForm1::t0ButtonExecuteClick() {
    if (sourceFile_.isEmpty() || runInProgress()) return;
    if (outputFolder_.empty()) {
        outputFolder_ = defaultOutputFolder();
        showPaths();
    }
    // A refusal here leaves the last run's report and row results as they were.
    std::vector<std::string> pictures;
    if (!pickedPicturesToCopy(outputFolder_, pictures)) return;
    clearRowSummaries();
    ReportPage->startRun(fromBytes(outputFolder_));
    runStop_ = std::make_unique<StopRequest>();
    progressRelay_ = std::make_unique<ProgressRelay>(this);
    reportRelay_ = std::make_unique<ReportRelay>(this);
    setRunning(true);

    const std::string source = toBytes(sourceFile_);
    RunOptions options;
    options.jobs = runJobs_;
    options.progress = progressRelay_.get();
    options.stop = runStop_.get();
    options.report = reportRelay_.get();
    options.addedFiles = std::move(pictures);
    runThread_ = std::thread([this, source, output = outputFolder_, rows = typedRows(), options,
                              &messages = messages()] {
        RunOutcome outcome;
        std::exception_ptr error;
        try {
            const std::unique_ptr<FileList> fileList = makeDirectoryFileList();
            outcome = runConversion(source, output, rows, *fileList, messages, options);
        } catch (...) {
            error = std::current_exception();
        }
        QMetaObject::invokeMethod(this, [this, outcome, error] { finishRun(outcome, error); }, Qt::QueuedConnection);
    });
}

// The pictures picked for the used rows, which the run copies into the output folder with the scenario's files, so
// that the converted scenario finds them. A different file of that name in the output folder, in the scenario
// folder or picked for another row refuses the run with a box, before anything is written; names are compared as
// Windows compares them. A missing output folder, or the scenario folder itself, is left to the run, which refuses
// it with its own message.
bool TForm1::pickedPicturesToCopy(const std::string& output, std::vector<std::string>& pictures) {
    const std::string scenarioFolder = toBytes(QFileInfo(sourceFile_).absolutePath());
    if (!isExistingFolder(output) || isSameFileSystemObject(output, scenarioFolder)) return true;
    const auto refuse = [this](const std::string& there) {
        messages().showMessage("同じ名前の別のファイルがあります。実行しません。\n" + shownPath(there).toStdString(),
                               texts::kCaptionError);
        return false;
    };
    const std::array<RowCheck, 4> checks = checkRows(typedRows());
    std::map<std::string, std::string> pickedByName;  // folded name -> the picture picked first under it
    for (int row = 0; row < 4; ++row) {
        const QString picked = pickedPicture(row);
        if (picked.isEmpty() || checks[static_cast<std::size_t>(row)].state != RowState::Used) continue;
        const std::string source = toBytes(picked);
        const std::string name = std::string(lastPathElement(source));
        const auto [earlier, first] = pickedByName.emplace(foldFileName(name).value_or(name), source);
        if (!first) {
            if (!sameContents(source, earlier->second)) return refuse(earlier->second);
            continue;  // the same picture for two rows: copied once
        }
        for (const std::string& folder : {output, scenarioFolder}) {
            const std::optional<std::string> there = findPictureFile(folder, name);
            if (there && !sameContents(source, *there)) return refuse(*there);
        }
        pictures.push_back(source);
    }
    return true;
}

void TForm1::RunCancelClick() {
    if (!runInProgress()) return;
    runStop_->request();
    RunCancel->setEnabled(false);
    RunFileLabel->setText("中止しています");
}

void TForm1::setRunning(bool running) {
    t0ButtonSource->setEnabled(!running);
    t0ButtonTarget->setEnabled(!running);
    t0ButtonExecute->setEnabled(!running && !sourceFile_.isEmpty());
    for (QGroupBox* box : {GroupBox1, GroupBox2, GroupBox3, GroupBox4}) {
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setEnabled(!running);
    }
    for (QPushButton* button : PictureButtons) button->setEnabled(!running);
    RunProgressBar->setRange(0, 0);
    RunProgressBar->setValue(0);
    RunFileLabel->clear();
    RunFileLabel->setToolTip(QString());
    RunCancel->setEnabled(running);
    RunPanel->setVisible(running);
    boxUp_ = false;
}

void TForm1::showProgress(RunStage stage, int done, int count, const QString& inWork) {
    if (!runInProgress()) return;
    RunProgressBar->setRange(0, std::max(count, 0));
    RunProgressBar->setValue(std::clamp(done, 0, std::max(count, 0)));
    RunProgressBar->setToolTip(stage == RunStage::CopyingOtherFiles ? "ファイルをコピーしています"
                                                                    : "データファイルを置換しています");
    // "中止しています" stays, and so does the name of a file whose box is up.
    if (!RunCancel->isEnabled() || boxUp_) return;
    RunFileLabel->setText(RunFileLabel->fontMetrics().elidedText(inWork, Qt::ElideMiddle, RunFileLabel->width()));
    RunFileLabel->setToolTip(inWork);
}

// While a box about one file is up, the label beside the progress bar names that file, not the one the workers
// have got to meanwhile. Empty: the box is closed.
void TForm1::showBoxAbout(const QString& file) {
    if (!runInProgress()) return;
    boxUp_ = !file.isEmpty();
    if (!boxUp_ || !RunCancel->isEnabled()) return;
    RunFileLabel->setText(RunFileLabel->fontMetrics().elidedText(file, Qt::ElideMiddle, RunFileLabel->width()));
    RunFileLabel->setToolTip(file);
}

void TForm1::finishRun(const RunOutcome& outcome, std::exception_ptr error) {
    if (runThread_.joinable()) runThread_.join();
    lastOutcome_ = outcome;
    setRunning(false);
    ReportPage->finishRun(outcome);
    if (outcome.started) showRowSummaries(outcome);
    // The run has written: the output folder's files are read again for the rows' pictures.
    outputFiles_.reset();
    showRowPictures();
    // Ready for the next run: the focus on 実行.
    t0ButtonExecute->setFocus();
    emit runEnded();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
    if (error) std::rethrow_exception(error);
}

// A window that goes away (the program ends) stops what still runs in the background and waits for it: the file
// in work is finished, never left half-written. Messages still to come are answered without a box.
void TForm1::endBackgroundWork() {
    if (scanStop_) scanStop_->request();
    if (runThread_.joinable()) {
        runStop_->request();
        boxMessages_->answerWithoutShowing();
        // The run may be waiting for the GUI thread (a box handed over): keep the events flowing until it ends.
        while (runThread_.joinable()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        }
    }
    if (scanThread_.joinable()) scanThread_.join();
    NamesPage->stopLoading();
}

}  // namespace celshift
