#include "window_parts_test.h"

#include <algorithm>
#include <memory>
#include <tuple>

#include <QAbstractFileIconProvider>
#include <QAbstractItemView>
#include <QClipboard>
#include <QScrollBar>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTest>
#include <QTreeView>

#include "app/Main.h"
#include "app/file_dialogs.h"
#include "app/name_completer.h"
#include "app/names_panel.h"
#include "app/run_report_page.h"
#include "platform/ini_file.h"
#include "window_scenario.h"
#include "window_test_support.h"

namespace celshift::test {

namespace {

QTemporaryDir* folder = nullptr;

// Data files naming common.bmp (twice), rare.bmp and a name without an image extension; a picture of common.bmp
// stored as Common.BMP (names on disk match without regard to case); one other file, already in the output.
Scenario makeScenario() {
    const Scenario s = makeScenarioFolders(folder->path());
    writeFile(s.folder + "/a.wid", cellDataFile("common.bmp"));
    writeFile(s.folder + "/b.wid", cellDataFile("rare.bmp"));
    writeFile(s.folder + "/c.wid", cellDataFile("common.bmp"));
    writeFile(s.folder + "/d.wid", cellDataFile("??Random"));
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    if (!picture.save(s.folder + "/Common.BMP", "BMP")) qFatal("cannot write the picture");
    writeFile(s.folder + "/readme.txt", "read me");
    writeFile(s.output + "/readme.txt", "kept");
    return s;
}

QString iniPath() { return folder->path() + "/celshift.ini"; }

std::unique_ptr<TForm1> openForm(const Scenario& scenario, RunMessages* messages) {
    return openFormOn(scenario, iniPath(), messages);
}

bool hasPicture(const QLabel* label) { return !label->pixmap().isNull(); }

}  // namespace

void WindowPartsTest::init() {
    folder = new QTemporaryDir();
    QVERIFY(folder->isValid());
}

void WindowPartsTest::cleanup() {
    delete folder;
    folder = nullptr;
}

void WindowPartsTest::completionsOfferImageNamesThatBeginWithTheTextFirst_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("offered");
    QTest::newRow("begins before contains") << "m" << QStringList{"map.bmp", "Mage.jpg", "宿のmaster.bmp"};
    QTest::newRow("not for the extension alone") << "M" << QStringList{"map.bmp", "Mage.jpg", "宿のmaster.bmp"};
    QTest::newRow("case does not count") << "MAP" << QStringList{"map.bmp"};
    QTest::newRow("only image names") << "random" << QStringList{};
    QTest::newRow("Japanese") << "宿" << QStringList{"宿のmaster.bmp", "宿.JPEG", "宿の亭主.bmp"};
    QTest::newRow("an extension typed") << ".bmp" << QStringList{"宿のmaster.bmp", "map.bmp", "宿の亭主.bmp"};
    QTest::newRow("empty: every image name")
        << "" << QStringList{"宿のmaster.bmp", "map.bmp", "Mage.jpg", "宿.JPEG", "宿の亭主.bmp"};
}

// "M" once offered 宿の亭主.bmp for its ".bmp"; "??Random" was offered and turned the row red.
void WindowPartsTest::completionsOfferImageNamesThatBeginWithTheTextFirst() {
    QFETCH(QString, typed);
    QFETCH(QStringList, offered);
    // Most fields first, as the scan gives them.
    std::vector<OfferedName> names;
    for (const auto& [text, fields, files] : std::vector<std::tuple<QString, int, int>>{
             {"宿のmaster.bmp", 9, 3}, {"??Random", 8, 2}, {"map.bmp", 7, 1}, {"Mage.jpg", 5, 2}, {"宿.JPEG", 1, 1},
             {"mp3.wav", 1, 1}, {"宿の亭主.bmp", 1, 1}}) {
        OfferedName name;
        name.text = text;
        name.fields = fields;
        name.files = files;
        names.push_back(name);
    }
    QStringList got;
    for (const OfferedName& name : namesMatching(names, typed)) got << name.text;
    QCOMPARE(got, offered);
}

// Typed keys show the list, as wide as its lines; Enter on a line puts its name into the edit.
void WindowPartsTest::typingShowsTheCompletionsAndEnterTakesOne() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    QTRY_VERIFY_WITH_TIMEOUT(completerOf(form->T2Edit1From) != nullptr, 30000);
    form->activateWindow();
    form->T2Edit1From->setFocus();
    QTest::keyClicks(form->T2Edit1From, "r");
    QAbstractItemView* popup = completerOf(form->T2Edit1From)->popup();
    QTRY_VERIFY(popup->isVisible());
    QCOMPARE(completerOf(form->T2Edit1From)->offered(), QStringList{"rare.bmp"});
    QVERIFY(popup->width() >= popup->fontMetrics().horizontalAdvance("rare.bmp    1箇所・1ファイル"));
    QTest::keyClick(popup, Qt::Key_Down);
    QTest::keyClick(popup, Qt::Key_Return);
    QCOMPARE(form->T2Edit1From->text(), QString("rare.bmp"));
    QVERIFY(!popup->isVisible());
}

