// The main window's controls: where each is drawn at the designed size, and how each takes part when the window
// grows (DesignedLayout). The edits and the two path lines share the extra width; the other pages fill the window.
#include <algorithm>
#include <array>

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QShortcut>
#include <QProgressBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QCheckBox>
#include <QVBoxLayout>

#include "app/Main.h"
#include "app/designed_layout.h"
#include "app/fitted_text.h"
#include "app/fonts.h"
#include "app/names_panel.h"
#include "app/run_report_page.h"

namespace celshift {

namespace {

constexpr int kEditMaxLength = 500;
// The page of the rows, as drawn: every control with a margin of 8 pixels.
constexpr QSize kRowsPageSize{401, 298};
constexpr QSize kGroupBoxSize{385, 57};
constexpr int kThumbSize = 16;

using Share = DesignedLayout::Share;
// Half of the extra width to each edit: the From edit grows, the arrow and everything right of it move.
constexpr Share kLeftHalf{0, 0.5, 0, 0};
constexpr Share kRightHalf{0.5, 0.5, 0, 0};
constexpr Share kMoveHalf{0.5, 0, 0, 0};
constexpr Share kMoveAll{1, 0, 0, 0};
constexpr Share kGrowAll{0, 1, 0, 0};

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int x, int width) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(x, 0, width, 25);
    return button;
}

// How each row state looks: the style of its group box, on top of the frame style all of them share.
const char* const kGroupBoxStyle =
    "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
    "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 8px; padding: 0 2px; }"
    "QLineEdit:focus { border: 2px solid #2f6fd0; }";

QGroupBox* makeGroupBox(QWidget* page, const char* name, const QString& caption) {
    auto* box = new QGroupBox(caption, page);
    box->setObjectName(name);
    // The caption sits on the frame line, as on the desktop the window was drawn for, so that the captions of the
    // edits below it stay clear of the frame.
    box->setStyleSheet(kGroupBoxStyle);
    return box;
}

QLabel* makeThumb(QGroupBox* box, const QString& name) {
    auto* thumb = new QLabel(box);
    thumb->setObjectName(name);
    thumb->setAlignment(Qt::AlignCenter);
    thumb->setFixedSize(kThumbSize, kThumbSize);
    return thumb;
}

