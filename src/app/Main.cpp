#include "app/Main.h"

#include <algorithm>
#include <array>
#include <exception>
#include <utility>

#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QVBoxLayout>
#include <QWindow>

#include "app/fonts.h"
#include "app/settings_location.h"
#include "platform/executable_path.h"
#include "platform/ini_file.h"

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

QGroupBox* makeGroupBox(QWidget* page, const char* name, const QString& caption, int y) {
    auto* box = new QGroupBox(caption, page);
    box->setObjectName(name);
    box->setGeometry(8, y, 385, 57);
    // The caption sits on the frame line, as on the desktop the window was drawn for, so that the captions of the
    // edits below it stay clear of the frame.
    box->setStyleSheet(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 2px; }");
    return box;
}

QLabel* makeArrow(QGroupBox* box, const char* name) {
    auto* label = new QLabel("> > > > >", box);
    label->setObjectName(name);
    label->adjustSize();
    label->move(160, 35);
    return label;
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

TForm1::TForm1(QWidget* parent) : TForm1(settingsFileLocation(), parent) {}

TForm1::TForm1(std::string settingsPath, QWidget* parent)
    : QWidget(parent),
      t0FileList(makeDirectoryFileList()),
      settingsPath_(std::move(settingsPath)),
      sourceOpenRunner_(execSourceOpen),
      boxMessages_(std::make_unique<BoxMessages>(this)) {
    buildControls();
    readSettings();
}

TForm1::~TForm1() = default;

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
    t0ButtonTarget->setEnabled(false);
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
}

// Geometry first, each value applied as soon as it is read; then the dialog's folder.
void TForm1::readSettings() {
    const IniFile ini(settingsPath_);
    move(pos().x(), coordinate(ini.readInteger("WINSIZE", "Top", kDefaultTop)));
    move(coordinate(ini.readInteger("WINSIZE", "Left", kDefaultLeft)), pos().y());
    QSize outer = frameGeometry().size();
    outer.setHeight(std::max(coordinate(ini.readInteger("WINSIZE", "Height", kDefaultHeight)), 0));
    setOuterSize(outer.width(), outer.height());
    outer.setWidth(std::max(coordinate(ini.readInteger("WINSIZE", "Width", kDefaultWidth)), 0));
    setOuterSize(outer.width(), outer.height());

    // A place where no screen would show the window (a screen removed since, a file edited by hand) gives way to
    // the default place, so that the window can always be seen.
    const QRect desktop = desktopArea();
    const QRect titleStrip(pos(), QSize(std::max(outer.width(), 1), 25));
    if (!desktop.isEmpty() && !desktop.intersects(titleStrip)) move(kDefaultLeft, kDefaultTop);

    sourceInitialFolder_ = initialFolderFromStored(ini.readString("PATH", "Source", ""));
    if (!sourceInitialFolder_.empty()) {
        SourceOpen->setDirectory(QFile::decodeName(QByteArray::fromStdString(sourceInitialFolder_)));
    }
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

// A minimized or maximized window is stored with the place and size it has when restored.
QRect TForm1::outerGeometryToStore() const {
    if ((windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen)) != 0) {
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
        if (ini.save()) return;
    } catch (const std::exception&) {
        // Reported below like any other failure to save.
    }
    messages().showMessage("設定を保存できませんでした。\n" + settingsPath_, "Celshift");
}

void TForm1::setSourceOpenRunner(SourceOpenRunner runner) {
    sourceOpenRunner_ = runner ? std::move(runner) : SourceOpenRunner(execSourceOpen);
}

void TForm1::setRunMessages(RunMessages* messages) { runMessages_ = messages; }

void TForm1::setOutputFolder(std::string folder) { outputFolder_ = std::move(folder); }

RunMessages& TForm1::messages() { return runMessages_ != nullptr ? *runMessages_ : *boxMessages_; }

void TForm1::t0ButtonSourceClick() {
    // The dialog opens in the stored folder each time; a choice does not change that folder.
    if (!sourceInitialFolder_.empty()) {
        SourceOpen->setDirectory(QFile::decodeName(QByteArray::fromStdString(sourceInitialFolder_)));
    }
    const std::optional<QString> chosen = sourceOpenRunner_(*SourceOpen);
    if (!chosen || chosen->isEmpty()) return;
    sourceFile_ = *chosen;
    t0ButtonExecute->setEnabled(true);
}

// The output folder is fixed, so this button stays disabled and does nothing.
void TForm1::t0ButtonTargetClick() {}

void TForm1::t0ButtonExecuteClick() {
    if (sourceFile_.isEmpty()) return;
    const std::array<const QLineEdit*, 4> fromEdits{T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From};
    const std::array<const QLineEdit*, 4> toEdits{T2Edit1To, T2Edit2To, T2Edit3To, T2Edit4To};
    ConversionRows rows;
    for (std::size_t row = 0; row < rows.from.size(); ++row) {
        rows.from[row] = fromEdits[row]->text().toStdString();
        rows.to[row] = toEdits[row]->text().toStdString();
    }
    if (outputFolder_.empty()) outputFolder_ = defaultOutputFolder();
    runConversion(QFile::encodeName(sourceFile_).toStdString(), outputFolder_, rows, *t0FileList, messages());
}

void TForm1::closeEvent(QCloseEvent* event) { FormClose(event); }

void TForm1::FormClose(QCloseEvent* event) {
    writeSettings();
    event->accept();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FormResize();
    applyPendingOuterSize();
}

// Nothing to do: the layout keeps Panel1 on top and the pages below it, and the group boxes keep their place.
void TForm1::FormResize() {}

void TForm1::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    applyPendingOuterSize();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    applyPendingOuterSize();
}

}  // namespace celshift
