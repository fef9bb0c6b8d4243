#include "settings_test.h"

#include <memory>

#include <QCoreApplication>
#include <QDir>
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
    QCOMPARE(form->frameGeometry(), QRect(140, 100, 416, 350));
    QVERIFY(form->sourceInitialFolder().empty());

    // Texts of the rows are never saved.
    form->T2Edit1From->setText("kept-nowhere.bmp");
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());

    const StoredSettings s = stored();
    QCOMPARE(s.top, 100L);
    QCOMPARE(s.left, 140L);
    QCOMPARE(s.height, 350L);
    QCOMPARE(s.width, 416L);
    QCOMPARE(s.source, std::string());
    QByteArray written = readFile(iniPath());
#if defined(Q_OS_WIN)
    written.replace("\r\n", "\n");  // the settings file has Windows line ends there
#endif
    QCOMPARE(written, QByteArray("[WINSIZE]\nTop=100\nLeft=140\nHeight=350\nWidth=416\n\n\n[PATH]\nSource=\n"));
    QVERIFY(messages.boxes.empty());
}

void SettingsTest::storedGeometryIsAppliedAndTheNewOneStoredAtClose() {
    writeFile(iniPath(), "; my notes\n[winsize]\ntop=120\nLEFT=60\nHeight=300\nwidth=500\n[Other]\nKey=Value\n");
    QRect moved;
    {
        auto form = openForm();
        QCOMPARE(form->frameGeometry(), QRect(60, 120, 500, 300));
        form->move(210, 150);
        form->resize(450, 330);
        QTRY_COMPARE(form->frameGeometry().topLeft(), QPoint(210, 150));
        QTRY_COMPARE(form->size(), QSize(450, 330));
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
    QCOMPARE(form->frameGeometry(), QRect(140, 100, 416, 350));
}

void SettingsTest::aPlaceNoScreenShowsFallsBackToTheDefaultPlace() {
    // The place Windows reports for a minimized window.
    writeFile(iniPath(), "[WINSIZE]\nTop=-32000\nLeft=-32000\nHeight=300\nWidth=400\n");
    auto form = openForm();
    QCOMPARE(form->frameGeometry(), QRect(140, 100, 400, 300));

    // The extremes of the integers: the default place, and a window that still fits the screen.
    writeFile(iniPath(), "[WINSIZE]\nTop=2147483647\nLeft=-2147483648\nHeight=-2147483648\nWidth=2147483647\n");
    form = openForm();
    QCOMPARE(form->frameGeometry().topLeft(), QPoint(140, 100));
    QVERIFY(form->width() > 0 && form->height() > 0);
    QVERIFY(form->width() <= form->screen()->availableGeometry().width());
}

void SettingsTest::aMaximizedWindowStoresItsRestoredGeometry() {
    writeFile(iniPath(), "[WINSIZE]\nTop=110\nLeft=90\nHeight=320\nWidth=420\n");
    {
        auto form = openForm();
        form->showMaximized();
        const bool maximized = QTest::qWaitFor([&] { return form->frameGeometry() != QRect(90, 110, 420, 320); });
        if (!maximized) QSKIP("this platform maximizes nothing without a window manager");
        QVERIFY(form->isMaximized());
        form->close();
    }
    const StoredSettings s = stored();
    QCOMPARE(s.top, 110L);
    QCOMPARE(s.left, 90L);
    QCOMPARE(s.height, 320L);
    QCOMPARE(s.width, 420L);
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
    QCOMPARE(form->frameGeometry(), QRect(140, 100, 416, 350));
    QVERIFY(form->close());
    QVERIFY(!form->isVisible());
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QCOMPARE(messages.boxes[0].first, QString("Celshift"));
    QCOMPARE(messages.boxes[0].second, "設定を保存できませんでした。\n" + iniPath());
    QVERIFY(QFileInfo(iniPath()).isDir());
    QCOMPARE(QDir(folder->path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList{"celshift.ini"});
}

}  // namespace celshift::test
