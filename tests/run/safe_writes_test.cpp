// What a run promises about the files it writes: the scenario folder never changes, nothing is written through a
// link, every file is whole or absent, one run per output folder, and every file left out is told with its reason.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <set>
#include <utility>

#include "platform/output_folder.h"
#include "run_fixture.h"

#if defined(__linux__)
#include <sys/syscall.h>

// Every fsync of this test program, noted by the file it reached (device and inode), and then done.
namespace {
std::mutex gSyncedMutex;
std::set<std::pair<dev_t, ino_t>> gSynced;
}  // namespace

extern "C" int fsync(int fd) {
    struct stat status;
    if (::fstat(fd, &status) == 0) {
        const std::lock_guard<std::mutex> lock(gSyncedMutex);
        gSynced.emplace(status.st_dev, status.st_ino);
    }
    return static_cast<int>(::syscall(SYS_fsync, fd));
}
#endif

namespace celshift::test {
namespace {

class RecordedReport : public RunReport {
public:
    void fileDone(const FileReport& report) override { reports.push_back(report); }
    const FileReport* find(const std::string& name) const {
        const auto it = std::find_if(reports.begin(), reports.end(), [&](const FileReport& r) { return r.name == name; });
        return it == reports.end() ? nullptr : &*it;
    }
    std::vector<FileReport> reports;
};

class SafeWrites : public ConversionRun {
protected:
    RecordedReport report;
    std::size_t filesReported() const {
        return static_cast<std::size_t>(std::count_if(report.reports.begin(), report.reports.end(), [](const FileReport& r) {
            return r.kind != FileReport::Kind::MissingPicture;
        }));
    }
    RunOutcome runReported() {
        RunOptions options;
        options.report = &report;
        return run(options);
    }
    // Every file in the output folder, hidden ones included.
    std::vector<std::string> outputNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(output)) names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    const std::string converted = ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes();
};

#if !defined(_WIN32)
// Windows drops the trailing dots and spaces of a name: "Area09.wid." is the data file Area09.wid there, and
// "Area01.wid." or "readme.txt " beside "Area01.wid" or "readme.txt" is one name with it in any output folder: the
// first is written, the later one listed. A file of another case that the output folder held already is one name
// with a new file on Windows: told.
TEST_F(SafeWrites, NamesAreTakenAsWindowsTakesThem) {
    put("Area09.wid.", dataFile("a.bmp"));
    put("Area01.wid", dataFile("a.bmp"));
    put("Area01.wid.", dataFile("c.bmp"));
    put("readme.txt", "first");
    put("readme.txt ", "second");
    put("Area02.wid", dataFile("a.bmp"));
    writeFile(output + "/AREA02.WID", "older");
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = runReported();
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"AREA02.WID", "Area01.wid", "Area02.wid", "Area09.wid",
                                                       "Summary.wsm", "readme.txt"}));
    EXPECT_EQ(out("Area09.wid"), converted);
    EXPECT_EQ(out("Area01.wid"), converted);
    EXPECT_EQ(out("readme.txt"), "first");
    EXPECT_EQ(outcome.notCopiedFiles, 2);
    for (const char* later : {"Area01.wid.", "readme.txt "}) {
        ASSERT_NE(report.find(later), nullptr) << later;
        EXPECT_EQ(report.find(later)->kind, FileReport::Kind::NotCopied) << later;
        EXPECT_NE(report.find(later)->reason.find("名前の終わりの「.」と空白"), std::string::npos) << later;
    }
    ASSERT_NE(report.find("Area02.wid"), nullptr);
    EXPECT_EQ(report.find("Area02.wid")->sameNameAs, "AREA02.WID");
}
#endif

