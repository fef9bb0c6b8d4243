#include "app/run_report_page.h"

#include <algorithm>

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSaveFile>
#include <QSortFilterProxyModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/file_dialogs.h"
#include "app/fitted_text.h"
#include "app/search_matches.h"
#include "app/window_paths.h"
#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

constexpr const char* kAttentionDetail = "出力先の同じ名前のファイルは、このシナリオのものと内容が違います（別のシナリオのファイルかもしれません）";

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

// The problems-only filter and the search, over the model's lines.
class ReportFilter : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

    void setProblemsOnly(bool only) {
        problemsOnly_ = only;
        invalidateRowsFilter();
    }
    void setSearch(const QString& text) {
        search_ = text;
        invalidateRowsFilter();
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex&) const override {
        const auto* model = static_cast<const ReportModel*>(sourceModel());
        const ReportLine& line = model->lines()[static_cast<std::size_t>(row)];
        if (problemsOnly_ && line.mark == ReportLine::Mark::None) return false;
        if (search_.isEmpty()) return true;
        return line.name.contains(search_, Qt::CaseInsensitive) || line.detail.contains(search_, Qt::CaseInsensitive) ||
               line.result.contains(search_, Qt::CaseInsensitive);
    }

private:
    bool problemsOnly_ = false;
    QString search_;
};

}  // namespace

QString reportKindText(FileReport::Kind kind) {
    switch (kind) {
        case FileReport::Kind::Converted: return "変換済み";
        case FileReport::Kind::Failed: return "失敗";
        case FileReport::Kind::Unopened: return "開けません";
        case FileReport::Kind::Copied: return "コピー";
        case FileReport::Kind::AlreadyThere: return "そのまま";
        case FileReport::Kind::NotCopied: return "コピーできません";
        case FileReport::Kind::MissingPicture: return "画像なし";
    }
    return {};
}

RunEnd runEndOf(const RunOutcome& outcome) {
    RunEnd end;
    if (!outcome.started) return end;
    end.stopped = outcome.stopped;
    end.stage = outcome.lastStage;
    end.done = outcome.stageDone;
    end.count = outcome.stageCount;
    end.failed = outcome.failedFiles + outcome.unopenedFiles;
    end.notCopied = outcome.notCopiedFiles;
    end.keptDifferent = outcome.keptDifferentFiles;
    end.missingPictures = static_cast<int>(outcome.missingAfterRun.size());
    return end;
}

QStringList runEndNotes(const RunEnd& end) {
    QStringList notes;
    if (end.stopped) {
        if (end.stage == RunStage::CopyingOtherFiles) {
            notes << QString("ファイルのコピー中に中止しました（%1件中 %2件まで）。データファイルは変換していません")
                         .arg(end.count)
                         .arg(end.done);
        } else if (end.done < end.count) {
            notes << QString("データファイル %1件中 %2件まで変換して中止しました。残りは変換していません")
                         .arg(end.count)
                         .arg(end.done);
        }
    }
    if (end.failed > 0) notes << QString("変換できなかったデータファイルが %1件あります").arg(end.failed);
    if (end.notCopied > 0) notes << QString("コピーできなかったファイルが %1件あります").arg(end.notCopied);
    if (end.keptDifferent > 0)
        notes << QString("出力先にあった内容の違うファイル %1件をそのまま残しました（要確認）").arg(end.keptDifferent);
    if (end.missingPictures > 0)
        notes << QString("変換後のシナリオにない画像が %1 個あります").arg(end.missingPictures) +
                     (end.forLastBox ? "（結果を表示）" : "");
    return notes;
}

void ReportModel::clear() {
    beginResetModel();
    lines_.clear();
    endResetModel();
}

void ReportModel::append(const std::vector<ReportLine>& lines) {
    if (lines.empty()) return;
    const int first = rowCount();
    beginInsertRows({}, first, first + static_cast<int>(lines.size()) - 1);
    lines_.insert(lines_.end(), lines.begin(), lines.end());
    endInsertRows();
}

int ReportModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : static_cast<int>(lines_.size()); }

int ReportModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumns; }

QVariant ReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
        case kResult: return QString("結果");
        case kName: return QString("ファイル");
        case kDetail: return QString("詳細");
    }
    return {};
}