void WindowPartsTest::enterPressesTheFocusedButtonAndExecuteHasTheFocusAfterARun() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    // At start the caret is in the first row.
    TForm1 fresh(iniPath().toStdString());
    QCOMPARE(fresh.focusWidget(), fresh.T2Edit1From);

    int asked = 0;
    form->setTargetOpenRunner([&](QWidget*, const QString&) {
        ++asked;
        return std::optional<QString>();
    });
    form->t0ButtonTarget->setFocus();
    QTest::keyClick(form->t0ButtonTarget, Qt::Key_Return);
    QTRY_COMPARE(asked, 1);
    QTest::keyClick(form->t0ButtonTarget, Qt::Key_Enter);
    QTRY_COMPARE(asked, 2);

    form->t0ButtonSource->setFocus();
    QTest::keyClick(form->t0ButtonExecute, Qt::Key_Return);
    QTRY_VERIFY_WITH_TIMEOUT(form->lastOutcome().has_value() && !form->runInProgress(), 30000);
    QCOMPARE(form->focusWidget(), form->t0ButtonExecute);
}

void WindowPartsTest::qtsOwnTextsAreJapanese() {
    // The test program runs under the program's application object, which loads them.
    for (const auto& [context, text] : {std::pair{"QFileDialog", "Look in:"}, std::pair{"QFileDialog", "File &name:"},
                                         std::pair{"QPlatformTheme", "Cancel"}}) {
        const QString translated = QCoreApplication::translate(context, text);
        QVERIFY2(translated != text && translated.front().unicode() >= 0x3000, qPrintable(translated));
    }
    // The system's own dialogs only where they speak Japanese; else Qt's, which do.
    QVERIFY(systemDialogsSpeakJapanese({"ja-JP", "en-US"}));
    QVERIFY(systemDialogsSpeakJapanese({"ja"}));
    QVERIFY(!systemDialogsSpeakJapanese({"en-US", "ja-JP"}));
    QVERIFY(!systemDialogsSpeakJapanese({"jam"}));
    QVERIFY(!systemDialogsSpeakJapanese({}));
    QFileDialog dialog;
    prepareFileDialog(dialog);
    QCOMPARE(dialog.testOption(QFileDialog::DontUseNativeDialog),
             !systemDialogsSpeakJapanese(QLocale::system().uiLanguages()));
    // A file's kind is told from its name: Qt's own reads a data file to tell it, on the GUI thread, file after file.
    writeFile(folder->path() + "/map.wid", "data");
    QCOMPARE(dialog.iconProvider()->type(QFileInfo(folder->path() + "/map.wid")), QString("WID ファイル"));
}

