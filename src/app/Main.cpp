#include "app/Main.h"

#include <algorithm>
#include <array>
#include <exception>
#include <mutex>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QCompleter>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "app/fonts.h"
#include "app/settings_location.h"
#include "platform/code_page_932.h"
#include "platform/executable_path.h"
#include "platform/ini_file.h"
#include "run/build_replacement_table.h"
#include "run/run_texts.h"

namespace celshift {

TForm1* Form1 = nullptr;

namespace {

constexpr int kDefaultTop = 100;
constexpr int kDefaultLeft = 140;
constexpr int kDefaultHeight = 350;
constexpr int kDefaultWidth = 416;
constexpr int kEditMaxLength = 500;

std::optional<QString> execSourceOpen(QFileDialog& dialog) {
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
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList folders = dialog.selectedFiles();
    if (folders.isEmpty()) return std::nullopt;
    return folders.front();
}

bool askCancelOnClose(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, texts::kCaptionInfo, "実行中です。中止して閉じますか？",
                    QMessageBox::Yes | QMessageBox::No, parent);
    box.setTextFormat(Qt::PlainText);
    box.button(QMessageBox::Yes)->setText("はい");
    box.button(QMessageBox::No)->setText("いいえ");
    box.setDefaultButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
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

QString fromBytes(const std::string& bytes) { return QFile::decodeName(QByteArray::fromStdString(bytes)); }

QString shownPath(const std::string& bytes) { return QDir::toNativeSeparators(fromBytes(bytes)); }

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int x, int width) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(x, 0, width, 25);
    return button;
}

// An edit of a conversion row with its caption above it, 3 pixels apart.
QLineEdit* makeLabelledEdit(QGroupBox* box, const char* name, const QString& caption, int x) {
    auto* edit = new QLineEdit(box);
    edit->setObjectName(name);
    edit->setFont(editFont());
    edit->setMaxLength(kEditMaxLength);
    edit->setGeometry(x, 30, 129, 20);

    auto* label = new QLabel(caption, box);
    label->setObjectName(QString(name) + "Label");
    label->setBuddy(edit);
    label->adjustSize();
    label->move(x, edit->y() - 3 - label->height());
    return edit;
}

// How each row state looks: the style of its group box, on top of the frame style all of them share.
const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 2px; }";
const char* const kInvalidRowStyle = "QLineEdit { background: #ffe0e0; border: 1px solid #d03030; }";
const char* const kNotFoundRowStyle = "QLineEdit { background: #fff4c8; border: 1px solid #c09000; }";
const char* const kNotUsedRowStyle = "QGroupBox { color: palette(mid); } QLineEdit { color: palette(mid); }";

QGroupBox* makeGroupBox(QWidget* page, const char* name, const QString& caption, int y) {
    auto* box = new QGroupBox(caption, page);
    box->setObjectName(name);
    box->setGeometry(8, y, 385, 57);
    // The caption sits on the frame line, as on the desktop the window was drawn for, so that the captions of the
    // edits below it stay clear of the frame.
    box->setStyleSheet(kGroupBoxStyle);
    return box;
}

QLabel* makeArrow(QGroupBox* box, const char* name) {
    auto* label = new QLabel("> > > > >", box);
    label->setObjectName(name);
    label->adjustSize();
    label->move(160, 35);
    return label;
}

// A row's result after a run, on the frame line to the right of the box's caption.
QLabel* makeRowSummary(QGroupBox* box, int row) {
    auto* label = new QLabel(box);
    label->setObjectName(QString("RowSummary%1").arg(row));
    label->setTextFormat(Qt::PlainText);
    label->setAutoFillBackground(true);
    label->setContentsMargins(2, 0, 2, 0);
    label->setGeometry(90, 0, 287, 13);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->hide();
    return label;
}

// A read-only line with its caption to the left, in the strip below the rows.
QLineEdit* makePathLine(QWidget* page, const char* name, const QString& caption, int x, int width) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(QString(name) + "Label");
    label->adjustSize();
    auto* line = new QLineEdit(page);
    line->setObjectName(name);
    line->setReadOnly(true);
    line->setFocusPolicy(Qt::ClickFocus);
    label->setBuddy(line);
    label->move(x, 270 + (20 - label->height()) / 2);
    const int lineX = x + label->width() + 4;
    line->setGeometry(lineX, 270, x + width - lineX, 20);
    return line;
}


