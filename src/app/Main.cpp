#include "app/Main.h"

#include <array>
#include <utility>

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QMimeData>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>

#include "app/file_dialogs.h"
#include "app/names_panel.h"
#include "app/picture_files.h"
#include "app/run_relays.h"
#include "app/run_report_page.h"
#include "app/settings_location.h"
#include "app/window_paths.h"
#include "platform/file_copy.h"
#include "run/image_files.h"
#include "run/run_texts.h"

namespace celshift {

TForm1* Form1 = nullptr;

namespace {

std::optional<QString> execSourceOpen(QFileDialog& dialog) {
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

std::optional<QString> execTargetOpen(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, "出力先を選択", start);
    dialog.setObjectName("TargetOpen");
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList folders = dialog.selectedFiles();
    if (folders.isEmpty()) return std::nullopt;
    return folders.front();
}

std::optional<QString> execPictureOpen(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, "変換先の画像を選択", start);
    dialog.setObjectName("PictureOpen");
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters({"画像ファイル(*.bmp *.jpg *.jpeg *.jpy1 *.jpdc *.jpx)", "すべてのファイル(*)"});
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty()) return std::nullopt;
    return files.front();
}

bool askCancelOnClose(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, texts::kCaptionInfo, "実行中です。中止して閉じますか？",
                    QMessageBox::Yes | QMessageBox::No, parent);
    // Found by name when the run ends while it is up: there is nothing left to stop, and it goes.
    box.setObjectName("CloseQuestion");
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText("はい");
    box.button(QMessageBox::No)->setText("いいえ");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

int askChoice(QWidget* parent, const QString& kind, const QString& text, const QStringList& choices,
              int defaultChoice) {
    QMessageBox box(QMessageBox::Question, texts::kCaptionInfo, text, QMessageBox::NoButton, parent);
    box.setObjectName(kind);
    box.setTextFormat(Qt::PlainText);
    std::vector<QAbstractButton*> buttons;
    for (int i = 0; i < choices.size(); ++i) {
        QPushButton* button = box.addButton(choices[i], QMessageBox::ActionRole);
        button->setObjectName(QString("Choice%1").arg(i));
        buttons.push_back(button);
        if (i == defaultChoice) box.setDefaultButton(button);
    }
    // Esc and the title bar's close answer nothing.
    QPushButton* none = box.addButton(QMessageBox::Cancel);
    none->hide();
    box.setEscapeButton(none);
    box.exec();
    for (std::size_t i = 0; i < buttons.size(); ++i)
        if (box.clickedButton() == buttons[i]) return static_cast<int>(i);
    return -1;
}

bool openInFileManager(const QString& folder) { return QDesktopServices::openUrl(QUrl::fromLocalFile(folder)); }

// A folder that no file manager would open: its path, to be selected or copied and opened by hand.
void tellFolderNotOpened(QWidget* parent, const QString& path) {
    QMessageBox box(QMessageBox::Warning, texts::kCaptionError,
                    "出力先フォルダを開けませんでした。\nファイルマネージャーを起動できません。\n\n" + path,
                    QMessageBox::Ok, parent);
    box.setObjectName("FolderNotOpened");
    box.setTextFormat(Qt::PlainText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    QPushButton* copy = box.addButton("パスをコピー(&C)", QMessageBox::ActionRole);
    copy->setObjectName("CopyPath");
    box.setDefaultButton(QMessageBox::Ok);
    box.setEscapeButton(QMessageBox::Ok);  // with a second button Qt finds none for Esc and the title bar's close
    box.exec();
    if (box.clickedButton() == copy) QGuiApplication::clipboard()->setText(path);
}

std::optional<QString> execRowsFile(QWidget* parent, const QString& start, bool save) {
    QFileDialog dialog(parent, save ? "変換行を保存" : "変換行を読み込む", start,
                       "変換行ファイル(*.txt *.tsv);;すべてのファイル(*)");
    dialog.setObjectName(save ? "RowsSave" : "RowsLoad");
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) dialog.setDefaultSuffix("txt");
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

// A file dialog's completion list can outlive the dialog when a typed path was accepted with Enter; left open,
// it would take the next click meant for the main window.
void closeLeftoverPopups() {
    // Bounded: a popup that refuses to close is hidden, and never keeps this loop going.
    for (int i = 0; i < 16; ++i) {
        QWidget* popup = QApplication::activePopupWidget();
        if (popup == nullptr) return;
        if (!popup->close()) popup->hide();
    }
}

}  // namespace