QVariant ReportModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ReportLine& line = lines_[static_cast<std::size_t>(index.row())];
    const QString& text = index.column() == kResult ? line.result : index.column() == kName ? line.name : line.detail;
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == kResult && line.mark == ReportLine::Mark::Attention) return line.result + "（要確認）";
            return text;
        case Qt::ToolTipRole: return index.column() == kResult ? QVariant() : QVariant(text);
        case Qt::ForegroundRole:
            if (line.mark == ReportLine::Mark::Problem) return QColor(190, 0, 0);
            if (line.mark == ReportLine::Mark::Attention) return QColor(150, 90, 0);
            return {};
        case Qt::UserRole:
            if (index.column() != kResult) return {};
            return QString(line.mark == ReportLine::Mark::Problem     ? "problem"
                           : line.mark == ReportLine::Mark::Attention ? "attention"
                                                                      : "");
    }
    return {};
}

RunReportPage::RunReportPage(QWidget* parent)
    // Alt+F and Alt+X: the window's own Alt+S and Alt+O work on this page too.
    : QWidget(parent), ReportSummary(new PartsLabel(this)), ProblemsOnly(new QCheckBox("問題のみ表示(&F)", this)),
      ReportSearch(new QLineEdit(this)), ReportList(new QTreeView(this)), RowTotals(new PartsLabel(this, true)),
      SaveButton(new QPushButton("テキストで保存(&X)", this)), ReportMatches(new QLabel(this)), model_(new ReportModel(this)),
      proxy_(new ReportFilter(this)), saveRunner_(execSave) {
    ReportSummary->setObjectName("ReportSummary");
    ReportSummary->setText("実行すると、ファイルごとの結果がここに並びます。");
    // Broken between its counts rather than widening the window's smallest size (wider fonts under Windows).
    ProblemsOnly->setObjectName("ProblemsOnly");
    ProblemsOnly->setToolTip("失敗したファイル、コピーできなかったファイル、要確認のファイルだけを表示します");
    ReportSearch->setObjectName("ReportSearch");
    ReportSearch->setPlaceholderText("ファイル名・詳細を検索");
    ReportSearch->setClearButtonEnabled(true);
    ReportSearch->setToolTip(ReportSearch->placeholderText());
    // It grows with the window, as far as its hint needs and a little more; the summary takes the rest. At the
    // smallest size it keeps room for about half its hint, so that a wider font (Windows') leaves the summary room
    // for its counts instead of widening the window.
    ReportSearch->setMinimumWidth(ReportSearch->fontMetrics().horizontalAdvance(ReportSearch->placeholderText()) / 2 + 30);
    ReportSearch->setMaximumWidth(
        std::max(ReportSearch->sizeHint().width(),
                 ReportSearch->fontMetrics().horizontalAdvance(ReportSearch->placeholderText()) * 3 / 2 + 40));
    ReportMatches->setObjectName("ReportMatches");
    ReportMatches->hide();

    proxy_->setSourceModel(model_);
    proxy_->setSortLocaleAware(true);
    ReportList->setObjectName("ReportList");
    ReportList->setModel(proxy_);
    ReportList->setRootIsDecorated(false);
    ReportList->setUniformRowHeights(true);
    ReportList->setAllColumnsShowFocus(true);
    ReportList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ReportList->setSelectionBehavior(QAbstractItemView::SelectRows);
    // Fixed widths: a column sized to its contents measures every line again whenever one is added.
    QHeaderView* header = ReportList->header();
    header->setSectionResizeMode(ReportModel::kResult, QHeaderView::Interactive);
    header->resizeSection(ReportModel::kResult,
                          ReportList->fontMetrics().horizontalAdvance("コピーできません") + 20);
    header->setSectionResizeMode(ReportModel::kName, QHeaderView::Interactive);
    header->resizeSection(ReportModel::kName, 140);
    header->setStretchLastSection(true);
    // The run's order until a column is clicked.
    header->setSortIndicator(-1, Qt::AscendingOrder);
    ReportList->setSortingEnabled(true);
    RowTotals->setObjectName("RowTotals");
    SaveButton->setObjectName("SaveButton");
    SaveButton->setEnabled(false);
    SaveButton->setToolTip("結果をテキストファイルに保存します（問題のみ表示のときは問題だけ）");

    auto* top = new QHBoxLayout();
    top->addWidget(ReportSummary, 1);
    top->addWidget(ReportSearch, 1);
    top->addWidget(ReportMatches);
    top->addWidget(ProblemsOnly);
    auto* bottom = new QHBoxLayout();
    bottom->addWidget(RowTotals, 1);
    bottom->addWidget(SaveButton, 0, Qt::AlignBottom);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addLayout(top);
    layout->addWidget(ReportList, 1);
    layout->addLayout(bottom);

    connect(ProblemsOnly, &QCheckBox::toggled, this,
            [this](bool only) { static_cast<ReportFilter*>(proxy_)->setProblemsOnly(only); });
    // A new search starts at the top of its matches, and tells how many there are (lines a run adds too).
    const auto showCount = [this] { showMatches(ReportSearch, ReportMatches, proxy_->rowCount()); };
    connect(ReportSearch, &QLineEdit::textChanged, this, [this, showCount](const QString& text) {
        static_cast<ReportFilter*>(proxy_)->setSearch(text);
        ReportList->scrollToTop();
        showCount();
    });
    for (const auto changed : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(proxy_, changed, this, showCount);
    connect(proxy_, &QAbstractItemModel::modelReset, this, showCount);
    connect(SaveButton, &QPushButton::clicked, this, &RunReportPage::SaveButtonClick);
}

void RunReportPage::setSaveRunner(SaveRunner runner) { saveRunner_ = runner ? std::move(runner) : SaveRunner(execSave); }

void RunReportPage::startRun(const RunHead& head) {
    model_->clear();
    kinds_ = {};
    problems_ = 0;
    attention_ = 0;
    keptDifferent_ = 0;
    converted_ = 0;
    copied_ = 0;
    totals_.clear();
    RowTotals->clear();
    head_ = head;
    started_ = QDateTime::currentDateTime();
    running_ = true;
    SaveButton->setEnabled(false);
    showSummary();
}

ReportLine RunReportPage::lineOf(const FileReport& report) const {
    ReportLine line{reportKindText(report.kind), QString::fromStdString(shownName(report.name)),
                    QString::fromStdString(report.reason)};
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
                line.mark = ReportLine::Mark::Problem;
                if (line.detail.isEmpty()) line.detail = "最後まで読めませんでした";
                if (!report.outputWritten) {
                    line.detail += "。出力先のファイルは前のまま";
                } else if (all > 0) {
                    line.detail += "。" + replaced;
                }
            }
            break;
        }
        case FileReport::Kind::Unopened: {
            line.mark = ReportLine::Mark::Problem;
            line.detail = shownPath(report.path) + (line.detail.isEmpty() ? QString() : "：" + line.detail);
            // Nothing of it was written: the output folder holds no such file, or still the one of an earlier run.
            const QString output = QDir(QDir::fromNativeSeparators(head_.outputFolder))
                                       .filePath(QDir::fromNativeSeparators(fromBytes(report.name)));
            line.detail += QFileInfo(output).isFile() ? "。出力先のファイルは前のまま" : "。出力先にはありません";
            break;
        }
        case FileReport::Kind::NotCopied:
            line.mark = ReportLine::Mark::Problem;
            break;
        case FileReport::Kind::Copied:
            if (!report.renamedTo.empty())
                line.detail = "新しい名前でコピー: " + QString::fromStdString(report.renamedTo);  // its written form
            break;
        case FileReport::Kind::MissingPicture:
            line.mark = ReportLine::Mark::Attention;
            line.detail = QString::fromStdString(texts::kMissingAfterRun) +
                          (report.writtenByRow > 0
                               ? "（変換" + QString::fromStdString(texts::rowNumber(report.writtenByRow)) + " が書いた名前）"
                               : QString("（変換前からの名前。出力先にコピーされていません）"));
            break;
        case FileReport::Kind::AlreadyThere:
            if (report.differs) {
                line.mark = ReportLine::Mark::Attention;
                line.detail = kAttentionDetail;
            } else if (line.detail.isEmpty()) {
                line.detail = "出力先に同じ名前のファイルがあるので、コピーしませんでした";
            }
            break;
    }
    // Names that Windows takes for one: written both here, but the scenario cannot work on Windows as it stands.
    if (!report.sameNameAs.empty() && report.kind != FileReport::Kind::NotCopied) {
        if (line.mark == ReportLine::Mark::None) line.mark = ReportLine::Mark::Attention;
        const QString same = QString::fromStdString(texts::sameNameOnWindows(shownName(report.sameNameAs)));
        line.detail = line.detail.isEmpty() ? same : line.detail + "。" + same;
    }
    // A picture picked for a row: where it came from, before the reason.
    if (report.added) line.detail = "選んだ画像: " + shownPath(report.path) + (line.detail.isEmpty() ? QString() : "：" + line.detail);
    return line;
}

