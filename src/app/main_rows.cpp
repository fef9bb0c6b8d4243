// The conversion rows: checked as they are typed, their pictures, the picture picked for a 変換先, and what each
// row replaced in the last run.
#include <algorithm>
#include <QCheckBox>
#include <QDir>
#include <QApplication>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>

#include "app/Main.h"
#include "cli/rows_file.h"
#include "app/run_report_page.h"
#include "run/image_files.h"
#include "app/thumbnails.h"
#include "app/window_paths.h"
#include "run/build_replacement_table.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 2px; }"
    "QLineEdit:focus { border: 2px solid #2f6fd0; }";
const char* const kInvalidRowStyle = "QLineEdit { background: #ffe0e0; border: 1px solid #d03030; }";
const char* const kNotFoundRowStyle = "QLineEdit { background: #fff4c8; border: 1px solid #c09000; }";
// A row the run leaves out: frame, captions, edits and picture button all grey, so that it cannot be taken for a
// used one.
const char* const kNotUsedRowStyle =
    "QGroupBox { color: #a0a0a0; border-color: #d0d0d0; background: #f0f0f0; }"
    "QLabel { color: #a0a0a0; }"
    "QLineEdit { color: #909090; background: #ececec; border: 1px solid #d0d0d0; }"
    "QPushButton { color: #a0a0a0; }";

const QString kNotUsedTip = "使われません（上の行が空か無効です）";
const QString kNotFoundInReadFilesTip = "読めたデータファイルにはありません（読めなかったファイルがあります）";
const QString kToMissingTip = "この画像はシナリオのフォルダにも出力先にもありません（変換後のシナリオで画像が表示されません）";

std::array<QLineEdit*, 4> fromEdits(const TForm1& form) {
    return {form.T2Edit1From, form.T2Edit2From, form.T2Edit3From, form.T2Edit4From};
}
std::array<QLineEdit*, 4> toEdits(const TForm1& form) {
    return {form.T2Edit1To, form.T2Edit2To, form.T2Edit3To, form.T2Edit4To};
}

}  // namespace

ConversionRows TForm1::typedRows() const {
    const std::array<QLineEdit*, 4> from = fromEdits(*this);
    const std::array<QLineEdit*, 4> to = toEdits(*this);
    ConversionRows rows;
    for (std::size_t row = 0; row < from.size(); ++row) {
        rows.from[row] = from[row]->text().toStdString();
        rows.to[row] = to[row]->text().toStdString();
    }
    return rows;
}

void TForm1::rowsChanged() {
    clearRowSummaries();
    markRows();
    showRowPictures();
}

