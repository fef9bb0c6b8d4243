// The command line as a hostile user meets it: killed at any moment, its standard output closed or full, a second
// run into the same folder, rows it cannot use. Whatever happens, no file under a final name is ever partial.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <thread>

#include "cli_process.h"
#include "platform/output_folder.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#endif

namespace celshift::test {
namespace {

// A kind 8 data file of count image nodes, about 40 bytes each.
std::string bigDataFile(int count, const std::string& image) {
    ByteBuilder b;
    b.fileHeader(8).int32(1).int32(count);
    for (int i = 0; i < count; ++i) b.imageNode(i % 3 == 0 ? image : "other" + std::to_string(i % 7) + ".bmp", "text");
    return b.bytes();
}

// Every file under a folder by its path under it, hidden ones left out.
std::map<std::string, std::string> visibleFiles(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(pathFromUtf8(folder))) {
        const std::string name = utf8FromPath(entry.path().filename());
        if (name[0] != '.' && !entry.is_directory())
            files[utf8FromPath(fs::relative(entry.path(), pathFromUtf8(folder)))] = readFile(utf8FromPath(entry.path()));
    }
    return files;
}

bool anyTemporaryFile(const std::string& folder) {
    for (const auto& entry : fs::recursive_directory_iterator(pathFromUtf8(folder)))
        if (isTemporaryFileName(utf8FromPath(entry.path().filename()))) return true;
    return false;
}

#if !defined(_WIN32)
// Starts celshift-cli with its standard output on outFd (-1: closed), standard error to errPath, and the signals
// ignored that its caller (nohup, a shell's "&") would ignore.
pid_t startCli(const std::vector<std::string>& args, int outFd, const std::string& errPath,
               const std::vector<int>& ignored = {}) {
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        useDefaultSignals();
        for (const int s : ignored) signal(s, SIG_IGN);
        if (!freopen(errPath.c_str(), "w", stderr)) _exit(127);
        if (outFd >= 0) dup2(outFd, STDOUT_FILENO);
        else close(STDOUT_FILENO);
        std::vector<char*> argv{const_cast<char*>(CELSHIFT_CLI_PATH)};
        for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(CELSHIFT_CLI_PATH, argv.data());
        _exit(127);
    }
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

#endif

class CliSafety : public CliProcess {
protected:
    std::string reference = root / "reference";
    std::vector<std::string> args(const std::string& into) {
        return {"--output", into, "--jobs", "2", "--from", "cell.bmp", "--to", "新しい.jpg", scenario};
    }
    // A scenario of some size: the copy phase and the conversion phase both take a while. A third of its files lie
    // two folders down.
    void makeLargeScenario() {
        // Data file names in every case Windows accepts: each is a data file to both stages.
        static const char* const kDataExtensions[] = {".wid", ".WID", ".Wid"};
        fs::create_directories(pathFromUtf8(scenario + "/Material/img"));
        for (int i = 0; i < 24; ++i) {
            const std::string folder = scenario + (i % 3 == 1 ? "/Material/img" : "");
            writeFile(folder + "/Area" + std::to_string(10 + i) + kDataExtensions[i % 3], bigDataFile(12'000, "cell.bmp"));
            writeFile(folder + "/image" + std::to_string(10 + i) + ".bmp", std::string(600'000 + i, static_cast<char>('a' + i)));
        }
        fs::create_directory(reference);
        const Process p = runCli(args(reference));
        ASSERT_EQ(p.status, 0) << p.out << p.err;
    }
};

// Killed with SIGKILL at many moments of a run, every file under a final name is the file a complete run gives;
// a run after the last kill completes the output exactly and leaves no temporary file.
TEST_F(CliSafety, AKilledRunNeverLeavesAPartialFile) {
    makeLargeScenario();
    const auto started = std::chrono::steady_clock::now();
    ASSERT_EQ(runCli(args(output)).status, 0);
    const auto whole = std::chrono::steady_clock::now() - started;
    const std::map<std::string, std::string> expected = visibleFiles(reference);
    ASSERT_EQ(visibleFiles(output), expected);

#if defined(_WIN32)
    constexpr int kKills = 16;  // a process start costs more under Wine
#else
    constexpr int kKills = 40;
#endif
    for (int kill = 0; kill < kKills; ++kill) {
        // Half the kills on a fresh folder (the copy phase), half on the growing folder of earlier kills.
        if (kill < kKills / 2) {
            fs::remove_all(pathFromUtf8(output));
            fs::create_directory(pathFromUtf8(output));
        }
        RunningProgram child(CELSHIFT_CLI_PATH, args(output), root / "out", root / "err");
        std::this_thread::sleep_for(whole * (kill % (kKills / 2)) / (kKills / 2));
        child.kill();
        child.wait();
        for (const auto& [name, bytes] : visibleFiles(output)) {
            ASSERT_TRUE(expected.count(name)) << name << " after kill " << kill;
            ASSERT_EQ(bytes.size(), expected.at(name).size()) << name << " after kill " << kill;
            ASSERT_TRUE(bytes == expected.at(name)) << name << " after kill " << kill;
        }
    }
    // The killed runs' hold on the folder ended with them: the next run is not refused, and it removes their
    // temporary files.
    const Process rerun = runCli(args(output));
    EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
    EXPECT_EQ(visibleFiles(output), expected);
    EXPECT_FALSE(anyTemporaryFile(output));
}

#if !defined(_WIN32)
// A reader that goes away (`| head -2`) stops the run like Ctrl+C: files in work are finished, none is partial,
// and the status says that not everything was seen.
TEST_F(CliSafety, AClosedPipeStopsTheRunAndIsNoSuccess) {
    makeLargeScenario();
    int ends[2];
    ASSERT_EQ(pipe2(ends, O_CLOEXEC), 0);  // the child must not hold the reading end itself
    const pid_t child = startCli(args(output), ends[1], root / "err");
    close(ends[1]);
    char first = 0;
    ASSERT_EQ(read(ends[0], &first, 1), 1);  // the first line has begun: the copy phase is over
    close(ends[0]);
    EXPECT_EQ(waitFor(child), 141);
    EXPECT_NE(readFile(root / "err").find("標準出力に書き込めません（読み手が閉じました）"), std::string::npos) << readFile(root / "err");
    const auto expected = visibleFiles(reference);
    for (const auto& [name, bytes] : visibleFiles(output)) EXPECT_TRUE(bytes == expected.at(name)) << name;
}

// Under nohup (SIGHUP ignored) or started with "&" (SIGINT ignored), those signals stay ignored: the run completes.
// SIGTERM, which nobody ignored, still stops it.
TEST_F(CliSafety, SignalsIgnoredAtStartStayIgnored) {
    makeLargeScenario();
    const auto runSignalled = [&](const std::vector<int>& signals) {
        fs::remove_all(pathFromUtf8(output));
        fs::create_directory(pathFromUtf8(output));
        int ends[2];
        EXPECT_EQ(pipe2(ends, O_CLOEXEC), 0);
        const pid_t child = startCli(args(output), ends[1], root / "err", {SIGHUP, SIGINT});
        close(ends[1]);
        char byte = 0;
        EXPECT_EQ(read(ends[0], &byte, 1), 1);  // the first line has begun: the handlers are in place
        for (const int s : signals) kill(child, s);
        while (read(ends[0], &byte, 1) == 1) {
        }
        close(ends[0]);
        return waitFor(child);
    };
    EXPECT_EQ(runSignalled({SIGHUP, SIGINT, SIGHUP}), 0) << readFile(root / "err");
    EXPECT_EQ(visibleFiles(output), visibleFiles(reference));
    EXPECT_EQ(runSignalled({SIGHUP, SIGTERM}), 143);
}

// A data file whose copy does not fit (here a file size limit, as a full disk) may hold the name a row looks for:
// the row's summary says that a file could not be converted, not that the name was not found, and the names it
// would have held are not taken for the copy's.
TEST_F(CliProcess, ARowWhoseFileCouldNotBeWrittenIsNotCalledNotFound) {
    writeFile(scenario + "/Big.wid",
              ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("big.bmp", std::string(4000, 'x')).bytes());
    const Process p = runProgram("/bin/sh", {"-c", "trap '' XFSZ; ulimit -f 4 && exec \"$0\" \"$@\"", CELSHIFT_CLI_PATH,
                                             "--output", output, "--from", "big.bmp", "--to", "x.bmp", scenario});
    EXPECT_EQ(p.status, 1) << p.err;
    EXPECT_NE(p.out.find("失敗: Big.wid\n"), std::string::npos) << p.out;
    EXPECT_NE(p.out.find("集計: 変換１: 0箇所（変換できなかったファイルがあります）\n"), std::string::npos) << p.out;
    // No copy holds x.bmp: the run's look at its copy has nothing to tell.
    EXPECT_EQ(p.err.find("変換後のシナリオにない画像"), std::string::npos) << p.err;
}

TEST_F(CliSafety, AClosedOrFullStandardOutputIsNoSuccess) {
    const pid_t closed = startCli(args(output), -1, root / "err");
    EXPECT_EQ(waitFor(closed), 74);
    EXPECT_NE(readFile(root / "err").find("標準出力が閉じられています"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(output));  // nothing was done

    writeFile(scenario + "/unused.bmp", "no data file names it");
    for (const std::vector<std::string>& mode : std::vector<std::vector<std::string>>{
             {"--list-names", scenario}, {"--dry-run", scenario}, {"--unused", scenario}, args(output), {"--help"}}) {
        const pid_t full = startCli(mode, open("/dev/full", O_WRONLY), root / "err");
        EXPECT_EQ(waitFor(full), 74) << mode.front();
        const std::string err = readFile(root / "err");
        const bool lists = mode.front() == "--list-names" || mode.front() == "--unused";
        const std::string words = lists                        ? "一覧は完全ではありません"
                                  : mode.front() == "--help" ? "ヘルプは最後まで出ていません"
                                                             : "処理中のファイルを終えたところで止めました";
        EXPECT_NE(err.find("標準出力に書き込めません（ディスクの空きが足りません）。" + words), std::string::npos) << err;
        EXPECT_EQ(err.find("使われていない画像:"), std::string::npos) << mode.front();  // no total of a list not written
    }
}

TEST_F(CliSafety, ASecondRunIntoTheSameFolderIsRefused) {
    OutputFolder held;
    ASSERT_FALSE(held.open(output));
    ASSERT_FALSE(held.lock());
    const Process p = runCli(args(output));
    EXPECT_EQ(p.status, 2);
    EXPECT_EQ(p.out, "エラー: 出力先フォルダには、ほかの実行が書き込み中です\n  " + output + "\n");
    EXPECT_TRUE(fs::is_empty(output));
}

// Rows the run leaves out are told on standard error; problems get a line each with the reason; standard output
// keeps only the run's messages.
TEST_F(CliSafety, UnusedRowsAndProblemsAreToldOnStandardError) {
    writeFile(scenario + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    writeFile(scenario + "/a.bmp", "picture");
    fs::create_symlink(scenario + "/gone.bmp", scenario + "/dangling.bmp");
    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "a.bmp", "--from", "cell", "--to", "b.bmp",
                              "--from", "x.bmp", "--to", "y.bmp", scenario});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "第一段階: コピーできなかったファイル\n  dangling.bmp\n第一段階: コピー完了\n"
                     "画像置換: 1個のファイルを置換します\n失敗: Broken.wid\n情報: 完了\n"
                     "集計: 変換１: 1箇所（1ファイル）\n");
    EXPECT_EQ(p.err, "celshift-cli: 変換２ は使われません: 画像の拡張子（.bmp .jpg .jpeg .jpy1 .jpdc .jpx）がありません\n"
                     "celshift-cli: 変換３ は使われません（上の行が空か無効です）\n"
                     "コピーできません: dangling.bmp: リンク先がありません\n"
                     "失敗: Broken.wid: データが30バイトで終わっています（27バイト目からのバイト列の途中）。"
                     "27バイト目からは変換せずにそのまま写しました\n");
}

// A row that repeats an earlier row's FROM is kept (it replaces nothing) and told on standard error; the run and its
// status are those of the same rows without the warning.
TEST_F(CliSafety, ARepeatedFromIsToldAndTheRunStillRuns) {
    writeFile(scenario + "/a.bmp", "picture");
    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "a.bmp", "--from", "x.bmp", "--to", "y.bmp",
                              "--from", "cell.bmp", "--to", "c.bmp", scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_NE(p.out.find("集計: 変換３: 0箇所（見つかりません）\n"), std::string::npos) << p.out;
    EXPECT_EQ(p.err, "celshift-cli: 変換３ は変換１と同じ変換元です（変換１が先に置き換えるので、何も置き換えません）\n");
}

// Under a limit on the address space that workers with the stack of a megabyte data file (room for a million
// levels) do not fit, the run and --list-names do their work on the calling thread instead of stopping half way:
// every file is written, and the list is printed.
TEST_F(CliSafety, TooLittleMemoryForTheWorkersStillConvertsEveryFile) {
    const auto limited = [&](const std::string& args) {
        const std::string command = "ulimit -v 1500000; exec '" + std::string(CELSHIFT_CLI_PATH) + "' " + args + " >'" +
                                    (root / "printed") + "' 2>'" + (root / "err") + "'";
        const int status = system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    const std::string jobs = "--jobs 4 ";
    writeFile(scenario + "/Large.wid", std::string(1'000'000, 'x'));  // no layout: fails, and is copied as it is
    EXPECT_EQ(limited(jobs + "--output '" + output + "' --from cell.bmp --to other.bmp '" + scenario + "'"), 1)
        << readFile(root / "err");
    EXPECT_NE(readFile(root / "printed").find("情報: 完了\n"), std::string::npos) << readFile(root / "printed");
    EXPECT_EQ(readFile(output + "/Large.wid"), readFile(scenario + "/Large.wid"));
    EXPECT_TRUE(runCli({"--list-names", output}).out.starts_with("2\t2\tother.bmp\n"));
    EXPECT_EQ(limited(jobs + "--list-names '" + scenario + "'"), 1) << readFile(root / "err");  // Large.wid fails
    EXPECT_TRUE(readFile(root / "printed").starts_with("1\t1\tcell.bmp\n1\t1\tother.bmp\n")) << readFile(root / "printed");
}

#if !defined(_WIN32)
// On a disk that folds case and that FUSE serves (fusefat: a new inode number for each look, no rename that cannot
// replace, no hard links), names Windows takes for one are found before anything is written: the first of each is
// written, the later ones are listed, and nothing is written over.
TEST_F(CliSafety, ACaseFoldingFuseDiskNeverLosesAFile) {
    if (std::system("command -v fusefat >/dev/null && command -v mkfs.vfat >/dev/null && test -c /dev/fuse") != 0)
        GTEST_SKIP() << "no fusefat, mkfs.vfat or /dev/fuse here";
    const std::string image = root / "disk.img";
    const std::string mount = root / "mnt";
    fs::create_directory(mount);
    if (std::system(("truncate -s 32M '" + image + "' && mkfs.vfat '" + image + "' >/dev/null && fusefat -o rw+ '" +
                     image + "' '" + mount + "' >/dev/null 2>&1").c_str()) != 0)
        GTEST_SKIP() << "fusefat could not mount a vfat image here";
    struct Unmount {
        std::string mount;
        ~Unmount() { [[maybe_unused]] const int ignored = std::system(("fusermount -u '" + mount + "'").c_str()); }
    } unmount{mount};
    const std::string out = mount + "/out";
    fs::create_directory(out);
    writeFile(scenario + "/README.TXT", "one");
    writeFile(scenario + "/readme.txt", "two");
    writeFile(scenario + "/A.wid", dataFile("cell.bmp"));
    writeFile(scenario + "/a.WID", dataFile("other.bmp"));
    writeFile(scenario + "/CELL_RED.BMP", "red one");
    writeFile(scenario + "/cell_red.bmp", "red two");

    const Process p = runCli({"--jobs", "4", "--output", out, scenario});
    EXPECT_EQ(p.status, 1) << p.err;
    EXPECT_TRUE(p.out.starts_with("第一段階: コピーできなかったファイル\n  a.WID\n  cell_red.bmp\n  readme.txt\n")) << p.out;
    EXPECT_EQ(readFile(out + "/README.TXT"), "one");
    EXPECT_EQ(readFile(out + "/A.wid"), dataFile("cell.bmp"));
    EXPECT_EQ(readFile(out + "/CELL_RED.BMP"), "red one");
    EXPECT_EQ(readFile(out + "/Area02.wid"), dataFile("other.bmp"));
}
#endif

// A link that loops is called a loop, wherever it stands: the output folder, the scenario, its Summary.wsm.
TEST_F(CliSafety, ALinkLoopIsSaidToBeALoop) {
    const std::string loop = root / "loop";
    fs::create_symlink(loop, loop);
    const Process out = runCli({"--output", loop, scenario});
    EXPECT_EQ(out.status, 2);
    EXPECT_EQ(out.out, "エラー: 出力先フォルダのリンクが循環しています\n  " + loop + "\n");
    const std::string summaryLoop = root / "summary-loop";
    fs::create_directory(summaryLoop);
    fs::create_symlink(summaryLoop + "/Summary.wsm", summaryLoop + "/Summary.wsm");
    for (const std::string& given : {loop, summaryLoop}) {
        const Process p = runCli({"--output", output, given});
        EXPECT_EQ(p.status, 2) << given;
        EXPECT_NE(p.err.find("リンクが循環しています: " + given), std::string::npos) << p.err;
    }
}

// Names that differ only in case, into a folder that tells them apart: both written, standard output as always, a
// warning on standard error.
TEST_F(CliSafety, NamesThatDifferOnlyInCaseAreAWarning) {
    writeFile(scenario + "/CELL.BMP", "BM other");
    const Process p = runCli({"--output", output, scenario});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 0個のファイルを置換します\n情報: 完了\n");
    EXPECT_EQ(p.err, "celshift-cli: 警告: cell.bmp: CELL.BMP とWindowsでは同じ名前です（Windowsでは片方しか置けません）\n");
    EXPECT_EQ(readFile(output + "/cell.bmp"), "BM");
}

// A scenario folder that this user cannot look into is said to be unreadable (run as another user, since root
// reads every folder).
TEST_F(CliSafety, AnUnreachableScenarioFolderIsSaidToBeUnreadable) {
    if (geteuid() != 0 || system("command -v setpriv >/dev/null") != 0) GTEST_SKIP() << "needs root and setpriv";
    fs::permissions(root.path(), fs::perms::all);  // the others may pass through the test folder
    fs::permissions(scenario, fs::perms::owner_write | fs::perms::owner_exec);  // mode 300
    const std::string command = "setpriv --reuid=65534 --regid=65534 --clear-groups " + std::string(CELSHIFT_CLI_PATH) +
                                " --dry-run '" + scenario + "' >'" + (root / "printed") + "' 2>&1; echo $? >'" +
                                (root / "status") + "'";
    ASSERT_EQ(system(command.c_str()), 0);
    EXPECT_EQ(readFile(root / "status"), "2\n");
    EXPECT_EQ(readFile(root / "printed"), "エラー: シナリオフォルダが読めません\n  " + scenario + "\n");
    fs::permissions(scenario, fs::perms::owner_all);
}

#endif

}  // namespace
}  // namespace celshift::test
