// The main window: the scenario and output buttons, the four conversion rows and the Execute button. It gathers
// what the user typed, runs the conversion on a thread of its own (the window stays live, with a progress bar
// and a cancel button) and shows what the run says; beside the rows, a page of the scenario's pictures and a page
// of what the last run did with each file. It keeps its geometry, the scenario dialog's folders and the output
// folder in the settings file (settingsFileLocation()).
//
// The form is defined in several files, one per concern: Main.cpp (the handlers of the buttons and the window),
// main_layout.cpp (the controls and how they grow), main_rows.cpp (rows checked as typed, their pictures and
// results), main_run.cpp (the run's controller), main_scan.cpp (the scenario's names), main_settings.cpp (the
// settings file and the geometry).
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

#include <QRect>
#include <QStringList>
#include <QString>
#include <QWidget>

#include "app/box_messages.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"
#include "run/scenario_scan.h"

class QCheckBox;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
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

namespace cli {
struct RowsFile;
}

class DesignedLayout;
class ImageFileIndex;
class NameCompleter;
class NamesPanel;
class ProgressRelay;
class ReportRelay;
class RunReportPage;

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
    // Beside 実行: opens the output folder; the rows file menu (save, load).
    QPushButton* OpenOutputButton;
    QPushButton* RowsButton;
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
    // Per row, small pictures of the 変換元 and 変換先 images (T2Thumb1From, T2Thumb1To, ...).
    std::array<QLabel*, 4> FromThumbs;
    std::array<QLabel*, 4> ToThumbs;
    // Per row, beside 変換先: picks a picture file from anywhere (T2Button1Picture, ...).
    std::array<QPushButton*, 4> PictureButtons;
    // Below the rows, in the room a larger window has: the pictures of the row being edited, large.
    QWidget* RowPreview;
    QLabel* PreviewCaption;
    QLabel* PreviewFrom;
    QLabel* PreviewTo;
    // Above the rows: copy a row's picture under its 変換先 name when no file has that name (off by default).
    QCheckBox* RenamePictures = nullptr;
    // The chosen scenario and the output folder, read-only, the full path in the tooltip.
    QLineEdit* SourceLine;
    QLineEdit* TargetLine;
    // Beside the page tabs during a run: files done of all, the file in work, and the cancel button.
    QWidget* RunPanel;
    QProgressBar* RunProgressBar;
    QLabel* RunFileLabel;
    QPushButton* RunCancel;
    // The page of the scenario's image names, and the page of the last run's report.
    NamesPanel* NamesPage;
    RunReportPage* ReportPage;
    QFileDialog* SourceOpen;
    // A folder enumerator for the window's own use; each run and scan lists the folder with one of its own.
    std::unique_ptr<FileList> t0FileList;

    // Shows SourceOpen and gives the chosen file, or nothing when the user cancels. Tests answer it themselves.
    using SourceOpenRunner = std::function<std::optional<QString>(QFileDialog&)>;
    void setSourceOpenRunner(SourceOpenRunner runner);
    // Asks for the output folder, starting in start; nothing when the user cancels. Tests answer it themselves.
    using TargetOpenRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setTargetOpenRunner(TargetOpenRunner runner);
    // Asks for a picture file for a row's 変換先, starting in start; nothing when the user cancels.
    using PictureOpenRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start)>;
    void setPictureOpenRunner(PictureOpenRunner runner);
    // Asks, when the window is closed during a run, whether to cancel the run. Tests answer it themselves.
    using CloseQuestion = std::function<bool(QWidget* parent)>;
    void setCloseQuestion(CloseQuestion question);
    // Asks a question with several answers; gives the index of the answer taken (defaultChoice for Enter), or -1
    // when the box is closed without one. kind names the question ("MixQuestion", "RerunQuestion",
    // "PictureClash"). Tests answer it themselves.
    using ChoiceQuestion = std::function<int(QWidget* parent, const QString& kind, const QString& text,
                                             const QStringList& choices, int defaultChoice)>;
    void setChoiceQuestion(ChoiceQuestion question);
    // Where the run's messages go; nullptr restores the message boxes. Not owned; called on the run's thread.
    void setRunMessages(RunMessages* messages);
    // The folder the run writes into; defaultWindowOutputFolder() ("Scena" beside a portable executable, else in the
    // user's documents) unless chosen or set.
    void setOutputFolder(std::string folder);
    const std::string& outputFolder() const { return outputFolder_; }
    // Worker threads of each run (0: one per core).
    void setRunJobs(int jobs) { runJobs_ = jobs; }

    // The system asks the program to end (SIGTERM, SIGHUP, Ctrl+C in its terminal): the window closes without a
    // question. Boxes that are up close as Esc would close them and later ones are not shown; a run stops after its
    // files in work, and the window closes (writing its settings) once it has ended.
    void closeOnStopRequest();

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
    // The folder of the scenario chosen last, in this start or an earlier one; SourceOpen opens there when no
    // folder is stored under "Source".
    const std::string& lastScenarioFolder() const { return lastScenarioFolder_; }
    const std::string& settingsPath() const { return settingsPath_; }
    // The picture file picked for row (0 to 3), while that row's 変換先 still names it; empty otherwise.
    QString pickedPicture(int row) const;

    void t0ButtonSourceClick();
    void t0ButtonTargetClick();
    void t0ButtonExecuteClick();
    // Asks the run to stop after the files in work.
    void RunCancelClick();
    // Picks a picture for row (0 to 3): its name goes into the row's 変換先.
    void PictureButtonClick(int row);
    // Puts name into the first row whose 変換元 is empty; false when every row has one.
    bool fillNextEmptyFrom(const QString& name);
    // Chooses the scenario whose "Summary.wsm" is file (or the folder that holds one), as シナリオを選択 does;
    // false, with a box, when it names no scenario. For a dropped file and the last scenario at start.
    bool chooseScenario(const QString& file, bool tell = true);
    // Opens the output folder in the system's file manager.
    void OpenOutputClick();
    // Writes the four rows as a rows file (UTF-8, FROM<TAB>TO per line) / reads one into the four rows.
    void SaveRowsClick();
    void LoadRowsClick();
    // Reads the rows file at path into the four rows, as 変換行 読み込み does (for a dropped file too). The file is
    // read and checked off the GUI thread (it may hold half a million rows); the rows are filled once it has been.
    void loadRowsFile(const QString& path);
    // True while a rows file is being read; 実行 waits for it.
    bool rowsReading() const { return rowsThread_.joinable(); }
    // Asks for a rows file to save or load, starting at start; nothing when the user cancels. Tests answer it.
    using RowsFileRunner = std::function<std::optional<QString>(QWidget* parent, const QString& start, bool save)>;
    void setRowsFileRunner(RowsFileRunner runner);
    // The folder the last run wrote into (a subfolder when the user chose one for that run); empty before a run.
    const std::string& lastRunOutput() const { return lastRunOutput_; }
    // Opens a folder in the system's file manager; false when nothing could open it (no file manager, xdg-open
    // missing, the system refused). Tests answer it themselves.
    using FolderOpener = std::function<bool(const QString& folder)>;
    void setFolderOpener(FolderOpener opener);

