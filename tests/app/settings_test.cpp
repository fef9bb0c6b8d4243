#include "settings_test.h"

#include <array>
#include <memory>

#include <QCoreApplication>
#include <QAbstractButton>
#include <QDir>
#include <QGuiApplication>
#include <QGroupBox>
#include <QLabel>
#include <QFileDialog>
#include <QLineEdit>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include "app/Main.h"
#include "platform/ini_file.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

QString iniPath() { return folder->path() + "/celshift.ini"; }

std::unique_ptr<TForm1> openForm(RecordingMessages* messages = nullptr) {
    auto form = std::make_unique<TForm1>(iniPath().toStdString());
    if (messages != nullptr) form->setRunMessages(messages);
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get())) qFatal("window not shown");
    return form;
}

// The outer size of the smallest window: the designed client size and the frame.
QSize minimumOuter(const TForm1& form) { return form.minimumSize() + (form.frameGeometry().size() - form.size()); }

struct StoredSettings {
    long top, left, height, width;
    std::string source;
};

StoredSettings stored() {
    const IniFile ini(iniPath().toStdString());
    return {ini.readInteger("WINSIZE", "Top", -1), ini.readInteger("WINSIZE", "Left", -1),
            ini.readInteger("WINSIZE", "Height", -1), ini.readInteger("WINSIZE", "Width", -1),
            ini.readString("PATH", "Source", "(none)")};
}

}  // namespace

void SettingsTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void SettingsTest::cleanup() {
    delete folder;
    folder = nullptr;
}

void SettingsTest::theFileLiesBesideTheExecutable() {
    QCOMPARE(QDir::fromNativeSeparators(QString::fromStdString(settingsFilePath())),
             QCoreApplication::applicationDirPath() + "/" + QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName() + ".ini");
}

void SettingsTest::aFirstStartUsesTheDefaultsAndClosingWritesThem() {
    RecordingMessages messages;
    auto form = openForm(&messages);
    // The default size (416 x 350 outside) is below the designed window's: it opens at that.
    const QSize outer = minimumOuter(*form);
    QCOMPARE(form->minimumSize(), QSize(416, 352));
    QCOMPARE(form->frameGeometry(), QRect(QPoint(140, 100), outer));
    QVERIFY(form->sourceInitialFolder().empty());

    // The rows as typed.
    form->T2Edit1From->setText("kept.bmp");
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());

    const StoredSettings s = stored();
    QCOMPARE(s.top, 100L);
    QCOMPARE(s.left, 140L);
    QCOMPARE(s.height, long(outer.height()));
    QCOMPARE(s.width, long(outer.width()));
    QCOMPARE(s.source, std::string());
    QByteArray written = readFile(iniPath());
#if defined(Q_OS_WIN)
    written.replace("\r\n", "\n");  // the settings file has Windows line ends there
#endif
    QCOMPARE(written, QString("[WINSIZE]\nTop=100\nLeft=140\nHeight=%1\nWidth=%2\n\n\n[PATH]\nSource=\n\n\n"
                              "[ROWS]\nFrom1=kept.bmp\nTo1=\nFrom2=\nTo2=\nFrom3=\nTo3=\nFrom4=\nTo4=\n")
                          .arg(outer.height())
                          .arg(outer.width())
                          .toUtf8());
    QVERIFY(messages.boxes.empty());
}

void SettingsTest::storedGeometryIsAppliedAndTheNewOneStoredAtClose() {
    writeFile(iniPath(), "; my notes\n[winsize]\ntop=120\nLEFT=60\nHeight=400\nwidth=500\n[Other]\nKey=Value\n");
    QRect moved;
    {
        auto form = openForm();
        QCOMPARE(form->frameGeometry(), QRect(60, 120, 500, 400));
        form->move(210, 150);
        form->resize(450, 380);
        QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(210, 150));
        QTRY_COMPARE(form->size(), QSize(450, 380));
        moved = form->frameGeometry();
        form->close();
    }
    const StoredSettings s = stored();
    QCOMPARE(s.top, 150L);
    QCOMPARE(s.left, 210L);
    QCOMPARE(s.height, long(moved.height()));
    QCOMPARE(s.width, long(moved.width()));
    const QByteArray text = readFile(iniPath());
    QVERIFY(text.contains("; my notes"));
    QVERIFY(text.contains("Key=Value"));

    // The next start applies it, the frame included: the window does not grow from one start to the next.
    auto again = openForm();
    QCOMPARE(again->frameGeometry(), moved);
}

