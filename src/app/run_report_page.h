// The page of the run's report: one line per file of the scenario folder as the run reports it (a data file
// converted with its count of replaced names, failed or not opened with the reason; another file copied, kept
// because it was already there, or not copied with the reason), filled while the run works and kept after it;
// the totals per row; a filter that shows the problems only; and saving it all as a text file.
#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QString>
#include <QWidget>

#include "run/conversion_run.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace celshift {

class RunReportPage : public QWidget {
    Q_OBJECT

public:
    explicit RunReportPage(QWidget* parent = nullptr);

    // A new run into outputFolder: the lines of the last one go.
    void startRun(const QString& outputFolder);
    void addFile(const FileReport& report);
    void finishRun(const RunOutcome& outcome);

    // True when a line of the report is a problem (failed, not opened, not copied).
    bool hasProblems() const { return problems_ > 0; }
    // The whole report as text, one line per file, tab-separated; the problems only when problemsOnly.
    QString text(bool problemsOnly = false) const;

    // Asks where to save the report, starting at start; nothing when the user cancels. Tests answer it themselves.
    using SaveRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setSaveRunner(SaveRunner runner);
    void SaveButtonClick();

    QLabel* ReportSummary;
    QCheckBox* ProblemsOnly;
    QTreeWidget* ReportList;
    QLabel* RowTotals;
    QPushButton* SaveButton;

private:
    struct Line {
        QString result;
        QString name;
        QString detail;
        bool problem;
    };
    void addLine(const Line& line);
    void showSummary();

    std::vector<Line> lines_;
    QString outputFolder_;
    QString saveFolder_;  // where the report was saved last
    int problems_ = 0;
    int converted_ = 0;
    int copied_ = 0;
    bool running_ = false;
    QString totals_;
    SaveRunner saveRunner_;
};

// The word of a report line for a kind: 変換済み, 失敗, 開けません, コピー, そのまま, コピーできません.
QString reportKindText(FileReport::Kind kind);

}  // namespace celshift
