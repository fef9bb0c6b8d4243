#include "daily_use_test.h"

#include <memory>

#include <QClipboard>
#include <QDropEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include "app/Main.h"
#include "app/run_report_page.h"
#include "box_answerer.h"
#include "platform/ini_file.h"
#include "window_scenario.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

QString iniPath() { return folder->path() + "/celshift.ini"; }

Scenario makeScenario() {
    const Scenario s = makeScenarioFolders(folder->path());
    writeFile(s.folder + "/a.wid", cellDataFile("cell.bmp"));
    writeFile(s.folder + "/b.wid", cellDataFile("other.bmp"));
    writeFile(s.folder + "/cell.bmp", "BM");
    return s;
}

struct Asked {
    QStringList kinds;
    int answer = 0;  // for every question but the same run again, which is answered yes
};

void answerQuestions(TForm1& form, Asked& asked) {
    form.setChoiceQuestion([&asked](QWidget*, const QString& kind, const QString&, const QStringList&, int) {
        asked.kinds << kind;
        return kind == "RerunQuestion" ? 0 : asked.answer;
    });
}

}  // namespace

void DailyUseTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void DailyUseTest::cleanup() {
    delete folder;
    folder = nullptr;
}

void DailyUseTest::anotherScenarioInTheOutputIsAskedAboutFirst() {
    const Scenario scenario = makeScenario();
    writeFile(scenario.output + "/Summary.wsm", "another scenario");
    RecordingMessages messages;
    auto form = openFormOn(scenario, iniPath(), &messages);
    Asked asked;
    answerQuestions(*form, asked);

    // Cancelled: nothing is written, and no run has been.
    asked.answer = 2;
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QCOMPARE(asked.kinds, QStringList{"MixQuestion"});
    QVERIFY(!form->runInProgress() && !form->lastOutcome());
    QVERIFY(!QFileInfo::exists(scenario.output + "/a.wid"));

    // Into the subfolder named after the scenario folder: a scenario of its own, the other one left as it was.
    asked.answer = 0;
    execute(*form);
    const QString subfolder = scenario.output + "/scenario";
    QCOMPARE(readFile(subfolder + "/Summary.wsm"), readFile(scenario.summary));
    QVERIFY(QFileInfo::exists(subfolder + "/a.wid"));
    QCOMPARE(readFile(scenario.output + "/Summary.wsm"), QByteArray("another scenario"));
    QVERIFY(!QFileInfo::exists(scenario.output + "/a.wid"));
    QCOMPARE(QString::fromStdString(form->lastRunOutput()), subfolder);
    QVERIFY(form->ReportPage->text().contains("出力先\t" + QDir::toNativeSeparators(subfolder) + "\n"));
    QCOMPARE(form->ReportPage->attention(), 0);

    // Anyway, into the folder itself: the other scenario's summary is kept, and the report says it is worth a look.
    asked.answer = 1;
    asked.kinds.clear();
    execute(*form);
    QCOMPARE(asked.kinds, (QStringList{"RerunQuestion", "MixQuestion"}));
    QVERIFY(QFileInfo::exists(scenario.output + "/a.wid"));
    QCOMPARE(readFile(scenario.output + "/Summary.wsm"), QByteArray("another scenario"));
    QCOMPARE(form->ReportPage->attention(), 1);
    QVERIFY(form->ReportPage->text().contains("そのまま（要確認）\tSummary.wsm\t"));
    QVERIFY(form->ReportPage->RowTotals->text().contains("内容の違うファイル 1件"));
}

