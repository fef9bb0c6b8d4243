// The page of the run's report: one line per file of the scenario folder as the run reports it (a data file
// converted with its count of replaced names, failed or not opened with the reason; another file copied, kept
// because it was already there, or not copied with the reason), filled while the run works and kept after it;
// the totals per row, and how the run ended; a filter that shows the problems only, a search line, columns that
// sort; and saving it all as a text file that begins with the scenario, the output folder, the rows and the time.
//
// The lines live in a model fed a batch at a time, with columns of fixed width: a run of many thousand files
// costs the window one step per line.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <vector>

#include <QAbstractTableModel>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QWidget>

#include "run/conversion_run.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTreeView;

namespace celshift {

struct ReportLine {
    enum class Mark { None, Problem, Attention };
    QString result;
    QString name;
    QString detail;
    Mark mark = Mark::None;
};

// The lines, in the run's order. Qt::UserRole of column 0 tells the mark: "problem", "attention" or "".
class ReportModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { kResult, kName, kDetail, kColumns };
    using QAbstractTableModel::QAbstractTableModel;

    void clear();
    void append(const std::vector<ReportLine>& lines);
    const std::vector<ReportLine>& lines() const { return lines_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<ReportLine> lines_;
};

class RunReportPage : public QWidget {
    Q_OBJECT

public:
    explicit RunReportPage(QWidget* parent = nullptr);

    // What a run is about, for the head of the saved report.
    struct RunHead {
        QString scenario;      // the chosen "Summary.wsm"
        QString outputFolder;
        QStringList rows;      // "変換１: FROM → TO", the rows the run was given that are not empty
    };
    // A new run: the lines of the last one go.
    void startRun(const RunHead& head);
    void startRun(const QString& outputFolder) { startRun(RunHead{{}, outputFolder, {}}); }
    void addFile(const FileReport& report);
    void addFiles(const std::vector<FileReport>& reports);
    void finishRun(const RunOutcome& outcome);

    // True when a line of the report is a problem (failed, not opened, not copied) or worth a look (a kept file
    // that differs from the scenario's).
    bool hasProblems() const { return problems_ > 0 || attention_ > 0; }
    int problems() const { return problems_; }
    // Kept files of the output folder that differ from the scenario's.
    int keptDifferent() const { return keptDifferent_; }
    // Lines of that kind so far.
    int count(FileReport::Kind kind) const { return kinds_[static_cast<std::size_t>(kind)]; }
    // Why the file of that name (as the list shows it) is a problem or worth a look; empty when it is neither.
    QString reasonOf(const QString& name) const;
    int attention() const { return attention_; }
    // The whole report as text, one line per file, tab-separated; the problems only when problemsOnly.
    QString text(bool problemsOnly = false) const;
    // The lines the list shows now (filter and search applied), in the list's order: "result\tname\tdetail".
    QStringList shownLines() const;

    // Asks where to save the report, starting at start; nothing when the user cancels. Tests answer it themselves.
    using SaveRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setSaveRunner(SaveRunner runner);
    void SaveButtonClick();

    QLabel* ReportSummary;
    QCheckBox* ProblemsOnly;
    QLineEdit* ReportSearch;
    QTreeView* ReportList;
    QLabel* RowTotals;
    QPushButton* SaveButton;
    // Beside the search, while it holds text: how many lines match ("12件", or "一致なし").
    QLabel* ReportMatches;

private:
    ReportLine lineOf(const FileReport& report) const;
    void showSummary();

    ReportModel* model_;
    QSortFilterProxyModel* proxy_;
    RunHead head_;
    QDateTime started_;
    QString saveFolder_;  // where the report was saved last
    std::array<int, 7> kinds_{};
    int problems_ = 0;
    int attention_ = 0;
    int keptDifferent_ = 0;
    int converted_ = 0;
    int copied_ = 0;
    bool running_ = false;
    QString totals_;
    SaveRunner saveRunner_;
};

// The word of a report line for a kind: 変換済み, 失敗, 開けません, コピー, そのまま, コピーできません.
QString reportKindText(FileReport::Kind kind);

// How a run ended, for the report, the rows and the last box: stopped at n of m files, files that failed, kept
// files that differ. No line for a run that ended with every file done and nothing to look at.
struct RunEnd {
    bool stopped = false;
    RunStage stage = RunStage::CopyingOtherFiles;
    int done = 0;   // files of the stage done
    int count = 0;  // files of the stage
    int failed = 0;     // data files failed or not opened
    int notCopied = 0;
    int keptDifferent = 0;
    int missingPictures = 0;  // pictures the converted scenario names and lacks (FileReport::Kind::MissingPicture)
    bool forLastBox = false;  // the notes go into the run's last box, which offers the report
};
QStringList runEndNotes(const RunEnd& end);
RunEnd runEndOf(const RunOutcome& outcome);

}  // namespace celshift