void SettingsTest::unreadableIntegersFallBackToTheDefaults() {
    writeFile(iniPath(), "[WINSIZE]\nTop=12abc\nLeft=\nHeight=3.5e2\nWidth=99999999999\n");
    auto form = openForm();
    QCOMPARE(form->frameGeometry(), QRect(QPoint(140, 100), minimumOuter(*form)));
}

void SettingsTest::aPlaceNoScreenShowsFallsBackToTheDefaultPlace() {
    // The place Windows reports for a minimized window.
    writeFile(iniPath(), "[WINSIZE]\nTop=-32000\nLeft=-32000\nHeight=400\nWidth=450\n");
    auto form = openForm();
    QCOMPARE(form->frameGeometry(), QRect(140, 100, 450, 400));

    // The extremes of the integers: the default place, and a window that still fits the screen.
    writeFile(iniPath(), "[WINSIZE]\nTop=2147483647\nLeft=-2147483648\nHeight=-2147483648\nWidth=2147483647\n");
    form = openForm();
    QCOMPARE(form->frameGeometry().top(), 100);
    QVERIFY(form->width() > 0 && form->height() > 0);
    // As wide as the screen at most, and wholly on it.
    QVERIFY(form->screen()->availableGeometry().contains(form->frameGeometry()));
}

void SettingsTest::aMaximizedWindowStoresItsRestoredGeometry_data() {
    QTest::addColumn<bool>("told");
    QTest::newRow("maximized") << true;
    // Maximized by a window manager that does not tell the program so (Wine's windows): the window covers the
    // whole work area in the normal state.
    QTest::newRow("covering its screen, not told") << false;
}

void SettingsTest::aMaximizedWindowStoresItsRestoredGeometry() {
    QFETCH(bool, told);
    writeFile(iniPath(), "[WINSIZE]\nTop=110\nLeft=90\nHeight=380\nWidth=440\n");
    {
        auto form = openForm();
        if (told) {
            form->showMaximized();
            const bool maximized = QTest::qWaitFor([&] { return form->frameGeometry() != QRect(90, 110, 440, 380); });
            if (!maximized) QSKIP("this platform maximizes nothing without a window manager");
            QVERIFY(form->isMaximized());
        } else {
            // The new size first, then the new place, as Wine tells them.
            const QRect area = form->screen()->availableGeometry();
            const QMargins frame = form->windowHandle()->frameMargins();
            const QRect outer = area.adjusted(0, -4, 0, 4);
            form->resize(outer.marginsRemoved(frame).size());
            QVERIFY(QTest::qWaitFor([&] { return form->frameGeometry().size() == outer.size(); }));
            form->move(outer.topLeft());
            QVERIFY(QTest::qWaitFor([&] { return form->frameGeometry().contains(area); }));
            QCOMPARE(form->windowState(), Qt::WindowNoState);
        }
        form->close();
    }
    const StoredSettings s = stored();
    QCOMPARE(s.top, 110L);
    QCOMPARE(s.left, 90L);
    QCOMPARE(s.height, 380L);
    QCOMPARE(s.width, 440L);
}

void SettingsTest::closingAndStartingAgainKeepsTheGeometryExactly_data() {
    QTest::addColumn<QString>("state");
    QTest::newRow("normal") << "normal";
    QTest::newRow("maximized") << "maximized";
    QTest::newRow("full screen") << "full screen";
}