signals:
    void runEnded();
    void scanEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    friend class ProgressRelay;

    void FormClose(QCloseEvent* event);
    void FormResize();

    // main_layout.cpp
    void buildControls();
    void buildRow(int row, QGroupBox* box);
    void buildRunPanel();
    void buildPathLines();
    void buildPages();
    // main_settings.cpp
    void readSettings();
    void writeSettings();
    void setOuterSize(int width, int height);
    void applyPendingOuterSize();
    QRect outerGeometryToStore() const;
    void rememberRestoredGeometry();
    bool fillsItsScreen() const;
    // main_rows.cpp
    ConversionRows typedRows() const;
    void rowsChanged();
    void markRows();
    void showRowPictures();
    void clearRowSummaries();
    void showRowPreview();
    void showRowSummaries(const RunOutcome& outcome);
    void showRowsFile(const QString& path, const std::shared_ptr<const cli::RowsFile>& file, const std::string& error);
    // main_run.cpp
    RunMessages& messages();
    bool pickedPicturesToCopy(const std::string& output, std::vector<std::string>& pictures,
                              std::vector<std::string>& names);
    std::optional<std::string> pictureClash(int row, const std::string& source, const std::string& name) const;
    void setRunning(bool running);
    void showProgress(RunStage stage, int done, int count, const QString& inWork);
    void showBoxAbout(const QString& file);
    // The run's last box is about to come up: a close question still up is answered by the run's end.
    void beforeLastBox();
    // Returns once the question at close, when it is up, has been answered.
    void waitWhileCloseQuestionIsUp();
    // Hands what the run told meanwhile to the progress and the report at once.
    void flushRelays();
    QStringList lastBoxNotes(bool stopped) const;
    // Where this run writes: output, or a subfolder of it the user chose because output holds another scenario;
    // empty when the user cancelled.
    std::optional<std::string> runOutputFor(const std::string& output);
    QString runKey(const std::string& output) const;
    void finishRun(const RunOutcome& outcome, std::exception_ptr error);
    // main_scan.cpp
    void startScan();
    void finishScan(int generation, std::shared_ptr<const ScenarioScan> scan);
    void endBackgroundWork();

    void showPaths();
    void setScenario(const QString& file, bool tell);
    // The folder the 出力先 line shows and 出力先を開く opens: the subfolder the last run wrote into when the user put
    // it there (the output folder held another scenario), until the scenario or the output folder changes; else the
    // output folder.
    std::string shownOutputFolder() const;

    std::string settingsPath_;
    std::string sourceInitialFolder_;
    std::string lastScenarioFolder_;
    QString sourceFile_;
    std::string outputFolder_;
    // The output folder as chosen or read from the settings file; empty: not stored.
    std::string storedTarget_;
    // The output folder when none is chosen (defaultWindowOutputFolder(), found once per window).
    std::string defaultOutput_;
    SourceOpenRunner sourceOpenRunner_;
    TargetOpenRunner targetOpenRunner_;
    PictureOpenRunner pictureOpenRunner_;
    CloseQuestion closeQuestion_;
    int runJobs_ = 0;
    RunMessages* runMessages_ = nullptr;
    std::unique_ptr<BoxMessages> boxMessages_;
    // The outer size from the settings, until the platform tells how wide the window frame is.
    std::optional<QSize> pendingOuterSize_;
    // The outer place and size last seen while the window was neither maximized, minimized nor full screen.
    QRect restoredOuter_;
    // Per row, the picture file picked for its 変換先 (full path); dropped once the 変換先 names another file.
    std::array<QString, 4> pickedPictures_;
    // Per row, the name the picked picture takes in the output folder: its own, or another one the user took
    // because a different file has its name.
    std::array<QString, 4> pickedNames_;
    // Per row, the files its two pictures show (変換元, 変換先); empty where none; and the row the preview shows.
    std::array<std::array<QString, 2>, 4> rowPicturePaths_;
    int previewRow_ = 0;
    QMetaObject::Connection previewFollowsFocus_;
    // The scenario folder's and the output folder's files, read once each until the folder changes or a run
    // has written; for the rows' pictures.
    std::shared_ptr<ImageFileIndex> scenarioFiles_;
    std::shared_ptr<ImageFileIndex> outputFiles_;
    // The folder the rows file dialogs open in: where the last rows file was saved or read.
    QString rowsFolder_;
    // The folder the picture dialog opens in: where the last picture was picked.
    QString pictureFolder_;

    std::thread runThread_;
    std::unique_ptr<StopRequest> runStop_;
    std::unique_ptr<ProgressRelay> progressRelay_;
    std::unique_ptr<ReportRelay> reportRelay_;
    std::optional<RunOutcome> lastOutcome_;
    bool closeAfterRun_ = false;
    // The close question is up; the run ended while it was.
    bool closeQuestionUp_ = false;
    bool runEndedDuringQuestion_ = false;
    // The user took 結果を表示 in the run's last box: a close that waited for the run does not happen.
    bool reportChosen_ = false;
    ChoiceQuestion choiceQuestion_;
    RowsFileRunner rowsFileRunner_;
    // What the last run that started was given (scenario, rows, output), to ask before the same run again; what the
    // run in work was given; and where the last run wrote.
    QString lastRunKey_;
    QString runningKey_;
    std::string lastRunOutput_;
    // The subfolder of the output folder that the last run wrote into; empty when it wrote into the output folder.
    std::string runSubfolder_;
    FolderOpener folderOpener_;
    // The stage and file count the progress told last, for the last box of a stopped run.
    RunStage progressStage_ = RunStage::CopyingOtherFiles;
    int progressCount_ = 0;
    // While a box about one file is up, the progress label names that file.
    bool boxUp_ = false;

    std::thread rowsThread_;
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