TForm1::TForm1(QWidget* parent) : TForm1(settingsFileLocation(), parent) {}

TForm1::TForm1(std::string settingsPath, QWidget* parent)
    : QWidget(parent),
      t0FileList(makeDirectoryFileList()),
      settingsPath_(std::move(settingsPath)),
      defaultOutput_(defaultWindowOutputFolder()),
      sourceOpenRunner_(execSourceOpen),
      targetOpenRunner_(execTargetOpen),
      pictureOpenRunner_(execPictureOpen),
      closeQuestion_(askCancelOnClose),
      boxMessages_(std::make_unique<BoxMessages>(this)),
      choiceQuestion_(askChoice),
      rowsFileRunner_(execRowsFile),
      folderOpener_(openInFileManager) {
    buildControls();
    setAcceptDrops(true);
    // The preview follows the row being edited.
    previewFollowsFocus_ = connect(qApp, &QApplication::focusChanged, this, [this] { showRowPreview(); });
    boxMessages_->setAboutFile([this](const QString& file) { showBoxAbout(file); });
    boxMessages_->setBeforeBox([this](bool last) {
        flushRelays();
        // The run's boxes wait while the question at close is up; its last box answers the question instead.
        if (last) {
            beforeLastBox();
        } else {
            waitWhileCloseQuestionIsUp();
        }
    });
    boxMessages_->setReportOffer([this] { return ReportPage->hasProblems(); },
                                 [this] {
                                     // The user wants to read the report: a close that waited for the run waits on.
                                     closeAfterRun_ = false;
                                     reportChosen_ = true;
                                     PageControl->setCurrentWidget(ReportPage);
                                 });
    boxMessages_->setLastBox([this] { beforeLastBox(); }, [this](bool stopped) { return lastBoxNotes(stopped); });
    boxMessages_->setReasonOf([this](const QString& name) { return ReportPage->reasonOf(name); });
    readSettings();
    showPaths();
    markRows();
    // The scenario of the last start, when it is still there: ready to run again.
    if (!lastScenarioFolder_.empty()) {
        const QString summary = QDir(fromBytes(lastScenarioFolder_)).filePath("Summary.wsm");
        if (QFileInfo(summary).isFile()) chooseScenario(summary, false);
    }
}

TForm1::~TForm1() {
    // The controls go before this object does: focus moving among them must not reach the preview.
    disconnect(previewFollowsFocus_);
    endBackgroundWork();
}

void TForm1::setSourceOpenRunner(SourceOpenRunner runner) {
    sourceOpenRunner_ = runner ? std::move(runner) : SourceOpenRunner(execSourceOpen);
}

void TForm1::setTargetOpenRunner(TargetOpenRunner runner) {
    targetOpenRunner_ = runner ? std::move(runner) : TargetOpenRunner(execTargetOpen);
}

void TForm1::setPictureOpenRunner(PictureOpenRunner runner) {
    pictureOpenRunner_ = runner ? std::move(runner) : PictureOpenRunner(execPictureOpen);
}

void TForm1::setCloseQuestion(CloseQuestion question) {
    closeQuestion_ = question ? std::move(question) : CloseQuestion(askCancelOnClose);
}

void TForm1::setRunMessages(RunMessages* messages) { runMessages_ = messages; }

void TForm1::setChoiceQuestion(ChoiceQuestion question) {
    choiceQuestion_ = question ? std::move(question) : ChoiceQuestion(askChoice);
}