#if !defined(_WIN32)
// Links and hard links in the output folder that lead back into the scenario folder, or anywhere else: the run
// replaces the names in the output folder and writes nowhere else.
TEST_F(SafeWrites, NothingIsWrittenThroughALinkInTheOutputFolder) {
    TempFolder elsewhere;
    writeFile(elsewhere / "notes.txt", "mine");
    put("Info1.wid", dataFile("a.bmp"));
    put("Package1.wid", packageFile("a.bmp"));
    put("Link.wid", dataFile("a.bmp"));
    put("Dangling.wid", dataFile("a.bmp"));
    fs::create_symlink(scenario + "/Info1.wid", output + "/Package1.wid");
    fs::create_hard_link(scenario + "/Info1.wid", output + "/Info1.wid");
    fs::create_symlink(scenario + "/Summary.wsm", output + "/Link.wid");
    fs::create_symlink(elsewhere / "nowhere.txt", output + "/Dangling.wid");
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.failedFiles + outcome.unopenedFiles + outcome.notCopiedFiles, 0);
    EXPECT_EQ(readFile(scenario + "/Info1.wid"), dataFile("a.bmp"));
    EXPECT_EQ(readFile(scenario + "/Summary.wsm"), "summary");
    EXPECT_FALSE(fs::exists(elsewhere / "nowhere.txt"));
    EXPECT_EQ(readFile(elsewhere / "notes.txt"), "mine");
    for (const char* name : {"Info1.wid", "Link.wid", "Dangling.wid"}) EXPECT_EQ(out(name), converted) << name;
    EXPECT_EQ(out("Package1.wid"), ByteBuilder().packageHeader().int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes());
}

// A FIFO under a data file's name is replaced without being opened; under another file's name it is in the way.
TEST_F(SafeWrites, AFifoInTheOutputFolderNeitherHangsNorIsWrittenInto) {
    put("Area01.wid", dataFile("a.bmp"));
    put("a.bmp", "image");
    ASSERT_EQ(mkfifo((output + "/Area01.wid").c_str(), 0600), 0);
    ASSERT_EQ(mkfifo((output + "/a.bmp").c_str(), 0600), 0);
    alarm(30);  // a run that opened a FIFO would hang: end the test instead
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = runReported();
    alarm(0);
    EXPECT_EQ(outcome.notCopiedFiles, 1);
    EXPECT_EQ(out("Area01.wid"), converted);
    EXPECT_EQ(messages.boxes.front(), (Box{"第一段階", "コピーできなかったファイル\na.bmp"}));
    ASSERT_NE(report.find("a.bmp"), nullptr);
    EXPECT_EQ(report.find("a.bmp")->reason, "出力先に同じ名前の特殊なファイル（FIFOなど）があります");
}

// Links in the scenario folder that lead nowhere, and things other than a regular file where a copy should go, are
// listed with their reasons instead of left out without a word.
TEST_F(SafeWrites, NothingIsLeftOutWithoutAWord) {
    put("a.bmp", "image");
    put("b.bmp", "image");
    put("c.bmp", "image");
    put("d.bmp", "image");
    fs::create_symlink(scenario + "/gone.bmp", scenario + "/dangling.bmp");
    fs::create_symlink(scenario + "/loop.bmp", scenario + "/loop.bmp");
    fs::create_symlink(scenario + "/gone.wid", scenario + "/Broken.wid");
    fs::create_directory(output + "/a.bmp");
    fs::create_symlink(scenario + "/b.bmp", output + "/b.bmp");
    writeFile(output + "/c.bmp", "kept");
    const RunOutcome outcome = runReported();
    EXPECT_EQ(outcome.notCopiedFiles, 4);
    EXPECT_EQ(outcome.unopenedFiles, 1);
    EXPECT_EQ(messages.boxes,
              (std::vector<Box>{{"第一段階", "コピーできなかったファイル\na.bmp\nb.bmp\ndangling.bmp\nloop.bmp"}, kCopyDone,
                                countBox(0), {"ErrorFm", scenario + "/Broken.wid"}, kDone}));
    const std::pair<const char*, const char*> reasons[] = {
        {"a.bmp", "出力先に同じ名前のフォルダがあります"}, {"b.bmp", "出力先に同じ名前のリンクがあります"},
        {"dangling.bmp", "リンク先がありません"},          {"loop.bmp", "リンクが循環しています"},
        {"Broken.wid", "リンク先がありません"},
    };
    for (const auto& [name, reason] : reasons) {
        ASSERT_NE(report.find(name), nullptr) << name;
        EXPECT_EQ(report.find(name)->reason, reason) << name;
    }
    EXPECT_EQ(report.find("c.bmp")->kind, FileReport::Kind::AlreadyThere);
    EXPECT_EQ(out("c.bmp"), "kept");
    EXPECT_EQ(report.find("d.bmp")->kind, FileReport::Kind::Copied);
}