void RunReportPage::addFile(const FileReport& report) { addFiles({report}); }

void RunReportPage::addFiles(const std::vector<FileReport>& reports) {
    std::vector<ReportLine> lines;
    lines.reserve(reports.size());
    for (const FileReport& report : reports) {
        lines.push_back(lineOf(report));
        ++kinds_[static_cast<std::size_t>(report.kind)];
        if (report.kind == FileReport::Kind::AlreadyThere && report.differs) ++keptDifferent_;
        if (report.kind == FileReport::Kind::Converted) ++converted_;
        if (report.kind == FileReport::Kind::Copied) ++copied_;
        if (lines.back().mark == ReportLine::Mark::Problem) ++problems_;
        if (lines.back().mark == ReportLine::Mark::Attention) ++attention_;
    }
    model_->append(lines);
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
    totals << runEndNotes(runEndOf(outcome));
    totals_ = totals.join("\n");
    RowTotals->setText(totals_);
    SaveButton->setEnabled(model_->rowCount() > 0 || !totals_.isEmpty());
    showSummary();
}

// Counted as the lines come: a run of many thousand files must not count them all again for each.
void RunReportPage::showSummary() {
    QString text = QString("%1件：変換済み %2、コピー %3、問題 %4")
                       .arg(model_->rowCount())
                       .arg(converted_)
                       .arg(copied_)
                       .arg(problems_);
    if (attention_ > 0) text += QString("、要確認 %1").arg(attention_);
    if (running_) text = "実行中… " + text;
    ReportSummary->setText(text);
}