// A stored value as a window coordinate or size. Window systems work in 16-bit coordinates; anything beyond is no
// place on any screen, and would only overflow the sums of the geometry.
int coordinate(long stored) { return static_cast<int>(std::clamp(stored, -32768L, 32767L)); }

// The area of all screens together, or nothing when the platform has no screen.
QRect desktopArea() {
    QRect area;
    for (const QScreen* screen : QGuiApplication::screens()) area |= screen->availableGeometry();
    return area;
}

}  // namespace

std::string settingsFilePath() {
    std::string path = executablePath();
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.erase(dot);
    return path + ".ini";
}

std::string initialFolderFromStored(const std::string& stored) {
    if (stored.size() < 2) return stored;
    const char last = stored.back();
    if ((last == '\\' || last == '/') && stored[stored.size() - 2] != ':') return stored.substr(0, stored.size() - 1);
    return stored;
}

// Hands the run's progress to the GUI thread without making the run wait: the latest state is kept, and one update
// at a time is queued, so that a run of many small files does not flood the event queue.
class TForm1::ProgressRelay : public RunProgress {
public:
    explicit ProgressRelay(TForm1* form) : form_(form) {}

    void progress(RunStage stage, int done, int count, const std::string& inWork) override {
        {
            const std::lock_guard lock(mutex_);
            latest_ = {stage, done, count, inWork};
            if (queued_) return;
            queued_ = true;
        }
        QMetaObject::invokeMethod(form_, [this] { deliver(); }, Qt::QueuedConnection);
    }

private:
    struct State {
        RunStage stage = RunStage::CopyingOtherFiles;
        int done = 0;
        int count = 0;
        std::string inWork;
    };

    void deliver() {
        State state;
        {
            const std::lock_guard lock(mutex_);
            state = latest_;
            queued_ = false;
        }
        form_->showProgress(state.stage, state.done, state.count, fromBytes(state.inWork));
    }

    TForm1* form_;
    std::mutex mutex_;
    State latest_;
    bool queued_ = false;
};

TForm1::TForm1(QWidget* parent) : TForm1(settingsFileLocation(), parent) {}

TForm1::TForm1(std::string settingsPath, QWidget* parent)
    : QWidget(parent),
      t0FileList(makeDirectoryFileList()),
      settingsPath_(std::move(settingsPath)),
      sourceOpenRunner_(execSourceOpen),
      targetOpenRunner_(execTargetOpen),
      closeQuestion_(askCancelOnClose),
      boxMessages_(std::make_unique<BoxMessages>(this)) {
    buildControls();
    readSettings();
    showPaths();
    markRows();
}

TForm1::~TForm1() { endBackgroundWork(); }

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
}