// Each start applies what the last close stored: however the window was left, the stored geometry is a fixed
// point. A full-screen window loses its frame (as a maximized one does under many window managers).
void SettingsTest::closingAndStartingAgainKeepsTheGeometryExactly() {
    QFETCH(QString, state);
    const QByteArray first = "[WINSIZE]\nTop=110\nLeft=90\nHeight=400\nWidth=450\n";
    writeFile(iniPath(), first);
    for (int round = 1; round <= 3; ++round) {
        {
            auto form = openForm();
            // A window closed maximized (or covering its screen) opens maximized again; restored, it has its place.
            if (round == 1 || state == "normal") QCOMPARE(form->frameGeometry(), QRect(90, 110, 450, 400));
            if (round > 1 && state != "normal") QVERIFY(form->isMaximized());
            if (state == "maximized") form->showMaximized();
            if (state == "full screen") form->showFullScreen();
            if (state != "normal") {
                const bool changed = QTest::qWaitFor([&] { return form->frameGeometry() != QRect(90, 110, 450, 400); });
                if (!changed) QSKIP("this platform changes no window state without a window manager");
            }
            QVERIFY(form->close());
        }
        const StoredSettings s = stored();
        QCOMPARE(s.top, 110L);
        QCOMPARE(s.left, 90L);
        QCOMPARE(s.height, 400L);
        QCOMPARE(s.width, 450L);
        QCOMPARE(IniFile(iniPath().toStdString()).readInteger("WINSIZE", "Maximized", 0), state == "normal" ? 0L : 1L);
    }
}

void SettingsTest::aPlaceWithItsTitleBarOnAScreenIsKept_data() {
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("kept");
    QTest::newRow("partly off to the left") << "left" << true;
    QTest::newRow("partly off to the right and below") << "right and below" << true;
    QTest::newRow("one row of the title bar on the top edge") << "top edge" << true;
    QTest::newRow("only the body on the screen") << "above" << false;
    QTest::newRow("wholly below") << "below" << false;
}

// The title bar is what a user drags: a window whose title bar a screen shows stays on that screen, moved as little
// as it takes to show it whole; one whose title bar no screen shows goes to the default place.
void SettingsTest::aPlaceWithItsTitleBarOnAScreenIsKept() {
    QFETCH(QString, where);
    QFETCH(bool, kept);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    const QSize size(450, 400);
    const QPoint place = where == "left"            ? QPoint(screen.left() - 300, screen.top() + 50)
                         : where == "right and below" ? QPoint(screen.right() - 200, screen.bottom() - 100)
                         : where == "top edge"        ? QPoint(screen.left() + 100, screen.top() - 24)
                         : where == "above"           ? QPoint(screen.left() + 100, screen.top() - 100)
                                                      : QPoint(screen.left() + 100, screen.bottom() + 1);
    writeFile(iniPath(), QString("[WINSIZE]\nTop=%1\nLeft=%2\nHeight=%3\nWidth=%4\n")
                             .arg(place.y()).arg(place.x()).arg(size.height()).arg(size.width()).toUtf8());
    auto form = openForm();
    QCOMPARE(form->frameGeometry().size(), size);
    // The platform may nudge a window by its frame's width to keep the frame on the screen.
    const QPoint wholly(std::clamp(place.x(), screen.left(), screen.right() + 1 - size.width()),
                        std::clamp(place.y(), screen.top(), screen.bottom() + 1 - size.height()));
    const QPoint expected = kept ? wholly : QPoint(140, 100);
    QVERIFY2((form->frameGeometry().topLeft() - expected).manhattanLength() <= 4,
             qPrintable(QString("at %1,%2").arg(form->frameGeometry().left()).arg(form->frameGeometry().top())));
}

// A window shrunk to nothing hid Execute and the rows, and that size was stored and restored.
void SettingsTest::theWindowIsNeverSmallerThanTheDesignedOneAndShowsEveryControl() {
    writeFile(iniPath(), "[WINSIZE]\nTop=100\nLeft=100\nHeight=100\nWidth=150\n");
    auto form = openForm();
    QCOMPARE(form->minimumSize(), QSize(416, 352));
    QCOMPARE(form->size(), QSize(416, 352));
    form->resize(150, 100);
    QTest::qWait(20);
    QCOMPARE(form->size(), QSize(416, 352));

    // Every control lies wholly inside the window.
    for (const QWidget* control : form->findChildren<QWidget*>()) {
        if (!control->isVisibleTo(form.get()) || control->isWindow() || control->parentWidget() == nullptr) continue;
        if (qobject_cast<const QLineEdit*>(control) == nullptr && qobject_cast<const QAbstractButton*>(control) == nullptr
            && qobject_cast<const QGroupBox*>(control) == nullptr && qobject_cast<const QLabel*>(control) == nullptr) {
            continue;
        }
        const QRect place(control->mapTo(form.get(), QPoint(0, 0)), control->size());
        QVERIFY2(form->rect().contains(place), qPrintable(control->objectName()));
    }
    const QSize outer = form->frameGeometry().size();
    QVERIFY(form->close());
    QCOMPARE(stored().height, long(outer.height()));
    QCOMPARE(stored().width, long(outer.width()));
}

