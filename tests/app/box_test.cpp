#include "box_test.h"

#include <atomic>
#include <memory>
#include <thread>

#include <QDir>
#include <QFileDialog>
#include <QFontMetrics>
#include <QLabel>
#include <QTabBar>
#include <QTabWidget>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QMessageBox>

#include "app/Errordialog.h"
#include "app/Main.h"
#include "app/box_messages.h"
#include "app/run_report_page.h"
#include "box_answerer.h"
#include "window_test_support.h"
#include "platform/name_rules.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

using Shown = std::vector<std::pair<QString, QString>>;

Shown captionsAndTexts(const BoxAnswerer& answerer) {
    Shown shown;
    for (const auto& box : answerer.seen) shown.emplace_back(box.caption, box.text);
    return shown;
}

// The room a title bar needs besides its caption: an icon and three buttons of at least 24 pixels, and margins.
constexpr int kTitleBarButtonsAndIcon = 4 * 24 + 16;

int captionWidth(const QString& caption) {
    QFont font = QApplication::font();
    font.setBold(true);
    return QFontMetrics(font).horizontalAdvance(caption);
}

}  // namespace

void BoxTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void BoxTest::cleanup() {
    ErrorFm = nullptr;
    delete folder;
    folder = nullptr;
}

// The steps that hung the program for good: a damaged data file and a copy that cannot be opened, answered with
// Enter as they come. Every box must come up on the GUI thread over the window, in the run's order.
void BoxTest::aRunWithFailingDataFilesShowsEveryBoxInOrderOverTheWindowAndEnds() {
    const Watchdog watchdog("a run with real boxes", std::chrono::seconds(60));
    const QString scenario = folder->path() + "/scenario";
    const QString output = folder->path() + "/out";
    QVERIFY(QDir().mkpath(scenario));
    QVERIFY(QDir().mkpath(output + "/other.wid"));  // a folder where other.wid's copy should go
    writeFile(scenario + "/Summary.wsm", "summary");
    writeFile(scenario + "/map.wid", cellDataFile(kCellBmp932));
    writeFile(scenario + "/other.wid", cellDataFile("keep.bmp"));
    writeFile(scenario + "/Zz.wid", cellDataFile("keep.bmp").left(20));  // ends inside its header

    auto form = std::make_unique<TForm1>((folder->path() + "/celshift.ini").toStdString());
    TErrorFm errorFm(form.get());
    ErrorFm = &errorFm;
    form->setOutputFolder(output.toStdString());
    form->setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(scenario + "/Summary.wsm"); });
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    form->T2Edit1From->setText("セル.bmp");
    form->T2Edit1To->setText("画像.jpg");

    BoxAnswerer answerer;
    answerer.takeReport = true;
    // While a box about one file is up, the label beside the progress bar names that file.
    QStringList labelAtBox;
    answerer.onShown = [&](const BoxAnswerer::Seen& box) { labelAtBox << box.caption + ":" + form->RunFileLabel->toolTip(); };
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form->runInProgress(), 30000);

    QCOMPARE(captionsAndTexts(answerer), (Shown{{"第一段階", "コピー完了"},
                                                {"画像置換", "1個のファイルを置換します"},
                                                {"ErrorFm", QString::fromStdString(joinPath(output.toStdString(), "other.wid"))},
                                                {"失敗", "Zz.wid"},
                                                {"情報", "完了"}}));
    for (const auto& box : answerer.seen) {
        QVERIFY2(box.onGuiThread, qPrintable(box.caption));
        QCOMPARE(box.parent, form.get());
        QVERIFY2(box.centredOverParent, qPrintable(box.caption));
    }
    QVERIFY2(labelAtBox.contains("ErrorFm:other.wid"), qPrintable(labelAtBox.join(" | ")));
    QVERIFY(labelAtBox.contains("失敗:Zz.wid"));
    // The last box offered the report, and took the user there: the failure with its reason, the copy that could
    // not be opened with its path.
    QVERIFY(answerer.seen.back().offersReport);
    QCOMPARE(form->PageControl->currentWidget(), form->ReportPage);
    const QString report = form->ReportPage->text(true);
    QVERIFY2(report.contains("失敗\tZz.wid\tデータが20バイトで終わっています"), qPrintable(report));
    QVERIFY2(report.contains("開けません\tother.wid\t" + QDir::toNativeSeparators(output + "/other.wid")), qPrintable(report));
    // Nothing of it was written: the output holds no such file (a folder stands in its way).
    QVERIFY2(report.contains(QRegularExpression("開けません\tother.wid\t[^\n]*。出力先にはありません\n")), qPrintable(report));
    QVERIFY(!report.contains("map.wid"));
    QVERIFY(form->ReportPage->text().contains("変換済み\tmap.wid\t1箇所を置換（変換１: 1箇所）"));
    QVERIFY(form->lastOutcome().has_value());
    QCOMPARE(form->lastOutcome()->failedFiles, 1);
    QCOMPARE(form->lastOutcome()->unopenedFiles, 1);
    QCOMPARE(readFile(output + "/map.wid"), cellDataFile(kImageJpg932));
    // The window is ready for the next run.
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QVERIFY(form->T2Edit1From->isEnabled());
}