// A read-only line with its caption to the left, in the strip below the rows; a long path is elided in the middle.
QLineEdit* makePathLine(DesignedLayout* layout, QWidget* page, const char* name, const QString& caption, int x,
                        int width, Share labelShare, Share lineShare) {
    auto* label = new QLabel(caption, page);
    label->setObjectName(QString(name) + "Label");
    auto* line = new PathLine(page);
    line->setObjectName(name);
    line->setReadOnly(true);
    line->setFocusPolicy(Qt::ClickFocus);
    label->setBuddy(line);
    const QSize labelSize = label->sizeHint();
    const int lineX = x + labelSize.width() + 4;
    layout->addDesigned(label, QRect(QPoint(x, 270 + (20 - labelSize.height()) / 2), labelSize), labelShare);
    layout->addDesigned(line, QRect(lineX, 270, x + width - lineX, 20), lineShare);
    return line;
}

}  // namespace

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
    // Beside the three buttons: the output folder in the file manager, and the rows as a rows file.
    OpenOutputButton = makeButton(Panel1, "OpenOutputButton", "出力先を開く", 284, 74);
    OpenOutputButton->setToolTip("出力先フォルダをファイルマネージャーで開きます (Alt+O)");
    RowsButton = makeButton(Panel1, "RowsButton", "変換行", 358, 58);
    RowsButton->setToolTip("変換行をファイルに保存、またはファイルから読み込みます（celshift-cli --rows と同じ形式）");
    auto* rowsMenu = new QMenu(RowsButton);
    rowsMenu->setObjectName("RowsMenu");
    QAction* saveRows = rowsMenu->addAction("変換行を保存…", this, &TForm1::SaveRowsClick);
    saveRows->setObjectName("SaveRowsAction");
    saveRows->setShortcut(QKeySequence::Save);
    QAction* loadRows = rowsMenu->addAction("変換行を読み込む…", this, &TForm1::LoadRowsClick);
    loadRows->setObjectName("LoadRowsAction");
    loadRows->setShortcut(QKeySequence::Open);
    RowsButton->setMenu(rowsMenu);
    // The menu shows the keys; the window holds the actions too, so that the keys work while the menu is closed.
    addActions({saveRows, loadRows});
    // Alt and a letter presses each button; the captions stay as they are, the tooltips tell the keys.
    t0ButtonSource->setToolTip("シナリオの Summary.wsm を選びます（フォルダや Summary.wsm をウィンドウにドロップしても選べます） (Alt+S)");
    t0ButtonTarget->setToolTip("出力先フォルダを選びます (Alt+T)");
    t0ButtonExecute->setToolTip("変換を実行します (Alt+E)");
    for (const auto& [button, key] : {std::pair{t0ButtonSource, Qt::Key_S}, std::pair{t0ButtonTarget, Qt::Key_T},
                                      std::pair{t0ButtonExecute, Qt::Key_E}, std::pair{OpenOutputButton, Qt::Key_O}}) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this);
        QPushButton* pressed = button;
        connect(shortcut, &QShortcut::activated, pressed, [pressed] {
            if (pressed->isEnabled()) pressed->animateClick();
        });
    }

    PageControl = new QTabWidget(this);
    PageControl->setObjectName("PageControl");
    TabSheet2 = new QWidget();
    TabSheet2->setObjectName("TabSheet2");
    PageControl->addTab(TabSheet2, "セル画像置換");
    buildPages();
    PageControl->setCurrentWidget(TabSheet2);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Panel1);
    layout->addWidget(PageControl, 1);

    // The page of the rows shares what the window has beyond its minimum, whatever frame the pages have.
    auto* page = new DesignedLayout(TabSheet2, kRowsPageSize);
    page->setExtraSource([this] { return size() - minimumSize(); });
    GroupBox1 = makeGroupBox(TabSheet2, "GroupBox1", "変換１");
    GroupBox2 = makeGroupBox(TabSheet2, "GroupBox2", "変換２");
    GroupBox3 = makeGroupBox(TabSheet2, "GroupBox3", "変換３");
    GroupBox4 = makeGroupBox(TabSheet2, "GroupBox4", "変換４");
    const std::array<QGroupBox*, 4> boxes{GroupBox1, GroupBox2, GroupBox3, GroupBox4};
    for (int row = 0; row < 4; ++row) {
        page->addDesigned(boxes[static_cast<std::size_t>(row)], QRect(QPoint(8, 16 + 64 * row), kGroupBoxSize),
                          kGrowAll);
        buildRow(row, boxes[static_cast<std::size_t>(row)]);
    }
    T2Edit1From = boxes[0]->findChild<QLineEdit*>("T2Edit1From");
    T2Edit1To = boxes[0]->findChild<QLineEdit*>("T2Edit1To");
    T2Edit2From = boxes[1]->findChild<QLineEdit*>("T2Edit2From");
    T2Edit2To = boxes[1]->findChild<QLineEdit*>("T2Edit2To");
    T2Edit3From = boxes[2]->findChild<QLineEdit*>("T2Edit3From");
    T2Edit3To = boxes[2]->findChild<QLineEdit*>("T2Edit3To");
    T2Edit4From = boxes[3]->findChild<QLineEdit*>("T2Edit4From");
    T2Edit4To = boxes[3]->findChild<QLineEdit*>("T2Edit4To");
    Label2 = boxes[0]->findChild<QLabel*>("Label2");
    Label3 = boxes[1]->findChild<QLabel*>("Label3");
    Label4 = boxes[2]->findChild<QLabel*>("Label4");
    Label5 = boxes[3]->findChild<QLabel*>("Label5");
    SourceLine = makePathLine(page, TabSheet2, "SourceLine", "シナリオ", 8, 196, {}, kLeftHalf);
    TargetLine = makePathLine(page, TabSheet2, "TargetLine", "出力先", 210, 183, kMoveHalf, kRightHalf);
    SourceLine->setPlaceholderText("未選択");
    // Below the path lines, only in a window taller than designed: the pictures of the row being edited.
    RowPreview = new QWidget(TabSheet2);
    RowPreview->setObjectName("RowPreview");
    PreviewCaption = new QLabel(RowPreview);
    PreviewCaption->setFont(editFont());  // "変換１" as the frames show it
    PreviewFrom = new QLabel(RowPreview);
    PreviewTo = new QLabel(RowPreview);
    auto* arrowLabel = new QLabel("→", RowPreview);
    for (QLabel* label : {PreviewFrom, PreviewTo}) {
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumSize(1, 1);
        label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    PreviewFrom->setObjectName("PreviewFrom");
    PreviewTo->setObjectName("PreviewTo");
    auto* previewLayout = new QHBoxLayout(RowPreview);
    previewLayout->setContentsMargins(0, 6, 0, 0);
    previewLayout->addWidget(PreviewCaption, 0, Qt::AlignTop);
    previewLayout->addWidget(PreviewFrom, 1);
    previewLayout->addWidget(arrowLabel);
    previewLayout->addWidget(PreviewTo, 1);
    page->addDesigned(RowPreview, QRect(8, 296, 385, 0), Share{0, 1, 0, 1});
    // Above the rows: a renamed picture is copied under its new name too (off by default).
    RenamePictures = new QCheckBox("画像も新しい名前でコピー(&R)", TabSheet2);
    RenamePictures->setObjectName("RenamePictures");
    connect(RenamePictures, &QCheckBox::toggled, this, [this] { showRowPictures(); });
    RenamePictures->setToolTip("変換先の名前のファイルがシナリオにも出力先にもないとき、変換元の画像をその名前で出力先にコピーします"
                               "（画像の名前の付け替え。サブフォルダも作ります）");
    page->addDesigned(RenamePictures, QRect(QPoint(393 - RenamePictures->sizeHint().width(), 0),
                                            QSize(RenamePictures->sizeHint().width(), 16)),
                      kMoveAll);
    buildRunPanel();

    // Keyboard order: the pages first, the rows from 1 to 4 (From before To, then the picture button), then the
    // other pages, then the buttons left to right.
    QWidget* previous = PageControl;
    const std::array<QLineEdit*, 8> edits{T2Edit1From, T2Edit1To, T2Edit2From, T2Edit2To,
                                          T2Edit3From, T2Edit3To, T2Edit4From, T2Edit4To};
    for (std::size_t i = 0; i < edits.size(); ++i) {
        QWidget::setTabOrder(previous, edits[i]);
        previous = edits[i];
        if (i % 2 == 1) {
            QWidget::setTabOrder(previous, PictureButtons[i / 2]);
            previous = PictureButtons[i / 2];
        }
    }
    // The other pages' controls, so that Tab from the page tabs reaches the shown page first (hidden ones are
    // passed over).
    for (QWidget* control : std::initializer_list<QWidget*>{NamesPage->NamesList, NamesPage->PickName,
                                                            ReportPage->ProblemsOnly, ReportPage->ReportList,
                                                            ReportPage->SaveButton, t0ButtonSource, t0ButtonTarget,
                                                            t0ButtonExecute, OpenOutputButton, RowsButton}) {
        QWidget::setTabOrder(previous, control);
        previous = control;
    }

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
    connect(OpenOutputButton, &QPushButton::clicked, this, &TForm1::OpenOutputClick);
    for (QLineEdit* edit : edits) connect(edit, &QLineEdit::textChanged, this, &TForm1::rowsChanged);
    for (int row = 0; row < 4; ++row) {
        connect(PictureButtons[static_cast<std::size_t>(row)], &QPushButton::clicked, this,
                [this, row] { PictureButtonClick(row); });
    }
    // Enter presses the button that has the focus, as Space does.
    for (QPushButton* button : findChildren<QPushButton*>()) button->installEventFilter(this);

    setMinimumSize(layout->totalMinimumSize().expandedTo(kMinimumClientSize));
    // The caret in the first row shows where typing goes.
    T2Edit1From->setFocus();
}

