// The main window: the scenario and output buttons, the four conversion rows and the Execute button. It gathers
// what the user typed, runs the conversion on a thread of its own (the window stays live, with a progress bar
// and a cancel button) and shows what the run says; it keeps its geometry, the scenario dialog's folder and the
// output folder in the settings file (settingsFileLocation()).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <QRect>
#include <QString>
#include <QWidget>

#include "app/box_messages.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"
#include "run/scenario_scan.h"

class QCloseEvent;
class QProgressBar;
class QFileDialog;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMoveEvent;
class QPushButton;
class QResizeEvent;
class QShowEvent;
class QTabWidget;

namespace celshift {

class TForm1 : public QWidget {
    Q_OBJECT

public:
    // Reads the settings file of this start (settingsFileLocation()).
    explicit TForm1(QWidget* parent = nullptr);
    // Reads the settings file at settingsPath instead, and writes it there at close.
    explicit TForm1(std::string settingsPath, QWidget* parent = nullptr);
    ~TForm1() override;

    // The controls, under the names the rest of the program and the tests use.
    QFrame* Panel1;
    QPushButton* t0ButtonSource;
    QPushButton* t0ButtonTarget;
    QPushButton* t0ButtonExecute;
    QTabWidget* PageControl;
    QWidget* TabSheet2;
    QGroupBox* GroupBox1;
    QGroupBox* GroupBox2;
    QGroupBox* GroupBox3;
    QGroupBox* GroupBox4;
    QLineEdit* T2Edit1From;
    QLineEdit* T2Edit1To;
    QLineEdit* T2Edit2From;
    QLineEdit* T2Edit2To;
    QLineEdit* T2Edit3From;
    QLineEdit* T2Edit3To;
    QLineEdit* T2Edit4From;
    QLineEdit* T2Edit4To;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    QLabel* Label5;
    // Per row, what the last run replaced; empty until a run, and again once the rows or the scenario change.
    std::array<QLabel*, 4> RowSummary;
    // The chosen scenario and the output folder, read-only, the full path in the tooltip.
    QLineEdit* SourceLine;
    QLineEdit* TargetLine;
    // Beside the page tab during a run: files done of all, the file in work, and the cancel button.
    QWidget* RunPanel;
    QProgressBar* RunProgressBar;
    QLabel* RunFileLabel;
    QPushButton* RunCancel;
    QFileDialog* SourceOpen;
    // A folder enumerator for the window's own use; each run and scan lists the folder with one of its own.
    std::unique_ptr<FileList> t0FileList;

    // Shows SourceOpen and gives the chosen file, or nothing when the user cancels. Tests answer it themselves.
    using SourceOpenRunner = std::function<std::optional<QString>(QFileDialog&)>;
    void setSourceOpenRunner(SourceOpenRunner runner);
    // Asks for the output folder, starting in start; nothing when the user cancels. Tests answer it themselves.
    using TargetOpenRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setTargetOpenRunner(TargetOpenRunner runner);
    // Asks, when the window is closed during a run, whether to cancel the run. Tests answer it themselves.
    using CloseQuestion = std::function<bool(QWidget* parent)>;
    void setCloseQuestion(CloseQuestion question);
    // Where the run's messages go; nullptr restores the message boxes. Not owned; called on the run's thread.
    void setRunMessages(RunMessages* messages);
    // The folder the run writes into; "Scena" beside the executable unless chosen or set.
    void setOutputFolder(std::string folder);
    const std::string& outputFolder() const { return outputFolder_; }
    // Worker threads of each run (0: one per core).
    void setRunJobs(int jobs) { runJobs_ = jobs; }

    // True from Execute until the run has ended and the window is ready again.
    bool runInProgress() const { return runThread_.joinable(); }
    // What the last run that ended said; nothing before the first.
    const std::optional<RunOutcome>& lastOutcome() const { return lastOutcome_; }
    // True while the scenario is being scanned for its names.
    bool scanInProgress() const { return scanThread_.joinable(); }
    // What the scan of the chosen scenario found; nothing before it has ended.
    const std::shared_ptr<const ScenarioScan>& scenarioScan() const { return scan_; }

    // The "Summary.wsm" chosen last; empty before any choice.
    const QString& sourceFile() const { return sourceFile_; }
    // The folder SourceOpen opens in, as read from the settings file after the trailing-separator rule.
    const std::string& sourceInitialFolder() const { return sourceInitialFolder_; }
    const std::string& settingsPath() const { return settingsPath_; }

    void t0ButtonSourceClick();
    void t0ButtonTargetClick();
    void t0ButtonExecuteClick();
    // Asks the run to stop after the files in work.
    void RunCancelClick();

signals:
    void runEnded();
    void scanEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class ProgressRelay;

    void FormClose(QCloseEvent* event);
    void FormResize();

    void buildControls();
    void buildRunPanel();
    void buildPathLines();
    void readSettings();
    void writeSettings();
    void setOuterSize(int width, int height);
    void applyPendingOuterSize();
    QRect outerGeometryToStore() const;
    void rememberRestoredGeometry();
    RunMessages& messages();

    ConversionRows typedRows() const;
    void rowsChanged();
    void markRows();
    void clearRowSummaries();
    void showRowSummaries(const RunOutcome& outcome);
    void showPaths();
    void setRunning(bool running);
    void showProgress(RunStage stage, int done, int count, const QString& inWork);
    void finishRun(const RunOutcome& outcome, std::exception_ptr error);
    void startScan();
    void finishScan(int generation, std::shared_ptr<const ScenarioScan> scan);
    void endBackgroundWork();

    std::string settingsPath_;
    std::string sourceInitialFolder_;
    QString sourceFile_;
    std::string outputFolder_;
    // The output folder as chosen or read from the settings file; empty: not stored.
    std::string storedTarget_;
    SourceOpenRunner sourceOpenRunner_;
    TargetOpenRunner targetOpenRunner_;
    CloseQuestion closeQuestion_;
    int runJobs_ = 0;
    RunMessages* runMessages_ = nullptr;
    std::unique_ptr<BoxMessages> boxMessages_;
    // The outer size from the settings, until the platform tells how wide the window frame is.
    std::optional<QSize> pendingOuterSize_;
    // The outer place and size last seen while the window was neither maximized, minimized nor full screen.
    QRect restoredOuter_;

    std::thread runThread_;
    std::unique_ptr<StopRequest> runStop_;
    std::unique_ptr<ProgressRelay> progressRelay_;
    std::optional<RunOutcome> lastOutcome_;
    bool closeAfterRun_ = false;

    std::thread scanThread_;
    std::unique_ptr<StopRequest> scanStop_;
    int scanGeneration_ = 0;
    std::shared_ptr<const ScenarioScan> scan_;
};

// The main window of the running program; set by the program entry.
extern TForm1* Form1;

// The settings file: the executable's path with its extension replaced by ".ini".
std::string settingsFilePath();

// The folder SourceOpen opens in, from the stored text: one trailing "\" or "/" is dropped, unless the text is one
// character long or the separator follows a colon (a drive root such as C:\ keeps it).
std::string initialFolderFromStored(const std::string& stored);

// The smallest client size that shows every control: the designed window.
inline constexpr QSize kMinimumClientSize{416, 352};

}  // namespace celshift