void BoxTest::escClosesEveryBoxTheLastWithItsReportOfferToo() {
    const Watchdog watchdog("boxes closed with Esc", std::chrono::seconds(60));
    const QString scenario = folder->path() + "/scenario";
    QVERIFY(QDir().mkpath(scenario));
    QVERIFY(QDir().mkpath(folder->path() + "/out"));
    writeFile(scenario + "/Summary.wsm", "summary");
    writeFile(scenario + "/Zz.wid", cellDataFile("keep.bmp").left(20));
    TForm1 form((folder->path() + "/celshift.ini").toStdString());
    form.setOutputFolder((folder->path() + "/out").toStdString());
    form.setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(scenario + "/Summary.wsm"); });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.t0ButtonSource, Qt::LeftButton);

    BoxAnswerer answerer;
    answerer.escape = true;
    QTest::mouseClick(form.t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress(), 30000);
    QCOMPARE(captionsAndTexts(answerer).back(), (std::pair<QString, QString>("情報", "完了")));
    QVERIFY(answerer.seen.back().offersReport);
    QVERIFY(form.PageControl->currentWidget() != form.ReportPage);
}

// SIGTERM, SIGHUP or Ctrl+C in the terminal while a box of the run is up: the box goes, the run stops after its
// files in work without another box, the window closes and writes its settings. Nothing is left half-written.
void BoxTest::aRequestToEndClosesTheBoxAndTheWindowOnceTheRunHasStopped() {
    const Watchdog watchdog("a request to end during a run", std::chrono::seconds(60));
    const QString scenario = folder->path() + "/scenario";
    const QString output = folder->path() + "/out";
    QVERIFY(QDir().mkpath(scenario));
    QVERIFY(QDir().mkpath(output));
    writeFile(scenario + "/Summary.wsm", "summary");
    for (int i = 0; i < 20; ++i) writeFile(scenario + QString("/map%1.wid").arg(i), cellDataFile(kCellBmp932));
    const QString settings = folder->path() + "/celshift.ini";
    TForm1 form(settings.toStdString());
    form.setOutputFolder(output.toStdString());
    form.setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(scenario + "/Summary.wsm"); });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.t0ButtonSource, Qt::LeftButton);
    form.T2Edit1From->setText("セル.bmp");
    form.T2Edit1To->setText("画像.jpg");

    QStringList boxes;
    bool requested = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(boxWaitingForAnswer());
        if (box == nullptr || !box->isVisible()) return;
        if (requested) {  // a box after the request: noted, and answered so that the test goes on
            boxes << box->text();
            box->button(QMessageBox::Ok)->click();
            return;
        }
        requested = true;
        boxes << box->text();
        form.closeOnStopRequest();
    });
    watch.start(10);
    QTest::mouseClick(form.t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress() && !form.isVisible(), 30000);
    QCOMPARE(boxes, QStringList{"コピー完了"});
    QVERIFY(QFile::exists(settings));
    for (const QString& name : QDir(output).entryList(QDir::Files | QDir::Hidden)) {
        QVERIFY2(!name.startsWith('.'), qPrintable(name));
        if (name.endsWith(".wid")) QCOMPARE(readFile(output + "/" + name), cellDataFile(kImageJpg932));
    }
}