// One line per file, with the reason of a problem; the filter and the saved text keep the problems.
void WindowPartsTest::theReportListsEveryFileAndSavesTheProblems() {
    const Scenario scenario = makeScenario();
    writeFile(scenario.folder + "/e.wid", cellDataFile("common.bmp").left(30));  // ends early
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("new.bmp");
    execute(*form);

    RunReportPage* page = form->ReportPage;
    QStringList lines = page->text().split('\n');
    const auto lineOf = [&](const QString& name) {
        for (const QString& line : lines) {
            if (line.section('\t', 1, 1) == name) return line;
        }
        return QString();
    };
    QCOMPARE(lineOf("a.wid"), QString("変換済み\ta.wid\t1箇所を置換（変換１: 1箇所）"));
    QCOMPARE(lineOf("b.wid"), QString("変換済み\tb.wid\t置換なし"));
    QVERIFY2(lineOf("e.wid").startsWith("失敗\te.wid\tデータが30バイトで終わっています"), qPrintable(lineOf("e.wid")));
    QCOMPARE(lineOf("Common.BMP").section('\t', 0, 0), QString("コピー"));
    // The output folder's readme.txt is not the scenario's: kept, and worth a look.
    QVERIFY2(lineOf("readme.txt").startsWith("そのまま（要確認）\treadme.txt\t出力先の同じ名前のファイルは"),
             qPrintable(lineOf("readme.txt")));
    // The copy names new.bmp, which neither folder holds: a line of its own, and a note under the totals.
    QCOMPARE(lineOf("new.bmp"), QString("画像なし（要確認）\tnew.bmp\t変換後のシナリオにない画像（変換１ が書いた名前）"));
    QVERIFY(page->RowTotals->text().contains("変換後のシナリオにない画像が 1 個あります"));
    QVERIFY(page->hasProblems());
    QCOMPARE(page->ReportSummary->text(), QString("9件：変換済み 4、コピー 2、問題 1、要確認 2"));
    QVERIFY(page->RowTotals->text().contains("変換１: 2箇所（2ファイル）"));
    QVERIFY(page->RowTotals->text().contains("変換できなかったデータファイルが 1件あります"));
    QVERIFY(page->RowTotals->text().contains("内容の違うファイル 1件"));

    page->ProblemsOnly->setChecked(true);
    QCOMPARE(page->shownLines().size(), 3);
    QVERIFY(page->shownLines().at(0).startsWith("そのまま（要確認）\treadme.txt\t"));
    QVERIFY(page->shownLines().at(1).startsWith("失敗\te.wid\t"));
    QVERIFY(page->shownLines().at(2).startsWith("画像なし（要確認）\tnew.bmp\t"));
    // The search narrows what the filter shows, over names and details alike.
    page->ProblemsOnly->setChecked(false);
    page->ReportSearch->setText("common");
    QCOMPARE(page->shownLines().size(), 1);
    page->ReportSearch->setText("置換なし");
    QVERIFY(page->shownLines().join('\n').contains("b.wid"));
    page->ReportSearch->clear();
    page->ProblemsOnly->setChecked(true);

    const QString saved = folder->path() + "/report.txt";
    QString offered;
    page->setSaveRunner([&](QWidget*, const QString& suggested) {
        offered = suggested;
        return std::optional<QString>(saved);
    });
    QTest::mouseClick(page->SaveButton, Qt::LeftButton);
    // Offered beside the output folder, never inside the converted scenario; then where it was saved.
    QCOMPARE(QFileInfo(offered).absolutePath(), QFileInfo(scenario.output).absolutePath());
    lines = QString::fromUtf8(readFile(saved)).split('\n');
    QVERIFY(lineOf("e.wid").startsWith("失敗"));
    QVERIFY(lineOf("a.wid").isEmpty());
    QTest::mouseClick(page->SaveButton, Qt::LeftButton);
    QCOMPARE(offered, folder->path() + "/結果.txt");

    // A second run into the same folder tells that nothing was copied again; its own copy is no mix.
    page->ProblemsOnly->setChecked(false);
    execute(*form);
    lines = page->text().split('\n');
    QCOMPARE(lineOf("Common.BMP").section('\t', 0, 0), QString("そのまま"));
    QCOMPARE(page->attention(), 2);  // readme.txt, and new.bmp still missing
}

void WindowPartsTest::theRenameBoxCopiesARowsPictureUnderItsNewName() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("pics\\new.bmp");
    const QString renamed = scenario.output + "/pics/new.bmp";
    // Off by default: the data files name the new picture, nothing is copied for it.
    QVERIFY(!form->RenamePictures->isChecked());
    execute(*form);
    QVERIFY(!QFileInfo::exists(scenario.output + "/pics"));

    // The new name is in neither folder: a warning, until the box says the run copies the picture there.
    QVERIFY(form->ToThumbs[0]->property("missing").toBool());
    QTest::mouseClick(form->RenamePictures, Qt::LeftButton);
    QVERIFY(form->RenamePictures->isChecked());
    QVERIFY(!form->ToThumbs[0]->property("missing").toBool());
    QVERIFY(form->ToThumbs[0]->toolTip().startsWith("実行すると、変換元の画像がこの名前で出力先にコピーされます"));
    messages.boxes.clear();
    execute(*form);
    QCOMPARE(readFile(renamed), readFile(scenario.folder + "/Common.BMP"));
    const auto box = std::find_if(messages.boxes.begin(), messages.boxes.end(),
                                  [](const auto& b) { return b.first == "画像コピー"; });
    QVERIFY(box != messages.boxes.end());
    QCOMPARE(box->second, QString("1個の画像を新しい名前でコピーしました\ncommon.bmp → pics\\new.bmp"));
    const QStringList lines = form->ReportPage->text().split('\n');
    QVERIFY2(lines.contains("コピー\tCommon.BMP\t新しい名前でコピー: pics\\new.bmp"), qPrintable(lines.join('\n')));
}