// Marks each row as the run would take it: an invalid row with the reason, rows below the first empty or invalid
// row as not used, and a valid row whose from-name the scenario does not hold.
void TForm1::markRows() {
    const ConversionRows rows = typedRows();
    const std::array<RowCheck, 4> checks = checkRows(rows);
    // A used row whose FROM an earlier row has: it never matches, the run stays allowed.
    const std::vector<int> repeats = earlierRowsWithSameFrom(rows);
    const std::array<QGroupBox*, 4> boxes{GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    for (std::size_t row = 0; row < boxes.size(); ++row) {
        QString state;
        QString tip;
        QString style;
        switch (checks[row].state) {
            case RowState::Used:
                state = "used";
                if (row < repeats.size() && repeats[row] > 0) {
                    state = "repeats";
                    tip = QString::fromStdString(texts::rowRepeats(repeats[row]));
                    style = kNotFoundRowStyle;
                } else if (scan_ && !scan_->listingFailed && !scanHasName(*scan_, rows.from[row])) {
                    // With a data file the scan could not read to its end, the name may stand in what was not read.
                    const bool unseen = std::any_of(scan_->problems.begin(), scan_->problems.end(),
                                                    [](const ScanProblem& p) { return p.namesMayBeUnseen; });
                    state = unseen ? "notFoundInReadFiles" : "notFound";
                    tip = unseen ? kNotFoundInReadFilesTip : texts::kRowNotFound;
                    style = kNotFoundRowStyle;
                }
                break;
            case RowState::Empty:
                state = "empty";
                break;
            case RowState::Invalid:
                state = "invalid";
                tip = QString::fromStdString(checks[row].reason);
                style = kInvalidRowStyle;
                break;
            case RowState::NotUsed:
                state = "notUsed";
                tip = kNotUsedTip;
                style = kNotUsedRowStyle;
                break;
        }
        QGroupBox* box = boxes[row];
        // Tab passes over the rows the run leaves out; a click still reaches them.
        const bool skipped = checks[row].state == RowState::NotUsed;
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setFocusPolicy(skipped ? Qt::ClickFocus : Qt::StrongFocus);
        PictureButtons[row]->setFocusPolicy(skipped ? Qt::ClickFocus : Qt::StrongFocus);
        if (box->property("rowState").toString() == state && box->toolTip() == tip) continue;
        box->setProperty("rowState", state);
        box->setToolTip(tip);
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setToolTip(tip);
        box->setStyleSheet(QString(kGroupBoxStyle) + style);
    }
}

// Each row's pictures: the scenario's file of the 変換元 name, and the picked file or the file of the 変換先 name in
// the output or the scenario folder. A 変換先 found in neither folder, and not picked, gets a warning mark: the
// converted scenario would show no picture there. The run is still allowed. With 画像も新しい名前でコピー the run
// copies the 変換元's picture under that name: it is shown instead of the mark.
void TForm1::showRowPictures() {
    const bool haveScenario = !sourceFile_.isEmpty();
    const std::string scenarioFolder = haveScenario ? toBytes(QFileInfo(sourceFile_).absolutePath()) : std::string();
    const std::string output = outputFolder_.empty() ? defaultOutput_ : outputFolder_;
    if (haveScenario && (!scenarioFiles_ || scenarioFiles_->folder() != scenarioFolder)) {
        scenarioFiles_ = std::make_shared<ImageFileIndex>(scenarioFolder);
    }
    if (!outputFiles_ || outputFiles_->folder() != output) outputFiles_ = std::make_shared<ImageFileIndex>(output);
    const std::array<QLineEdit*, 4> from = fromEdits(*this);
    const std::array<QLineEdit*, 4> to = toEdits(*this);
    const std::array<RowCheck, 4> checks = checkRows(typedRows());
    for (std::size_t row = 0; row < from.size(); ++row) {
        // A picked picture stays with its row only while the 変換先 names it.
        if (!pickedPictures_[row].isEmpty() && pickedNames_[row] != to[row]->text()) {
            pickedPictures_[row].clear();
            pickedNames_[row].clear();
        }
        std::optional<std::string> fromFile;
        if (haveScenario && !from[row]->text().isEmpty()) {
            fromFile = scenarioFiles_->findTyped(from[row]->text().toStdString());
        }
        rowPicturePaths_[row][0] = fromFile ? fromBytes(*fromFile) : QString();
        rowPicturePaths_[row][1].clear();
        showThumbnail(FromThumbs[row], rowPicturePaths_[row][0]);
        FromThumbs[row]->setToolTip(fromFile ? shownPath(*fromFile) : QString());

        const QString toName = to[row]->text();
        std::optional<std::string> toFile;
        if (!pickedPictures_[row].isEmpty()) {
            toFile = toBytes(pickedPictures_[row]);
        } else if (!toName.isEmpty()) {
            toFile = outputFiles_->findTyped(toName.toStdString());
            if (!toFile && haveScenario) toFile = scenarioFiles_->findTyped(toName.toStdString());
        }
        QLabel* thumb = ToThumbs[row];
        const bool renamed = haveScenario && !toFile && fromFile && checks[row].state == RowState::Used &&
                             RenamePictures != nullptr && RenamePictures->isChecked();
        if (renamed) toFile = fromFile;
        // Only a row the run uses can leave the converted scenario without its picture.
        const bool warn = haveScenario && !toFile && checks[row].state == RowState::Used;
        thumb->setProperty("missing", warn);
        if (warn) {
            thumb->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(thumb->size()));
            thumb->setToolTip(kToMissingTip);
            rowPicturePaths_[row][1].clear();
            continue;
        }
        rowPicturePaths_[row][1] = toFile ? fromBytes(*toFile) : QString();
        showThumbnail(thumb, rowPicturePaths_[row][1]);
        thumb->setToolTip(!pickedPictures_[row].isEmpty() ? "選んだ画像: " + QDir::toNativeSeparators(pickedPictures_[row])
                          : renamed ? "実行すると、変換元の画像がこの名前で出力先にコピーされます: " + shownPath(*toFile)
                          : toFile  ? shownPath(*toFile)
                                    : QString());
    }
    showRowPreview();
}

