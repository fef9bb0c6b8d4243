#include "execute_test.h"

#include <cstdint>
#include <memory>

#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include "app/Main.h"
#include "window_scenario.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

Scenario makeScenario() {
    const Scenario s = makeScenarioFolders(folder->path());
    writeFile(s.folder + "/readme.txt", "read me");
    writeFile(s.folder + "/map.wid", cellDataFile(kCellBmp932));
    writeFile(s.folder + "/other.wid", cellDataFile("keep.bmp"));
    return s;
}

// The output folder is left as the window chooses it.
std::unique_ptr<TForm1> openForm(const Scenario& scenario, RecordingMessages& messages) {
    return openFormOn(scenario, folder->path() + "/celshift.ini", &messages, false);
}

using Boxes = std::vector<std::pair<QString, QString>>;


}  // namespace

void ExecuteTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void ExecuteTest::cleanup() {
    delete folder;
    folder = nullptr;
}

void ExecuteTest::executeConvertsTheScenarioAndShowsWhatTheRunSays() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, messages);
    form->setOutputFolder(scenario.output.toStdString());
    // Typed as the user types them; the run turns them into code page 932.
    form->T2Edit1From->setText("セル.bmp");
    form->T2Edit1To->setText("画像.jpg");
    form->T2Edit3From->setText("keep.bmp");  // after an empty row 2: not used
    form->T2Edit3To->setText("lost.bmp");

    QVERIFY(form->t0ButtonExecute->isEnabled());
    execute(*form);

    QCOMPARE(messages.boxes, (Boxes{{"第一段階", "コピー完了"}, {"画像置換", "1個のファイルを置換します"}, {"情報", "完了"}}));
    QVERIFY(messages.errorPaths.isEmpty());
    QCOMPARE(readFile(scenario.output + "/Summary.wsm"), QByteArray("summary bytes"));
    QCOMPARE(readFile(scenario.output + "/readme.txt"), QByteArray("read me"));
    QCOMPARE(readFile(scenario.output + "/map.wid"), cellDataFile(kImageJpg932));
    QCOMPARE(readFile(scenario.output + "/other.wid"), cellDataFile("keep.bmp"));

    // The window stays as it was, ready for another run.
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QCOMPARE(form->T2Edit1From->text(), QString("セル.bmp"));
}

void ExecuteTest::aCopyThatCannotBeOpenedBringsUpErrorFmAndTheRunGoesOn() {
    const Scenario scenario = makeScenario();
    // A folder in the place of map.wid's copy.
    QVERIFY(QDir().mkpath(scenario.output + "/map.wid"));
    RecordingMessages messages;
    auto form = openForm(scenario, messages);
    form->setOutputFolder(scenario.output.toStdString());
    execute(*form);

    QCOMPARE(QDir::fromNativeSeparators(messages.errorPaths.join('|')), scenario.output + "/map.wid");
    QCOMPARE(messages.boxes.back(), (std::pair<QString, QString>{"情報", "完了"}));
    QCOMPARE(readFile(scenario.output + "/other.wid"), cellDataFile("keep.bmp"));
}

// A fresh portable copy has no Scena folder yet: the first run asks to make it (はい by default) instead of failing.
void ExecuteTest::theOutputFolderIsScenaBesideTheExecutableUnlessSet() {
    // In the system's separators throughout ("...\Scena\" on Windows).
    const QString scena = QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + "/Scena/");
    if (QFileInfo::exists(scena)) QSKIP("a Scena folder lies beside the test program");
    if (!QFileInfo(QCoreApplication::applicationDirPath()).isWritable())
        QSKIP("the test program's folder cannot be written: the default output folder is in the documents");
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, messages);
    QStringList asked;
    int answer = 1;
    form->setChoiceQuestion([&](QWidget*, const QString& kind, const QString& text, const QStringList&, int defaultChoice) {
        asked << QString("%1 %2 %3").arg(kind).arg(defaultChoice).arg(text.contains(scena) ? "names it" : "");
        return answer;
    });
    // いいえ: nothing is made, run or said. はい: made, and the run writes into it.
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QVERIFY(!QFileInfo::exists(scena) && !form->lastOutcome() && messages.boxes.empty());
    answer = 0;
    struct RemovedAfter {
        QString folder;
        ~RemovedAfter() { QDir(folder).removeRecursively(); }
    } const made{scena};
    execute(*form);
    QCOMPARE(asked, QStringList(2, "MakeOutputFolder 0 names it"));
    QCOMPARE(readFile(scena + "map.wid"), cellDataFile(kCellBmp932));
}

}  // namespace celshift::test
