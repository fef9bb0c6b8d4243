#include "window_test.h"

#include <memory>
#include <stdexcept>

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTreeWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/Errordialog.h"
#include "app/Main.h"
#include "app/fitted_text.h"
#include "app/fonts.h"
#include "app/names_panel.h"
#include "app/Numdialog.h"
#include "app/run_report_page.h"
#include "app/settings_location.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;
std::unique_ptr<TForm1> form;

std::unique_ptr<TForm1> makeForm() {
    return std::make_unique<TForm1>((folder->path() + "/celshift.ini").toStdString());
}

template <typename T>
T* named(const char* name) {
    return form->findChild<T*>(name);
}

}  // namespace

void WindowTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
    form = makeForm();
}

void WindowTest::cleanup() {
    form.reset();
    delete folder;
    folder = nullptr;
}

void WindowTest::controlsHaveTheirNamesCaptionsAndPlaces() {
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QCOMPARE(form->windowTitle(), QString("Celshift"));
    QCOMPARE(form->objectName(), QString("Form1"));

    QCOMPARE(named<QFrame>("Panel1"), form->Panel1);
    QCOMPARE(form->Panel1->frameShape(), QFrame::NoFrame);
    QCOMPARE(form->Panel1->geometry(), QRect(0, 0, form->width(), 25));

    const struct {
        const char* name;
        QPushButton* button;
        QString caption;
        QRect place;
    } buttons[] = {
        {"t0ButtonSource", form->t0ButtonSource, "シナリオを選択", {0, 0, 105, 25}},
        {"t0ButtonTarget", form->t0ButtonTarget, "出力先を選択", {104, 0, 105, 25}},
        {"t0ButtonExecute", form->t0ButtonExecute, "実行", {208, 0, 75, 25}},
    };
    for (const auto& b : buttons) {
        QCOMPARE(named<QPushButton>(b.name), b.button);
        QCOMPARE(b.button->parentWidget(), form->Panel1);
        QCOMPARE(b.button->text(), b.caption);
        QCOMPARE(b.button->geometry(), b.place);
    }

    QCOMPARE(named<QTabWidget>("PageControl"), form->PageControl);
    QCOMPARE(named<QWidget>("TabSheet2"), form->TabSheet2);
    QCOMPARE(form->PageControl->count(), 3);
    QCOMPARE(form->PageControl->currentWidget(), form->TabSheet2);
    QCOMPARE(form->PageControl->tabText(0), QString("セル画像置換"));
    QCOMPARE(form->PageControl->tabText(1), QString("画像一覧"));
    QCOMPARE(form->PageControl->tabText(2), QString("結果"));
    QCOMPARE(form->PageControl->geometry().top(), 25);

    const struct {
        QGroupBox* box;
        const char* name;
        QString title;
        int y;
        QLineEdit* from;
        const char* fromName;
        QLineEdit* to;
        const char* toName;
        QLabel* arrow;
        const char* arrowName;
    } rows[] = {
        {form->GroupBox1, "GroupBox1", "変換１", 16, form->T2Edit1From, "T2Edit1From", form->T2Edit1To, "T2Edit1To",
         form->Label2, "Label2"},
        {form->GroupBox2, "GroupBox2", "変換２", 80, form->T2Edit2From, "T2Edit2From", form->T2Edit2To, "T2Edit2To",
         form->Label3, "Label3"},
        {form->GroupBox3, "GroupBox3", "変換３", 144, form->T2Edit3From, "T2Edit3From", form->T2Edit3To, "T2Edit3To",
         form->Label4, "Label4"},
        {form->GroupBox4, "GroupBox4", "変換４", 208, form->T2Edit4From, "T2Edit4From", form->T2Edit4To, "T2Edit4To",
         form->Label5, "Label5"},
    };
    for (const auto& row : rows) {
        QCOMPARE(named<QGroupBox>(row.name), row.box);
        QCOMPARE(row.box->parentWidget(), form->TabSheet2);
        QCOMPARE(row.box->title(), row.title);
        QCOMPARE(row.box->geometry(), QRect(8, row.y, 385, 57));

        QCOMPARE(named<QLineEdit>(row.fromName), row.from);
        QCOMPARE(named<QLineEdit>(row.toName), row.to);
        QCOMPARE(row.from->parentWidget(), row.box);
        QCOMPARE(row.to->parentWidget(), row.box);
        QCOMPARE(row.from->geometry(), QRect(16, 30, 129, 20));
        QCOMPARE(row.to->geometry(), QRect(224, 30, 129, 20));

        // Each edit's caption sits above it, 3 pixels apart.
        const auto* fromLabel = row.box->findChild<QLabel*>(QString(row.fromName) + "Label");
        const auto* toLabel = row.box->findChild<QLabel*>(QString(row.toName) + "Label");
        QVERIFY(fromLabel != nullptr && toLabel != nullptr);
        QCOMPARE(fromLabel->text(), QString("変換元ファイル名"));
        QCOMPARE(toLabel->text(), QString("変換先ファイル名"));
        QCOMPARE(fromLabel->buddy(), row.from);
        QCOMPARE(toLabel->buddy(), row.to);
        QCOMPARE(fromLabel->x(), 16);
        QCOMPARE(toLabel->x(), 224);
        QCOMPARE(fromLabel->geometry().bottom() + 1 + 3, 30);
        QCOMPARE(toLabel->geometry().bottom() + 1 + 3, 30);

        QCOMPARE(named<QLabel>(row.arrowName), row.arrow);
        QCOMPARE(row.arrow->parentWidget(), row.box);
        QCOMPARE(row.arrow->text(), QString("> > > > >"));
        QCOMPARE(row.arrow->pos(), QPoint(160, 35));
    }

    QCOMPARE(named<QFileDialog>("SourceOpen"), form->SourceOpen);
    QVERIFY(form->t0FileList != nullptr);
}