void SettingsTest::theStoredFolderLosesOneTrailingSeparator_data() {
    QTest::addColumn<QByteArray>("inFile");
    QTest::addColumn<QByteArray>("writtenBack");
    QTest::newRow("backslash dropped") << QByteArray("C:\\Games\\X\\") << QByteArray("C:\\Games\\X");
    QTest::newRow("only one dropped") << QByteArray("C:\\Games\\\\") << QByteArray("C:\\Games\\");
    QTest::newRow("drive root kept") << QByteArray("C:\\") << QByteArray("C:\\");
    QTest::newRow("one character kept") << QByteArray("\\") << QByteArray("\\");
    QTest::newRow("slash dropped") << QByteArray("/home/u/scenarios/") << QByteArray("/home/u/scenarios");
    QTest::newRow("root kept") << QByteArray("/") << QByteArray("/");
    QTest::newRow("no separator") << QByteArray("/home/u/scenarios") << QByteArray("/home/u/scenarios");
    QTest::newRow("empty") << QByteArray("") << QByteArray("");
    QTest::newRow("not UTF-8, raw") << QByteArray("/home/\x83\x5C/") << QByteArray("/home/\x83\x5C");
}

void SettingsTest::theStoredFolderLosesOneTrailingSeparator() {
    QFETCH(QByteArray, inFile);
    QFETCH(QByteArray, writtenBack);
    writeFile(iniPath(), "[PATH]\nSource=" + inFile + "\n");
    {
        auto form = openForm();
        QCOMPARE(QByteArray::fromStdString(form->sourceInitialFolder()), writtenBack);
        // Choosing a scenario does not change the folder that is stored.
        form->setSourceOpenRunner([](QFileDialog&) { return std::optional<QString>("/elsewhere/Summary.wsm"); });
        form->t0ButtonSourceClick();
        form->close();
    }
    QCOMPARE(QByteArray::fromStdString(stored().source), writtenBack);
}

void SettingsTest::settingsThatCannotBeWrittenAreReportedAndTheWindowStillCloses() {
    // A folder where the file should be: nothing can replace it, not even as root.
    QVERIFY(QDir().mkpath(iniPath()));
    RecordingMessages messages;
    auto form = openForm(&messages);
    QCOMPARE(form->frameGeometry(), QRect(QPoint(140, 100), minimumOuter(*form)));
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QCOMPARE(messages.boxes[0].first, QString("Celshift"));
    QCOMPARE(messages.boxes[0].second, "設定を保存できませんでした。\n" + iniPath());
    QVERIFY(QFileInfo(iniPath()).isDir());
    QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"celshift.ini"});
}

// What one start had in its rows, the next has, byte for byte: spaces at either end, quotes, and the characters
// that mean something elsewhere in such a file. A line break cannot stand on a line: told, and that row empty.
void SettingsTest::theRowsAreKeptAsTyped() {
    const QStringList typed{" lead.bmp", "trail.bmp\t ", "a=b;c#d\\x41.bmp", "\"q\"",
                            ";semi.bmp", "#hash.bmp", "img\\cell.bmp∅", "\" both \""};
    const auto edits = [](const TForm1& form) {
        return std::array<QLineEdit*, 8>{form.T2Edit1From, form.T2Edit1To, form.T2Edit2From, form.T2Edit2To,
                                         form.T2Edit3From, form.T2Edit3To, form.T2Edit4From, form.T2Edit4To};
    };
    RecordingMessages messages;
    auto form = openForm(&messages);
    for (int edit = 0; edit < 8; ++edit) edits(*form)[static_cast<std::size_t>(edit)]->setText(typed[edit]);
    QVERIFY(form->close());
    form = openForm(&messages);
    QStringList read;
    for (const QLineEdit* edit : edits(*form)) read << edit->text();
    QCOMPARE(read, typed);
    QVERIFY(messages.boxes.empty());

    form->T2Edit2To->setText("two\nlines.bmp");
    QVERIFY(form->close());
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QVERIFY(messages.boxes.front().second.startsWith("変換２ に改行"));
    QVERIFY(openForm()->T2Edit2To->text().isEmpty());
}

}  // namespace celshift::test
