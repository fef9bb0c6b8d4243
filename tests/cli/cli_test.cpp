// celshift-cli: its arguments, and the built program run as a process over real folders.
#include <gtest/gtest.h>

#include "cli/cli_arguments.h"
#include "cli_process.h"
#include "platform/output_folder.h"

namespace celshift::test {
namespace {

namespace fs = std::filesystem;
using build::ByteBuilder;

TEST(CliArguments, PairsBecomeRowsInOrder) {
    const auto parsed = cli::parseArguments({"--from", "a.bmp", "--to", "b.bmp", "--output", "out", "--from", "c.jpg",
                                             "--to", "d.jpg", "scenario"});
    EXPECT_EQ(parsed.scenarios, std::vector<std::string>{"scenario"});
    EXPECT_EQ(parsed.output, "out");
    EXPECT_EQ(parsed.rowCount, 2);
    EXPECT_EQ(parsed.rows.from[1], "c.jpg");
    EXPECT_EQ(parsed.rows.to[1], "d.jpg");
    EXPECT_EQ(parsed.rows.from[2], "");
    // A value that looks like an option is still a value; "--" ends the options.
    EXPECT_EQ(cli::parseArguments({"--from", "-a.bmp", "--to", "--b.bmp", "--", "-scenario"}).scenarios,
              std::vector<std::string>{"-scenario"});
}

TEST(CliArguments, MistakesAreRefused) {
    const std::vector<std::vector<std::string>> bad = {
        {},
        {"--from", "a.bmp", "s"},
        {"--from", "a.bmp", "--output", "o", "--to", "b.bmp", "s"},
        {"--to", "b.bmp", "s"},
        {"--output"},
        {"--rows"},
        {"--output", "", "s"},
        {"--rows", "", "s"},
        {"--frm", "a", "s"},
        {"--jobs", "0", "s"},
        {"--jobs", "x", "s"},
        {"--jobs", "257", "s"},
        {"--jobs", "-1", "s"},
        {"--jobs", "", "s"},
        {"--from", "1.bmp", "--to", "1.bmp", "--from", "2.bmp", "--to", "2.bmp", "--from", "3.bmp", "--to", "3.bmp",
         "--from", "4.bmp", "--to", "4.bmp", "--from", "5.bmp", "--to", "5.bmp", "s"},
    };
    for (const auto& args : bad) EXPECT_THROW(cli::parseArguments(args), std::invalid_argument) << args.size();
    EXPECT_TRUE(cli::parseArguments({"--help"}).help);
    // --version needs no scenario and, as --help, goes before the checks of the options against each other.
    EXPECT_TRUE(cli::parseArguments({"--version"}).version);
    EXPECT_TRUE(cli::parseArguments({"--version", "--missing", "--output", "o"}).version);
    for (const char* jobs : {"1", "256"}) EXPECT_EQ(cli::parseArguments({"--jobs", jobs, "s"}).jobs, std::stoi(jobs));
}

// Every option that another option refuses, in both orders, with the message that names them.
TEST(CliArguments, EveryOptionThatAnotherRefusesIsNamed) {
    const std::vector<std::string> rows{"--from", "a.bmp", "--to", "b.bmp"};
    const std::vector<std::string> rowsFile{"--rows", "r.txt"};
    struct Refusal {
        std::vector<std::string> first;
        std::vector<std::string> second;
        std::string message;
    };
    const std::vector<Refusal> refusals = {
        {{"--dry-run"}, {"--list-names"}, "--dry-run と --list-names は一緒に指定できません"},
        {{"--dry-run"}, {"--missing"}, "--dry-run と --missing は一緒に指定できません"},
        {{"--list-names"}, {"--missing"}, "--list-names と --missing は一緒に指定できません"},
        {{"--dry-run"}, {"--output", "o"}, "--output は --dry-run では使えません"},
        {{"--list-names"}, {"--output", "o"}, "--output は --list-names では使えません"},
        {{"--missing"}, {"--output", "o"}, "--output は --missing では使えません"},
        {{"--dry-run"}, {"--sync"}, "--sync は --dry-run では使えません"},
        {{"--list-names"}, {"--sync"}, "--sync は --list-names では使えません"},
        {{"--missing"}, {"--sync"}, "--sync は --missing では使えません"},
        {{"--list-names"}, rows, "--list-names には --from/--to を指定できません"},
        {{"--missing"}, rows, "--missing には --from/--to を指定できません"},
        {{"--list-names"}, rowsFile, "--list-names には --rows を指定できません"},
        {{"--missing"}, rowsFile, "--missing には --rows を指定できません"},
        {{"--list-names"}, {"--quiet"}, "--quiet は --list-names では使えません"},
        {{"--missing"}, {"--quiet"}, "--quiet は --missing では使えません"},
        {{"--unused"}, {"--missing"}, "--unused と --missing は一緒に指定できません"},
        {{"--unused"}, rows, "--unused には --from/--to を指定できません"},
        {{"--unused"}, {"--quiet"}, "--quiet は --unused では使えません"},
        {{"--dry-run"}, {"--rename"}, "--rename は --dry-run では使えません"},
        {{"--unused"}, {"--rename"}, "--rename は --unused では使えません"},
        {rowsFile, rows, "--rows と --from/--to は一緒に指定できません"},
        {rowsFile, {"--rows", "other.txt"}, "--rows が2回指定されています"},
        {{"--output", "a"}, {"--output", "b"}, "--output が2回指定されています"},
    };
    for (const Refusal& refusal : refusals) {
        for (const bool swapped : {false, true}) {
            std::vector<std::string> args = swapped ? refusal.second : refusal.first;
            const std::vector<std::string>& other = swapped ? refusal.first : refusal.second;
            args.insert(args.end(), other.begin(), other.end());
            args.push_back("s");
            std::string message;
            try {
                cli::parseArguments(args);
            } catch (const std::invalid_argument& error) {
                message = error.what();
            }
            // A pair of modes is named in the order given.
            const bool modes = refusal.first.size() == 1 && refusal.second.size() == 1 &&
                               refusal.message.ends_with("は一緒に指定できません");
            const std::string expected = modes ? args[0] + " と " + other[0] + " は一緒に指定できません" : refusal.message;
            EXPECT_NE(message.find(expected), std::string::npos) << args[0] << " " << args[1] << ": " << message;
        }
    }

    // What each mode takes.
    const auto parsed = cli::parseArguments({"--jobs", "3", "--quiet", "--dry-run", "--rows", "r.txt", "s", "t"});
    EXPECT_EQ(parsed.jobs, 3);
    EXPECT_TRUE(parsed.quiet);
    EXPECT_EQ(parsed.mode, cli::Mode::DryRun);
    EXPECT_EQ(parsed.rowsFile, "r.txt");
    EXPECT_EQ(parsed.scenarios, (std::vector<std::string>{"s", "t"}));
    for (const char* mode : {"--list-names", "--missing"}) {
        const auto listing = cli::parseArguments({mode, "--jobs", "2", "s", "t", "u"});
        EXPECT_EQ(listing.scenarios.size(), 3u) << mode;
    }
    const auto run = cli::parseArguments({"--sync", "--rename", "--output", "o", "--rows", "r.txt", "s"});
    EXPECT_TRUE(run.sync);
    EXPECT_TRUE(run.rename);
    EXPECT_EQ(run.mode, cli::Mode::Run);
}

TEST_F(CliProcess, ConvertsAndPrintsEveryMessage) {
    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "新しい〜.jpg", scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 1個のファイルを置換します\n情報: 完了\n"
                     "集計: 変換１: 1箇所（1ファイル）\n");
    EXPECT_EQ(p.err, "celshift-cli: 警告: 変換後のシナリオにない画像: 新しい～.jpg（変換１）\n");
    // The image name is replaced (in code page 932, "〜" in its Windows form); the plain string is not.
    EXPECT_EQ(readFile(output + "/Area01.wid"), ByteBuilder().fileHeader(0).int32(0).byte(0).int32(0).int32(1)
                                                    .cellRecord("\x90\x56\x82\xb5\x82\xa2\x81\x60.jpg", "cell.bmp").bytes());
    EXPECT_EQ(readFile(output + "/Area02.wid"), dataFile("other.bmp"));
    EXPECT_EQ(readFile(output + "/cell.bmp"), "BM");
}

// Each name a row brings in is told, also when one data file holds several of them.
TEST_F(CliProcess, EveryNewNameOfOneDataFileIsTold) {
    writeFile(scenario + "/Area01.wid", ByteBuilder().fileHeader(0).int32(0).byte(0).int32(0).int32(2)
                                            .cellRecord("cell.bmp", "").cellRecord("other.bmp", "").bytes());
    writeFile(scenario + "/Area02.wid", dataFile("cell.bmp"));
    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "blue.bmp", "--from", "other.bmp",
                              "--to", "red.bmp", scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.err, "celshift-cli: 警告: 変換後のシナリオにない画像: blue.bmp（変換１）\n"
                     "celshift-cli: 警告: 変換後のシナリオにない画像: red.bmp（変換２）\n");
}