// 出力先を開く opens what the 出力先 line shows: after a run into the scenario's subfolder (the output folder held
// another scenario) that subfolder, until the output folder changes. When no file manager opens it, a box says so with
// the path as selectable text, and its button copies the path.
void DailyUseTest::theOutputFolderOpensOrItsPathCanBeCopied() {
    const Watchdog watchdog("the box of a folder that does not open", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    writeFile(scenario.output + "/Summary.wsm", "another scenario");
    RecordingMessages messages;
    auto form = openFormOn(scenario, iniPath(), &messages);
    QStringList opened;
    bool opens = true;
    form->setFolderOpener([&](const QString& folder) {
        opened << folder;
        return opens;
    });
    execute(*form);  // into the subfolder, the question's default
    const QString subfolder = scenario.output + "/scenario";
    QCOMPARE(form->TargetLine->text(), QDir::toNativeSeparators(subfolder));
    QTest::mouseClick(form->OpenOutputButton, Qt::LeftButton);
    QCOMPARE(opened, QStringList{subfolder});

    // Nothing opens it: the box, its path selectable and copied with its button.
    opens = false;
    QString text;
    Qt::TextInteractionFlags flags;
    QTimer::singleShot(0, form.get(), [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        text = box->text();
        if (const auto* label = box->findChild<QLabel*>("qt_msgbox_label")) flags = label->textInteractionFlags();
        box->findChild<QPushButton*>("CopyPath")->click();
    });
    QApplication::clipboard()->clear();
    QTest::mouseClick(form->OpenOutputButton, Qt::LeftButton);
    QVERIFY2(text.endsWith("\n" + QDir::toNativeSeparators(subfolder)), qPrintable(text));
    QVERIFY(flags.testFlag(Qt::TextSelectableByMouse));
    QCOMPARE(QApplication::clipboard()->text(), QDir::toNativeSeparators(subfolder));
    QTimer::singleShot(0, form.get(), [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
    QTest::mouseClick(form->OpenOutputButton, Qt::LeftButton);  // Esc closes it too

    // Another output folder: the line and the button leave the subfolder.
    const QString chosen = folder->path() + "/chosen";
    QVERIFY(QDir().mkpath(chosen));
    form->setTargetOpenRunner([&](QWidget*, const QString&) { return std::optional<QString>(chosen); });
    QTest::mouseClick(form->t0ButtonTarget, Qt::LeftButton);
    QCOMPARE(form->TargetLine->text(), QDir::toNativeSeparators(chosen));
    opens = true;
    QTest::mouseClick(form->OpenOutputButton, Qt::LeftButton);
    QCOMPARE(opened.back(), chosen);
}

void DailyUseTest::closingDuringARunAsksOnceAndAlwaysWritesTheSettings_data() {
    QTest::addColumn<bool>("runEndsFirst");
    QTest::newRow("answered はい during the run") << false;
    QTest::newRow("the run ends while the question is up") << true;
}

// With the real boxes on the real threads. The question comes while the run waits on its first box.
void DailyUseTest::closingDuringARunAsksOnceAndAlwaysWritesTheSettings() {
    QFETCH(bool, runEndsFirst);
    const Watchdog watchdog("closing during a run", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    auto form = openFormOn(scenario, iniPath(), nullptr);
    form->T2Edit1From->setText("cell.bmp");
    form->T2Edit1To->setText("new.bmp");
    QVERIFY(!QFileInfo::exists(iniPath()));

    BoxAnswerer answerer;
    answerer.questionAnswer = QMessageBox::Yes;
    if (runEndsFirst) answerer.leaveUp = "CloseQuestion";
    bool closed = false;
    QStringList texts;
    answerer.onShown = [&](const BoxAnswerer::Seen& box) {
        // The run's boxes wait while the question is up: to end while it is, the run must have none left but its
        // last, so the window is closed at the last box before the data files.
        if (closed || box.text != (runEndsFirst ? "1個のファイルを置換します" : "コピー完了")) return;
        closed = true;
        if (runEndsFirst) {
            QTimer::singleShot(0, form.get(), [&] { form->close(); });
        } else {
            // The question comes up over the box (the box's own answerer waits meanwhile), and is answered.
            BoxAnswerer questionAnswerer;
            questionAnswerer.questionAnswer = QMessageBox::Yes;
            form->close();
            form->close();  // a second close asks nothing more
            for (const auto& question : questionAnswerer.seen) texts << question.text;
        }
    };
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->isVisible(), 30000);
    QVERIFY(!form->runInProgress());

    for (const auto& box : answerer.seen) texts << box.text;
    if (runEndsFirst) {
        // The question went with the run's end; the last box came alone, and the window closed after it.
        QCOMPARE(texts.back(), QString("完了"));
        QVERIFY(!texts.contains("実行中です。中止して閉じますか？"));
        QVERIFY(!form->lastOutcome()->stopped);
        QCOMPARE(readFile(scenario.output + "/a.wid"), cellDataFile("new.bmp"));
    } else {
        // はい closed the box that was up with the question; the run's boxes that would have come are not shown,
        // the report keeps what they say.
        QCOMPARE(texts, (QStringList{"実行中です。中止して閉じますか？", "コピー完了"}));
        QVERIFY(form->lastOutcome()->stopped);
        QVERIFY(form->ReportPage->RowTotals->text().contains("中止しました"));
    }
    // Every way out writes the settings: the scenario is there for the next start.
    QCOMPARE(QString::fromStdString(IniFile(iniPath().toStdString()).readString("PATH", "LastScenario", "")),
             QDir::toNativeSeparators(scenario.folder));
}

// Closed while the run copies, the question left up a while: the run's next box waits for the answer instead of
// coming over the question; いいえ lets the run go on to its end, and the window stays.
// On every core the run's boxes come from the run's thread; on one worker, from that worker's.
void DailyUseTest::theRunsBoxesWaitWhileTheCloseQuestionIsUp_data() {
    QTest::addColumn<int>("jobs");
    QTest::newRow("every core") << 0;
    QTest::newRow("one worker") << 1;
}

void DailyUseTest::theRunsBoxesWaitWhileTheCloseQuestionIsUp() {
    QFETCH(int, jobs);
    const Watchdog watchdog("boxes held by the close question", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    auto form = openFormOn(scenario, iniPath(), nullptr);
    form->setRunJobs(jobs);
    BoxAnswerer answerer;
    answerer.leaveUp = "CloseQuestion";
    QStringList textsWhileUp;
    bool closed = false;
    answerer.onShown = [&](const BoxAnswerer::Seen& box) {
        if (closed || box.text != "コピー完了") return;
        closed = true;
        QTimer::singleShot(0, form.get(), [&] { form->close(); });
    };
    // The question is answered from a timer, as a person would after a while: the question runs its own loop.
    int ticksUp = 0;
    std::size_t seenWhenUp = 0;
    bool aloneWhileUp = true;
    bool answered = false;
    QTimer person;
    person.setInterval(50);
    QObject::connect(&person, &QTimer::timeout, [&] {
        auto* question = form->findChild<QMessageBox*>("CloseQuestion");
        if (answered || question == nullptr || !question->isVisible()) return;
        if (ticksUp++ == 0) seenWhenUp = answerer.seen.size();
        aloneWhileUp = aloneWhileUp && QApplication::activeModalWidget() == question && answerer.seen.size() == seenWhenUp;
        if (ticksUp < 8) return;
        answered = true;
        question->button(QMessageBox::No)->click();
    });
    person.start();
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(answered && !form->runInProgress(), 30000);
    QVERIFY(aloneWhileUp);  // nothing came over the question meanwhile
    QVERIFY(form->isVisible());
    QCOMPARE(answerer.seen.back().text, QString("完了"));
    QVERIFY(!form->lastOutcome()->stopped);
}

void DailyUseTest::theSameRunAgainIsAskedAboutFirst() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openFormOn(scenario, iniPath(), &messages);
    QStringList asked;
    int answer = 1;  // no, the default
    form->setChoiceQuestion([&](QWidget*, const QString& kind, const QString&, const QStringList& choices, int defaultChoice) {
        asked << kind;
        if (kind == "RerunQuestion") {
            [&] { QCOMPARE(choices.value(defaultChoice), QString("やめる(&N)")); }();
        }
        return answer;
    });
    QSignalSpy ended(form.get(), &TForm1::runEnded);
    form->T2Edit1From->setText("cell.bmp");
    form->T2Edit1To->setText("new.bmp");
    execute(*form);
    QCOMPARE(ended.count(), 1);
    QVERIFY(asked.isEmpty());
    QCOMPARE(QApplication::focusWidget(), form->t0ButtonExecute);

    // Enter on 実行 again: asked, and No runs nothing; the report stays.
    form->activateWindow();
    QTest::keyClick(form->t0ButtonExecute, Qt::Key_Return);
    QTRY_COMPARE(asked, QStringList{"RerunQuestion"});
    QTest::qWait(50);
    QVERIFY(!form->runInProgress());
    QCOMPARE(ended.count(), 1);
    QVERIFY(form->ReportPage->text().contains("a.wid"));

    // Yes runs it; another row is another run, asked nothing.
    answer = 0;
    execute(*form);
    QCOMPARE(ended.count(), 2);
    form->T2Edit1To->setText("newer.bmp");
    execute(*form);
    QCOMPARE(ended.count(), 3);
    QCOMPARE(asked.size(), 2);

    // A run that did not start (its output folder missing) is no run to ask about again.
    const QString later = folder->path() + "/later";
    form->setOutputFolder(later.toStdString());
    execute(*form);
    QVERIFY(QDir().mkpath(later));
    execute(*form);
    QVERIFY(form->lastOutcome()->started);
    QCOMPARE(asked.size(), 2);
}

void DailyUseTest::aDroppedScenarioOrItsFolderIsChosen() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    TForm1 form(iniPath().toStdString());
    form.setRunMessages(&messages);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const auto drop = [&](const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent dropped(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &dropped);
        QTest::qWait(20);
        return accepted;
    };
    QVERIFY(drop(scenario.folder + "/b.wid"));
    QTRY_COMPARE(messages.boxes.size(), std::size_t{1});
    QVERIFY(messages.boxes.front().second.startsWith("シナリオではありません"));
    QVERIFY(form.sourceFile().isEmpty() && !form.t0ButtonExecute->isEnabled());

    QVERIFY(drop(scenario.folder));
    QTRY_COMPARE(form.sourceFile(), scenario.summary);
    QVERIFY(form.t0ButtonExecute->isEnabled());
    QVERIFY(form.SourceLine->text().endsWith("Summary.wsm"));
    QVERIFY(drop(scenario.summary));
    QTRY_VERIFY(form.scenarioScan() != nullptr);
    QCOMPARE(messages.boxes.size(), std::size_t{1});

    // A rows file is read into the rows, as 変換行 読み込み reads it.
    writeFile(folder->path() + "/rows.TSV", "cell.bmp\tnew.bmp\n");
    QVERIFY(drop(folder->path() + "/rows.TSV"));
    QTRY_COMPARE(form.T2Edit1From->text() + form.T2Edit1To->text(), QString("cell.bmpnew.bmp"));
    QCOMPARE(messages.boxes.size(), std::size_t{1});
}

void DailyUseTest::rowsGoToARowsFileAndComeBack() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openFormOn(scenario, iniPath(), &messages);
    QTRY_VERIFY(form->scenarioScan() != nullptr);  // the rows' states below know the scenario's names
    const QString rowsFile = folder->path() + "/rows.txt";
    QString given = rowsFile;
    QStringList starts;
    form->setRowsFileRunner([&](QWidget*, const QString& start, bool) { starts << start; return std::optional<QString>(given); });
    form->T2Edit1From->setText("\\xED\\x40cell.bmp∅");  // exact bytes, a field without its zero byte
    form->T2Edit1To->setText("セル.jpg");
    form->T2Edit3From->setText("img\\a.bmp");  // row 2 empty: not saved, the rows close up
    form->T2Edit3To->setText("b.bmp");
    form->SaveRowsClick();
    QCOMPARE(readFile(rowsFile), QByteArray("# Celshift の変換行（変換元<TAB>変換先、UTF-8）。celshift-cli --rows で使えます\n"
                                            "\\xED\\x40cell.bmp∅\tセル.jpg\nimg\\a.bmp\tb.bmp\n"));
    // Offered in the documents at first, never in the scenario (a run would copy it into the converted one); then
    // where the last rows file was.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QCOMPARE(starts, QStringList{QDir(documents.isEmpty() ? QDir::homePath() : documents).filePath("変換行.txt")});

    for (QLineEdit* edit : {form->T2Edit1From, form->T2Edit1To, form->T2Edit3From, form->T2Edit3To}) edit->clear();
    form->T2Edit4From->setText("stale.bmp");
    // Read off the GUI thread (a rows file may hold half a million rows); 実行 waits for the rows.
    form->LoadRowsClick();
    QVERIFY(form->rowsReading() && !form->t0ButtonExecute->isEnabled());
    QTRY_VERIFY(!form->rowsReading());
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QCOMPARE(form->T2Edit1From->text(), QString("\\xED\\x40cell.bmp∅"));
    QCOMPARE(form->T2Edit1To->text(), QString("セル.jpg"));
    QCOMPARE(form->T2Edit2From->text(), QString("img\\a.bmp"));
    QCOMPARE(form->T2Edit2To->text(), QString("b.bmp"));
    QVERIFY(form->T2Edit4From->text().isEmpty());
    QVERIFY(messages.boxes.empty());
    QCOMPARE(starts.value(1), folder->path());

    // A bad line changes nothing and is named; more than four rows fill four and say so.
    writeFile(rowsFile, "a.bmp\tb.bmp\nno extension\tc.bmp\n");
    form->LoadRowsClick();
    QTRY_VERIFY(!form->rowsReading());
    QCOMPARE(form->T2Edit1From->text(), QString("\\xED\\x40cell.bmp∅"));
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QVERIFY2(messages.boxes.back().second.contains("\n2行目: "), qPrintable(messages.boxes.back().second));
    writeFile(rowsFile, "1.bmp\ta.bmp\n2.bmp\ta.bmp\n3.bmp\ta.bmp\n4.bmp\ta.bmp\n5.bmp\ta.bmp\n");
    form->LoadRowsClick();
    QTRY_VERIFY(!form->rowsReading());
    QCOMPARE(form->T2Edit4From->text(), QString("4.bmp"));
    QVERIFY(messages.boxes.back().second.contains("5 行あります"));
    // A row whose 変換元 repeats an earlier row's is marked and says which; the run stays allowed.
    form->T2Edit3From->setText("1.bmp");
    QCOMPARE(form->GroupBox3->property("rowState").toString(), QString("repeats"));
    QVERIFY(form->GroupBox3->toolTip().startsWith("変換１と同じ変換元です"));
    QCOMPARE(form->GroupBox4->property("rowState").toString(), QString("notFound"));  // used, the scenario lacks 4.bmp
    QVERIFY(form->t0ButtonExecute->isEnabled());
}

// Counts that tell the kinds apart: a swap of any two would show.
void DailyUseTest::theReportSaysHowARunEnded() {
    RunReportPage page;
    page.startRun(RunReportPage::RunHead{"/s/Summary.wsm", "/out", {"変換１\ta.bmp\tb.bmp"}});
    const auto report = [](FileReport::Kind kind, const char* name, const char* reason = "") {
        FileReport made;
        made.kind = kind;
        made.name = name;
        made.path = std::string("/s/") + name;
        made.reason = reason;
        return made;
    };
    FileReport kept = report(FileReport::Kind::AlreadyThere, "x.bmp");
    kept.differs = true;
    page.addFiles({report(FileReport::Kind::Copied, "c.bmp"), kept,
                   report(FileReport::Kind::NotCopied, "n.bmp", "リンク先がありません"),
                   report(FileReport::Kind::Failed, "f.wid", "データが3バイトで終わっています")});
    RunOutcome outcome;
    outcome.started = true;
    outcome.stopped = true;
    outcome.lastStage = RunStage::RewritingDataFiles;
    outcome.stageDone = 1441;
    outcome.stageCount = 3000;
    outcome.failedFiles = 2;
    outcome.unopenedFiles = 1;
    outcome.notCopiedFiles = 4;
    outcome.keptDifferentFiles = 5;
    outcome.usedRows = 1;
    outcome.rowTotals = {{18, 17}};
    outcome.someNamesUncounted = true;
    page.finishRun(outcome);
    QCOMPARE(page.RowTotals->text(), QString("変換１: 18箇所（17ファイル）\n中止しました\n"
                                             "データファイル 3000件中 1441件まで変換して中止しました。残りは変換していません\n"
                                             "変換できなかったデータファイルが 3件あります\n"
                                             "コピーできなかったファイルが 4件あります\n"
                                             "出力先にあった内容の違うファイル 5件をそのまま残しました（要確認）"));
    QCOMPARE(page.ReportSummary->text(), QString("4件：変換済み 0、コピー 1、問題 2、要確認 1"));
    QCOMPARE(page.reasonOf("n.bmp"), QString("リンク先がありません"));
    QVERIFY(page.reasonOf("c.bmp").isEmpty());
    const QString text = page.text();
    QVERIFY(text.startsWith("シナリオ\t" + QDir::toNativeSeparators("/s/Summary.wsm") + "\n出力先\t" +
                            QDir::toNativeSeparators("/out") + "\n変換１\ta.bmp\tb.bmp\n日時\t"));
    QVERIFY(text.contains("\nそのまま（要確認）\tx.bmp\t"));
    // Stopped while copying: nothing converted, said so.
    outcome.lastStage = RunStage::CopyingOtherFiles;
    outcome.stageDone = 7;
    outcome.stageCount = 9;
    QVERIFY(runEndNotes(runEndOf(outcome)).front().startsWith("ファイルのコピー中に中止しました（9件中 7件まで）"));
}

}  // namespace celshift::test
