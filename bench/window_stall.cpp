// How long the window's GUI thread is held up while it fills its pages: opens the real main window on a scenario,
// with the page of the rows, the names or the report showing, and records the longest gap between ticks of a 5 ms
// timer (an event-loop stall), the GUI thread's CPU time, when the first names appeared and when every name's
// file was looked up; with --run also a whole run into an output folder. Run it under a real X server or offscreen.
// With --dialog FOLDER it opens the scenario dialog (Qt's own, as the window prepares it) in FOLDER instead and
// records when the dialog had listed the folder; with --rows-file FILE it reads that rows file into the rows (as
// 変換行 読み込み or a drop does) and records when the rows were filled. SUMMARY is not chosen in these two.
//
//   window_stall SUMMARY [--page rows|names|report] [--run OUTPUT] [--jobs N] [--dialog FOLDER] [--rows-file FILE]
// Prints one line of "key=value" figures.
#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>

#include "app/Main.h"
#include "app/application.h"
#include "app/file_dialogs.h"
#include "app/names_panel.h"
#include "app/run_report_page.h"

namespace {

double threadCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// Answers the run's messages without boxes: what is measured is the window filling its pages.
class QuietMessages : public celshift::RunMessages {
public:
    void showMessage(const std::string&, const std::string&) override {}
    void showErrorFm(const std::string&) override {}
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: window_stall SUMMARY [--page rows|names|report] [--run OUTPUT] [--jobs N] "
                             "[--dialog FOLDER] [--rows-file FILE]\n");
        return 2;
    }
    celshift::CelshiftApplication app(argc, argv);
    const QString summary = QString::fromLocal8Bit(argv[1]);
    QString page = "names";
    QString output;
    QString dialogFolder;
    QString rowsFile;
    int jobs = 0;
    for (int i = 2; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--page") == 0) page = argv[i + 1];
        if (std::strcmp(argv[i], "--run") == 0) output = QString::fromLocal8Bit(argv[i + 1]);
        if (std::strcmp(argv[i], "--jobs") == 0) jobs = std::atoi(argv[i + 1]);
        if (std::strcmp(argv[i], "--dialog") == 0) dialogFolder = QString::fromLocal8Bit(argv[i + 1]);
        if (std::strcmp(argv[i], "--rows-file") == 0) rowsFile = QString::fromLocal8Bit(argv[i + 1]);
    }

    const QString ini = QDir::temp().filePath(QString("window_stall_%1.ini").arg(QCoreApplication::applicationPid()));
    QFile::remove(ini);
    celshift::TForm1 form(ini.toStdString());
    QuietMessages messages;
    form.setRunMessages(&messages);
    form.setRunJobs(jobs);
    form.resize(900, 700);
    form.show();
    if (page == "names") form.PageControl->setCurrentWidget(form.NamesPage);
    if (page == "report") form.PageControl->setCurrentWidget(form.ReportPage);

    // The longest gap between two ticks beyond the timer's own interval.
    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestStall = 0;
    qint64 stallAt = 0;  // when the longest stall began
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (now - lastTick - 5 > longestStall) {
            longestStall = now - lastTick - 5;
            stallAt = lastTick;
        }
        lastTick = now;
    });

    qint64 firstNames = -1;
    qint64 namesLookedUp = -1;
    qint64 runEnded = -1;
    qint64 listed = -1;  // the dialog's list of the folder, or the rows read from the file
    QObject::connect(form.NamesPage->model(), &QAbstractItemModel::modelReset, [&] {
        if (firstNames < 0 && form.NamesPage->model()->rowCount() > 0) firstNames = clock.elapsed();
    });
    QObject::connect(form.NamesPage, &celshift::NamesPanel::picturesDone, [&] {
        namesLookedUp = clock.elapsed();
        if (output.isEmpty()) QTimer::singleShot(1000, &app, &QApplication::quit);  // the shown pictures draw
    });
    QObject::connect(&form, &celshift::TForm1::scanEnded, [&] {
        if (!output.isEmpty()) {
            form.setOutputFolder(output.toStdString());
            form.t0ButtonExecuteClick();
        }
    });
    QObject::connect(&form, &celshift::TForm1::runEnded, [&] {
        runEnded = clock.elapsed();
        QTimer::singleShot(200, &app, &QApplication::quit);
    });
    QObject::connect(form.T2Edit1From, &QLineEdit::textChanged, [&] {
        if (rowsFile.isEmpty() || listed >= 0) return;
        listed = clock.elapsed();
        QTimer::singleShot(1000, &app, &QApplication::quit);
    });
    QTimer::singleShot(300, [&] {
        const double cpuBefore = threadCpuSeconds();
        form.setProperty("cpuBefore", cpuBefore);
        clock.start();
        ticker.start();
        if (!dialogFolder.isEmpty()) {
            // As the scenario dialog is shown (execSourceOpen), without waiting in exec(): the stall is measured
            // here. Closed once it has listed the folder and had a second to draw.
            QFileDialog* dialog = form.SourceOpen;
            celshift::prepareFileDialog(*dialog);
            dialog->setDirectory(dialogFolder);
            if (auto* model = dialog->findChild<QFileSystemModel*>()) {
                QObject::connect(model, &QFileSystemModel::directoryLoaded, [&] {
                    if (listed >= 0) return;
                    listed = clock.elapsed();
                    QTimer::singleShot(1000, &app, &QApplication::quit);
                });
            }
            dialog->open();
        } else if (!rowsFile.isEmpty()) {
            form.loadRowsFile(rowsFile);
        } else {
            form.chooseScenario(summary, false);
        }
    });
    QTimer::singleShot(600000, &app, &QApplication::quit);  // bounded
    app.exec();
    const double cpu = threadCpuSeconds() - form.property("cpuBefore").toDouble();
    std::printf("page=%s first_names_ms=%lld names_looked_up_ms=%lld run_ms=%lld listed_ms=%lld longest_stall_ms=%lld "
                "stall_at_ms=%lld gui_cpu_s=%.2f names=%d report_lines=%d\n",
                qPrintable(page), firstNames, namesLookedUp, runEnded, listed, longestStall, stallAt, cpu,
                form.NamesPage->model()->rowCount(), static_cast<int>(form.ReportPage->shownLines().size()));
    QFile::remove(ini);
    return 0;
}
