// The scenario's names: read in the background once a scenario is chosen, then offered as completions, listed
// on the names page and used to mark rows whose 変換元 the scenario does not hold.
#include <QFileInfo>
#include <QLineEdit>

#include "app/Main.h"
#include "app/name_completer.h"
#include "app/names_panel.h"
#include "app/window_paths.h"
#include "run/failure_reasons.h"

namespace celshift {

// The scan of the chosen scenario runs on a thread of its own; a scan of an earlier choice is stopped first.
void TForm1::startScan() {
    if (scanThread_.joinable()) {
        scanStop_->request();
        scanThread_.join();
    }
    scan_.reset();
    for (QLineEdit* edit : {T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From}) delete completerOf(edit);
    NamesPage->clear();
    markRows();
    showRowPictures();
    scanStop_ = std::make_unique<StopRequest>();
    const int generation = ++scanGeneration_;
    RunOptions options;
    options.jobs = runJobs_;
    options.stop = scanStop_.get();
    scanThread_ = std::thread([this, generation, options, source = toBytes(sourceFile_)] {
        std::shared_ptr<const ScenarioScan> scan;
        try {
            const std::unique_ptr<FileList> fileList = makeDirectoryFileList();
            scan = std::make_shared<const ScenarioScan>(scanScenario(source, *fileList, options));
        } catch (...) {
            // No completions and no marks: the run itself reports what is wrong with the scenario.
        }
        QMetaObject::invokeMethod(this, [this, generation, scan] { finishScan(generation, scan); },
                                  Qt::QueuedConnection);
    });
}

void TForm1::finishScan(int generation, std::shared_ptr<const ScenarioScan> scan) {
    if (generation != scanGeneration_) return;
    if (scanThread_.joinable()) scanThread_.join();
    if (scan && !scan->stopped) {
        scan_ = std::move(scan);
        const std::vector<OfferedName> names = scannedNames(*scan_);
        std::vector<OfferedName> matchable = names;
        std::erase_if(matchable, [](const OfferedName& name) { return !name.matchable; });
        const std::array<QLineEdit*, 4> edits{T2Edit1From, T2Edit2From, T2Edit3From, T2Edit4From};
        for (QLineEdit* edit : edits) new NameCompleter(matchable, edit);  // owned by the edit
        QStringList unread;
        for (const ScanProblem& problem : scan_->problems)
            unread << QString::fromStdString(shownName(problem.name) + ": " + problem.reason);
        NamesPage->showNames(names, toBytes(QFileInfo(sourceFile_).absolutePath()), unread, scan_);
        markRows();
    }
    emit scanEnded();
}

}  // namespace celshift