void TForm1::setRowsFileRunner(RowsFileRunner runner) {
    rowsFileRunner_ = runner ? std::move(runner) : RowsFileRunner(execRowsFile);
}

void TForm1::setFolderOpener(FolderOpener opener) {
    folderOpener_ = opener ? std::move(opener) : FolderOpener(openInFileManager);
}

void TForm1::setOutputFolder(std::string folder) {
    outputFolder_ = std::move(folder);
    runSubfolder_.clear();
    outputFiles_.reset();
    showPaths();
    showRowPictures();
}

void TForm1::showPaths() {
    const QString source = QDir::toNativeSeparators(sourceFile_);
    SourceLine->setText(source);
    SourceLine->setToolTip(source);
    // With the focus, the line starts at the path's beginning, as it is drawn without it.
    SourceLine->setCursorPosition(0);
    const QString target = shownPath(shownOutputFolder());
    TargetLine->setText(target);
    TargetLine->setToolTip(runSubfolder_.empty() ? target
                                                 : target + "\n（別のシナリオがあるので、前回の実行はこのサブフォルダに出力しました）");
    TargetLine->setCursorPosition(0);
}

std::string TForm1::shownOutputFolder() const {
    if (!runSubfolder_.empty()) return runSubfolder_;
    return outputFolder_.empty() ? defaultOutput_ : outputFolder_;
}

void TForm1::t0ButtonSourceClick() {
    if (runInProgress()) return;
    // The dialog opens in the stored folder each time, a choice does not change that folder; without one, where
    // the last scenario was chosen.
    const std::string& start = !sourceInitialFolder_.empty() ? sourceInitialFolder_ : lastScenarioFolder_;
    if (!start.empty()) SourceOpen->setDirectory(fromBytes(start));
    const std::optional<QString> chosen = sourceOpenRunner_(*SourceOpen);
    closeLeftoverPopups();
    if (!chosen || chosen->isEmpty()) return;
    setScenario(*chosen, true);
}

bool TForm1::chooseScenario(const QString& file, bool tell) {
    if (runInProgress()) return false;
    QFileInfo chosen(file);
    // A folder stands for the "Summary.wsm" it holds.
    if (chosen.isDir()) chosen = QFileInfo(QDir(chosen.absoluteFilePath()).filePath("Summary.wsm"));
    if (!chosen.isFile() || chosen.fileName().compare("Summary.wsm", Qt::CaseInsensitive) != 0) {
        if (tell)
            messages().showMessage("シナリオではありません（Summary.wsm を選んでください）。\n" +
                                       QDir::toNativeSeparators(file).toStdString(),
                                   texts::kCaptionError);
        return false;
    }
    setScenario(chosen.absoluteFilePath(), tell);
    return true;
}

// The file as the dialog gave it (the dialog lets only an existing file be chosen).
void TForm1::setScenario(const QString& file, bool tell) {
    sourceFile_ = file;
    scenarioFiles_.reset();
    runSubfolder_.clear();
    lastScenarioFolder_ = toBytes(QFileInfo(file).absolutePath());
    t0ButtonExecute->setEnabled(true);
    showPaths();
    clearRowSummaries();
    startScan();
    // An output folder chosen earlier that is this scenario's folder: told now, not first at 実行.
    const std::string output = outputFolder_.empty() ? defaultOutput_ : outputFolder_;
    if (tell && isSameFileSystemObject(output, lastScenarioFolder_))
        messages().showMessage(std::string(texts::kSameFolder) + "\n" + shownPath(output).toStdString(),
                               texts::kCaptionError);
}

void TForm1::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!runInProgress() && urls.size() == 1 && urls.front().isLocalFile()) event->acceptProposedAction();
}