void TForm1::buildControls() {
    setObjectName("Form1");
    setWindowTitle("Celshift");
    setFont(windowFont());
    resize(416, 352);

    Panel1 = new QFrame(this);
    Panel1->setObjectName("Panel1");
    Panel1->setFrameShape(QFrame::NoFrame);
    Panel1->setFixedHeight(25);
    t0ButtonSource = makeButton(Panel1, "t0ButtonSource", "シナリオを選択", 0, 105);
    t0ButtonTarget = makeButton(Panel1, "t0ButtonTarget", "出力先を選択", 104, 105);
    t0ButtonExecute = makeButton(Panel1, "t0ButtonExecute", "実行", 208, 75);
    t0ButtonExecute->setEnabled(false);

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    TabSheet2 = new QWidget();
    TabSheet2->setObjectName("TabSheet2");
    PageControl->addTab(TabSheet2, "セル画像置換");
    PageControl->setCurrentWidget(TabSheet2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(PageControl, 1);

    GroupBox1 = makeGroupBox(TabSheet2, "GroupBox1", "変換１", 16);
    GroupBox2 = makeGroupBox(TabSheet2, "GroupBox2", "変換２", 80);
    GroupBox3 = makeGroupBox(TabSheet2, "GroupBox3", "変換３", 144);
    GroupBox4 = makeGroupBox(TabSheet2, "GroupBox4", "変換４", 208);
    const QString fromCaption = "変換元ファイル名";
    const QString toCaption = "変換先ファイル名";
    T2Edit1From = makeLabelledEdit(GroupBox1, "T2Edit1From", fromCaption, 16);
    Label2 = makeArrow(GroupBox1, "Label2");
    T2Edit1To = makeLabelledEdit(GroupBox1, "T2Edit1To", toCaption, 224);
    T2Edit2From = makeLabelledEdit(GroupBox2, "T2Edit2From", fromCaption, 16);
    Label3 = makeArrow(GroupBox2, "Label3");
    T2Edit2To = makeLabelledEdit(GroupBox2, "T2Edit2To", toCaption, 224);
    T2Edit3From = makeLabelledEdit(GroupBox3, "T2Edit3From", fromCaption, 16);
    Label4 = makeArrow(GroupBox3, "Label4");
    T2Edit3To = makeLabelledEdit(GroupBox3, "T2Edit3To", toCaption, 224);
    T2Edit4From = makeLabelledEdit(GroupBox4, "T2Edit4From", fromCaption, 16);
    Label5 = makeArrow(GroupBox4, "Label5");
    T2Edit4To = makeLabelledEdit(GroupBox4, "T2Edit4To", toCaption, 224);
    RowSummary = {makeRowSummary(GroupBox1, 1), makeRowSummary(GroupBox2, 2), makeRowSummary(GroupBox3, 3),
                  makeRowSummary(GroupBox4, 4)};
    buildPathLines();
    buildRunPanel();

    // Keyboard order: the pages first, the rows from 1 to 4 (From before To), then the buttons left to right.
    const std::array<QWidget*, 12> order{T2Edit1From, T2Edit1To,      T2Edit2From,     T2Edit2To,
                                         T2Edit3From, T2Edit3To,      T2Edit4From,     T2Edit4To,
                                         t0ButtonSource, t0ButtonTarget, t0ButtonExecute, nullptr};
    QWidget::setTabOrder(PageControl, order[0]);
    for (std::size_t i = 0; order[i + 1] != nullptr; ++i) QWidget::setTabOrder(order[i], order[i + 1]);

    SourceOpen = new QFileDialog(this);
    SourceOpen->setObjectName("SourceOpen");
    SourceOpen->setWindowTitle("変更元シナリオを選択");
    SourceOpen->setNameFilter("シナリオファイル(Summary.wsm)");
    SourceOpen->setAcceptMode(QFileDialog::AcceptOpen);
    SourceOpen->setFileMode(QFileDialog::ExistingFile);
    SourceOpen->setSizeGripEnabled(true);

    connect(t0ButtonSource, &QPushButton::clicked, this, &TForm1::t0ButtonSourceClick);
    connect(t0ButtonTarget, &QPushButton::clicked, this, &TForm1::t0ButtonTargetClick);
    connect(t0ButtonExecute, &QPushButton::clicked, this, &TForm1::t0ButtonExecuteClick);
    connect(RunCancel, &QPushButton::clicked, this, &TForm1::RunCancelClick);
    for (QLineEdit* edit : {T2Edit1From, T2Edit1To, T2Edit2From, T2Edit2To, T2Edit3From, T2Edit3To, T2Edit4From,
                            T2Edit4To}) {
        connect(edit, &QLineEdit::textChanged, this, &TForm1::rowsChanged);
    }

    // Never smaller than the designed window, nor than what shows every control of the page with a margin (larger
    // only where the system's fonts are).
    const QRect controls = TabSheet2->childrenRect();
    TabSheet2->setMinimumSize(controls.right() + 1 + 8, controls.bottom() + 1 + 8);
    setMinimumSize(layout->totalMinimumSize().expandedTo(kMinimumClientSize));
}

void TForm1::buildPathLines() {
    SourceLine = makePathLine(TabSheet2, "SourceLine", "シナリオ", 8, 196);
    TargetLine = makePathLine(TabSheet2, "TargetLine", "出力先", 210, 183);
    SourceLine->setPlaceholderText("未選択");
}

void TForm1::buildRunPanel() {
    RunPanel = new QWidget(PageControl);
    RunPanel->setObjectName("RunPanel");
    auto* layout = new QHBoxLayout(RunPanel);
    layout->setContentsMargins(4, 1, 2, 1);
    layout->setSpacing(4);
    RunProgressBar = new QProgressBar(RunPanel);
    RunProgressBar->setObjectName("RunProgressBar");
    RunProgressBar->setFormat("%v / %m");
    RunProgressBar->setFixedWidth(110);
    RunFileLabel = new QLabel(RunPanel);
    RunFileLabel->setObjectName("RunFileLabel");
    RunFileLabel->setTextFormat(Qt::PlainText);
    RunFileLabel->setFixedWidth(104);
    RunCancel = new QPushButton("中止", RunPanel);
    RunCancel->setObjectName("RunCancel");
    RunCancel->setFixedWidth(48);
    layout->addWidget(RunProgressBar);
    layout->addWidget(RunFileLabel);
    layout->addWidget(RunCancel);
    PageControl->setCornerWidget(RunPanel, Qt::TopRightCorner);
    RunPanel->hide();
}

// Geometry first, each value applied as soon as it is read; then the dialog's folder and the output folder.
void TForm1::readSettings() {
    const IniFile ini(settingsPath_);
    move(pos().x(), coordinate(ini.readInteger("WINSIZE", "Top", kDefaultTop)));
    move(coordinate(ini.readInteger("WINSIZE", "Left", kDefaultLeft)), pos().y());
    QSize outer = frameGeometry().size();
    outer.setHeight(std::max(coordinate(ini.readInteger("WINSIZE", "Height", kDefaultHeight)), 0));
    setOuterSize(outer.width(), outer.height());
    outer.setWidth(std::max(coordinate(ini.readInteger("WINSIZE", "Width", kDefaultWidth)), 0));
    setOuterSize(outer.width(), outer.height());

    // A place where no screen would show the window's title bar (a screen removed since, a file edited by hand)
    // gives way to the default place, so that the window can always be seen and moved.
    const QRect desktop = desktopArea();
    const QRect titleStrip(pos(), QSize(std::max(outer.width(), 1), 25));
    if (!desktop.isEmpty() && !desktop.intersects(titleStrip)) move(kDefaultLeft, kDefaultTop);

    sourceInitialFolder_ = initialFolderFromStored(ini.readString("PATH", "Source", ""));
    if (!sourceInitialFolder_.empty()) {
        SourceOpen->setDirectory(QFile::decodeName(QByteArray::fromStdString(sourceInitialFolder_)));
    }
    storedTarget_ = ini.readString("PATH", "Target", "");
    if (!storedTarget_.empty()) outputFolder_ = storedTarget_;
}

// The outer size includes the window frame, which the platform may report only once the window is shown; the size
// is applied again then (applyPendingOuterSize), so that a stored size never grows by the frame at each start.
void TForm1::setOuterSize(int width, int height) {
    QSize outer(width, height);
    const QRect desktop = desktopArea();
    if (!desktop.isEmpty()) outer = outer.boundedTo(desktop.size());
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(outer - frame);
    pendingOuterSize_ = outer;
}

void TForm1::applyPendingOuterSize() {
    if (!pendingOuterSize_ || !isVisible() || windowHandle() == nullptr) return;
    if (windowState() != Qt::WindowNoState) {
        pendingOuterSize_.reset();
        return;
    }
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull()) return;
    const QSize outer = *pendingOuterSize_;
    pendingOuterSize_.reset();
    resize(outer.width() - frame.left() - frame.right(), outer.height() - frame.top() - frame.bottom());
}