void WindowTest::startsWithExecuteDisabledUntilAScenarioIsChosen() {
    QVERIFY(form->t0ButtonSource->isEnabled());
    QVERIFY(form->t0ButtonTarget->isEnabled());
    QVERIFY(!form->t0ButtonExecute->isEnabled());
    for (QLineEdit* edit : {form->T2Edit1From, form->T2Edit1To, form->T2Edit2From, form->T2Edit2To, form->T2Edit3From,
                            form->T2Edit3To, form->T2Edit4From, form->T2Edit4To}) {
        QVERIFY(edit->isEnabled());
        QVERIFY(!edit->isReadOnly());
        QVERIFY(edit->text().isEmpty());
        QCOMPARE(edit->maxLength(), 500);
        // The limit cuts typed text off at 500 characters, Japanese ones too.
        edit->setText(QString(600, QChar(0x5909)));
        QCOMPARE(edit->text().size(), 500);
    }
    QVERIFY(form->sourceFile().isEmpty());
}

void WindowTest::scenarioDialogIsSetUpForSummaryFiles() {
    const QFileDialog* dialog = form->SourceOpen;
    QCOMPARE(dialog->windowTitle(), QString("変更元シナリオを選択"));
    QCOMPARE(dialog->nameFilters(), QStringList{"シナリオファイル(Summary.wsm)"});
    QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
    QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
    QVERIFY(dialog->isSizeGripEnabled());
    QVERIFY(!dialog->isVisible());
}

void WindowTest::keyboardOrderRunsFromThePagesThroughTheRowsToTheButtons() {
    QWidget* const pages = form->PageControl->focusProxy() != nullptr ? form->PageControl->focusProxy()
                                                                      : form->PageControl;
    const QList<QWidget*> expected{pages,           form->T2Edit1From,   form->T2Edit1To,     form->T2Edit2From,
                                   form->T2Edit2To, form->T2Edit3From,   form->T2Edit3To,     form->T2Edit4From,
                                   form->T2Edit4To, form->t0ButtonSource, form->t0ButtonTarget, form->t0ButtonExecute};
    // The order in which Tab visits them: the focus chain, from the pages on, keeping only these controls.
    QList<QWidget*> visited;
    QWidget* widget = pages;
    do {
        if (expected.contains(widget) && !visited.contains(widget)) visited << widget;
        widget = widget->nextInFocusChain();
    } while (widget != pages && visited.size() < expected.size());
    QCOMPARE(visited, expected);
}

