// celshift-cli's summary lines, --quiet, --dry-run, --list-names and Ctrl+C, as a user meets them.
#include <chrono>
#include <thread>

#if !defined(_WIN32)
#include <signal.h>
#endif

#include "cli_process.h"

namespace celshift::test {
namespace {

std::string kind8(std::initializer_list<std::string> images) {
    ByteBuilder file;
    file.fileHeader(8).int32(static_cast<std::int32_t>(images.size()));
    for (const auto& image : images) file.int32(1).imageNode(image);
    return file.bytes();
}

TEST_F(CliProcess, SummaryLinesFollowTheRunAndQuietLeavesThemOut) {
    writeFile(scenario + "/Area03.wid", kind8({"cell.bmp", "cell.bmp", "b.bmp"}));
    const std::vector<std::string> rows{"--from", "cell.bmp", "--to", "c.jpg", "--from", "none.bmp", "--to", "n.bmp"};
    std::vector<std::string> args{"--output", output};
    args.insert(args.end(), rows.begin(), rows.end());
    args.push_back(scenario);
    const Process loud = runCli(args);
    const std::string runLines = "第一段階: コピー完了\n画像置換: 2個のファイルを置換します\n情報: 完了\n";
    EXPECT_EQ(loud.status, 0);
    EXPECT_EQ(loud.out, runLines + "集計: 変換１: 3箇所（2ファイル）\n集計: 変換２: 0箇所（見つかりません）\n");

    args.insert(args.begin(), "--quiet");
    const Process quiet = runCli(args);
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, runLines);

    // No row used: no summary line.
    EXPECT_EQ(runCli({"--output", output, scenario}).out, "第一段階: コピー完了\n画像置換: 0個のファイルを置換します\n情報: 完了\n");
}

TEST_F(CliProcess, ADryRunTouchesNothingAndCountsAsTheRunWould) {
    writeFile(scenario + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    writeFile(output + "/Area01.wid", "older copy");
    const auto before = fs::last_write_time(pathFromUtf8(output + "/Area01.wid"));
    const Process p = runCli({"--dry-run", "--from", "cell.bmp", "--to", "c.jpg", "--from", "x.png", "--to", "y.bmp",
                              scenario});
    EXPECT_EQ(p.status, 1);  // as the run's: a data file fails
    EXPECT_EQ(p.out, "画像置換: 1個のファイルを置換します\n失敗: Broken.wid\n集計: 変換１: 1箇所（1ファイル）\n");
    EXPECT_EQ(fs::last_write_time(pathFromUtf8(output + "/Area01.wid")), before);
    EXPECT_EQ(readFile(output + "/Area01.wid"), "older copy");
    // The default output folder is not needed either.
    EXPECT_FALSE(fs::exists(fs::path(CELSHIFT_CLI_PATH).parent_path() / "Scena" / "Area02.wid"));
}

TEST_F(CliProcess, ListNamesShowsEachNameWithItsCounts) {
    writeFile(scenario + "/Area03.wid", kind8({"other.bmp", "other.bmp", std::string("\x85\x40\x01.bmp")}));
    writeFile(scenario + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    const Process p = runCli({"--list-names", scenario});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "3\t2\tother.bmp\n1\t1\tcell.bmp\n1\t1\t\\x85@\\x01.bmp\n失敗: Broken.wid\n");

    fs::remove(pathFromUtf8(scenario + "/Broken.wid"));
    EXPECT_EQ(runCli({"--list-names", scenario}).status, 0);
}

#if !defined(_WIN32)  // a signal from another process
// Ctrl+C, SIGTERM and a closed terminal stop a run alike: the file in work is finished and reported, then the stop.
TEST_F(CliProcess, AStopSignalFinishesTheFileInWorkAndSaysSo) {
    // A long file first: the signal comes while it is in work.
    writeLongDataFile(scenario + "/A.wid");
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
        CliChild child({"--dry-run", "--jobs", "1", "--from", "cell.bmp", "--to", "c.jpg", scenario});
        signalOnceItPrinted(child, "画像置換", signalNumber);
        const Process p = child.wait();
        EXPECT_EQ(p.status, 128 + signalNumber) << p.out << p.err;
        // A.wid ends inside its events, so it fails; it is reported, then the stop; Area01 and Area02 were not
        // begun. The row found nothing, but the stop left files unread: that is what the summary says.
        EXPECT_EQ(p.out, "画像置換: 1個のファイルを置換します\n失敗: A.wid\n情報: 中止しました\n"
                         "集計: 変換１: 0箇所（変換できなかったファイルがあります）\n") << signalNumber;
        EXPECT_NE(p.err.find("失敗: A.wid: データが1,073,741,824バイトで終わっています"), std::string::npos) << p.err;
    }
}

// A stop while a listing reads its last data file: that file is finished, but the list would be taken for the
// whole one, so none is printed, and the status is the stop's.
TEST_F(CliProcess, AStopDuringTheLastFileOfAListingPrintsNoList) {
    const std::string last = scenario + "/Z.wid";
    writeLongDataFile(last);
    CliChild child({"--list-names", "--jobs", "1", scenario});
    // In work once the child holds it open (seen in /proc where there is one; else after a moment).
    const bool proc = fs::exists("/proc/self/fd");
    if (!proc) std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string fds = "/proc/" + std::to_string(child.pid()) + "/fd";
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (bool open = !proc; !open && std::chrono::steady_clock::now() < deadline;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::error_code error;
        for (fs::directory_iterator fd(fds, error); !error && fd != fs::directory_iterator(); fd.increment(error))
            open = open || fs::read_symlink(fd->path(), error) == pathFromUtf8(last);
    }
    kill(child.pid(), SIGINT);
    const Process p = child.wait();
    EXPECT_EQ(p.status, 130) << p.err;
    EXPECT_EQ(p.out, "情報: 中止しました\n");
}
#endif

}  // namespace
}  // namespace celshift::test