// A dropped "Summary.wsm", or the folder that holds one, is chosen as シナリオを選択 would choose it; a dropped rows file
// (.txt, .tsv) is read into the rows as 変換行 読み込み would read it.
void TForm1::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    const QString file = urls.front().toLocalFile();
    const QFileInfo info(file);
    const bool rowsFile = info.isFile() && (info.suffix().compare("txt", Qt::CaseInsensitive) == 0 ||
                                            info.suffix().compare("tsv", Qt::CaseInsensitive) == 0);
    // Out of the drop's own handling: a box during a drop would hold the source application's drag.
    QTimer::singleShot(0, this, [this, file, rowsFile] {
        if (rowsFile) {
            loadRowsFile(file);
        } else {
            chooseScenario(file);
        }
    });
}

void TForm1::OpenOutputClick() {
    const std::string folder = shownOutputFolder();
    if (!isExistingFolder(folder)) {
        messages().showMessage(std::string(texts::kNoOutputFolder) + "\n" + shownPath(folder).toStdString(),
                               texts::kCaptionError);
        return;
    }
    if (!folderOpener_(fromBytes(folder))) tellFolderNotOpened(this, shownPath(folder));
}

// Picks an existing folder as the output folder; it is stored at close. The scenario's own folder is refused at
// once: the run would refuse it anyway.
void TForm1::t0ButtonTargetClick() {
    if (runInProgress()) return;
    const QString start = fromBytes(outputFolder_.empty() ? defaultOutput_ : outputFolder_);
    const std::optional<QString> chosen = targetOpenRunner_(this, start);
    closeLeftoverPopups();
    if (!chosen || chosen->isEmpty()) return;
    const std::string folder = toBytes(*chosen);
    if (!sourceFile_.isEmpty() && isSameFileSystemObject(folder, toBytes(QFileInfo(sourceFile_).absolutePath()))) {
        messages().showMessage(std::string(texts::kSameFolder) + "\n" + shownPath(folder).toStdString(),
                               texts::kCaptionError);
        return;
    }
    outputFolder_ = folder;
    storedTarget_ = outputFolder_;
    runSubfolder_.clear();
    showPaths();
    showRowPictures();
}

// The picked file's name goes into the row's 変換先; the run copies the file into the output folder.
void TForm1::PictureButtonClick(int row) {
    if (runInProgress() || row < 0 || row >= 4) return;
    const auto index = static_cast<std::size_t>(row);
    // The first picture is looked for in the scenario's folder, later ones where the last was picked.
    const QString start = pictureFolder_.isEmpty() && !sourceFile_.isEmpty() ? QFileInfo(sourceFile_).absolutePath()
                                                                              : pictureFolder_;
    const std::optional<QString> chosen = pictureOpenRunner_(this, start);
    closeLeftoverPopups();
    if (!chosen || chosen->isEmpty()) return;
    const QFileInfo file(*chosen);
    pictureFolder_ = file.absolutePath();
    // A different file of that name where the run would copy it: told now, with the row, and a free name offered.
    QString name = file.fileName();
    const std::string source = toBytes(file.absoluteFilePath());
    if (const std::optional<std::string> clash = pictureClash(row, source, toBytes(name))) {
        QString free;
        for (int n = 2; n < 1000 && free.isEmpty(); ++n) {
            const QString candidate = file.completeBaseName() + QString("_%1.").arg(n) + file.suffix();
            if (!pictureClash(row, source, toBytes(candidate)) && !findPictureFile(outputFolder_.empty() ? defaultOutput_ : outputFolder_, toBytes(candidate)))
                free = candidate;
        }
        const QString text = QString("変換%1: 選んだ画像と同じ名前の別のファイルがあります。\n%2\n\n")
                                 .arg(QString::fromStdString(texts::rowNumber(row + 1)))
                                 .arg(shownPath(*clash));
        QStringList choices;
        if (!free.isEmpty()) choices << "「" + free + "」という名前でコピー(&R)";
        choices << "キャンセル";
        const int answer = choiceQuestion_(this, "PictureClash",
                                           text + (free.isEmpty() ? QString("使える名前が見つかりません。")
                                                                  : "別の名前でコピーして、変換先をその名前にできます。"),
                                           choices, 0);
        if (free.isEmpty() || answer != 0) return;
        name = free;
    }
    pickedPictures_[index] = file.absoluteFilePath();
    pickedNames_[index] = name;
    QLineEdit* edit = std::array<QLineEdit*, 4>{T2Edit1To, T2Edit2To, T2Edit3To, T2Edit4To}[index];
    if (edit->text() == name) {
        showRowPictures();
    } else {
        edit->setText(name);  // rowsChanged() shows the pictures
    }
    edit->setFocus();
}