// The room a larger window has below the rows shows the pictures of the row being edited, as large as they fit.
void TForm1::showRowPreview() {
    const bool room = RowPreview->height() >= 48;
    const std::array<QLineEdit*, 4> from = fromEdits(*this);
    const std::array<QLineEdit*, 4> to = toEdits(*this);
    for (int row = 0; row < 4; ++row) {
        if (QApplication::focusWidget() == from[static_cast<std::size_t>(row)] ||
            QApplication::focusWidget() == to[static_cast<std::size_t>(row)])
            previewRow_ = row;
    }
    const auto& paths = rowPicturePaths_[static_cast<std::size_t>(previewRow_)];
    for (QWidget* part : RowPreview->findChildren<QWidget*>()) part->setVisible(room);
    PreviewCaption->setText(room ? QString("変換%1").arg(QString::fromStdString(texts::rowNumber(previewRow_ + 1)))
                                 : QString());
    for (int side = 0; side < 2; ++side) {
        QLabel* label = side == 0 ? PreviewFrom : PreviewTo;
        showThumbnail(label, room ? paths[static_cast<std::size_t>(side)] : QString());
        label->setToolTip(QDir::toNativeSeparators(paths[static_cast<std::size_t>(side)]));
    }
}

QString TForm1::pickedPicture(int row) const {
    if (row < 0 || row >= 4) return {};
    return pickedPictures_[static_cast<std::size_t>(row)];
}

bool TForm1::fillNextEmptyFrom(const QString& name) {
    if (runInProgress()) return false;
    for (QLineEdit* edit : fromEdits(*this)) {
        if (!edit->text().isEmpty()) continue;
        edit->setText(name);
        edit->setFocus();
        return true;
    }
    return false;
}

// After a run a row that replaced nothing says 見つかりません only when every data file was walked to its end
// and written.
void TForm1::showRowSummaries(const RunOutcome& outcome) {
    const bool someFilesUnread = outcome.someNamesUncounted;
    for (int row = 0; row < 4; ++row) {
        QLabel* label = RowSummary[static_cast<std::size_t>(row)];
        if (row >= outcome.usedRows || row >= static_cast<int>(outcome.rowTotals.size())) {
            label->hide();
            continue;
        }
        const RowTotal& total = outcome.rowTotals[static_cast<std::size_t>(row)];
        QString text = QString::fromStdString(texts::rowSummary(row + 1, total.fields, total.files, someFilesUnread));
        // A count of half a run, or of a run with files it could not convert, says so.
        const RunEnd end = runEndOf(outcome);
        if (end.stopped && (end.stage == RunStage::CopyingOtherFiles || end.done < end.count)) {
            text += end.stage == RunStage::CopyingOtherFiles ? QString("・中止（変換前）")
                                                            : QString("・中止 %1/%2").arg(end.done).arg(end.count);
        }
        if (end.failed > 0) text += QString("・失敗 %1件").arg(end.failed);
        const QStringList notes = runEndNotes(end);
        label->setText(text);
        label->setToolTip(notes.isEmpty() ? text : text + "\n" + notes.join('\n'));
        label->show();
    }
}

void TForm1::clearRowSummaries() {
    for (QLabel* label : RowSummary) {
        label->clear();
        label->hide();
    }
}

}  // namespace celshift

