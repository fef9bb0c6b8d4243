// The run's controller: starts the run on a thread of its own, relays its progress and its report of each file to
// the window, and makes the window ready again when it ends.
#include <algorithm>
#include <exception>
#include <map>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QCheckBox>
#include <QFileInfo>
#include <QMessageBox>
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
#include "run/kept_files.h"
#include "run/run_texts.h"

namespace celshift {

RunMessages& TForm1::messages() { return runMessages_ != nullptr ? *runMessages_ : *boxMessages_; }

// The run starts on a thread of its own, with a folder enumerator of its own; the window stays live and tells the
// progress. The run's messages reach the user through boxes that the GUI thread shows (BoxMessages).
void TForm1::t0ButtonExecuteClick() {
    if (sourceFile_.isEmpty() || runInProgress() || rowsReading()) return;
    if (outputFolder_.empty()) {
        outputFolder_ = defaultOutput_;
        showPaths();
    }
    // The same run again (an Enter too many after the last one's boxes) is asked about first, No by default.
    if (!lastRunKey_.isEmpty() && lastRunKey_ == runKey(outputFolder_)) {
        const int answer = choiceQuestion_(this, "RerunQuestion",
                                           "同じシナリオ・変換行・出力先で、もう一度実行しますか？",
                                           {"もう一度実行する(&Y)", "やめる(&N)"}, 1);
        if (answer != 0) return;
    }
    // The default output folder is missing at the first run of a fresh copy: made once the user agrees. A folder the
    // user chose that has gone is left to the run, which refuses it.
    if (outputFolder_ == defaultOutput_ && !isExistingFolder(outputFolder_)) {
        const int answer = choiceQuestion_(this, "MakeOutputFolder",
                                           "出力先フォルダがありません。作りますか？\n" + shownPath(outputFolder_),
                                           {"はい(&Y)", "いいえ(&N)"}, 0);
        if (answer != 0) return;
        if (!QDir().mkpath(fromBytes(outputFolder_)) || !isExistingFolder(outputFolder_)) {
            messages().showMessage("出力先フォルダを作れませんでした。\n" + shownPath(outputFolder_).toStdString(),
                                   texts::kCaptionError);
            return;
        }
        outputFiles_.reset();
    }
    const std::optional<std::string> output = runOutputFor(outputFolder_);
    if (!output) return;
    // A refusal here leaves the last run's report and row results as they were.
    std::vector<std::string> pictures;
    std::vector<std::string> pictureNames;
    if (!pickedPicturesToCopy(*output, pictures, pictureNames)) return;
    clearRowSummaries();
    RunReportPage::RunHead head{QDir::toNativeSeparators(sourceFile_), shownPath(*output), {}};
    const ConversionRows typed = typedRows();
    for (std::size_t row = 0; row < 4; ++row) {
        if (typed.from[row].empty() && typed.to[row].empty()) continue;
        head.rows << QString("変換%1\t%2\t%3")
                         .arg(QString::fromStdString(texts::rowNumber(static_cast<int>(row) + 1)))
                         .arg(QString::fromStdString(typed.from[row]))
                         .arg(QString::fromStdString(typed.to[row]));
    }
    ReportPage->startRun(head);
    // Only a run that starts is one to ask about again (finishRun).
    runningKey_ = runKey(outputFolder_);
    lastRunOutput_ = *output;
    runSubfolder_ = *output != outputFolder_ ? *output : std::string();
    showPaths();
    progressCount_ = 0;
    reportChosen_ = false;
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
    options.addedNames = std::move(pictureNames);
    options.renamePictures = RenamePictures->isChecked();
    runThread_ = std::thread([this, source, output = *output, rows = typedRows(), options,
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

QString TForm1::runKey(const std::string& output) const {
    const ConversionRows rows = typedRows();
    QStringList parts{sourceFile_, fromBytes(output)};
    for (std::size_t row = 0; row < 4; ++row)
        parts << QString::fromStdString(rows.from[row]) << QString::fromStdString(rows.to[row]) << pickedPictures_[row];
    return parts.join(QChar(0));
}

// An output folder that holds another scenario's "Summary.wsm" would end up a mix of two scenarios, which the run
// cannot tell from files a user put there on purpose: the user is asked. Into a subfolder named after the scenario
// folder (made when absent; the default), into the folder anyway, or not at all.
std::optional<std::string> TForm1::runOutputFor(const std::string& output) {
    std::string folder = output;
    const std::string source = toBytes(sourceFile_);
    // Bounded: a subfolder that holds another scenario's summary too is asked about once more, then no deeper.
    for (int depth = 0; depth < 3; ++depth) {
        if (!isExistingFolder(folder)) return folder;  // the run refuses it with its own message
        const std::optional<std::string> foreign = foreignSummary(source, folder);
        if (!foreign) return folder;
        const QString name = QFileInfo(QFileInfo(sourceFile_).absolutePath()).fileName();
        const QString subfolder = QDir(fromBytes(folder)).filePath(name);
        const int answer = choiceQuestion_(
            this, "MixQuestion",
            "出力先には別のシナリオがあります（Summary.wsm の内容が違います）。\n" + shownPath(*foreign) +
                "\n\nこのまま出力すると、前のシナリオのファイルが残り、二つのシナリオが混ざります。",
            {"サブフォルダ「" + name + "」に出力(&S)", "このまま続ける(&C)", "キャンセル"}, 0);
        if (answer == 1) return folder;
        if (answer != 0 || name.isEmpty()) return std::nullopt;
        const QFileInfo made(subfolder);
        if (made.exists() && (!made.isDir() || made.isSymLink())) {
            messages().showMessage("サブフォルダを作れません（同じ名前のファイルかリンクがあります）。\n" +
                                       QDir::toNativeSeparators(subfolder).toStdString(),
                                   texts::kCaptionError);
            return std::nullopt;
        }
        if (!made.exists() && !QDir().mkdir(subfolder)) {
            messages().showMessage("サブフォルダを作れません。\n" + QDir::toNativeSeparators(subfolder).toStdString(),
                                   texts::kCaptionError);
            return std::nullopt;
        }
        folder = toBytes(subfolder);
    }
    return folder;
}

// The pictures picked for the used rows, which the run copies into the output folder with the scenario's files, so
// that the converted scenario finds them. A different file of that name in the output folder, in the scenario
// folder or picked for another row refuses the run with a box, before anything is written; names are compared as
// Windows compares them. A missing output folder, or the scenario folder itself, is left to the run, which refuses
// it with its own message.
bool TForm1::pickedPicturesToCopy(const std::string& output, std::vector<std::string>& pictures,
                                  std::vector<std::string>& names) {
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
        const std::string name = toBytes(pickedNames_[static_cast<std::size_t>(row)]);
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
        names.push_back(name);
    }
    return true;
}

// What a picture picked for row under name would clash with: a different file of that name (as Windows compares
// names) in the output folder, the scenario folder, or picked for another row; nothing when none.
std::optional<std::string> TForm1::pictureClash(int row, const std::string& source, const std::string& name) const {
    const std::string output = outputFolder_.empty() ? defaultOutput_ : outputFolder_;
    std::vector<std::string> folders{output};
    if (!sourceFile_.isEmpty()) folders.push_back(toBytes(QFileInfo(sourceFile_).absolutePath()));
    for (const std::string& folder : folders) {
        const std::optional<std::string> there = findPictureFile(folder, name);
        if (there && !sameContents(source, *there)) return there;
    }
    const std::string folded = foldFileName(name).value_or(name);
    for (int other = 0; other < 4; ++other) {
        const auto index = static_cast<std::size_t>(other);
        if (other == row || pickedPictures_[index].isEmpty()) continue;
        const std::string otherName = toBytes(pickedNames_[index]);
        if (foldFileName(otherName).value_or(otherName) != folded) continue;
        const std::string otherSource = toBytes(pickedPictures_[index]);
        if (!sameContents(source, otherSource)) return otherSource;
    }
    return std::nullopt;
}

void TForm1::RunCancelClick() {
    if (!runInProgress()) return;
    runStop_->request();
    RunCancel->setEnabled(false);
    RunFileLabel->setText(RunFileLabel->fontMetrics().elidedText("中止しています", Qt::ElideRight, RunFileLabel->width()));
    RunFileLabel->setToolTip("中止しています");
}

void TForm1::setRunning(bool running) {
    t0ButtonSource->setEnabled(!running);
    t0ButtonTarget->setEnabled(!running);
    t0ButtonExecute->setEnabled(!running && !sourceFile_.isEmpty());
    for (QGroupBox* box : {GroupBox1, GroupBox2, GroupBox3, GroupBox4}) {
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setEnabled(!running);
    }
    for (QPushButton* button : PictureButtons) button->setEnabled(!running);
    RenamePictures->setEnabled(!running);
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
    progressStage_ = stage;
    progressCount_ = count;
    // Wide enough for "done/count" on one line, whatever the count.
    const int wanted = std::max(72, RunProgressBar->fontMetrics().horizontalAdvance(QString("%1/%1").arg(count)) + 28);
    if (RunProgressBar->width() != wanted) {
        RunProgressBar->setFixedWidth(wanted);
        FormResize();
    }
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

void TForm1::beforeLastBox() {
    if (!closeQuestionUp_) return;
    runEndedDuringQuestion_ = true;
    if (auto* question = findChild<QMessageBox*>("CloseQuestion")) question->done(QMessageBox::No);
}

// What the last box adds under 完了 or 中止しました, from what the report holds by then (every file's report reaches
// the page before the box).
QStringList TForm1::lastBoxNotes(bool stopped) const {
    RunEnd end;
    end.stopped = stopped;
    end.stage = progressStage_;
    end.count = progressCount_;
    using Kind = FileReport::Kind;
    const int data = ReportPage->count(Kind::Converted) + ReportPage->count(Kind::Failed) + ReportPage->count(Kind::Unopened);
    end.done = progressStage_ == RunStage::RewritingDataFiles
                   ? data
                   : ReportPage->count(Kind::Copied) + ReportPage->count(Kind::AlreadyThere) + ReportPage->count(Kind::NotCopied);
    end.failed = ReportPage->count(Kind::Failed) + ReportPage->count(Kind::Unopened);
    end.notCopied = ReportPage->count(Kind::NotCopied);
    end.keptDifferent = ReportPage->keptDifferent();
    end.missingPictures = ReportPage->count(Kind::MissingPicture);
    end.forLastBox = true;
    return runEndNotes(end);
}

void TForm1::flushRelays() {
    if (progressRelay_) progressRelay_->flush();
    if (reportRelay_) reportRelay_->flush();
}

void TForm1::finishRun(const RunOutcome& outcome, std::exception_ptr error) {
    if (runThread_.joinable()) runThread_.join();
    flushRelays();
    lastOutcome_ = outcome;
    setRunning(false);
    ReportPage->finishRun(outcome);
    if (outcome.started) {
        lastRunKey_ = runningKey_;
        showRowSummaries(outcome);
    }
    // The run has written: the output folder's files are read again for the rows' pictures.
    outputFiles_.reset();
    showRowPictures();
    // Ready for the next run: the focus on 実行.
    t0ButtonExecute->setFocus();
    emit runEnded();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        if (!reportChosen_) close();
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
    if (rowsThread_.joinable()) rowsThread_.join();
    NamesPage->stopLoading();
}

}  // namespace celshift
