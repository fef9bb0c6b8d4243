#include "app/run_report_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/file_dialogs.h"
#include "app/window_paths.h"
#include "run/run_texts.h"
#include "run/failure_reasons.h"

namespace celshift {

namespace {

enum Column { kResult, kName, kDetail };

std::optional<QString> execSave(QWidget* parent, const QString& start) {
    QFileDialog dialog(parent, "結果を保存", start, "テキストファイル(*.txt)");
    dialog.setObjectName("ReportSave");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix("txt");
    prepareFileDialog(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return dialog.selectedFiles().front();
}

// The rows that replaced something in a file, in the order of the rows.
std::vector<std::pair<std::int32_t, std::int64_t>> sortedEntries(const ReplacedCounts& counts) {
    std::vector<std::pair<std::int32_t, std::int64_t>> entries = counts.entries();
    std::sort(entries.begin(), entries.end());
    return entries;
}


}  // namespace

QString reportKindText(FileReport::Kind kind) {
    switch (kind) {
        case FileReport::Kind::Converted: return "変換済み";
        case FileReport::Kind::Failed: return "失敗";
        case FileReport::Kind::Unopened: return "開けません";
        case FileReport::Kind::Copied: return "コピー";
        case FileReport::Kind::AlreadyThere: return "そのまま";
        case FileReport::Kind::NotCopied: return "コピーできません";
    }
    return {};
}

RunReportPage::RunReportPage(QWidget* parent)
    : QWidget(parent), ReportSummary(new QLabel(this)), ProblemsOnly(new QCheckBox("問題のみ表示", this)),
      ReportList(new QTreeWidget(this)), RowTotals(new QLabel(this)), SaveButton(new QPushButton("テキストで保存", this)),
      saveRunner_(execSave) {
    ReportSummary->setObjectName("ReportSummary");
    ReportSummary->setText("実行すると、ファイルごとの結果がここに並びます。");
    ReportSummary->setTextFormat(Qt::PlainText);
    ProblemsOnly->setObjectName("ProblemsOnly");
    ReportList->setObjectName("ReportList");
    ReportList->setColumnCount(3);
    ReportList->setHeaderLabels({"結果", "ファイル", "詳細"});
    ReportList->setRootIsDecorated(false);
    ReportList->setUniformRowHeights(true);
    ReportList->setAllColumnsShowFocus(true);
    ReportList->header()->setSectionResizeMode(kResult, QHeaderView::ResizeToContents);
    ReportList->header()->setSectionResizeMode(kName, QHeaderView::Interactive);
    ReportList->header()->resizeSection(kName, 140);
    ReportList->header()->setStretchLastSection(true);
    RowTotals->setObjectName("RowTotals");
    RowTotals->setTextFormat(Qt::PlainText);
    RowTotals->setWordWrap(true);
    SaveButton->setObjectName("SaveButton");
    SaveButton->setEnabled(false);

    auto* top = new QHBoxLayout();
    top->addWidget(ReportSummary, 1);
    top->addWidget(ProblemsOnly);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(RowTotals, 1);
    bottom->addWidget(SaveButton, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(ReportList, 1);
    layout->addLayout(bottom);

    connect(ProblemsOnly, &QCheckBox::toggled, this, [this](bool only) {
        for (int row = 0; row < ReportList->topLevelItemCount(); ++row) {
            QTreeWidgetItem* item = ReportList->topLevelItem(row);
            item->setHidden(only && !lines_[static_cast<std::size_t>(row)].problem);
        }
    });
    connect(SaveButton, &QPushButton::clicked, this, &RunReportPage::SaveButtonClick);
}

void RunReportPage::setSaveRunner(SaveRunner runner) { saveRunner_ = runner ? std::move(runner) : SaveRunner(execSave); }

void RunReportPage::startRun(const QString& outputFolder) {
    lines_.clear();
    ReportList->clear();
    problems_ = 0;
    converted_ = 0;
    copied_ = 0;
    totals_.clear();
    RowTotals->clear();
    outputFolder_ = outputFolder;
    running_ = true;
    SaveButton->setEnabled(false);
    showSummary();
}

void RunReportPage::addFile(const FileReport& report) {
    Line line{reportKindText(report.kind), QString::fromStdString(shownName(report.name)), QString::fromStdString(report.reason), false};
    switch (report.kind) {
        case FileReport::Kind::Converted:
        case FileReport::Kind::Failed: {
            // How many names this file's copy holds replaced, row by row, when any.
            QStringList counts;
            std::int64_t all = 0;
            for (const auto& [row, fields] : sortedEntries(report.replaced)) {
                all += fields;
                counts << QString("変換%1: %2箇所").arg(QString::fromStdString(texts::rowNumber(row + 1))).arg(fields);
            }
            const QString replaced = all == 0 ? "置換なし" : QString("%1箇所を置換（%2）").arg(all).arg(counts.join("、"));
            if (report.kind == FileReport::Kind::Converted) {
                line.detail = replaced;
            } else {
                line.problem = true;
                if (line.detail.isEmpty()) line.detail = "最後まで読めませんでした";
                if (!report.outputWritten) {
                    line.detail += "。出力先のファイルは前のまま";
                } else if (all > 0) {
                    line.detail += "。" + replaced;
                }
            }
            break;
        }
        case FileReport::Kind::Unopened:
            line.problem = true;
            line.detail = shownPath(report.path) + (line.detail.isEmpty() ? QString() : "：" + line.detail);
            break;
        case FileReport::Kind::NotCopied:
            line.problem = true;
            break;
        case FileReport::Kind::Copied:
        case FileReport::Kind::AlreadyThere:
            if (line.detail.isEmpty() && report.kind == FileReport::Kind::AlreadyThere) {
                line.detail = "出力先に同じ名前のファイルがあるので、コピーしませんでした";
            }
            break;
    }
    // A picture picked for a row: where it came from, before the reason.
    if (report.added) line.detail = "選んだ画像: " + shownPath(report.path) + (line.detail.isEmpty() ? QString() : "：" + line.detail);
    addLine(line);
}

void RunReportPage::addLine(const Line& line) {
    lines_.push_back(line);
    if (line.result == reportKindText(FileReport::Kind::Converted)) ++converted_;
    if (line.result == reportKindText(FileReport::Kind::Copied)) ++copied_;
    auto* item = new QTreeWidgetItem(ReportList, {line.result, line.name, line.detail});
    item->setToolTip(kDetail, line.detail);
    item->setToolTip(kName, line.name);
    if (line.problem) {
        ++problems_;
        for (int column = 0; column < 3; ++column) item->setForeground(column, QColor(190, 0, 0));
    }
    item->setHidden(ProblemsOnly->isChecked() && !line.problem);
    showSummary();
}

void RunReportPage::finishRun(const RunOutcome& outcome) {
    running_ = false;
    QStringList totals;
    // As the rows' own lines and the command line say it: a name may stand in a file not looked at to its end.
    const bool someFilesUnread = outcome.someNamesUncounted;
    for (int row = 0; row < outcome.usedRows && row < static_cast<int>(outcome.rowTotals.size()); ++row) {
        const RowTotal& total = outcome.rowTotals[static_cast<std::size_t>(row)];
        totals << QString::fromStdString(texts::rowSummary(row + 1, total.fields, total.files, someFilesUnread));
    }
    if (!outcome.started) totals << "実行されませんでした";
    if (outcome.stopped) totals << texts::kStopped;
    totals_ = totals.join("\n");
    RowTotals->setText(totals_);
    SaveButton->setEnabled(!lines_.empty() || !totals_.isEmpty());
    showSummary();
}

// Counted as the lines come: a run of many thousand files must not count them all again for each.
void RunReportPage::showSummary() {
    QString text =
        QString("%1件：変換済み %2、コピー %3、問題 %4").arg(lines_.size()).arg(converted_).arg(copied_).arg(problems_);
    if (running_) text = "実行中… " + text;
    ReportSummary->setText(text);
}

QString RunReportPage::text(bool problemsOnly) const {
    QString out = "出力先\t" + QDir::toNativeSeparators(outputFolder_) + "\n";
    out += "結果\tファイル\t詳細\n";
    for (const Line& line : lines_) {
        if (problemsOnly && !line.problem) continue;
        out += line.result + "\t" + line.name + "\t" + line.detail + "\n";
    }
    if (!totals_.isEmpty()) out += "\n" + totals_ + "\n";
    return out;
}

// Written whole or not at all; a failure is told in a box. The dialog offers the folder saved into last, else the
// one that holds the output folder: inside it, the report would become a file of the converted scenario.
void RunReportPage::SaveButtonClick() {
    QString folder = saveFolder_;
    if (folder.isEmpty()) {
        QDir output(outputFolder_);
        folder = output.cdUp() ? output.path() : outputFolder_;
    }
    const std::optional<QString> path = saveRunner_(this, QDir(folder).filePath("結果.txt"));
    if (!path || path->isEmpty()) return;
    saveFolder_ = QFileInfo(*path).absolutePath();
    QSaveFile file(*path);
    const QByteArray bytes = text(ProblemsOnly->isChecked()).toUtf8();
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit()) return;
    QMessageBox box(QMessageBox::Warning, texts::kCaptionError,
                    "結果を保存できませんでした。\n" + QDir::toNativeSeparators(*path) + "\n" + file.errorString(),
                    QMessageBox::Ok, this);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace celshift