namespace celshift {

namespace {

// The rows dialogs open where the last rows file was saved or read, else in the user's documents: never in the
// scenario or the output folder, where a rows file would be copied into the converted scenario.
QString rowsDialogFolder(const QString& lastRowsFolder) {
    if (!lastRowsFolder.isEmpty()) return lastRowsFolder;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() ? QDir::homePath() : documents;
}

}  // namespace

// The four rows as a rows file of the command line: UTF-8, one "FROM<TAB>TO" per row that holds text, in order
// (empty rows are left out), after a comment line. Written whole or not at all.
void TForm1::SaveRowsClick() {
    const ConversionRows rows = typedRows();
    QString text = "# Celshift の変換行（変換元<TAB>変換先、UTF-8）。celshift-cli --rows で使えます\n";
    int written = 0;
    for (std::size_t row = 0; row < 4; ++row) {
        const QString from = QString::fromStdString(rows.from[row]);
        const QString to = QString::fromStdString(rows.to[row]);
        if (from.isEmpty() && to.isEmpty()) continue;
        if (from.contains('\t') || to.contains('\t') || from.contains('\n') || to.contains('\n')) {
            messages().showMessage("変換" + texts::rowNumber(static_cast<int>(row) + 1) +
                                       " にタブか改行があるので、変換行を保存できません。",
                                   texts::kCaptionError);
            return;
        }
        text += from + "\t" + to + "\n";
        ++written;
    }
    if (written == 0) {
        messages().showMessage("保存する変換行がありません。", texts::kCaptionInfo);
        return;
    }
    const std::optional<QString> path = rowsFileRunner_(this, QDir(rowsDialogFolder(rowsFolder_)).filePath("変換行.txt"), true);
    if (!path || path->isEmpty()) return;
    rowsFolder_ = QFileInfo(*path).absolutePath();
    QSaveFile file(*path);
    const QByteArray bytes = text.toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return;
    messages().showMessage("変換行を保存できませんでした。\n" + QDir::toNativeSeparators(*path).toStdString() + "\n" +
                               file.errorString().toStdString(),
                           texts::kCaptionError);
}

// Reads a rows file as the command line's --rows reads it; a file with a bad line changes nothing and names the
// lines. Its first four rows fill the rows from the top; rows beyond are told, never dropped silently.
void TForm1::LoadRowsClick() {
    if (runInProgress()) return;
    const std::optional<QString> path = rowsFileRunner_(this, rowsDialogFolder(rowsFolder_), false);
    if (!path || path->isEmpty()) return;
    loadRowsFile(*path);
}

void TForm1::loadRowsFile(const QString& path) {
    if (runInProgress() || rowsReading()) return;
    rowsFolder_ = QFileInfo(path).absolutePath();
    // Half a million rows take a good part of a second to read and check: a run waits for the rows meanwhile.
    t0ButtonExecute->setEnabled(false);
    rowsThread_ = std::thread([this, path] {
        std::shared_ptr<const cli::RowsFile> file;
        std::string error;
        try {
            file = std::make_shared<const cli::RowsFile>(cli::readRowsFile(toBytes(path), 4));  // the window has four rows
        } catch (const std::exception& failure) {
            error = failure.what();
        }
        QMetaObject::invokeMethod(this, [this, path, file, error] { showRowsFile(path, file, error); },
                                  Qt::QueuedConnection);
    });
}

void TForm1::showRowsFile(const QString& path, const std::shared_ptr<const cli::RowsFile>& read, const std::string& error) {
    if (rowsThread_.joinable()) rowsThread_.join();
    t0ButtonExecute->setEnabled(!sourceFile_.isEmpty() && !runInProgress());
    if (!read) {
        messages().showMessage("変換行を読み込めませんでした。\n" + QDir::toNativeSeparators(path).toStdString() + "\n" +
                                   error,
                               texts::kCaptionError);
        return;
    }
    const cli::RowsFile& file = *read;
    if (!file.problems.empty()) {
        std::string text = "変換行ファイルに使えない行があります。読み込みませんでした。\n" +
                           QDir::toNativeSeparators(path).toStdString();
        for (std::size_t i = 0; i < file.problems.size() && i < 10; ++i)
            text += "\n" + std::to_string(file.problems[i].line) + "行目: " + file.problems[i].reason;
        if (file.problems.size() > 10) text += "\n…ほか " + std::to_string(file.problems.size() - 10) + " 行";
        messages().showMessage(text, texts::kCaptionError);
        return;
    }
    const std::array<QLineEdit*, 4> from = fromEdits(*this);
    const std::array<QLineEdit*, 4> to = toEdits(*this);
    for (std::size_t row = 0; row < 4; ++row) {
        const bool have = row < file.rows.size();
        from[row]->setText(have ? QString::fromStdString(file.rows.from[row]) : QString());
        to[row]->setText(have ? QString::fromStdString(file.rows.to[row]) : QString());
    }
    if (file.rowCount > 4)
        messages().showMessage("ファイルには変換行が " + std::to_string(file.rowCount) +
                                   " 行あります。最初の4行を読み込みました（すべての行を使うには celshift-cli --rows を使います）。",
                               texts::kCaptionInfo);
}

}  // namespace celshift