void WindowTest::everyTextHasAFontThatDrawsIt() {
    // Not one character of a caption may fall back to an empty box.
    const auto drawsAll = [](const QWidget* widget, const QString& text) {
        const QFontMetrics metrics(widget->font());
        for (const QChar c : text) {
            if (!metrics.inFont(c)) return false;
        }
        return true;
    };
    // The offscreen plugin knows no fonts of a Windows system: there the packed program's screenshot, taken
    // with the windows plugin, shows the texts.
    if (QFontDatabase::families().isEmpty()) QSKIP("this platform plugin lists no fonts");
    QVERIFY(drawsAll(form->t0ButtonSource, form->t0ButtonSource->text()));
    QVERIFY(drawsAll(form->t0ButtonTarget, form->t0ButtonTarget->text()));
    QVERIFY(drawsAll(form->t0ButtonExecute, form->t0ButtonExecute->text()));
    QVERIFY(drawsAll(form->PageControl->tabBar(), form->PageControl->tabText(0)));
    for (QGroupBox* box : {form->GroupBox1, form->GroupBox2, form->GroupBox3, form->GroupBox4}) {
        QVERIFY(drawsAll(box, box->title()));
        for (const QLabel* label : box->findChildren<QLabel*>()) QVERIFY(drawsAll(label, label->text()));
        for (const QLineEdit* edit : box->findChildren<QLineEdit*>()) {
            QVERIFY(drawsAll(edit, "セル画像ソ表～①髙.bmp"));
            QVERIFY(drawsUnderscore(edit->font()));  // file names such as cell_red.bmp
            QCOMPARE(edit->font().pixelSize(), 12);
        }
    }
    QCOMPARE(form->font().pixelSize(), 12);
    QVERIFY(drawsAll(form->SourceOpen, form->SourceOpen->windowTitle()));
}

// A larger window gives its width to the edits and the path lines, and its height to the other pages; the bar
// stays on top with its buttons where they were, and the smallest window is the designed one again.
void WindowTest::resizingGrowsTheEditsAndThePagesAndKeepsTheBarOnTop() {
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    const auto widths = [] {
        return QList<int>{form->T2Edit1From->width(), form->T2Edit4To->width(), form->SourceLine->width(),
                          form->TargetLine->width(), form->GroupBox4->width()};
    };
    const QList<int> designed = widths();
    form->resize(416 + 200, 352 + 120);
    QTRY_COMPARE(form->Panel1->geometry(), QRect(0, 0, 616, 25));
    QTRY_COMPARE(form->PageControl->geometry(), QRect(0, 25, 616, 447));
    QTRY_COMPARE(form->GroupBox4->width(), 385 + 200);
    const QList<int> grown = widths();
    for (int i = 0; i < designed.size(); ++i) QVERIFY2(grown[i] >= designed[i] + 100, qPrintable(QString::number(i)));
    // Nothing overlaps: the To edit lies right of the From edit, its picture button inside the group box.
    QVERIFY(form->T2Edit1To->x() > form->T2Edit1From->geometry().right());
    QVERIFY(form->PictureButtons[0]->geometry().right() < form->GroupBox1->width());
    QVERIFY(form->TargetLine->x() > form->SourceLine->geometry().right());
    QCOMPARE(form->t0ButtonExecute->geometry(), QRect(208, 0, 75, 25));
    // The report fills its page.
    form->PageControl->setCurrentWidget(form->ReportPage);
    QTRY_VERIFY(form->ReportPage->ReportList->height() >= form->PageControl->height() - 120);
    form->PageControl->setCurrentWidget(form->TabSheet2);

    const int tabs = form->PageControl->tabBar()->width();
    form->resize(416, 352);
    QTRY_COMPARE(widths(), designed);
    QCOMPARE(form->GroupBox4->geometry(), QRect(8, 208, 385, 57));
    // Every page's tab is still there, whole, in a window made small again.
    QCOMPARE(form->PageControl->tabBar()->width(), tabs);
    QVERIFY(form->PageControl->tabBar()->width() >= form->PageControl->tabBar()->sizeHint().width());
}

