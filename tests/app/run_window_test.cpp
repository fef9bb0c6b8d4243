#include "run_window_test.h"

#include <condition_variable>
#include <memory>
#include <mutex>

#include <QAbstractItemView>
#include <QCompleter>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QTest>
#include <QScopeGuard>
#include <QTimer>

#include "app/Main.h"
#include "app/name_completer.h"
#include "box_answerer.h"
#include "platform/ini_file.h"
#include "run/conversion_run.h"
#include "run/run_texts.h"
#include "window_scenario.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

using Boxes = std::vector<std::pair<QString, QString>>;

// Records the run's messages on the run's thread, and holds the run at the box with one text until the test lets
// it go, so that the test can look at the window while the run waits.
class HoldingMessages : public RunMessages {
public:
    explicit HoldingMessages(QString holdAt = {}) : holdAt_(std::move(holdAt)) {}

    void showMessage(const std::string& text, const std::string& caption) override {
        std::unique_lock lock(mutex_);
        boxes_.emplace_back(QString::fromStdString(caption), QString::fromStdString(text));
        if (QString::fromStdString(text) != holdAt_) return;
        holding_ = true;
        released_.wait(lock, [this] { return !holding_; });
    }
    void showErrorFm(const std::string& path) override {
        const std::lock_guard lock(mutex_);
        boxes_.emplace_back("ErrorFm", QString::fromStdString(path));
    }

    bool holding() const {
        const std::lock_guard lock(mutex_);
        return holding_;
    }
    void release() {
        {
            const std::lock_guard lock(mutex_);
            holding_ = false;
            holdAt_.clear();
        }
        released_.notify_all();
    }
    Boxes boxes() const {
        const std::lock_guard lock(mutex_);
        return boxes_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable released_;
    QString holdAt_;
    bool holding_ = false;
    Boxes boxes_;
};

// Three data files: two that name common.bmp, one that names rare.bmp; and one other file.
Scenario makeScenario() {
    const Scenario s = makeScenarioFolders(folder->path());
    writeFile(s.folder + "/a.wid", cellDataFile("common.bmp"));
    writeFile(s.folder + "/b.wid", cellDataFile("rare.bmp"));
    writeFile(s.folder + "/c.wid", cellDataFile("common.bmp"));
    return s;
}

QString iniPath() { return folder->path() + "/celshift.ini"; }

std::unique_ptr<TForm1> openForm(const Scenario& scenario, RunMessages* messages) {
    return openFormOn(scenario, iniPath(), messages);
}

void waitForRun(const TForm1& form) { QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress(), 30000); }

QList<QLineEdit*> rowEdits(const TForm1& form) {
    return {form.T2Edit1From, form.T2Edit1To, form.T2Edit2From, form.T2Edit2To,
            form.T2Edit3From, form.T2Edit3To, form.T2Edit4From, form.T2Edit4To};
}

QString rowState(const QGroupBox* box) { return box->property("rowState").toString(); }

}  // namespace

void RunWindowTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void RunWindowTest::cleanup() {
    delete folder;
    folder = nullptr;
}