void TForm1::closeEvent(QCloseEvent* event) { FormClose(event); }

// During a run the window asks whether to cancel it; if so, it closes once the run has ended, so that no data file
// is left half-written and the settings are written then. The run's boxes that would still come are not shown (the
// report keeps what they say): the user has chosen to close. A box of the run that is up does not keep the close
// from coming here; "Yes" closes that box too, "No" leaves it up.
// The question is asked once; a run that ends while it is up answers it (there is nothing left to stop) and the
// window closes as asked once the run's last box is closed. With the last box up, the run has nothing left to stop:
// the box goes and the window closes. Every way out writes the settings.
void TForm1::FormClose(QCloseEvent* event) {
    if (runInProgress()) {
        if (closeAfterRun_ || closeQuestionUp_) {
            event->ignore();
            return;
        }
        if (boxMessages_->lastBoxUp()) {
            event->ignore();
            closeAfterRun_ = true;
            boxMessages_->closeShownBox();
            return;
        }
        closeQuestionUp_ = true;
        runEndedDuringQuestion_ = false;
        const bool stop = closeQuestion_(this);
        closeQuestionUp_ = false;
        if (runEndedDuringQuestion_) {
            runEndedDuringQuestion_ = false;
            if (runInProgress() || reportChosen_) {
                closeAfterRun_ = !reportChosen_;  // closes once the run's last box is closed
                event->ignore();
                return;
            }
        } else if (!stop) {
            event->ignore();
            boxMessages_->raiseShownBox();  // the box the run waits for has the keyboard again
            return;
        }
        if (runInProgress()) {
            event->ignore();
            closeAfterRun_ = true;
            boxMessages_->answerWithoutShowing();
            boxMessages_->closeShownBox();
            RunCancelClick();
            return;
        }
    }
    writeSettings();
    event->accept();
}

void TForm1::waitWhileCloseQuestionIsUp() {
    QMessageBox* question = closeQuestionUp_ ? findChild<QMessageBox*>("CloseQuestion") : nullptr;
    if (question == nullptr || !question->isVisible()) return;
    QEventLoop loop;
    connect(question, &QDialog::finished, &loop, &QEventLoop::quit);
    connect(question, &QObject::destroyed, &loop, &QEventLoop::quit);
    loop.exec();
}

void TForm1::closeOnStopRequest() {
    boxMessages_->answerWithoutShowing();
    // Each box's exec() returns once this handler is done. Boxes stack a few deep at most; one that refuses to
    // close ends the loop.
    for (int depth = 0; depth < 16; ++depth) {
        QWidget* const modal = QApplication::activeModalWidget();
        if (modal == nullptr || !modal->close()) break;
    }
    boxMessages_->closeShownBox();
    if (runInProgress()) {
        closeAfterRun_ = true;
        RunCancelClick();
        return;
    }
    close();
}

// The maximized state is kept for the next start.
void TForm1::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) rememberRestoredGeometry();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
    // The preview's size is set by the rows page's layout once it has handled this resize.
    QTimer::singleShot(0, this, [this] { showRowPreview(); });
    applyPendingOuterSize();
    rememberRestoredGeometry();
}

void TForm1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    applyPendingOuterSize();
    rememberRestoredGeometry();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyPendingOuterSize();
    rememberRestoredGeometry();
}

// Enter on a focused button presses it, as Space does; a window that is no dialog has no default button.
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        auto* button = qobject_cast<QPushButton*>(watched);
        if (button != nullptr && key->modifiers() == Qt::NoModifier
            && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            if (button->isEnabled()) button->animateClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace celshift
