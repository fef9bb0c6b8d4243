// Rows from a file, several scenarios in one call, and the images a scenario names but lacks, as a user meets them.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#if !defined(_WIN32)
#include <signal.h>
#endif

#include "cli_process.h"
#include "platform/code_page_932.h"
#include "scenario_builder/data_file_generator.h"

namespace celshift::test {
namespace {

using Files = std::map<std::string, std::string>;

// The files directly in a folder, hidden ones (the run's lock and temporary files) left out.
Files filesOf(const std::string& folder) {
    Files files;
    for (const auto& entry : fs::directory_iterator(pathFromUtf8(folder))) {
        const std::string name = utf8FromPath(entry.path().filename());
        if (name[0] != '.' && entry.is_regular_file()) files[name] = readFile(utf8FromPath(entry.path()));
    }
    return files;
}

void makeScenario(const std::string& folder, const Files& files) {
    fs::create_directories(pathFromUtf8(folder));
    for (const auto& [name, bytes] : files) {
        fs::create_directories(pathFromUtf8(folder + "/" + name).parent_path());
        writeFile(folder + "/" + name, bytes);
    }
}

// A kind 8 data file with one tree per image name, each name as stored (code page 932, its zero byte added).
std::string namesFile(const std::vector<std::string>& images) {
    ByteBuilder file;
    file.fileHeader(8).int32(static_cast<std::int32_t>(images.size()));
    for (const auto& image : images) file.int32(1).imageNode(image);
    return file.bytes();
}

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

class CliBatch : public CliProcess {
protected:
    std::string second = root / "二番目";
    void SetUp() override {
        CliProcess::SetUp();
        makeScenario(second, {{"Summary.wsm", "second"}, {"other.bmp", "BM2"}, {"B1.wid", dataFile("other.bmp")},
                              {"B2.wid", namesFile({"cell.bmp", "x.bmp", "cell.bmp"})}});
    }
    std::string rowsFile(const std::string& text) {
        const std::string path = root / "rows.txt";
        writeFile(path, text);
        return path;
    }
};

TEST_F(CliBatch, RowsFromAFileConvertAsTheSamePairsOnTheCommandLine) {
    const std::string rows = rowsFile("\xEF\xBB\xBF# two rows\r\ncell.bmp\t新しい〜.jpg\r\n\r\nother.bmp\to.jpg\r\n");
    const Process fromFile = runCli({"--output", output, "--rows", rows, scenario});
    const std::string pairs = root / "pairs";
    fs::create_directory(pairs);
    const Process fromPairs = runCli({"--output", pairs, "--from", "cell.bmp", "--to", "新しい〜.jpg", "--from",
                                      "other.bmp", "--to", "o.jpg", scenario});
    EXPECT_EQ(fromFile.status, 0) << fromFile.err;
    EXPECT_EQ(fromFile.out, fromPairs.out);
    EXPECT_EQ(fromFile.out, "第一段階: コピー完了\n画像置換: 2個のファイルを置換します\n情報: 完了\n"
                            "集計: 変換１: 1箇所（1ファイル）\n集計: 変換２: 1箇所（1ファイル）\n");
    EXPECT_EQ(filesOf(output), filesOf(pairs));
    EXPECT_NE(filesOf(output)["Area01.wid"], dataFile("cell.bmp"));
}

TEST_F(CliBatch, ABadRowsFileRefusesTheRunBeforeAnythingIsWritten) {
    const std::string rows = rowsFile("cell.bmp\tc.jpg\ncell.bmp\td.jpg\n# fine\nother.bmp other.jpg\nx.bmp\ty.png\n");
    const Process p = runCli({"--output", output, "--rows", rows, scenario, second});
    EXPECT_EQ(p.status, 2);
    EXPECT_EQ(p.out, "");
    EXPECT_EQ(p.err, "celshift-cli: " + rows + ":2: 変換元が1行目と同じです\n"
                     "celshift-cli: " + rows + ":4: 変換元と変換先をタブで区切ってください\n"
                     "celshift-cli: " + rows + ":5: 画像の拡張子（.bmp .jpg .jpeg .jpy1 .jpdc .jpx）がありません\n");
    EXPECT_TRUE(fs::is_empty(output));

    for (const std::string& unreadable : {root / "none.txt", root.path()}) {
        const Process missing = runCli({"--dry-run", "--rows", unreadable, scenario});
        EXPECT_EQ(missing.status, 2) << unreadable;
        EXPECT_EQ(missing.out, "") << unreadable;
        EXPECT_NE(missing.err.find("変換行ファイル"), std::string::npos) << missing.err;
    }
    // A rows file without a row runs (a copy as it is), and says that it has none.
    const std::string empty = rowsFile("# nothing yet\n");
    const Process none = runCli({"--dry-run", "--rows", empty, scenario});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.err, "celshift-cli: " + empty + ": 行がありません（どの画像名も置き換えません）\n");
}

// A thousand rows over generated data files give the files the generator writes with the new names, and a
// summary line for every row, the last included.
TEST_F(CliBatch, AThousandRowsConvertAsTheGeneratorsRenamedTwin) {
    constexpr int kRows = 1000;
    std::string rowsText;
    build::NameMap pairs;
    std::vector<std::string> fromNames;  // as stored, in the order of the rows
    build::DataFileOptions options;
    for (int i = 0; i < kRows + 200; ++i) {
        // Names of every length class: short, Japanese, long; the last 200 have no row.
        const std::string from = (i % 3 == 0 ? "画像" : i % 3 == 1 ? "c" : "long_picture_name_") + std::to_string(i) +
                                 (i % 2 ? ".bmp" : ".JPG");
        const std::string stored = toCodePage932(from).value();
        options.imageNames.push_back(stored);
        if (i >= kRows) continue;
        const std::string to = "新" + std::to_string(i) + ".jpg";
        rowsText += from + "\t" + to + "\n";
        pairs[stored] = toCodePage932(to).value();
        fromNames.push_back(stored);
    }
    std::map<std::string, std::pair<std::int64_t, int>> counts;  // per stored name: fields, files
    Files expected;
    const std::vector<std::pair<std::string, int>> files = {{"Kind0.wid", 0}, {"Kind8.wid", 8}, {"Package1.wid", -1}};
    for (const auto& [name, kind] : files) {
        options.kind = kind < 0 ? 8 : kind;
        options.package = kind < 0;
        options.seed = static_cast<std::uint64_t>(kind + 7);
        options.approximateBytes = 300 * 1024;
        build::DataFileReport report;
        writeFile(scenario + "/" + name, build::dataFileBytes(options, &report));
        build::DataFileOptions renamed = options;
        renamed.renamedImages = pairs;
        expected[name] = build::dataFileBytes(renamed);
        for (const auto& [image, fields] : report.imageFields) {
            counts[image].first += static_cast<std::int64_t>(fields);
            ++counts[image].second;
        }
    }
    fs::remove(pathFromUtf8(scenario + "/Area01.wid"));
    fs::remove(pathFromUtf8(scenario + "/Area02.wid"));

    const Process p = runCli({"--output", output, "--rows", rowsFile(rowsText), scenario});
    EXPECT_EQ(p.status, 0) << p.err;
    const Files written = filesOf(output);
    for (const auto& [name, bytes] : expected) EXPECT_TRUE(written.at(name) == bytes) << name;

    std::string lines = "第一段階: コピー完了\n画像置換: 1000個のファイルを置換します\n情報: 完了\n";
    int rowsThatReplaced = 0;
    for (int row = 1; row <= kRows; ++row) {
        const auto found = counts.find(fromNames[static_cast<std::size_t>(row - 1)]);
        const std::int64_t fields = found == counts.end() ? 0 : found->second.first;
        rowsThatReplaced += fields > 0;
        std::string number;
        for (const char digit : std::to_string(row)) number += std::string("０１２３４５６７８９").substr(3 * static_cast<std::size_t>(digit - '0'), 3);
        lines += "集計: 変換" + number + ": " +
                 (fields == 0 ? std::string("0箇所（見つかりません）")
                              : std::to_string(fields) + "箇所（" + std::to_string(found->second.second) + "ファイル）") +
                 "\n";
    }
    EXPECT_EQ(p.out, lines);
    EXPECT_GT(rowsThatReplaced, 500);  // the files name most of the images
    EXPECT_NE(p.out.find("集計: 変換１０００: "), std::string::npos);
}

// Each scenario of a call gives what a call of its own gives, into a folder of its own, in every mode.
TEST_F(CliBatch, SeveralScenariosGiveWhatSingleCallsGive) {
    writeFile(second + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    const std::vector<std::string> rows{"--from", "cell.bmp", "--to", "c.jpg"};
    const Process both = runCli(with({"--output", output}, with(rows, {scenario, second})));
    const std::string single1 = root / "single1";
    const std::string single2 = root / "single2";
    fs::create_directory(single1);
    fs::create_directory(single2);
    const Process one = runCli(with({"--output", single1}, with(rows, {scenario})));
    const Process two = runCli(with({"--output", single2}, with(rows, {second})));
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(two.status, 1);  // Broken.wid
    EXPECT_EQ(both.status, 1);
    EXPECT_EQ(both.out, "シナリオ: シナリオ\n" + one.out + "シナリオ: 二番目\n" + two.out);
    EXPECT_EQ(both.err, one.err + two.err);
    EXPECT_EQ(filesOf(output + "/シナリオ"), filesOf(single1));
    EXPECT_EQ(filesOf(output + "/二番目"), filesOf(single2));
    EXPECT_EQ(filesOf(output).size(), 0u);  // only the two folders

    for (const std::vector<std::string>& mode : std::vector<std::vector<std::string>>{
             with({"--dry-run"}, rows), {"--list-names"}, {"--missing"}}) {
        const Process call = runCli(with(mode, {scenario, second}));
        const Process first = runCli(with(mode, {scenario}));
        const Process other = runCli(with(mode, {second}));
        EXPECT_EQ(call.out, "シナリオ: シナリオ\n" + first.out + "シナリオ: 二番目\n" + other.out) << mode[0];
        EXPECT_EQ(call.status, std::max(first.status, other.status)) << mode[0];
        EXPECT_NE(call.status, 0) << mode[0];
    }
}

TEST_F(CliBatch, ScenarioFoldersOfOneNameAreRefusedBeforeAnythingIsWritten) {
    const std::string sameName = root / "elsewhere/シナリオ";
    makeScenario(sameName, {{"Summary.wsm", "s"}, {"A.wid", dataFile("cell.bmp")}});
    // One name on Windows, whose folders do not tell case apart.
    const std::string upper = root / "upper/Scene";
    const std::string lower = root / "lower/scene";
    for (const std::string& folder : {upper, lower}) makeScenario(folder, {{"Summary.wsm", "s"}});
    for (const std::vector<std::string>& scenarios : std::vector<std::vector<std::string>>{
             {scenario, second, sameName}, {scenario, scenario + "/Summary.wsm"}, {upper, lower}}) {
        const Process p = runCli(with({"--output", output}, scenarios));
        EXPECT_EQ(p.status, 2);
        EXPECT_EQ(p.out, "");
        EXPECT_NE(p.err.find("）のシナリオフォルダが二つあります"), std::string::npos) << p.err;
        EXPECT_TRUE(fs::is_empty(output));
    }
    // A scenario that names nothing refuses the call, too.
    const Process missing = runCli({"--output", output, scenario, root / "nothing"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_EQ(missing.out, "");
    EXPECT_TRUE(fs::is_empty(output));
}

TEST_F(CliBatch, AScenarioThatCannotStartLeavesTheOthersAlone) {
    writeFile(output + "/シナリオ", "a file where the scenario's output folder should be");
    const Process p = runCli({"--output", output, second, scenario});
    EXPECT_EQ(p.status, 2);
    EXPECT_TRUE(p.out.starts_with("シナリオ: 二番目\n第一段階: コピー完了\n")) << p.out;
    EXPECT_NE(p.out.find("シナリオ: シナリオ\nエラー: "), std::string::npos) << p.out;
    EXPECT_EQ(filesOf(output + "/二番目").size(), 4u);
    EXPECT_EQ(readFile(output + "/シナリオ"), "a file where the scenario's output folder should be");
}

// "." and ".." name the folder they stand for; no output folder of the call may be a scenario folder, through a
// link neither: the call would write into a scenario.
TEST_F(CliBatch, OutputFoldersAreNamedAfterTheirScenarioAndNeverAreOne) {
    fs::create_directory(pathFromUtf8(scenario + "/sub"));
    const Process dots = runCli({"--output", output, scenario + "/sub/..", second + "/."});
    EXPECT_EQ(dots.status, 0) << dots.out << dots.err;
    EXPECT_TRUE(dots.out.starts_with("シナリオ: シナリオ\n")) << dots.out;
    EXPECT_EQ(filesOf(output + "/二番目").size(), 4u);
    EXPECT_TRUE(filesOf(output).empty());

    // The second scenario's folder as the output, and a folder that holds a link named after the first to it (where
    // the system lets links be made).
    const std::string elsewhere = root / "elsewhere";
    fs::create_directory(pathFromUtf8(elsewhere));
    std::error_code noLinks;
    fs::create_directory_symlink(pathFromUtf8(second), pathFromUtf8(elsewhere + "/シナリオ"), noLinks);
    std::vector<std::string> outputs{second};
    if (!noLinks) outputs.push_back(elsewhere);
    const Files secondBefore = filesOf(second);
    for (const std::string& out : outputs) {
        const Process p = runCli({"--output", out, scenario, second});
        EXPECT_EQ(p.status, 2) << out;
        EXPECT_EQ(p.out, "") << out;
        EXPECT_NE(p.err.find("が、指定したシナリオのフォルダです"), std::string::npos) << p.err;
    }
    EXPECT_EQ(filesOf(second), secondBefore);

    // Two output folders that are one: in the output folder, a link named after the first scenario to the second's
    // output folder.
    if (!noLinks) {
        const std::string linked = root / "linked";
        fs::create_directories(pathFromUtf8(linked + "/二番目"));
        fs::create_directory_symlink("二番目", pathFromUtf8(linked + "/シナリオ"));
        const Process p = runCli({"--output", linked, scenario, second});
        EXPECT_EQ(p.status, 2);
        EXPECT_EQ(p.out, "");
        EXPECT_NE(p.err.find("二つのシナリオが同じフォルダに書き込まれます"), std::string::npos) << p.err;
        EXPECT_TRUE(fs::is_empty(pathFromUtf8(linked + "/二番目")));
    }
}

// A scenario's name in DIR that is a link (to a folder elsewhere, or a dangling one) refuses that scenario with its
// reason, and nothing outside DIR changes; the other scenario runs.
TEST_F(CliBatch, ALinkInTheOutputFolderIsNeverFollowed) {
    const std::string elsewhere = root / "elsewhere";
    makeScenario(elsewhere, {{"Area01.wid", dataFile("cell.bmp")}, {"notes.txt", "mine"}});
    const Files before = filesOf(elsewhere);
    for (const std::string& target : {elsewhere, root / "gone"}) {
        fs::remove_all(pathFromUtf8(output));
        fs::create_directory(pathFromUtf8(output));
        std::error_code noLinks;
        fs::create_directory_symlink(pathFromUtf8(target), pathFromUtf8(output + "/シナリオ"), noLinks);
        if (noLinks) GTEST_SKIP() << "this system makes no links";
        const Process p = runCli({"--output", output, "--from", "cell.bmp", "--to", "x.bmp", scenario, second});
        EXPECT_EQ(p.status, 2) << target;
        EXPECT_TRUE(p.out.starts_with("シナリオ: シナリオ\nエラー: 出力先フォルダがリンクです（リンク先には書き込みません）\n  " +
                                      output + "/シナリオ\nシナリオ: 二番目\n第一段階: コピー完了\n"))
            << p.out;
        EXPECT_EQ(filesOf(elsewhere), before);
        EXPECT_FALSE(fs::exists(pathFromUtf8(root / "gone")));
        EXPECT_EQ(filesOf(output + "/二番目").size(), 4u);
    }
}

// An output folder that is missing or no folder is named as such, for each scenario; nothing is made.
TEST_F(CliBatch, AnOutputFolderThatCannotHoldTheScenariosIsNamed) {
    const std::string file = root / "a-file";
    writeFile(file, "x");
    const std::string missing = root / "missing-folder";
    for (const auto& [out, text] : std::vector<std::pair<std::string, std::string>>{
             {file, "出力先がフォルダではありません"}, {missing, "出力先フォルダがありません"}}) {
        const Process p = runCli({"--output", out, scenario, second});
        EXPECT_EQ(p.status, 2);
        EXPECT_EQ(p.out, "シナリオ: シナリオ\nエラー: " + text + "\n  " + out + "\nシナリオ: 二番目\nエラー: " + text +
                             "\n  " + out + "\n");
    }
    EXPECT_FALSE(fs::exists(pathFromUtf8(missing)));
}

#if !defined(_WIN32)  // a signal from another process
TEST_F(CliBatch, AStopEndsTheCallAndNoLaterScenarioStarts) {
    // The signal comes while the first scenario's long file is in work.
    writeLongDataFile(scenario + "/A.wid");
    CliChild child({"--dry-run", "--jobs", "1", scenario, second});
    signalOnceItPrinted(child, "画像置換", SIGTERM);
    const Process p = child.wait();
    EXPECT_EQ(p.status, 128 + SIGTERM) << p.out << p.err;
    EXPECT_EQ(p.out, "シナリオ: シナリオ\n画像置換: 0個のファイルを置換します\n失敗: A.wid\n情報: 中止しました\n");
}
#endif

// --missing: names looked up as Windows looks them up, listed as --list-names lists them.
TEST_F(CliBatch, MissingListsTheImageNamesNoFileMatches) {
    const std::string folder = root / "missing";
    makeScenario(folder, {{"Summary.wsm", "s"}, {"Cell.BMP", "BM"}, {"Img/Face.jpg", "jpg"},
                          {"\xE3\x81\x8B\xE3\x82\x99.bmp", "decomposed が"}, {"readme", "text"}});
    const std::string ga = "\x82\xAA.bmp";  // が in code page 932
    writeFile(folder + "/A.wid", namesFile({"cell.bmp", "img\\face.jpg", ga, "none.bmp", "none.bmp", "readme",
                                            "..\\missing\\Cell.BMP", "\x85\x40.bmp", "img\\none.JPEG"}));
    writeFile(folder + "/B.wid", namesFile({"none.bmp", "CELL.bmp", "Img/Face.JPG"}));
    const Process p = runCli({"--missing", folder});
    EXPECT_EQ(p.status, 1) << p.err;
    // Most fields first, then by the stored bytes, as --list-names orders them.
    EXPECT_EQ(p.out, "3\t2\tnone.bmp\n1\t1\t..\\missing\\Cell.BMP\n1\t1\timg\\none.JPEG\n1\t1\t\\x85@.bmp\n");

    makeScenario(folder, {{"NONE.bmp", "now there"}, {"img/none.jpeg", "now there"}});
    writeFile(folder + "/A.wid", namesFile({"cell.bmp", "img\\face.jpg", ga, "none.bmp", "img\\none.JPEG"}));
    const Process complete = runCli({"--missing", folder});
    EXPECT_EQ(complete.status, 0) << complete.out << complete.err;
    EXPECT_EQ(complete.out, "");

    // A data file that cannot be walked to its end may hold more names: the answer is not complete.
    writeFile(folder + "/C.wid", namesFile({"x.bmp"}).substr(0, 20));
    const Process broken = runCli({"--missing", folder});
    EXPECT_EQ(broken.status, 2);
    EXPECT_EQ(broken.out, "失敗: C.wid\n");
    EXPECT_NE(broken.err.find("失敗: C.wid: "), std::string::npos) << broken.err;

    const Process unreadable = runCli({"--missing", root / "nothing"});
    EXPECT_EQ(unreadable.status, 2);
}

}  // namespace
}  // namespace celshift::test
