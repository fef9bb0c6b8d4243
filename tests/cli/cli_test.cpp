// celshift-cli: its arguments, and the built program run as a process over real folders.
#include <gtest/gtest.h>

#include "cli/cli_arguments.h"
#include "cli_process.h"

namespace celshift::test {
namespace {

namespace fs = std::filesystem;
using build::ByteBuilder;

TEST(CliArguments, PairsBecomeRowsInOrder) {
    const auto parsed = cli::parseArguments({"--from", "a.bmp", "--to", "b.bmp", "--output", "out", "--from", "c.jpg",
                                             "--to", "d.jpg", "scenario"});
    EXPECT_EQ(parsed.scenario, "scenario");
    EXPECT_EQ(parsed.output, "out");
    EXPECT_EQ(parsed.rowCount, 2);
    EXPECT_EQ(parsed.rows.from[1], "c.jpg");
    EXPECT_EQ(parsed.rows.to[1], "d.jpg");
    EXPECT_EQ(parsed.rows.from[2], "");
    // A value that looks like an option is still a value; "--" ends the options.
    EXPECT_EQ(cli::parseArguments({"--from", "-a.bmp", "--to", "--b.bmp", "--", "-scenario"}).scenario, "-scenario");
}

TEST(CliArguments, MistakesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--from", "a.bmp", "s"},
        {"--from", "a.bmp", "--output", "o", "--to", "b.bmp", "s"},
        {"--to", "b.bmp", "s"},
        {"--output"},
        {"--output", "a", "--output", "b", "s"},
        {"--frm", "a", "s"},
        {"--jobs", "0", "s"},
        {"--jobs", "x", "s"},
        {"--jobs", "257", "s"},
        {"--dry-run", "--list-names", "s"},
        {"--dry-run", "--output", "o", "s"},
        {"--list-names", "--from", "a.bmp", "--to", "b.bmp", "s"},
        {"s", "t"},
        {"--from", "1.bmp", "--to", "1.bmp", "--from", "2.bmp", "--to", "2.bmp", "--from", "3.bmp", "--to", "3.bmp",
         "--from", "4.bmp", "--to", "4.bmp", "--from", "5.bmp", "--to", "5.bmp", "s"},
    };
    for (const auto& args : bad) EXPECT_THROW(cli::parseArguments(args), std::invalid_argument) << args.size();
    EXPECT_TRUE(cli::parseArguments({"--help"}).help);
    const auto parsed = cli::parseArguments({"--jobs", "3", "--quiet", "--dry-run", "s"});
    EXPECT_EQ(parsed.jobs, 3);
    EXPECT_TRUE(parsed.quiet);
    EXPECT_EQ(parsed.mode, cli::Mode::DryRun);
}

TEST_F(CliProcess, ConvertsAndPrintsEveryMessage) {
    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "新しい〜.jpg", scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 1個のファイルを置換します\n情報: 完了\n"
                     "集計: 変換１: 1箇所（1ファイル）\n");
    EXPECT_EQ(p.err, "");
    // The image name is replaced (in code page 932, "〜" in its Windows form); the plain string is not.
    EXPECT_EQ(readFile(output + "/Area01.wid"), ByteBuilder().fileHeader(0).int32(0).byte(0).int32(0).int32(1)
                                                    .cellRecord("\x90\x56\x82\xb5\x82\xa2\x81\x60.jpg", "cell.bmp").bytes());
    EXPECT_EQ(readFile(output + "/Area02.wid"), dataFile("other.bmp"));
    EXPECT_EQ(readFile(output + "/cell.bmp"), "BM");
}

TEST_F(CliProcess, ScenarioMayBeTheSummaryFileAndFailuresGiveStatusOne) {
    writeFile(scenario + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    fs::create_directory(output + "/Area02.wid");
    const Process p = runCli({"--output", output, scenario + "/Summary.wsm"});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 0個のファイルを置換します\nErrorFm: " + printed(output, "Area02.wid") +
                         "\n失敗: Broken.wid\n情報: 完了\n");
}

TEST_F(CliProcess, AnUnopenableCopyAloneGivesStatusOne) {
    fs::create_directory(output + "/Area01.wid");
    const Process p = runCli({"--output", output, scenario});
    EXPECT_EQ(p.status, 1) << p.out;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 0個のファイルを置換します\nErrorFm: " + printed(output, "Area01.wid") +
                         "\n情報: 完了\n");
}

TEST_F(CliProcess, SummaryFileNamedInCapitalsIsFound) {
    fs::rename(pathFromUtf8(scenario + "/Summary.wsm"), pathFromUtf8(scenario + "/SUMMARY.WSM"));
    for (const std::string& given : {scenario, scenario + "/SUMMARY.WSM"}) {
        fs::remove_all(output);
        fs::create_directory(output);
        const Process p = runCli({"--output", output, given});
        EXPECT_EQ(p.status, 0) << given << p.err;
        EXPECT_EQ(readFile(output + "/SUMMARY.WSM"), "summary") << given;
        EXPECT_EQ(readFile(output + "/Area01.wid"), dataFile("cell.bmp")) << given;
    }
}

TEST_F(CliProcess, RefusalsAndBadArgumentsGiveStatusTwo) {
    const Process missing = runCli({"--output", "no/such/folder", scenario});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "エラー: 出力先フォルダがありません\n  no/such/folder\n");

    const Process same = runCli({"--output", scenario, scenario});
    EXPECT_EQ(same.status, 2);
    EXPECT_EQ(same.out, "エラー: 変更元シナリオと出力先が同じフォルダです\n");

    for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
             {"--output", output}, {"--output", output, root / "nothing"}, {"--output", output, scenario + "/cell.bmp"},
             {"--output", output, root.path()}, {"--bogus", scenario}}) {
        const Process p = runCli(args);
        EXPECT_EQ(p.status, 2) << args.back();
        EXPECT_EQ(p.out, "") << args.back();
        EXPECT_NE(p.err.find("celshift-cli: "), std::string::npos) << args.back();
    }
    EXPECT_TRUE(fs::is_empty(output));
}

TEST(CliHelp, ExplainsTheContract) {
    const Process p = runCli({"--help"});
    EXPECT_EQ(p.status, 0);
    for (const char* part : {"--output DIR", "--from TEXT", "--to TEXT", "SCENARIO", "Exit status", "ErrorFm: PATH",
                             "N from 1 to 256", "--sync"})
        EXPECT_NE(p.out.find(part), std::string::npos) << part;
}

}  // namespace
}  // namespace celshift::test