// Names that are not UTF-8, or that hold a control byte, are shown as \xNN in messages; valid names stay as they are.
TEST_F(SafeWrites, NamesThatAreNoTextAreShownEscaped) {
    put("Bad\x01\xFF.wid", dataFile("a.bmp").substr(0, 20));
    put("ソード\x7F.wid", dataFile("a.bmp").substr(0, 20));
    put("正しい名前.wid", dataFile("a.bmp").substr(0, 20));
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), {"失敗", "Bad\\x01\\xFF.wid"},
                                                {"失敗", "ソード\\x7F.wid"}, {"失敗", "正しい名前.wid"}, kDone}));
}

// A full disk (here a file size limit, in a child process) fails the file that does not fit: its earlier copy
// stays as it was, no partial file appears, and the reason says so.
TEST_F(SafeWrites, AFullDiskKeepsTheEarlierCopyAndLeavesNoPartialFile) {
    put("Big.wid", ByteBuilder().fileHeader(4).plainString(std::string(200'000, 'x')).bytes());
    put("Small.wid", dataFile("a.bmp"));
    put("big.bmp", std::string(200'000, 'B'));
    writeFile(output + "/Big.wid", "the earlier copy");
    row(1, "a.bmp", "b.bmp");
    int pipeEnds[2];
    ASSERT_EQ(pipe(pipeEnds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {100'000, 100'000};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        const RunOutcome outcome = runReported();
        std::string text;
        for (const FileReport& r : report.reports) text += r.name + "|" + r.reason + "\n";
        (void)!::write(pipeEnds[1], text.data(), text.size());
        _exit(outcome.failedFiles * 10 + outcome.notCopiedFiles);
    }
    close(pipeEnds[1]);
    std::string reasons;
    char buffer[4096];
    for (ssize_t n; (n = read(pipeEnds[0], buffer, sizeof buffer)) > 0;) reasons.append(buffer, static_cast<std::size_t>(n));
    close(pipeEnds[0]);
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 11);  // Big.wid failed, big.bmp not copied
    EXPECT_NE(reasons.find("big.bmp|ディスクの空きが足りません"), std::string::npos) << reasons;
    EXPECT_NE(reasons.find("Big.wid|書き込めません: ディスクの空きが足りません（出力先のファイルは以前のままです）"),
              std::string::npos) << reasons;
    EXPECT_EQ(out("Big.wid"), "the earlier copy");
    EXPECT_EQ(out("Small.wid"), converted);
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"Big.wid", "Small.wid", "Summary.wsm"}));
}
#endif

// A second run into a folder that a run is writing into is refused before it touches anything, the files given
// with it (a picture picked for a row) included.
TEST_F(SafeWrites, ASecondRunIntoTheSameFolderIsRefused) {
    put("Area01.wid", dataFile("a.bmp"));
    writeFile(root / "picked.bmp", "picture");
    OutputFolder first;
    ASSERT_FALSE(first.open(output));
    ASSERT_FALSE(first.lock());
    RunOptions options;
    options.addedFiles = {root / "picked.bmp"};
    const RunOutcome outcome = run(options);
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "出力先フォルダには、ほかの実行が書き込み中です\n" + output}}));
    std::vector<std::string> names = outputNames();
    std::erase(names, ".celshift-lock");  // where the system keeps the first run's lock in a file
    EXPECT_TRUE(names.empty());
}