// At the designed size the pages' summaries break between their counts, never inside a word ("変換済" / "み"), the
// names page's count stays whole on its first line, and a path too long for its line keeps its beginning and its
// end in sight.
void WindowTest::atTheSmallestSizeTextsBreakBetweenWordsAndPathsKeepTheirEnds() {
    const QString scenario = folder->path() + "/a scenario folder whose name is far too long for its line";
    QVERIFY(QDir().mkpath(scenario));
    writeFile(scenario + "/Summary.wsm", "summary");
    for (int i = 0; i < 12; ++i) writeFile(scenario + QString("/map%1.wid").arg(i), cellDataFile(QByteArray::number(i) + ".bmp"));
    writeFile(scenario + "/cut.wid", cellDataFile("x.bmp").left(20));  // not read whole
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QVERIFY(form->chooseScenario(scenario + "/Summary.wsm", false));
    QTRY_VERIFY_WITH_TIMEOUT(!form->scanInProgress() && !form->NamesPage->loading(), 30000);
    std::vector<FileReport> reports(13);
    for (std::size_t i = 0; i < reports.size(); ++i) {
        reports[i].name = "file" + std::to_string(i) + ".wid";
        reports[i].kind = i < 8 ? FileReport::Kind::Converted : i < 10 ? FileReport::Kind::Copied : FileReport::Kind::Failed;
    }
    reports.back().kind = FileReport::Kind::AlreadyThere;
    reports.back().differs = true;
    form->ReportPage->startRun(folder->path());
    form->ReportPage->addFiles(reports);
    RunOutcome outcome;
    outcome.started = true;
    form->ReportPage->finishRun(outcome);
    form->resize(416, 352);

    const auto breaksBetweenWords = [](QLabel* label, const QString& firstWhole) {
        const auto* parts = dynamic_cast<PartsLabel*>(label);
        QVERIFY(parts != nullptr);
        const QStringList lines = parts->shownLines();
        QVERIFY2(lines.size() >= 2, qPrintable(lines.join('|')));  // too long for one line here
        QCOMPARE(lines.join(QString()), label->text());          // nothing elided
        QVERIFY2(lines.front().startsWith(firstWhole), qPrintable(lines.join('|')));
        for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
            const bool betweenWords = QStringLiteral("、。：・").contains(lines[i].back()) || lines[i + 1].startsWith(u'（');
            QVERIFY2(betweenWords, qPrintable(lines.join('|')));
        }
        for (const QString& line : lines) QVERIFY(label->fontMetrics().horizontalAdvance(line) <= label->contentsRect().width());
    };
    form->PageControl->setCurrentWidget(form->ReportPage);
    QTRY_COMPARE(form->ReportPage->ReportSummary->text(), QString("13件：変換済み 8、コピー 2、問題 2、要確認 1"));
    breaksBetweenWords(form->ReportPage->ReportSummary, "13件：");
    form->PageControl->setCurrentWidget(form->NamesPage);
    QTRY_VERIFY(form->NamesPage->NamesSummary->text().contains("ファイルなし 12 件"));
    breaksBetweenWords(form->NamesPage->NamesSummary, "画像名 12 件");

    form->PageControl->setCurrentWidget(form->TabSheet2);
    const auto* path = dynamic_cast<PathLine*>(form->SourceLine);
    QVERIFY(path != nullptr);
    const QString whole = QDir::toNativeSeparators(scenario + "/Summary.wsm");
    QCOMPARE(path->text(), whole);
    const QString shown = path->shownText();
    QVERIFY2(shown.startsWith(whole.left(4)) && shown.endsWith(whole.right(4)) && shown.contains(u'…'), qPrintable(shown));
    QVERIFY(path->fontMetrics().horizontalAdvance(shown) < path->width());
}