// Keeps the outer geometry of the restored window. Window managers draw a maximized window with another frame
// (often none at the sides), so the restored geometry cannot be rebuilt later from the frame of that moment.
void TForm1::rememberRestoredGeometry() {
    if (!isVisible() || (windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
        return;
    }
    restoredOuter_ = frameGeometry();
}

// A minimized, maximized or full-screen window is stored with the place and size it has when restored.
QRect TForm1::outerGeometryToStore() const {
    if ((windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
        if (restoredOuter_.isValid()) return restoredOuter_;
        const QRect normal = normalGeometry();
        if (normal.isValid()) {
            const QMargins frame = windowHandle() != nullptr ? windowHandle()->frameMargins() : QMargins();
            return normal.marginsAdded(frame);
        }
    }
    return frameGeometry();
}

void TForm1::writeSettings() {
    const QRect outer = outerGeometryToStore();
    try {
        IniFile ini(settingsPath_);
        ini.writeInteger("WINSIZE", "Top", outer.top());
        ini.writeInteger("WINSIZE", "Left", outer.left());
        ini.writeInteger("WINSIZE", "Height", outer.height());
        ini.writeInteger("WINSIZE", "Width", outer.width());
        ini.writeString("PATH", "Source", sourceInitialFolder_);
        // Only a folder the user chose: without the key, the output folder stays "Scena" beside the program.
        if (!storedTarget_.empty()) ini.writeString("PATH", "Target", storedTarget_);
        if (ini.save()) return;
    } catch (const std::exception&) {
        // Reported below like any other failure to save.
    }
    messages().showMessage("設定を保存できませんでした。\n" + settingsPath_, "Celshift");
}

void TForm1::setSourceOpenRunner(SourceOpenRunner runner) {
    sourceOpenRunner_ = runner ? std::move(runner) : SourceOpenRunner(execSourceOpen);
}

void TForm1::setTargetOpenRunner(TargetOpenRunner runner) {
    targetOpenRunner_ = runner ? std::move(runner) : TargetOpenRunner(execTargetOpen);
}

void TForm1::setCloseQuestion(CloseQuestion question) {
    closeQuestion_ = question ? std::move(question) : CloseQuestion(askCancelOnClose);
}

void TForm1::setRunMessages(RunMessages* messages) { runMessages_ = messages; }

void TForm1::setOutputFolder(std::string folder) {
    outputFolder_ = std::move(folder);
    showPaths();
}

RunMessages& TForm1::messages() { return runMessages_ != nullptr ? *runMessages_ : *boxMessages_; }

void TForm1::showPaths() {
    const QString source = QDir::toNativeSeparators(sourceFile_);
    SourceLine->setText(source);
    SourceLine->setToolTip(source);
    SourceLine->setCursorPosition(static_cast<int>(source.size()));
    const QString target = shownPath(outputFolder_.empty() ? defaultOutputFolder() : outputFolder_);
    TargetLine->setText(target);
    TargetLine->setToolTip(target);
    TargetLine->setCursorPosition(static_cast<int>(target.size()));
}

void TForm1::t0ButtonSourceClick() {
    if (runInProgress()) return;
    // The dialog opens in the stored folder each time; a choice does not change that folder.
    if (!sourceInitialFolder_.empty()) {
        SourceOpen->setDirectory(QFile::decodeName(QByteArray::fromStdString(sourceInitialFolder_)));
    }
    const std::optional<QString> chosen = sourceOpenRunner_(*SourceOpen);
    closeLeftoverPopups();
    if (!chosen || chosen->isEmpty()) return;
    sourceFile_ = *chosen;
    t0ButtonExecute->setEnabled(true);
    showPaths();
    clearRowSummaries();
    startScan();
}

// Picks an existing folder as the output folder; it is stored at close.
void TForm1::t0ButtonTargetClick() {
    if (runInProgress()) return;
    const QString start = fromBytes(outputFolder_.empty() ? defaultOutputFolder() : outputFolder_);
    const std::optional<QString> chosen = targetOpenRunner_(this, start);
    closeLeftoverPopups();
    if (!chosen || chosen->isEmpty()) return;
    outputFolder_ = QFile::encodeName(*chosen).toStdString();
    storedTarget_ = outputFolder_;
    showPaths();
}

ConversionRows TForm1::typedRows() const {
    const std::array<const QLineEdit*, 4> fromEdits{T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From};
    const std::array<const QLineEdit*, 4> toEdits{T2Edit1To, T2Edit2To, T2Edit3To, T2Edit4To};
    ConversionRows rows;
    for (std::size_t row = 0; row < rows.from.size(); ++row) {
        rows.from[row] = fromEdits[row]->text().toStdString();
        rows.to[row] = toEdits[row]->text().toStdString();
    }
    return rows;
}

// The run starts on a thread of its own, with a folder enumerator of its own; the window stays live and tells the
// progress. The run's messages reach the user through boxes that the GUI thread shows (BoxMessages).
void TForm1::t0ButtonExecuteClick() {
    if (sourceFile_.isEmpty() || runInProgress()) return;
    if (outputFolder_.empty()) {
        outputFolder_ = defaultOutputFolder();
        showPaths();
    }
    clearRowSummaries();
    runStop_ = std::make_unique<StopRequest>();
    progressRelay_ = std::make_unique<ProgressRelay>(this);
    setRunning(true);

    const std::string source = QFile::encodeName(sourceFile_).toStdString();
    const RunOptions options{runJobs_, progressRelay_.get(), runStop_.get()};
    runThread_ = std::thread([this, source, output = outputFolder_, rows = typedRows(), options,
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

void TForm1::RunCancelClick() {
    if (!runInProgress()) return;
    runStop_->request();
    RunCancel->setEnabled(false);
    RunFileLabel->setText("中止しています");
}

void TForm1::setRunning(bool running) {
    t0ButtonSource->setEnabled(!running);
    t0ButtonTarget->setEnabled(!running);
    t0ButtonExecute->setEnabled(!running && !sourceFile_.isEmpty());
    for (QGroupBox* box : {GroupBox1, GroupBox2, GroupBox3, GroupBox4}) {
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setEnabled(!running);
    }
    RunProgressBar->setRange(0, 0);
    RunProgressBar->setValue(0);
    RunFileLabel->clear();
    RunFileLabel->setToolTip(QString());
    RunCancel->setEnabled(running);
    RunPanel->setVisible(running);
}

void TForm1::showProgress(RunStage stage, int done, int count, const QString& inWork) {
    if (!runInProgress()) return;
    RunProgressBar->setRange(0, std::max(count, 0));
    RunProgressBar->setValue(std::clamp(done, 0, std::max(count, 0)));
    RunProgressBar->setToolTip(stage == RunStage::CopyingOtherFiles ? "ファイルをコピーしています"
                                                                    : "データファイルを置換しています");
    if (!RunCancel->isEnabled()) return;  // "中止しています" stays
    RunFileLabel->setText(RunFileLabel->fontMetrics().elidedText(inWork, Qt::ElideMiddle, RunFileLabel->width()));
    RunFileLabel->setToolTip(inWork);
}

void TForm1::finishRun(const RunOutcome& outcome, std::exception_ptr error) {
    if (runThread_.joinable()) runThread_.join();
    lastOutcome_ = outcome;
    setRunning(false);
    if (outcome.started) showRowSummaries(outcome);
    emit runEnded();
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        close();
    }
    if (error) std::rethrow_exception(error);
}

void TForm1::showRowSummaries(const RunOutcome& outcome) {
    for (int row = 0; row < 4; ++row) {
        QLabel* label = RowSummary[static_cast<std::size_t>(row)];
        if (row >= outcome.usedRows) {
            label->hide();
            continue;
        }
        const RowTotal& total = outcome.rowTotals[static_cast<std::size_t>(row)];
        const QString text = QString::fromStdString(texts::rowSummary(row + 1, total.fields, total.files));
        label->setText(text);
        label->setToolTip(text);
        label->adjustSize();
        label->move(GroupBox1->width() - 8 - label->width(), 0);
        label->show();
    }
}

void TForm1::clearRowSummaries() {
    for (QLabel* label : RowSummary) {
        label->clear();
        label->hide();
    }
}

void TForm1::rowsChanged() {
    clearRowSummaries();
    markRows();
}

// Marks each row as the run would take it: an invalid row with the reason, rows below the first empty or invalid
// row as not used, and a valid row whose from-name the scenario does not hold.
void TForm1::markRows() {
    const ConversionRows rows = typedRows();
    const std::array<RowCheck, 4> checks = checkRows(rows);
    const std::array<QGroupBox*, 4> boxes{GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    for (std::size_t row = 0; row < boxes.size(); ++row) {
        QString state;
        QString tip;
        QString style;
        switch (checks[row].state) {
            case RowState::Used:
                state = "used";
                if (scan_ && !scan_->listingFailed && !scanHasName(*scan_, rows.from[row])) {
                    state = "notFound";
                    tip = texts::kRowNotFound;
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
                tip = "使われません（上の行が空か無効です）";
                // Drawn grey only when it holds something: a blank row below a blank row is no news.
                if (!rows.from[row].empty() || !rows.to[row].empty()) style = kNotUsedRowStyle;
                break;
        }
        QGroupBox* box = boxes[row];
        if (box->property("rowState").toString() == state && box->toolTip() == tip) continue;
        box->setProperty("rowState", state);
        box->setToolTip(tip);
        for (QLineEdit* edit : box->findChildren<QLineEdit*>()) edit->setToolTip(tip);
        box->setStyleSheet(QString(kGroupBoxStyle) + style);
    }
}

// The scan of the chosen scenario runs on a thread of its own; a scan of an earlier choice is stopped first.
void TForm1::startScan() {
    if (scanThread_.joinable()) {
        scanStop_->request();
        scanThread_.join();
    }
    scan_.reset();
    for (QLineEdit* edit : {T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From}) edit->setCompleter(nullptr);
    markRows();
    scanStop_ = std::make_unique<StopRequest>();
    const int generation = ++scanGeneration_;
    const RunOptions options{runJobs_, nullptr, scanStop_.get()};
    scanThread_ = std::thread([this, generation, options, source = QFile::encodeName(sourceFile_).toStdString()] {
        std::shared_ptr<const ScenarioScan> scan;
        try {
            const std::unique_ptr<FileList> fileList = makeDirectoryFileList();
            scan = std::make_shared<const ScenarioScan>(scanScenario(source, *fileList, options));
        } catch (...) {
            // No completions and no marks: the run itself reports what is wrong with the scenario.
        }
        QMetaObject::invokeMethod(this, [this, generation, scan] { finishScan(generation, scan); },
                                  Qt::QueuedConnection);
    });
}

void TForm1::finishScan(int generation, std::shared_ptr<const ScenarioScan> scan) {
    if (generation != scanGeneration_) return;
    if (scanThread_.joinable()) scanThread_.join();
    if (scan && !scan->stopped) {
        scan_ = std::move(scan);
        // Only names a row can match (a field that ends in its zero byte, shown without escapes), each once, in
        // the scan's order: most fields first.
        QStringList names;
        for (const ScannedName& name : scan_->names) {
            const std::string shown = displayName(name.bytes);
            const std::optional<std::string> typed = toCodePage932(shown);
            if (!typed || typed->empty() || *typed + '\0' != name.bytes) continue;
            const QString text = QString::fromStdString(shown);
            if (!names.contains(text)) names << text;
        }
        for (QLineEdit* edit : {T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From}) {
            auto* completer = new QCompleter(names, edit);
            completer->setCaseSensitivity(Qt::CaseInsensitive);
            completer->setModelSorting(QCompleter::UnsortedModel);
            completer->setFilterMode(Qt::MatchContains);
            completer->setMaxVisibleItems(12);
            edit->setCompleter(completer);
        }
        markRows();
    }
    emit scanEnded();
}

void TForm1::closeEvent(QCloseEvent* event) { FormClose(event); }

// During a run the window asks whether to cancel it; if so, it closes once the run has ended, so that no data file
// is left half-written and the settings are written then.
void TForm1::FormClose(QCloseEvent* event) {
    if (runInProgress()) {
        event->ignore();
        if (closeAfterRun_ || !closeQuestion_(this)) return;
        if (!runInProgress()) {
            close();
            return;
        }
        closeAfterRun_ = true;
        RunCancelClick();
        return;
    }
    writeSettings();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
    applyPendingOuterSize();
    rememberRestoredGeometry();
}

// Nothing to do: the layout keeps Panel1 on top and the pages below it, and the group boxes keep their place.
void TForm1::FormResize() {}

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

}  // namespace celshift