// Files given with the run are copied first, under the rules of the scenario's files, and reported as given.
TEST_F(SafeWrites, FilesGivenWithTheRunAreCopiedFirstAndNeverReplaceAnything) {
    writeFile(root / "picked.bmp", "picture");
    put("picked.bmp", "the scenario's");  // the very same name: no name that Windows takes for another
    writeFile(root / "kept.bmp", "new");
    writeFile(output + "/kept.bmp", "earlier");
    RunOptions options;
    options.report = &report;
    options.addedFiles = {root / "picked.bmp", root / "kept.bmp"};
    EXPECT_EQ(run(options).notCopiedFiles, 0);
    EXPECT_EQ(out("picked.bmp"), "picture");
    EXPECT_EQ(out("kept.bmp"), "earlier");
    ASSERT_GE(report.reports.size(), 3u);
    EXPECT_EQ(report.reports[0].name, "picked.bmp");
    EXPECT_EQ(report.reports[0].kind, FileReport::Kind::Copied);
    EXPECT_TRUE(report.reports[0].added);
    EXPECT_EQ(report.reports[1].kind, FileReport::Kind::AlreadyThere);
    EXPECT_FALSE(report.reports[2].added);  // the scenario's own
    for (const FileReport& file : report.reports) EXPECT_EQ(file.sameNameAs, "") << file.name;
}

#if defined(__linux__)
// With --sync every file the run writes reaches the disk before it takes its name: data files, copies, and the
// pictures copied under their rows' new names.
TEST_F(SafeWrites, WithSyncEveryFileWrittenIsSynced) {
    put("Area01.wid", dataFile("a.bmp"));
    put("a.bmp", "picture");
    row(1, "a.bmp", "new.bmp");
    RunOptions options;
    options.syncBeforeRename = true;
    options.renamePictures = true;
    {
        const std::lock_guard<std::mutex> lock(gSyncedMutex);
        gSynced.clear();
    }
    ASSERT_TRUE(run(options).started);
    for (const char* name : {"Area01.wid", "a.bmp", "new.bmp", "Summary.wsm"}) {
        struct stat status;
        ASSERT_EQ(::stat((output + "/" + name).c_str(), &status), 0) << name;
        EXPECT_EQ(gSynced.count({status.st_dev, status.st_ino}), 1u) << name;
    }
}
#endif

// Temporary files that a killed run left are removed by the next run into the folder; other hidden files stay.
TEST_F(SafeWrites, TheNextRunRemovesWhatAKilledRunLeft) {
    put("Area01.wid", dataFile("a.bmp"));
    writeFile(output + "/.celshift-99999-3.tmp", "half a file");
    writeFile(output + "/.keep", "mine");
    run();
    EXPECT_EQ(outputNames(), (std::vector<std::string>{".keep", "Area01.wid", "Summary.wsm"}));
}

// A failed data file keeps every byte; its reason says where and why, and that the rest was copied unchanged.
TEST_F(SafeWrites, AFailedDataFileKeepsEveryByteAndSaysWhy) {
    const std::string cut = dataFile("a.bmp").substr(0, 27);
    put("Cut.wid", cut);
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = runReported();
    EXPECT_EQ(outcome.failedFiles, 1);
    EXPECT_EQ(out("Cut.wid"), cut);
    const FileReport* cutReport = report.find("Cut.wid");
    ASSERT_NE(cutReport, nullptr);
    EXPECT_EQ(cutReport->kind, FileReport::Kind::Failed);
    EXPECT_TRUE(cutReport->outputWritten);
    // Cut inside the node's child word (bytes 26 to 29).
    EXPECT_EQ(cutReport->reason, "データが27バイトで終わっています（27バイト目からの4バイトの整数の途中）。"
                                 "27バイト目からは変換せずにそのまま写しました");
}