// One conversion row: the From edit with its caption above it, the arrow, the To edit with its caption and its
// picture button; a small picture above the right end of each edit, and the row's result on the frame line.
void TForm1::buildRow(int row, QGroupBox* box) {
    const auto index = static_cast<std::size_t>(row);
    const QString number = QString::number(row + 1);
    auto* layout = new DesignedLayout(box, kGroupBoxSize);
    // The frame's caption and its result line name the row with a full-width digit ("変換１"), as the boxes and the
    // saved files do; the window's proportional face draws that digit as narrow as "1", the fixed-width one does not.
    // The captions inside keep the window's face.
    box->setFont(editFont());
    const auto addEdit = [&](const QString& name, const QString& caption, int x, Share share) {
        auto* edit = new QLineEdit(box);
        edit->setObjectName(name);
        edit->setFont(editFont());
        edit->setMaxLength(kEditMaxLength);
        auto* label = new QLabel(caption, box);
        label->setObjectName(name + "Label");
        label->setFont(windowFont());
        label->setBuddy(edit);
        const QSize labelSize = label->sizeHint();
        // The caption above the edit, 3 pixels apart; it moves with the edit's left edge.
        layout->addDesigned(label, QRect(QPoint(x, 30 - 3 - labelSize.height()), labelSize), {share.moveX});
        layout->addDesigned(edit, QRect(x, 30, 129, 20), share);
        return edit;
    };
    addEdit("T2Edit" + number + "From", "変換元ファイル名", 16, kLeftHalf);
    auto* arrow = new QLabel("> > > > >", box);
    arrow->setObjectName(QString("Label%1").arg(row + 2));
    arrow->setFont(windowFont());
    layout->addDesigned(arrow, QRect(QPoint(160, 35), arrow->sizeHint()), kMoveHalf);
    addEdit("T2Edit" + number + "To", "変換先ファイル名", 224, kRightHalf);

    FromThumbs[index] = makeThumb(box, "T2Thumb" + number + "From");
    layout->addDesigned(FromThumbs[index], QRect(145 - kThumbSize, 13, kThumbSize, kThumbSize), kMoveHalf);
    ToThumbs[index] = makeThumb(box, "T2Thumb" + number + "To");
    layout->addDesigned(ToThumbs[index], QRect(353 - kThumbSize, 13, kThumbSize, kThumbSize), kMoveAll);
    auto* pick = new QPushButton("…", box);
    pick->setObjectName("T2Button" + number + "Picture");
    pick->setFont(windowFont());
    pick->setToolTip("画像ファイルを選んで変換先にする");
    layout->addDesigned(pick, QRect(356, 30, 22, 20), kMoveAll);
    PictureButtons[index] = pick;

    auto* summary = new QLabel(box);
    summary->setObjectName(QString("RowSummary%1").arg(row + 1));
    summary->setTextFormat(Qt::PlainText);
    summary->setAutoFillBackground(true);
    summary->setContentsMargins(2, 0, 2, 0);
    summary->setFixedHeight(13);
    summary->hide();
    layout->addRightAligned(summary, 0, 8);
    RowSummary[index] = summary;
}