void WindowPartsTest::aRowWhoseNameMayStandInAnUnreadFileDoesNotSayNotFound() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    form->T2Edit1From->setText("absent.bmp");
    form->T2Edit1To->setText("new.bmp");
    execute(*form);
    QCOMPARE(form->RowSummary[0]->text(), QString("変換１: 0箇所（見つかりません）"));

    // A file that ends early was read to its end: the name is not in it.
    writeFile(scenario.folder + "/e.wid", cellDataFile("absent.bmp").left(30));
    execute(*form);
    QCOMPARE(form->RowSummary[0]->text(), QString("変換１: 0箇所（見つかりません）・失敗 1件"));
    QVERIFY(form->ReportPage->text().contains("\n変換１: 0箇所（見つかりません）\n"));  // the report says the same

    // A name length out of range: the walk copies the rest unchanged, the name among it, uncounted.
    QByteArray badLength = cellDataFile("absent.bmp");
    badLength.replace(QByteArray("\x0B\x00\x00\x00" "absent.bmp", 14), QByteArray("\xFB\xFF\xFF\xFF" "absent.bmp", 14));
    writeFile(scenario.folder + "/e.wid", badLength);
    execute(*form);
    QCOMPARE(form->RowSummary[0]->text(), QString("変換１: 0箇所（変換できなかったファイルがあります）・失敗 1件"));

    // The scenario read again: the row is not said to be missing while a file could not be walked to its end.
    QCOMPARE(form->GroupBox1->toolTip(), QString("見つかりません"));
    auto again = openForm(scenario, &messages);
    again->T2Edit1From->setText("absent.bmp");
    again->T2Edit1To->setText("new.bmp");
    QTRY_VERIFY(again->scenarioScan() != nullptr);
    QVERIFY2(!again->GroupBox1->toolTip().contains("見つかりません") && again->GroupBox1->toolTip().contains("読めなかった"),
             qPrintable(again->GroupBox1->toolTip()));
    // The names page tells it too, with the file and its reason.
    QTRY_VERIFY_WITH_TIMEOUT(!again->NamesPage->loading(), 30000);
    QVERIFY2(again->NamesPage->NamesSummary->text().endsWith("、読めなかったデータファイル 1 件）"),
             qPrintable(again->NamesPage->NamesSummary->text()));
    QVERIFY(again->NamesPage->NamesSummary->toolTip().contains("e.wid: "));
    // Such a file may name any picture: the filter of unused pictures says it cannot judge, not "none".
    again->NamesPage->NamesFilter->setCurrentIndex(2);
    QVERIFY2(again->NamesPage->NamesSummary->text().endsWith("、使われていない画像ファイルは判断できません）"),
             qPrintable(again->NamesPage->NamesSummary->text()));
}