// Data files whose extension is in capitals are data files to the first stage too: a stop after it leaves none of
// them under its final name unconverted, and a whole run converts each of them once.
TEST_F(SafeWrites, DataFileNamesInAnyCaseAreNeverCopiedAsTheyAre) {
    for (const char* name : {"Upper.WID", "Mixed.Wid", "lower.wid"}) put(name, dataFile("a.bmp"));
    put("notes.widx", "not a data file");
    row(1, "a.bmp", "b.bmp");
    StopRequest stop;
    struct StopAfterCopy : RecordedMessages {
        StopRequest* stop;
        void showMessage(const std::string& text, const std::string&) override {
            if (text == kCopyDone.text) stop->request();
        }
    } stopping;
    stopping.stop = &stop;
    RunOptions options;
    options.stop = &stop;
    auto list = makeDirectoryFileList();
    EXPECT_TRUE(runConversion(scenario + "/Summary.wsm", output, rows, *list, stopping, options).stopped);
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"Summary.wsm", "notes.widx"}));

    const RunOutcome outcome = runReported();
    EXPECT_EQ(outcome.notCopiedFiles, 0);
    for (const char* name : {"Upper.WID", "Mixed.Wid", "lower.wid"}) {
        EXPECT_EQ(out(name), converted) << name;
        ASSERT_NE(report.find(name), nullptr) << name;
        EXPECT_EQ(report.find(name)->kind, FileReport::Kind::Converted) << name;
    }
    EXPECT_EQ(filesReported(), 5u);  // each file once
}

#if !defined(_WIN32)
// Under a limit on the address space (ulimit -v), an ordinary scenario runs on four workers: their stacks are sized
// by its largest data file. One whose largest file would need more stack than the limit grants runs on the calling
// thread: every file is written all the same.
TEST_F(SafeWrites, WorkerStacksFollowTheLargestDataFile) {
    put("Area01.wid", dataFile("a.bmp"));
    row(1, "a.bmp", "b.bmp");
    const auto runLimited = [&]() {
        const pid_t child = fork();
        if (child == 0) {
            const rlimit limit = {std::size_t{1500} << 20, std::size_t{1500} << 20};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(100);
            RunOptions options;
            options.jobs = 4;
            try {
                const RunOutcome outcome = run(options);
                _exit(outcome.started && messages.boxes.back() == kDone ? 0 : 3);
            } catch (...) {
                _exit(4);
            }
        }
        int status = 0;
        waitpid(child, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(runLimited(), 0);
    EXPECT_EQ(out("Area01.wid"), converted);

    fs::remove_all(output);
    fs::create_directory(output);
    put("Large.wid", std::string(1'000'000, 'x'));  // room for a million levels: about 2 GiB of stack
    put("readme.txt", "text");
    EXPECT_EQ(runLimited(), 0);
    EXPECT_EQ(out("Area01.wid"), converted);
    EXPECT_EQ(out("readme.txt"), "text");
}

// The scenario folder is never written into: not through an output folder inside it (by its path, or through a link
// to it from elsewhere), nor through another view of it (a bindfs mount, where the system has one).
TEST_F(SafeWrites, AnOutputFolderInsideTheScenarioOrAViewOfItIsRefused) {
    put("Area01.wid", dataFile("a.bmp"));
    row(1, "a.bmp", "b.bmp");
    fs::create_directories(scenario + "/deep/copy");
    fs::create_directory_symlink(scenario + "/deep", root / "elsewhere");
    std::vector<std::string> outputs{scenario + "/deep/copy", root / "elsewhere/copy", root / "elsewhere"};
    const std::string view = root / "view";
    fs::create_directory(view);
    const bool mounted = system(("command -v bindfs >/dev/null && bindfs --no-allow-other '" + scenario + "' '" + view +
                                 "' 2>/dev/null").c_str()) == 0;
    if (mounted) {
        outputs.push_back(view);
    } else {
        std::printf("bindfs cannot mount here: the view of the scenario folder is not tested\n");
    }
    for (const std::string& into : outputs) {
        messages.boxes.clear();
        auto list = makeDirectoryFileList();
        const RunOutcome outcome = runConversion(scenario + "/Summary.wsm", into, rows, *list, messages);
        EXPECT_FALSE(outcome.started) << into;
        EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "出力先フォルダが変更元シナリオのフォルダの中にあるか、その別の見え方です\n" + into}}))
            << into;
    }
    if (mounted) {
        EXPECT_EQ(system(("fusermount -u '" + view + "'").c_str()), 0);
    }
    EXPECT_EQ(readFile(scenario + "/Area01.wid"), dataFile("a.bmp"));
    EXPECT_TRUE(fs::is_empty(scenario + "/deep/copy"));
    EXPECT_EQ(std::distance(fs::directory_iterator(scenario), fs::directory_iterator()), 3);  // nothing added
}
#endif

