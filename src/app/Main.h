// The main window: the scenario button, the four conversion rows and the Execute button. It gathers what the
// user typed, calls the conversion run and shows what the run says; it keeps its geometry and the scenario
// dialog's folder in the settings file beside the executable.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QRect>
#include <QString>
#include <QWidget>

#include "app/box_messages.h"
#include "platform/file_list.h"
#include "run/conversion_run.h"

class QCloseEvent;
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
    QFileDialog* SourceOpen;
    // The run's folder enumerator; never shown.
    std::unique_ptr<FileList> t0FileList;

    // Shows SourceOpen and gives the chosen file, or nothing when the user cancels. Tests answer it themselves.
    using SourceOpenRunner = std::function<std::optional<QString>(QFileDialog&)>;
    void setSourceOpenRunner(SourceOpenRunner runner);
    // Where the run's messages go; nullptr restores the message boxes. Not owned.
    void setRunMessages(RunMessages* messages);
    // The folder the run writes into; "Scena" beside the executable unless set.
    void setOutputFolder(std::string folder);

    // The "Summary.wsm" chosen last; empty before any choice.
    const QString& sourceFile() const { return sourceFile_; }
    // The folder SourceOpen opens in, as read from the settings file after the trailing-separator rule.
    const std::string& sourceInitialFolder() const { return sourceInitialFolder_; }
    const std::string& settingsPath() const { return settingsPath_; }

    void t0ButtonSourceClick();
    void t0ButtonTargetClick();
    void t0ButtonExecuteClick();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void FormClose(QCloseEvent* event);
    void FormResize();

    void buildControls();
    void readSettings();
    void writeSettings();
    void setOuterSize(int width, int height);
    void applyPendingOuterSize();
    QRect outerGeometryToStore() const;
    RunMessages& messages();

    std::string settingsPath_;
    std::string sourceInitialFolder_;
    QString sourceFile_;
    std::string outputFolder_;
    SourceOpenRunner sourceOpenRunner_;
    RunMessages* runMessages_ = nullptr;
    std::unique_ptr<BoxMessages> boxMessages_;
    // The outer size from the settings, until the platform tells how wide the window frame is.
    std::optional<QSize> pendingOuterSize_;
};

// The main window of the running program; set by the program entry.
extern TForm1* Form1;

// The settings file: the executable's path with its extension replaced by ".ini".
std::string settingsFilePath();

// The folder SourceOpen opens in, from the stored text: one trailing "\" or "/" is dropped, unless the text is one
// character long or the separator follows a colon (a drive root such as C:\ keeps it).
std::string initialFolderFromStored(const std::string& stored);

}  // namespace celshift