void WindowPartsTest::theNamesPageShowsPicturesMarksMissingFilesAndFillsTheNextRow() {
    const Scenario scenario = makeScenario();
    // A field stored without its zero byte: listed and marked as the command line's --missing lists it, though no
    // row can match it.
    QByteArray noZero = cellDataFile("nozero.bmp");
    noZero.replace(int32(11) + QByteArray("nozero.bmp") + '\0', int32(10) + QByteArray("nozero.bmp"));
    writeFile(scenario.folder + "/e.wid", noZero);
    // And a blank field without its zero byte.
    QByteArray blank = cellDataFile("x");
    blank.replace(int32(2) + QByteArray("x") + '\0', int32(0));
    writeFile(scenario.folder + "/f.wid", blank);
    QVERIFY(QDir().mkpath(scenario.folder + "/img"));
    writeFile(scenario.folder + "/img/old.bmp", "BM");  // named by no data file
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    QTRY_VERIFY_WITH_TIMEOUT(form->scenarioScan() != nullptr, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!form->NamesPage->loading(), 30000);
    NamesModel* model = form->NamesPage->model();
    QTreeView* list = form->NamesPage->NamesList;

    QCOMPARE(model->rowCount() - model->unused(), 5);
    // The filters: the names whose file is missing, and the picture files that no name names.
    QCOMPARE(model->unused(), 1);
    form->NamesPage->NamesFilter->setCurrentIndex(2);
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QDir::toNativeSeparators("img/old.bmp"));
    QCOMPARE(list->model()->index(0, 3).data(Qt::UserRole).toString(), QString("unused"));
    form->NamesPage->NamesFilter->setCurrentIndex(1);
    QCOMPARE(list->model()->rowCount(), 2);
    form->NamesPage->NamesFilter->setCurrentIndex(0);
    QCOMPARE(list->model()->rowCount(), 5);
    const auto row = [&](const QString& name) {
        for (int r = 0; r < model->rowCount(); ++r) {
            if (model->index(r, 0).data(Qt::UserRole).toString() == name) return r;
        }
        return -1;
    };
    const auto cell = [&](const QString& name, int column, int role = Qt::DisplayRole) {
        return model->index(row(name), column).data(role);
    };
    QVERIFY(row("common.bmp") >= 0 && row("rare.bmp") >= 0 && row("??Random") >= 0 && row("nozero.bmp∅") >= 0);
    QCOMPARE(model->index(0, 0).data().toString(), QString("common.bmp"));
    QCOMPARE(cell("common.bmp", 1).toString(), QString("2"));
    // Pictures are drawn for lines that are shown, off the GUI thread.
    form->PageControl->setCurrentWidget(form->NamesPage);
    QTRY_COMPARE_WITH_TIMEOUT(cell("common.bmp", 3, Qt::UserRole).toString(), QString("picture"), 10000);
    const QImage drawn = cell("common.bmp", 0, Qt::DecorationRole).value<QPixmap>().toImage();
    QCOMPARE(drawn.pixelColor(drawn.width() / 2, drawn.height() / 2), QColor(Qt::red));
    QCOMPARE(cell("rare.bmp", 3, Qt::UserRole).toString(), QString("missing"));
    QCOMPARE(cell("rare.bmp", 3).toString(), QString("ありません"));
    // The field without its zero byte is told in words, not as an escape.
    QCOMPARE(cell("nozero.bmp∅", 0).toString(), QString("nozero.bmp（終わりのゼロバイトなし）"));
    QCOMPARE(cell("nozero.bmp∅", 3, Qt::UserRole).toString(), QString("missing"));
    QCOMPARE(cell("∅", 0).toString(), QString("（空の名前）（終わりのゼロバイトなし）"));
    // A line without a picture is as high as one with it: under uniform heights the first line sets every line's.
    QCOMPARE(cell("rare.bmp", 0, Qt::DecorationRole).value<QPixmap>().size(), QSize(32, 32));
    QVERIFY(form->NamesPage->NamesSummary->text().contains("ファイルなし 2 件"));
    QVERIFY(!form->NamesPage->NamesSummary->text().contains("読めなかった"));
    // The count is of the names; the unused picture file is told on its own.
    QVERIFY2(form->NamesPage->NamesSummary->text().startsWith("画像名 5 件（"),
             qPrintable(form->NamesPage->NamesSummary->text()));
    const auto select = [&](const QString& name) {
        list->setCurrentIndex(list->model()->index(form->NamesPage->shownRow(row(name)), 0));
    };
    // A name without an image extension cannot be a row; the field without its zero byte can, in its written form,
    // by the button and by a double-click alike.
    select("??Random");
    QVERIFY(!form->NamesPage->PickName->isEnabled());
    QSignalSpy picked(form->NamesPage, &NamesPanel::namePicked);
    emit list->activated(list->currentIndex());
    QCOMPARE(picked.count(), 0);
    select("nozero.bmp∅");
    QVERIFY(form->NamesPage->PickName->isEnabled());
    QVERIFY(completerOf(form->T2Edit1From)->offered().contains("nozero.bmp∅"));

    // The search keeps the names that hold the text, whatever their case; sorting by a column reorders them.
    form->NamesPage->NamesSearch->setText("RAR");
    QCOMPARE(list->model()->rowCount(), 1);
    form->NamesPage->NamesSearch->clear();
    list->sortByColumn(0, Qt::DescendingOrder);
    QCOMPARE(list->model()->index(0, 0).data(Qt::UserRole).toString(), QString("rare.bmp"));

    form->T2Edit1From->setText("x.bmp");
    select("rare.bmp");
    QTest::mouseClick(form->NamesPage->PickName, Qt::LeftButton);
    QCOMPARE(form->T2Edit2From->text(), QString("rare.bmp"));
    QCOMPARE(form->PageControl->currentWidget(), form->TabSheet2);
}