// Names that Windows takes for one ("README.TXT" and "readme.txt"): where the output folder tells them apart both
// are written and marked; where it folds case (told here, as a case-folding disk's probe would tell it), the first in
// the list's order is written and the second is listed with its reason, never written over it.
TEST_F(SafeWrites, NamesThatDifferOnlyInCaseNeverOverwriteEachOther) {
#if defined(_WIN32)
    GTEST_SKIP() << "a Windows folder cannot hold two names that differ only in case";
#endif
    put("AREA01.WID", dataFile("a.bmp"));
    put("Area01.wid", dataFile("x.bmp"));
    put("README.TXT", "first");
    put("readme.txt", "second");
    row(1, "a.bmp", "b.bmp");
    const std::vector<Box> plain{kCopyDone, countBox(1), kDone};

    RunOutcome outcome = runReported();
    EXPECT_EQ(messages.boxes, plain);
    EXPECT_EQ(outcome.notCopiedFiles, 0);
    EXPECT_EQ(out("AREA01.WID"), converted);
    EXPECT_EQ(out("readme.txt"), "second");
    for (const auto& [name, earlier] : {std::pair{"Area01.wid", "AREA01.WID"}, {"readme.txt", "README.TXT"}}) {
        ASSERT_NE(report.find(name), nullptr) << name;
        EXPECT_EQ(report.find(name)->sameNameAs, earlier) << name;
        EXPECT_EQ(report.find(earlier)->sameNameAs, "") << earlier;
    }

    fs::remove_all(output);
    fs::create_directory(output);
    messages.boxes.clear();
    report.reports.clear();
    RunOptions options;
    options.report = &report;
    options.outputFoldsCase = true;
    outcome = run(options);
    EXPECT_EQ(messages.boxes,
              (std::vector<Box>{{"第一段階", "コピーできなかったファイル\nArea01.wid\nreadme.txt"}, kCopyDone, countBox(1), kDone}));
    EXPECT_EQ(outcome.notCopiedFiles, 2);
    EXPECT_EQ(outputNames(), (std::vector<std::string>{"AREA01.WID", "README.TXT", "Summary.wsm"}));
    EXPECT_EQ(out("AREA01.WID"), converted);
    EXPECT_EQ(report.find("Area01.wid")->kind, FileReport::Kind::NotCopied);
    EXPECT_EQ(report.find("Area01.wid")->reason, "AREA01.WID と同じ名前になります（出力先では大文字と小文字が区別されません）");
    EXPECT_EQ(filesReported(), 5u);  // Area01.wid is not converted after all
}

// An output folder whose own name must not be a link (a scenario's folder in DIR): a link there is refused in the
// call that opens the folder, so a link swapped in after any look is not followed either.
TEST_F(SafeWrites, AnOutputFolderThatMayNotBeALinkIsNotFollowed) {
    put("Area01.wid", dataFile("a.bmp"));
    TempFolder elsewhere;
    const std::string link = root / "link";
    std::error_code noLinks;
    fs::create_directory_symlink(elsewhere.path(), link, noLinks);
    if (noLinks) GTEST_SKIP() << "this system makes no links";
    RunOptions options;
    options.outputNotALink = true;
    auto list = makeDirectoryFileList();
    EXPECT_FALSE(runConversion(scenario + "/Summary.wsm", link, rows, *list, messages, options).started);
    EXPECT_EQ(messages.boxes,
              (std::vector<Box>{{"エラー", "出力先フォルダを開けません\n" + link + "\n出力先に同じ名前のリンクがあります"}}));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(SafeWrites, AnOutputPathThatIsAFileIsSaidSo) {
    writeFile(root / "file", "x");
    output = root / "file";
    EXPECT_FALSE(run().started);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "出力先がフォルダではありません\n" + output}}));
}

}  // namespace
}  // namespace celshift::test