void TForm1::buildPages() {
    NamesPage = new NamesPanel();
    NamesPage->setObjectName("NamesPage");
    PageControl->addTab(NamesPage, "画像一覧");
    connect(NamesPage, &NamesPanel::namePicked, this, [this](const QString& name) {
        if (fillNextEmptyFrom(name)) {
            PageControl->setCurrentWidget(TabSheet2);
        } else if (!runInProgress()) {
            NamesPage->NamesSummary->setText("空いている変換元がありません");
        }
    });
    ReportPage = new RunReportPage();
    ReportPage->setObjectName("ReportPage");
    PageControl->addTab(ReportPage, "結果");
}

void TForm1::buildRunPanel() {
    RunPanel = new QWidget(PageControl);
    RunPanel->setObjectName("RunPanel");
    auto* layout = new QHBoxLayout(RunPanel);
    layout->setContentsMargins(4, 1, 2, 1);
    layout->setSpacing(4);
    RunProgressBar = new QProgressBar(RunPanel);
    RunProgressBar->setObjectName("RunProgressBar");
    RunProgressBar->setFormat("%v/%m");
    RunProgressBar->setAlignment(Qt::AlignCenter);
    RunProgressBar->setFixedWidth(72);
    RunFileLabel = new QLabel(RunPanel);
    RunFileLabel->setObjectName("RunFileLabel");
    RunFileLabel->setTextFormat(Qt::PlainText);
    RunFileLabel->setFixedWidth(40);
    RunCancel = new QPushButton("中止", RunPanel);
    RunCancel->setObjectName("RunCancel");
    RunCancel->setFixedWidth(42);
    layout->addWidget(RunProgressBar);
    layout->addWidget(RunFileLabel, 1);
    layout->addWidget(RunCancel);
    PageControl->setCornerWidget(RunPanel, Qt::TopRightCorner);
    RunPanel->hide();
}

// The run's panel takes the room beside the page tabs, so that the file label grows with the window. The tab
// widget gives a corner widget its preferred width: the label's fixed width sets it.
void TForm1::FormResize() {
    const int room = PageControl->width() - PageControl->tabBar()->sizeHint().width() - 4;
    const QMargins margins = RunPanel->layout()->contentsMargins();
    const int others = margins.left() + margins.right() + 2 * RunPanel->layout()->spacing() + RunProgressBar->width()
                       + RunCancel->width();
    // The label gives way first, to nothing: the page tabs always keep their room.
    RunFileLabel->setFixedWidth(std::max(room - others, 0));
    // The tab widget keeps room for its corner even while the run panel is hidden, and a hidden panel does not tell
    // it that its size changed: without this, a window made smaller again leaves the tabs no room at all.
    QEvent request(QEvent::LayoutRequest);
    QCoreApplication::sendEvent(PageControl, &request);
}

}  // namespace celshift