// The picture files no data file names, for a user who tidies the scenario up: each with its size and their total,
// their list copied (Ctrl+C, or the button) or saved into a file of the documents folder. The page's count is of the
// image names: those files are no names.
void WindowPartsTest::theUnusedPicturesShowTheirSizesAndTheirListIsCopiedAndSaved() {
    const Scenario scenario = makeScenario();
    QVERIFY(QDir().mkpath(scenario.folder + "/img"));
    writeFile(scenario.folder + "/img/old.bmp", QByteArray(3072, 'x'));
    writeFile(scenario.folder + "/zz.jpg", QByteArray(1024, 'x'));
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    QTRY_VERIFY_WITH_TIMEOUT(form->scenarioScan() != nullptr && !form->NamesPage->loading(), 30000);
    NamesPanel* page = form->NamesPage;
    QCOMPARE(page->model()->unused(), 2);
    QVERIFY2(page->NamesSummary->text().startsWith("画像名 3 件（"), qPrintable(page->NamesSummary->text()));

    form->PageControl->setCurrentWidget(page);
    page->NamesFilter->setCurrentIndex(2);
    QAbstractItemModel* list = page->NamesList->model();
    QCOMPARE(list->headerData(1, Qt::Horizontal).toString(), QString("サイズ"));
    QStringList sizes;
    for (int row = 0; row < list->rowCount(); ++row)
        sizes << list->index(row, 0).data().toString() + " " + list->index(row, 1).data().toString();
    sizes.sort();
    QCOMPARE(sizes, (QStringList{QDir::toNativeSeparators("img/old.bmp") + " 3.0 KB", "zz.jpg 1.0 KB"}));
    QVERIFY2(page->NamesSummary->text().contains("使われていない画像ファイル 2 件・合計 4.0 KB"),
             qPrintable(page->NamesSummary->text()));
    QVERIFY(!page->PickName->isVisible() && page->CopyUnused->isVisible() && page->SaveUnused->isVisible());

    const QString lines = QDir::toNativeSeparators("img/old.bmp") + "\t3072\n" + "zz.jpg\t1024\n";
    page->NamesList->setFocus();
    QApplication::clipboard()->clear();
    QTest::keySequence(page->NamesList, QKeySequence::Copy);
    QStringList copied = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    copied.sort();
    QCOMPARE(copied.join('\n') + '\n', lines);

    QString startedAt;
    const QString saved = folder->path() + "/unused.txt";
    page->setSaveRunner([&](QWidget*, const QString& start) {
        startedAt = start;
        return std::optional<QString>(saved);
    });
    QTest::mouseClick(page->SaveUnused, Qt::LeftButton);
    QCOMPARE(QFileInfo(startedAt).absolutePath(),
             QFileInfo(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/x").absolutePath());
    const QString text = QString::fromUtf8(readFile(saved));
    QVERIFY2(text.startsWith("使われていない画像ファイル\t" + QDir::toNativeSeparators(scenario.folder) + "\n"), qPrintable(text));
    QVERIFY2(text.endsWith("合計 2 件\t4096\n"), qPrintable(text));
    QCOMPARE(text.count('\n'), 4);
}

void WindowPartsTest::theRowsShowTheirPicturesAndWarnOfAMissingTarget() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    form->T2Edit1From->setText("common.bmp");
    form->T2Edit1To->setText("absent.bmp");
    QVERIFY(hasPicture(form->FromThumbs[0]));
    QVERIFY(form->ToThumbs[0]->property("missing").toBool());
    QVERIFY(!form->ToThumbs[0]->toolTip().isEmpty());
    QVERIFY(form->t0ButtonExecute->isEnabled());

    // A name of the output folder, or of the scenario folder in another case, is no warning.
    writeFile(scenario.output + "/absent.bmp", "not decodable");
    form->setOutputFolder(scenario.output.toStdString());
    QVERIFY(!form->ToThumbs[0]->property("missing").toBool());
    QVERIFY(hasPicture(form->ToThumbs[0]));  // the placeholder
    form->T2Edit1To->setText("COMMON.bmp");
    QVERIFY(!form->ToThumbs[0]->property("missing").toBool());

    // A row the run does not use (below an invalid one) warns of nothing.
    form->T2Edit2From->setText("rare.bmp");
    form->T2Edit2To->setText("absent.jpg");
    QVERIFY(form->ToThumbs[1]->property("missing").toBool());
    form->T2Edit1To->setText("no extension");
    QVERIFY(!form->ToThumbs[1]->property("missing").toBool());
}

void WindowPartsTest::aPickedPictureIsCopiedIntoTheOutputAndAnotherFileOfItsNameRefusesTheRun() {
    const Scenario scenario = makeScenario();
    const QString elsewhere = folder->path() + "/pictures";
    QDir().mkpath(elsewhere);
    QImage picture(10, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    QVERIFY(picture.save(elsewhere + "/青.bmp", "BMP"));
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    QString startedIn = "(not asked)";
    form->setPictureOpenRunner([&](QWidget*, const QString& start) {
        startedIn = start;
        return std::optional<QString>(elsewhere + "/青.bmp");
    });
    form->T2Edit1From->setText("common.bmp");
    QTest::mouseClick(form->PictureButtons[0], Qt::LeftButton);
    QCOMPARE(form->T2Edit1To->text(), QString("青.bmp"));
    QCOMPARE(form->pickedPicture(0), elsewhere + "/青.bmp");
    QCOMPARE(startedIn, scenario.folder);  // the first picture is looked for beside the scenario's own
    QVERIFY(hasPicture(form->ToThumbs[0]));
    QVERIFY(!form->ToThumbs[0]->property("missing").toBool());

    execute(*form);
    QCOMPARE(readFile(scenario.output + "/青.bmp"), readFile(elsewhere + "/青.bmp"));
    QCOMPARE(readFile(scenario.output + "/a.wid"), cellDataFile("\x90\xC2.bmp"));
    QVERIFY(form->ReportPage->text().contains("コピー\t青.bmp\t選んだ画像: " + QDir::toNativeSeparators(elsewhere + "/青.bmp")));
    // The same picture again: nothing to refuse.
    execute(*form);
    QCOMPARE(messages.boxes.back(), (std::pair<QString, QString>{"情報", "完了"}));

    // Another file of that name in the output folder: refused before anything is written.
    writeFile(scenario.output + "/青.bmp", "another picture");
    QFile::remove(scenario.output + "/a.wid");
    messages.boxes.clear();
    QTest::mouseClick(form->t0ButtonExecute, Qt::LeftButton);
    QVERIFY(!form->runInProgress());
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QCOMPARE(messages.boxes[0].first, QString("エラー"));
    QVERIFY(messages.boxes[0].second.contains(QDir::toNativeSeparators(scenario.output + "/青.bmp")));
    QVERIFY(!QFileInfo::exists(scenario.output + "/a.wid"));
    QCOMPARE(readFile(scenario.output + "/青.bmp"), QByteArray("another picture"));
    QVERIFY(form->ReportPage->text().contains("そのまま\t青.bmp"));  // the last run's report stays

    // A 変換先 typed by hand drops the picked file, and the picture dialog opens where it was picked.
    form->T2Edit1To->setText("other.bmp");
    QVERIFY(form->pickedPicture(0).isEmpty());
    QTest::mouseClick(form->PictureButtons[0], Qt::LeftButton);
    QCOMPARE(startedIn, elsewhere);

    // A second row that picks a different picture of that name (as Windows compares names) is told at once, with
    // its row: cancelled, nothing changes; else the copy takes a free name, and the 変換先 that name.
    QFile::remove(scenario.output + "/青.bmp");
    const QString other = folder->path() + "/other";
    QDir().mkpath(other);
    picture.fill(Qt::green);
    QVERIFY(picture.save(other + "/青.BMP", "BMP"));
    form->setPictureOpenRunner([&](QWidget*, const QString&) { return std::optional<QString>(other + "/青.BMP"); });
    form->T2Edit1To->setText("青.bmp");
    QTest::mouseClick(form->PictureButtons[0], Qt::LeftButton);  // row 1 picks 青.BMP, replacing its own pick
    form->setPictureOpenRunner([&](QWidget*, const QString&) { return std::optional<QString>(elsewhere + "/青.bmp"); });
    QStringList asked;
    int answer = 1;
    form->setChoiceQuestion([&](QWidget*, const QString& kind, const QString& text, const QStringList&, int) {
        asked << kind + ":" + text.section('\n', 0, 0);
        return answer;
    });
    form->T2Edit2From->setText("rare.bmp");
    QTest::mouseClick(form->PictureButtons[1], Qt::LeftButton);
    QCOMPARE(asked, QStringList{"PictureClash:変換２: 選んだ画像と同じ名前の別のファイルがあります。"});
    QVERIFY(form->T2Edit2To->text().isEmpty() && form->pickedPicture(1).isEmpty());
    answer = 0;
    QTest::mouseClick(form->PictureButtons[1], Qt::LeftButton);
    QCOMPARE(form->T2Edit2To->text(), QString("青_2.bmp"));
    QCOMPARE(form->pickedPicture(1), elsewhere + "/青.bmp");
    execute(*form);
    QCOMPARE(readFile(scenario.output + "/青.BMP"), readFile(other + "/青.BMP"));
    QCOMPARE(readFile(scenario.output + "/青_2.bmp"), readFile(elsewhere + "/青.bmp"));
    QVERIFY(form->ReportPage->text().contains("コピー\t青_2.bmp\t選んだ画像: " + QDir::toNativeSeparators(elsewhere + "/青.bmp")));
}

void WindowPartsTest::theScenarioFolderIsRefusedAsOutputAtOnce() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    form->setTargetOpenRunner([&](QWidget*, const QString&) { return std::optional<QString>(scenario.folder + "/"); });
    QTest::mouseClick(form->t0ButtonTarget, Qt::LeftButton);
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QCOMPARE(messages.boxes[0].first, QString("エラー"));
    QVERIFY(messages.boxes[0].second.startsWith("変更元シナリオと出力先が同じフォルダです"));
    QCOMPARE(QString::fromStdString(form->outputFolder()), scenario.output);

    // The other order: the output folder first, then a scenario in it, is told when the scenario is chosen.
    messages.boxes.clear();
    auto outputFirst = openFormOn(scenario, iniPath(), &messages, false);
    QCOMPARE(messages.boxes.size(), std::size_t{0});
    outputFirst->setOutputFolder(scenario.folder.toStdString());
    QTest::mouseClick(outputFirst->t0ButtonSource, Qt::LeftButton);
    QCOMPARE(messages.boxes.size(), std::size_t{1});
    QVERIFY(messages.boxes[0].second.startsWith("変更元シナリオと出力先が同じフォルダです"));
}

void WindowPartsTest::theScenarioDialogOpensWhereTheLastScenarioWasChosen() {
    const Scenario scenario = makeScenario();
    {
        RecordingMessages messages;
        auto form = openForm(scenario, &messages);
        QVERIFY(form->close());
    }
    const IniFile ini(iniPath().toStdString());
    QCOMPARE(QString::fromStdString(ini.readString("PATH", "LastScenario", "")), QDir::toNativeSeparators(scenario.folder));
    QCOMPARE(QString::fromStdString(ini.readString("PATH", "Source", "(none)")), QString());

    const auto openedIn = [](TForm1& form) {
        QString folder;
        form.setSourceOpenRunner([&](QFileDialog& dialog) {
            folder = dialog.directory().absolutePath();
            return std::optional<QString>();
        });
        form.t0ButtonSourceClick();
        return folder;
    };
    TForm1 again(iniPath().toStdString());
    QCOMPARE(openedIn(again), scenario.folder);
    // "Source" keeps its meaning: when set, the dialog opens there.
    writeFile(iniPath(), "[PATH]\nSource=" + folder->path().toUtf8() + "\nLastScenario=" + scenario.folder.toUtf8() + "\n");
    TForm1 withSource(iniPath().toStdString());
    QCOMPARE(openedIn(withSource), folder->path());
}

// The window's Alt keys work while the 結果 page is up, whose buttons once took the same letters. The rows file keys
// work while their menu is closed.
void WindowPartsTest::theWindowsKeysWorkFromEveryPage() {
    const Scenario scenario = makeScenario();
    RecordingMessages messages;
    auto form = openForm(scenario, &messages);
    execute(*form);  // the report's buttons are enabled: a clash of their keys would now take the window's
    QStringList asked;
    form->setSourceOpenRunner([&](QFileDialog&) { asked << "scenario"; return std::optional<QString>(); });
    form->setRowsFileRunner([&](QWidget*, const QString&, bool save) { asked << (save ? "save" : "load"); return std::optional<QString>(); });
    QVERIFY(QDir(scenario.output).removeRecursively());  // Alt+O then tells so, instead of opening a file manager
    form->T2Edit1From->setText("a.bmp");                   // something to save
    form->PageControl->setCurrentWidget(form->ReportPage);
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_S, Qt::AltModifier);
    QTest::keyClick(form.get(), Qt::Key_O, Qt::AltModifier);
    QTRY_COMPARE(asked, QStringList{"scenario"});  // the keys press their buttons as a click would, a moment later
    QTest::keySequence(form.get(), QKeySequence::Save);
    QTest::keySequence(form.get(), QKeySequence::Open);
    QTRY_COMPARE(asked, (QStringList{"scenario", "save", "load"}));
    QVERIFY(messages.boxes.back().second.startsWith("出力先フォルダがありません"));
}