// A scenario whose data files and pictures lie in subfolders converts whole, and every mode sees the same data
// files. --missing on the copy shows what the scenario lacked, less what a row now names that is there, plus the
// names a row brought in; the run told each of those.
TEST_F(CliProcess, SubfoldersConvertAndTheRunTellsThePicturesItsCopyLacks) {
    fs::create_directories(pathFromUtf8(scenario + "/Material/img"));
    writeFile(scenario + "/Material/img/x.bmp", "x");
    writeFile(scenario + "/Material/Area10.wid", dataFile("Material\\img\\x.bmp"));
    writeFile(scenario + "/Material/img/Area11.wid", dataFile("cell.bmp"));
    EXPECT_EQ(runCli({"--list-names", scenario}).out, "2\t2\tcell.bmp\n1\t1\tMaterial\\img\\x.bmp\n1\t1\tother.bmp\n");
    const Process before = runCli({"--missing", scenario});
    EXPECT_EQ(before.out, "1\t1\tother.bmp\n");

    const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "blue.bmp", "--from", "other.bmp", "--to",
                              "Material\\img\\x.bmp", scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 2個のファイルを置換します\n情報: 完了\n"
                     "集計: 変換１: 2箇所（2ファイル）\n集計: 変換２: 1箇所（1ファイル）\n");
    EXPECT_EQ(p.err, "celshift-cli: 警告: 変換後のシナリオにない画像: blue.bmp（変換１）\n");
    EXPECT_EQ(readFile(output + "/Material/img/x.bmp"), "x");
    const Process after = runCli({"--missing", output});
    EXPECT_EQ(after.status, 1);
    EXPECT_EQ(after.out, "2\t2\tblue.bmp\n");
}