void RunWindowTest::theWindowStaysLiveDuringARunAndItsControlsWaitForIt() {
    const Watchdog watchdog("a held run", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    HoldingMessages messages("コピー完了");
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    QVERIFY(!form->RunPanel->isVisible());

    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(messages.holding(), 30000);

    // The run waits for its box, and the window still answers: timers fire, it resizes and repaints.
    bool timerFired = false;
    QTimer::singleShot(0, [&] { timerFired = true; });
    QTRY_VERIFY(timerFired);
    form->resize(520, 420);
    QTRY_COMPARE(form->size(), QSize(520, 420));
    QVERIFY(form->runInProgress());
    QVERIFY(form->RunPanel->isVisible());
    QVERIFY(form->RunCancel->isEnabled());
    QVERIFY(!form->t0ButtonSource->isEnabled());
    QVERIFY(!form->t0ButtonTarget->isEnabled());
    QVERIFY(!form->t0ButtonExecute->isEnabled());
    for (const QLineEdit* edit : rowEdits(*form)) QVERIFY(!edit->isEnabled());
    // A click that gets through anyway starts nothing.
    form->t0ButtonExecuteClick();
    form->t0ButtonSourceClick();

    messages.release();
    waitForRun(*form);
    QCOMPARE(messages.boxes(), (Boxes{{"第一段階", "コピー完了"}, {"画像置換", "0個のファイルを置換します"}, {"情報", "完了"}}));
    QVERIFY(!form->RunPanel->isVisible());
    QVERIFY(form->t0ButtonSource->isEnabled());
    QVERIFY(form->t0ButtonTarget->isEnabled());
    QVERIFY(form->t0ButtonExecute->isEnabled());
    for (const QLineEdit* edit : rowEdits(*form)) QVERIFY(edit->isEnabled());
}

void RunWindowTest::progressTellsDataFilesDoneOfAll() {
    const Watchdog watchdog("a run's progress", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    HoldingMessages messages("完了");
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("new.bmp");
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(messages.holding(), 30000);

    // At the last box every data file is done.
    QTRY_COMPARE(form->RunProgressBar->maximum(), 3);
    QTRY_COMPARE(form->RunProgressBar->value(), 3);
    QCOMPARE(form->RunProgressBar->text(), QString("3/3"));
    messages.release();
    waitForRun(*form);
    QVERIFY(!form->RunProgressBar->isVisible());
}

void RunWindowTest::cancelStopsTheRunAndLeavesNoFileHalfWritten() {
    const Watchdog watchdog("a cancelled run", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    HoldingMessages messages("1個のファイルを置換します");
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("new.bmp");
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(messages.holding(), 30000);

    QTest::mouseClick(form->RunCancel, Qt::LeftButton);
    QVERIFY(!form->RunCancel->isEnabled());
    messages.release();
    waitForRun(*form);

    QVERIFY(form->lastOutcome().has_value());
    QVERIFY(form->lastOutcome()->stopped);
    QCOMPARE(messages.boxes().back(), (std::pair<QString, QString>{"情報", "中止しました"}));
    // Whatever was written is whole.
    for (const QString name : {"a.wid", "c.wid"}) {
        const QString copy = scenario.output + "/" + name;
        if (QFileInfo::exists(copy)) QCOMPARE(readFile(copy), cellDataFile("new.bmp"));
    }
    const QString untouched = scenario.output + "/b.wid";
    if (QFileInfo::exists(untouched)) QCOMPARE(readFile(untouched), cellDataFile("rare.bmp"));
    QVERIFY(form->t0ButtonExecute->isEnabled());
}

void RunWindowTest::closingDuringARunAsksFirstAndClosesOnceTheRunHasEnded() {
    const Watchdog watchdog("closing during a run", std::chrono::seconds(60));
    const Scenario scenario = makeScenario();
    HoldingMessages messages("コピー完了");
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    int asked = 0;
    form->setCloseQuestion([&](QWidget*) {
        ++asked;
        return false;
    });
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(messages.holding(), 30000);

    // "No": the run goes on and the window stays.
    QVERIFY(!form->close());
    QCOMPARE(asked, 1);
    QVERIFY(form->isVisible());
    QVERIFY(form->RunCancel->isEnabled());

    // "Yes", in the real question box: the run is asked to stop, and the window closes once it has ended; the
    // settings are written then.
    form->setCloseQuestion(nullptr);
    BoxAnswerer answerer;
    answerer.questionAnswer = QMessageBox::Yes;
    QVERIFY(!form->close());
    QCOMPARE(answerer.seen.size(), std::size_t{1});
    QCOMPARE(answerer.seen[0].caption, QString("情報"));
    QCOMPARE(answerer.seen[0].parent, form.get());
    QVERIFY(form->isVisible());
    QVERIFY(!QFileInfo::exists(iniPath()));
    messages.release();
    waitForRun(*form);
    QTRY_VERIFY(!form->isVisible());
    QVERIFY(QFileInfo::exists(iniPath()));
    QCOMPARE(asked, 1);
    QVERIFY(form->lastOutcome()->stopped);
    QCOMPARE(messages.boxes().back(), (std::pair<QString, QString>{"情報", "中止しました"}));
}

void RunWindowTest::theOutputFolderIsChosenShownStoredAndUsed() {
    const Scenario scenario = makeScenario();
    const QString chosen = folder->path() + "/chosen";
    QVERIFY(QDir().mkpath(chosen));
    {
        // Without a stored folder the window shows the one beside the program.
        TForm1 fresh(iniPath().toStdString());
        QCOMPARE(fresh.TargetLine->text(), QDir::toNativeSeparators(QString::fromStdString(defaultOutputFolder())));
        QVERIFY(fresh.TargetLine->isReadOnly());
    }
    HoldingMessages messages;
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    QVERIFY(form->t0ButtonTarget->isEnabled());
    QStringList startedIn;
    std::optional<QString> answer;
    form->setTargetOpenRunner([&](QWidget* parent, const QString& start) {
        [&] { QCOMPARE(parent, form.get()); }();
        startedIn << start;
        return answer;
    });

    // Cancelled: nothing changes.
    QTest::mouseClick(form->t0ButtonTarget, Qt::LeftButton);
    QCOMPARE(form->TargetLine->text(), QDir::toNativeSeparators(scenario.output));

    answer = chosen;
    QTest::mouseClick(form->t0ButtonTarget, Qt::LeftButton);
    QCOMPARE(startedIn, (QStringList{scenario.output, scenario.output}));
    QCOMPARE(form->TargetLine->text(), QDir::toNativeSeparators(chosen));
    QCOMPARE(form->TargetLine->toolTip(), QDir::toNativeSeparators(chosen));
    QCOMPARE(QString::fromStdString(form->outputFolder()), chosen);

    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("new.bmp");
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    waitForRun(*form);
    QCOMPARE(readFile(chosen + "/a.wid"), cellDataFile("new.bmp"));
    QVERIFY(!QFileInfo::exists(scenario.output + "/a.wid"));
    QVERIFY(form->close());
    QCOMPARE(QString::fromStdString(IniFile(iniPath().toStdString()).readString("PATH", "Target", "")),
             QDir::toNativeSeparators(chosen));

    // The next start uses it.
    const TForm1 again(iniPath().toStdString());
    QCOMPARE(QString::fromStdString(again.outputFolder()), QDir::toNativeSeparators(chosen));
    QCOMPARE(again.TargetLine->text(), QDir::toNativeSeparators(chosen));
}

void RunWindowTest::theChosenScenarioIsShown() {
    TForm1 form(iniPath().toStdString());
    QVERIFY(form.SourceLine->text().isEmpty());
    QVERIFY(form.SourceLine->isReadOnly());
    const QString summary = folder->path() + "/a very long folder name that does not fit/Summary.wsm";
    form.setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(summary); });
    form.t0ButtonSourceClick();
    QCOMPARE(form.SourceLine->text(), QDir::toNativeSeparators(summary));
    QCOMPARE(form.SourceLine->toolTip(), QDir::toNativeSeparators(summary));
}

void RunWindowTest::rowsAreMarkedAsTheyAreTyped() {
    TForm1 form(iniPath().toStdString());
    QCOMPARE(rowState(form.GroupBox1), QString("empty"));
    QCOMPARE(rowState(form.GroupBox2), QString("notUsed"));

    form.T2Edit1From->setText("a.bmp");
    form.T2Edit1To->setText("b.txt");  // no image extension
    form.T2Edit2From->setText("c.bmp");
    form.T2Edit2To->setText("d.bmp");
    QCOMPARE(rowState(form.GroupBox1), QString("invalid"));
    QCOMPARE(form.GroupBox1->toolTip(), QString(texts::kRowNoImageExtension));
    QCOMPARE(form.T2Edit1To->toolTip(), form.GroupBox1->toolTip());
    QCOMPARE(rowState(form.GroupBox2), QString("notUsed"));
    QCOMPARE(rowState(form.GroupBox3), QString("notUsed"));

    form.T2Edit1To->setText("b.jpg");
    QCOMPARE(rowState(form.GroupBox1), QString("used"));
    QVERIFY(form.GroupBox1->toolTip().isEmpty());
    QCOMPARE(rowState(form.GroupBox2), QString("used"));
    QCOMPARE(rowState(form.GroupBox3), QString("empty"));

    // A character code page 932 cannot hold, and a name over 255 bytes.
    form.T2Edit2To->setText("\U0001F600.bmp");
    QCOMPARE(rowState(form.GroupBox2), QString("invalid"));
    QCOMPARE(form.GroupBox2->toolTip(), QString(texts::kRowNotCodePage932));
    form.T2Edit2To->setText(QString(252, 'x') + ".bmp");
    QCOMPARE(rowState(form.GroupBox2), QString("invalid"));
    QCOMPARE(form.GroupBox2->toolTip(), QString(texts::kRowTooLong));
    form.T2Edit2To->setText(QString(251, 'x') + ".bmp");
    QCOMPARE(rowState(form.GroupBox2), QString("used"));

    // A row below an empty row is not used, valid or not.
    form.T2Edit2From->clear();
    form.T2Edit2To->clear();
    form.T2Edit3From->setText("e.bmp");
    form.T2Edit3To->setText("f.bmp");
    QCOMPARE(rowState(form.GroupBox2), QString("empty"));
    QCOMPARE(rowState(form.GroupBox3), QString("notUsed"));
    QVERIFY(!form.GroupBox3->toolTip().isEmpty());
}

void RunWindowTest::theScanOffersTheScenariosNamesAndMarksNamesItLacks() {
    const Scenario scenario = makeScenario();
    writeFile(scenario.folder + "/d.wid", cellDataFile("common.bmp").left(30));  // a damaged file does not stop it
    // Fields without the closing zero byte, with a second zero, with a byte that is no character: each offered in
    // its written form, which matches that field alone, except the one with a second zero (no image extension).
    QByteArray unmatchable = cellDataFile("x");
    unmatchable.replace(QByteArray("\x02\x00\x00\x00x\x00", 6), QByteArray("\x08\x00\x00\x00rare.bmp", 12));
    writeFile(scenario.folder + "/e.wid", unmatchable);
    writeFile(scenario.folder + "/f.wid", cellDataFile(QByteArray("rare.bmp\0", 9)));
    writeFile(scenario.folder + "/g.wid", cellDataFile("\xFF.bmp"));
    HoldingMessages messages;
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    QTRY_VERIFY_WITH_TIMEOUT(form->scenarioScan() != nullptr, 30000);
    QVERIFY(!form->scanInProgress());
    QCOMPARE(form->scenarioScan()->names.size(), std::size_t{5});

    // Most frequent first.
    for (QLineEdit* edit : {form->T2Edit1From, form->T2Edit2From, form->T2Edit3From, form->T2Edit4From}) {
        const NameCompleter* completer = completerOf(edit);
        QVERIFY(completer != nullptr);
        QCOMPARE(completer->offered(), (QStringList{"common.bmp", "rare.bmp∅", "rare.bmp", "\\xFF.bmp"}));
    }

    form->T2Edit1From->setText("rare.bmp");
    form->T2Edit1To->setText("x.bmp");
    form->T2Edit2From->setText("absent.bmp");
    form->T2Edit2To->setText("y.bmp");
    QCOMPARE(rowState(form->GroupBox1), QString("used"));
    QCOMPARE(rowState(form->GroupBox2), QString("notFound"));
    QCOMPARE(form->GroupBox2->toolTip(), QString("見つかりません"));
    QCOMPARE(form->T2Edit2From->toolTip(), QString("見つかりません"));
    // A name the scenario holds, typed with another case, is not found either: names match byte for byte.
    form->T2Edit1From->setText("RARE.bmp");
    QCOMPARE(rowState(form->GroupBox1), QString("notFound"));
    // The run is still allowed.
    QVERIFY(form->t0ButtonExecute->isEnabled());
}

void RunWindowTest::afterARunEachRowTellsWhatItReplacedUntilTheRowsChange() {
    const Scenario scenario = makeScenario();
    HoldingMessages messages;
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("new.bmp");
    form->T2Edit2From->setText("absent.bmp");
    form->T2Edit2To->setText("y.bmp");
    for (const QLabel* summary : form->RowSummary) QVERIFY(!summary->isVisible());
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    waitForRun(*form);

    QVERIFY(form->RowSummary[0]->isVisible());
    QCOMPARE(form->RowSummary[0]->text(), QString("変換１: 2箇所（2ファイル）"));
    QVERIFY(form->RowSummary[1]->isVisible());
    QCOMPARE(form->RowSummary[1]->text(), QString("変換２: 0箇所（見つかりません）"));
    QVERIFY(!form->RowSummary[2]->isVisible());
    QVERIFY(!form->RowSummary[3]->isVisible());
    // The boxes are those of every run.
    QCOMPARE(messages.boxes(), (Boxes{{"第一段階", "コピー完了"}, {"画像置換", "2個のファイルを置換します"}, {"情報", "完了"}}));

    // A changed row makes them stale.
    form->T2Edit3From->setText("z");
    for (const QLabel* summary : form->RowSummary) QVERIFY(!summary->isVisible());

    // So does another scenario.
    form->T2Edit3From->clear();
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    waitForRun(*form);
    QVERIFY(form->RowSummary[0]->isVisible());
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QVERIFY(!form->RowSummary[0]->isVisible());
}

void RunWindowTest::aLeftoverPopupOfTheDialogIsClosed() {
    const Scenario scenario = makeScenario();
    HoldingMessages messages;
    auto form = openForm(scenario, &messages);
    // A failed check must not leave the run held while the window goes away.
    const auto releaseAtEnd = qScopeGuard([&] { messages.release(); });
    QWidget* popup = nullptr;
    form->setSourceOpenRunner([&](QFileDialog& dialog) {
        // What a typed path and Enter leave behind: the completion list of the dialog's name field.
        dialog.show();
        auto* edit = dialog.findChild<QLineEdit*>("fileNameEdit");
        popup = edit != nullptr && edit->completer() != nullptr ? edit->completer()->popup() : nullptr;
        if (popup != nullptr) popup->show();
        dialog.hide();
        return std::optional<QString>(scenario.summary);
    });
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QVERIFY(popup != nullptr);
    QVERIFY(!popup->isVisible());
    QCOMPARE(QApplication::activePopupWidget(), nullptr);

    // The next click reaches the window.
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    waitForRun(*form);
    QVERIFY(!messages.boxes().empty());
}

}  // namespace celshift::test