// Both pages: a new search shows its first matches, not the old place in the list, and how many there are. The
// report's search line grows with the window until its hint shows whole.
void WindowPartsTest::searchesStartAtTheTopAndCountTheirMatches() {
    RunReportPage report;
    NamesPanel names;
    std::vector<FileReport> files(300);
    std::vector<OfferedName> offered(300);
    for (std::size_t i = 0; i < files.size(); ++i) {
        files[i].name = "file" + std::to_string(i) + ".bmp";
        offered[i] = {QString::fromStdString(files[i].name), 1, 1, files[i].name + '\0', true};
    }
    report.addFiles(files);
    names.showNames(offered, folder->path().toStdString());
    QTRY_VERIFY_WITH_TIMEOUT(!names.loading(), 30000);
    const auto check = [](QWidget& page, QLineEdit* search, QLabel* matches, QAbstractItemView* list) {
        page.resize(500, 300);
        page.show();
        QVERIFY(QTest::qWaitForWindowExposed(&page));
        list->verticalScrollBar()->setValue(list->verticalScrollBar()->maximum());
        search->setText("file");
        QCOMPARE(list->verticalScrollBar()->value(), 0);
        QCOMPARE(matches->text(), QString("300件"));
        search->setText("file29");  // file29, file290 to file299
        QCOMPARE(matches->text(), QString("11件"));
        search->setText("nothing");
        QCOMPARE(matches->text(), QString("一致なし"));
        search->clear();
        QVERIFY(!matches->isVisible());
    };
    check(report, report.ReportSearch, report.ReportMatches, report.ReportList);
    check(names, names.NamesSearch, names.NamesMatches, names.NamesList);
    QLineEdit* search = report.ReportSearch;
    report.resize(1200, 300);
    QTRY_VERIFY(search->width() >= search->fontMetrics().horizontalAdvance(search->placeholderText()) + 40);
}

// The frames say "変換１" as the boxes and files do, in a face whose full-width digit is wider than "1".
void WindowPartsTest::theRowFramesWriteTheirNumberFullWidth() {
#if defined(Q_OS_WIN)
    QSKIP("the fonts Wine substitutes for the edit font draw the digits alike; the fixed face is checked on Linux");
#endif
    TForm1 form(iniPath().toStdString());
    for (const QGroupBox* box : {form.GroupBox1, form.GroupBox2, form.GroupBox3, form.GroupBox4}) {
        const QFontMetrics metrics(box->font());
        QVERIFY2(metrics.horizontalAdvance(box->title().back()) > metrics.horizontalAdvance('1'), qPrintable(box->title()));
    }
}

}  // namespace celshift::test