// From the end: the boxes ask about the files reported last.
QString RunReportPage::reasonOf(const QString& name) const {
    const std::vector<ReportLine>& lines = model_->lines();
    for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
        if (line->name == name && line->mark != ReportLine::Mark::None) return line->detail;
    }
    return {};
}

QStringList RunReportPage::shownLines() const {
    QStringList shown;
    for (int row = 0; row < proxy_->rowCount(); ++row) {
        QStringList cells;
        for (int column = 0; column < ReportModel::kColumns; ++column)
            cells << proxy_->index(row, column).data(Qt::DisplayRole).toString();
        shown << cells.join('\t');
    }
    return shown;
}

QString RunReportPage::text(bool problemsOnly) const {
    QString out;
    if (!head_.scenario.isEmpty()) out += "シナリオ\t" + QDir::toNativeSeparators(head_.scenario) + "\n";
    out += "出力先\t" + QDir::toNativeSeparators(head_.outputFolder) + "\n";
    for (const QString& row : head_.rows) out += row + "\n";
    if (started_.isValid()) out += "日時\t" + started_.toString("yyyy-MM-dd HH:mm:ss") + "\n";
    out += "結果\tファイル\t詳細\n";
    for (const ReportLine& line : model_->lines()) {
        if (problemsOnly && line.mark == ReportLine::Mark::None) continue;
        const QString result = line.mark == ReportLine::Mark::Attention ? line.result + "（要確認）" : line.result;
        out += result + "\t" + line.name + "\t" + line.detail + "\n";
    }
    if (!totals_.isEmpty()) out += "\n" + totals_ + "\n";
    return out;
}

// Written whole or not at all; a failure is told in a box. The dialog offers the folder saved into last, else the
// one that holds the output folder: inside it, the report would become a file of the converted scenario.
void RunReportPage::SaveButtonClick() {
    QString folder = saveFolder_;
    if (folder.isEmpty()) {
        QDir output(head_.outputFolder);
        folder = output.cdUp() ? output.path() : head_.outputFolder;
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