void WindowTest::choosingAScenarioEnablesExecuteAndCancellingKeepsTheState() {
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    std::optional<QString> answer;
    int shown = 0;
    form->setSourceOpenRunner([&](QFileDialog& dialog) {
        ++shown;
        [&] { QCOMPARE(&dialog, form->SourceOpen); }();
        return answer;
    });

    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QCOMPARE(shown, 1);
    QVERIFY(!form->t0ButtonExecute->isEnabled());
    QVERIFY(form->sourceFile().isEmpty());

    answer = "/games/first/Summary.wsm";
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QCOMPARE(form->sourceFile(), QString("/games/first/Summary.wsm"));

    answer.reset();
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QCOMPARE(form->sourceFile(), QString("/games/first/Summary.wsm"));

    answer = "/games/second/Summary.wsm";
    QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QCOMPARE(form->sourceFile(), QString("/games/second/Summary.wsm"));
    QCOMPARE(shown, 4);
}

void WindowTest::theDialogOpensInTheStoredFolderEachTime() {
    const QString scenarios = folder->path() + "/scenarios";
    QVERIFY(QDir().mkpath(scenarios + "/other"));
    writeFile(folder->path() + "/celshift.ini", "[PATH]\nSource=" + scenarios.toUtf8() + "/\n");
    form = makeForm();

    QStringList openedIn;
    form->setSourceOpenRunner([&](QFileDialog& dialog) -> std::optional<QString> {
        openedIn << dialog.directory().absolutePath();
        // The user wanders off to another folder before choosing.
        dialog.setDirectory(scenarios + "/other");
        return scenarios + "/other/Summary.wsm";
    });
    form->t0ButtonSourceClick();
    form->t0ButtonSourceClick();
    QCOMPARE(openedIn, (QStringList{scenarios, scenarios}));
    QCOMPARE(form->sourceInitialFolder(), scenarios.toStdString());

#if !defined(_WIN32)  // there, Qt keeps it in the registry
    // What Qt's own dialog keeps of itself goes beside the program's settings file, not into the user's profile.
    const QString beside = QFileInfo(QString::fromStdString(settingsFileLocation())).absolutePath() + "/QtProject.conf";
    QFile::remove(beside);
    {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setDirectory(scenarios);
    }
    QVERIFY(QFileInfo::exists(beside));
    QVERIFY(readFile(beside).contains("lastVisited"));
#endif
}

void WindowTest::anExceptionInAHandlerIsShownAndTheWindowGoesOn() {
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    RecordedExceptions exceptions;
    int round = 0;
    form->setSourceOpenRunner([&](QFileDialog&) -> std::optional<QString> {
        ++round;
        if (round == 1) throw std::runtime_error("the dialog could not be shown");
        if (round == 2) throw 42;
        if (round == 3) throw std::runtime_error("");
        return QString("/games/Summary.wsm");
    });

    // Real clicks, so that the exception takes the road through the event dispatch.
    for (int i = 0; i < 4; ++i) QTest::mouseClick(form->t0ButtonSource, Qt::LeftButton);
    QCOMPARE(exceptions.messages,
             (QStringList{"the dialog could not be shown", "予期しないエラーが発生しました。", "予期しないエラーが発生しました。"}));
    QVERIFY(form->isVisible());
    QVERIFY(form->t0ButtonExecute->isEnabled());
    QCOMPARE(form->sourceFile(), QString("/games/Summary.wsm"));
}

void WindowTest::theOtherFormsAreTheEmptyDialogs() {
    const TForm2 form2;
    QCOMPARE(form2.windowTitle(), QString("Form2"));
    QCOMPARE(form2.size(), QSize(241, 148));
    QCOMPARE(form2.minimumSize(), form2.maximumSize());
    QVERIFY(!form2.isVisible());

    const TErrorFm errorFm;
    QCOMPARE(errorFm.windowTitle(), QString("ErrorFm"));
    QCOMPARE(errorFm.size(), QSize(221, 182));
    QVERIFY(errorFm.minimumSize() != errorFm.maximumSize());
    QVERIFY(errorFm.PathLabel->text().isEmpty());
    QVERIFY(!errorFm.isVisible());
}

}  // namespace celshift::test