// Another scenario's summary in the output folder: said on standard error, the run as told, standard output and
// the status as ever.
TEST_F(CliProcess, AnOutputThatHoldsAnotherScenarioIsToldOnStandardError) {
    writeFile(output + "/Summary.wsm", "another scenario");
    const Process p = runCli({"--output", output, scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 0個のファイルを置換します\n情報: 完了\n");
    EXPECT_EQ(p.err, "celshift-cli: 出力先の " + printed(output, "Summary.wsm") +
                         " はこのシナリオのものと違います（二つのシナリオが混ざります）\n");
    // Its own summary from an earlier run is no other scenario's.
    writeFile(output + "/Summary.wsm", "summary");
    EXPECT_EQ(runCli({"--output", output, scenario}).err, "");
}

// A folder that another process writes into (here this test, as the window would) is refused before anything.
TEST_F(CliProcess, AFolderAnotherRunWritesIntoIsRefused) {
    OutputFolder held;
    ASSERT_FALSE(held.open(output));
    ASSERT_FALSE(held.lock());
    const Process p = runCli({"--output", output, scenario});
    EXPECT_EQ(p.status, 2) << p.out << p.err;
    EXPECT_NE((p.out + p.err).find("出力先フォルダには、ほかの実行が書き込み中です"), std::string::npos) << p.out << p.err;
    EXPECT_FALSE(fs::exists(pathFromUtf8(output + "/Summary.wsm")));
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

    // A name with control bytes given on the command line reaches the terminal escaped, as in the run's messages.
    const Process escaped = runCli({"--dry-run", "no\x1B[2Jsuch"});
    EXPECT_EQ(escaped.status, 2);
    EXPECT_NE(escaped.err.find("no\\x1B[2Jsuch"), std::string::npos) << escaped.err;
    EXPECT_EQ(escaped.err.find('\x1B'), std::string::npos) << escaped.err;
}

TEST(CliHelp, ExplainsTheContract) {
    const Process p = runCli({"--help"});
    EXPECT_EQ(p.status, 0);
    for (const char* part : {"--output DIR", "--from TEXT", "--to TEXT", "SCENARIO", "Exit status", "ErrorFm: PATH",
                             "N from 1 to 256", "--sync", "--unused", "BYTES<TAB>PATH", "outside the data files",
                             "--rename", "\\xNN", "∅", "\\xED\\x40.bmp"})
        EXPECT_NE(p.out.find(part), std::string::npos) << part;
}

// The version line as help2man reads it for the manual page: the name, then the project's version.
TEST(CliHelp, VersionIsTheProjectVersion) {
    const Process p = runCli({"--version"});
    EXPECT_EQ(p.status, 0);
    EXPECT_EQ(p.out, "celshift-cli " CELSHIFT_VERSION "\n");
    EXPECT_EQ(p.err, "");
}

}  // namespace
}  // namespace celshift::test