// The title bar's × while a box of the run is up. Qt drops the close of a window that a modal box blocks: the box
// holds the window (a click into it does nothing) without being modal. The close asks; いいえ leaves the box up, the
// run waiting for it. With the run's last box up there is nothing left to stop: no question, the box and the window go.
void BoxTest::aCloseWhileABoxOfTheRunIsUpIsAskedAbout() {
    const Watchdog watchdog("a close while a box is up", std::chrono::seconds(60));
    const QString scenario = folder->path() + "/scenario";
    QVERIFY(QDir().mkpath(scenario));
    QVERIFY(QDir().mkpath(folder->path() + "/out"));
    writeFile(scenario + "/Summary.wsm", "summary");
    writeFile(scenario + "/map.wid", cellDataFile(kCellBmp932));
    const QString settings = folder->path() + "/celshift.ini";
    TForm1 form(settings.toStdString());
    form.setOutputFolder((folder->path() + "/out").toStdString());
    form.setSourceOpenRunner([&](QFileDialog&) { return std::optional<QString>(scenario + "/Summary.wsm"); });
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::mouseClick(form.t0ButtonSource, Qt::LeftButton);

    BoxAnswerer answerer;
    QStringList seen;  // what happened at each box, in order
    answerer.onShown = [&](const BoxAnswerer::Seen& box) {
        if (box.text == "コピー完了") {
            QTabBar* tabs = form.PageControl->tabBar();
            QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
            seen << QString("modal %1, page %2").arg(QApplication::activeModalWidget() != nullptr).arg(form.PageControl->currentIndex());
            BoxAnswerer questionAnswerer;
            questionAnswerer.questionAnswer = QMessageBox::No;
            seen << QString("closed %1").arg(form.close());
            for (const auto& question : questionAnswerer.seen) seen << question.text;
            const auto* up = qobject_cast<QMessageBox*>(boxWaitingForAnswer());
            seen << (up != nullptr ? up->text() : QString("no box"));
        } else if (box.text == "完了") {
            seen << QString("closed %1").arg(form.close());  // closes once the run has ended
        }
    };
    QTest::mouseClick(form.t0ButtonExecute, Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(!form.runInProgress() && !form.isVisible(), 30000);
    QCOMPARE(seen, (QStringList{"modal 0, page 0", "closed 0", "実行中です。中止して閉じますか？", "コピー完了", "closed 0"}));
    QCOMPARE(captionsAndTexts(answerer).back(), (std::pair<QString, QString>("情報", "完了")));
    QVERIFY(!form.lastOutcome()->stopped);
    QVERIFY(QFile::exists(settings));
}

void BoxTest::namesWithMarkupAreShownAsTyped() {
    const Watchdog watchdog("boxes with markup", std::chrono::seconds(60));
    QWidget window;
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    BoxMessages messages(&window);
    BoxAnswerer answerer;

    // From a thread of its own, as the run calls them, and on the GUI thread, as the window does.
    std::atomic<bool> done{false};
    std::thread run([&] {
        messages.showMessage("<b>太字</b>.wid", "失敗");
        messages.showErrorFm("/tmp/<i>斜体</i>&amp;.wid");
        done = true;
    });
    QTRY_VERIFY_WITH_TIMEOUT(done.load(), 30000);
    run.join();
    messages.showMessage("<font color=red>x</font>.wid", "失敗");

    QCOMPARE(captionsAndTexts(answerer), (Shown{{"失敗", "<b>太字</b>.wid"},
                                                {"ErrorFm", "/tmp/<i>斜体</i>&amp;.wid"},
                                                {"失敗", "<font color=red>x</font>.wid"}}));
    for (const auto& box : answerer.seen) {
        QCOMPARE(box.format, Qt::PlainText);
        QVERIFY(box.onGuiThread);
        QCOMPARE(box.parent, &window);
    }
}

void BoxTest::boxesAreWideEnoughForTheirCaptions() {
    const Watchdog watchdog("boxes with long captions", std::chrono::seconds(60));
    QWidget window;
    window.resize(400, 300);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    BoxMessages messages(&window);
    BoxAnswerer answerer;

    const QString longText = "1234個のファイルを置換します";
    messages.showMessage("完了", "情報");
    messages.showMessage("コピー完了", "第一段階");
    messages.showMessage(longText.toStdString(), "画像置換");
    messages.showMessage("x", "変更元シナリオと出力先が同じフォルダです");

    QCOMPARE(answerer.seen.size(), std::size_t{4});
    for (const auto& box : answerer.seen) {
        QVERIFY2(box.width >= captionWidth(box.caption) + kTitleBarButtonsAndIcon,
                 qPrintable(QString("%1: %2 pixels").arg(box.caption).arg(box.width)));
        QVERIFY(box.width > QFontMetrics(QApplication::font()).horizontalAdvance(box.text));
    }
}

}  // namespace celshift::test
