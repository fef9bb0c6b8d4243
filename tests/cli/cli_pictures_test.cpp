// Names given as bytes, unused pictures and pictures renamed with their rows, as a user meets them.
#include <algorithm>
#include <map>
#include <sstream>
#include <thread>

#include "cli_process.h"

namespace celshift::test {
namespace {

// A kind 8 data file with one tree per field, each field's bytes exactly as given.
std::string fieldsFile(const std::vector<std::string>& fields) {
    ByteBuilder file;
    file.fileHeader(8).int32(static_cast<std::int32_t>(fields.size()));
    for (const auto& field : fields) file.int32(1).nodeHeader(6, "", 0).imageNameBytes(field).plainString("");
    return file.bytes();
}

std::string z(const std::string& name) { return name + '\0'; }

// The lines of a text.
std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every field that --list-names shows can be given back as a row: each listed line pasted as FROM replaces its own
// field and no other, through a rows file and through --from/--to.
TEST_F(CliProcess, EveryListedNameGivenBackAsARowMatchesItsFieldAlone) {
    const std::vector<std::string> fields = {
        z("\xED\x40.bmp"), z("\xFA\x5C.bmp"),           // 纊: NEC-selected form, and the IBM form a typed 纊 gives
        z("\x87\x54.bmp"), z("\xFA\x4A.bmp"),           // Ⅰ: NEC form, and its IBM form
        z("\xB1\xDF.bmp"),                              // half-width katakana
        z("\x85\x40\xFF.bmp"), z("\xF0\x40.bmp"),       // bytes that are no character, a user-defined one
        z("\x83\x5C.bmp"), z("\x83\x5Cx41.bmp"),        // a second byte 5C inside a character, before "x41"
        z("\\x41.bmp"), z("img\\cell.bmp"),             // a backslash before "x41", and one between folders
        "cell.bmp", z("cell.bmp"), z(z("cell.bmp")),    // without its zero byte, with it, with two
        z(std::string("a\0.bmp", 6)),                   // a zero byte inside
        std::string(256, 'n').replace(252, 4, ".bmp"),  // a whole field of 256 bytes, no zero byte
    };
    writeFile(scenario + "/Area03.wid", fieldsFile(fields));
    writeFile(scenario + "/Area04.wid", fieldsFile({z("\xED\x40.bmp"), "cell.bmp"}));
    const Process listed = runCli({"--list-names", scenario});
    ASSERT_EQ(listed.status, 0) << listed.err;
    const std::vector<std::string> lines = linesOf(listed.out);
    ASSERT_EQ(lines.size(), fields.size() + 1);  // and other.bmp of Area02
    EXPECT_NE(std::find(lines.begin(), lines.end(), "2\t2\tcell.bmp∅"), lines.end()) << listed.out;
    EXPECT_NE(std::find(lines.begin(), lines.end(), "2\t2\t\\xED\\x40.bmp"), lines.end()) << listed.out;

    // Row i turns the i-th listed name into r<i>.bmp: the converted copy must list each under its own new name
    // with the same counts. A name with a second zero byte has no image extension: no row, and it stays.
    std::string rows;
    std::multiset<std::string> expected;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t name = lines[i].find('\t', lines[i].find('\t') + 1) + 1;
        if (lines[i].ends_with("\\x00")) {
            expected.insert(lines[i]);
            continue;
        }
        rows += lines[i].substr(name) + "\tr" + std::to_string(i) + ".bmp\n";
        expected.insert(lines[i].substr(0, name) + "r" + std::to_string(i) + ".bmp");
    }
    writeFile(root / "rows.txt", rows);
    const Process run = runCli({"--quiet", "--output", output, "--rows", root / "rows.txt", scenario});
    ASSERT_EQ(run.status, 0) << run.err << rows;
    const Process after = runCli({"--list-names", output});
    const std::vector<std::string> afterLines = linesOf(after.out);
    EXPECT_EQ(std::multiset<std::string>(afterLines.begin(), afterLines.end()), expected) << after.out;

    // The same forms as --from.
    const Process one = runCli({"--dry-run", "--from", "\\xED\\x40.bmp", "--to", "x.bmp", "--from", "cell.bmp∅", "--to",
                                "y.bmp", "--from", "\\x5Cx41.bmp", "--to", "z.bmp", scenario});
    EXPECT_EQ(one.out, "画像置換: 3個のファイルを置換します\n集計: 変換１: 2箇所（2ファイル）\n集計: 変換２: 2箇所（2ファイル）\n"
                       "集計: 変換３: 1箇所（1ファイル）\n") << one.err;
}

// --unused lists what --missing cannot find a name for, looked up alike: a name is never both missing and its file
// unused, whatever case, composition, subfolder or trailing dot it takes.
TEST_F(CliProcess, UnusedPicturesAreTheFilesNoNameFindsLargestFirst) {
    writeFile(scenario + "/Area03.wid", fieldsFile({z("IMG\\Deep.JPG"), z("\x83\x4B.bmp") /* ガ */, z("dot.bmp."),
                                                    "open.bmp", z("..\\up.bmp"), z("absent.jpx"),
                                                    z("voice.wav") /* no picture: never missing */}));
    const std::map<std::string, std::string> files = {
        {"img/deep.jpg", "12345"}, {"\xE3\x82\xAB\xE3\x82\x99.bmp" /* ガ decomposed */, "12"}, {"dot.bmp", "1"},
        {"open.bmp", "1"}, {"big.BMP", std::string(100, 'b')}, {"img/left.jpeg", std::string(10, 'l')},
        {"a.jpy1", "1234567"}, {"b.jpdc", "7654321"}, {"img/sub/tiny.jpx", "123"}, {"readme.txt", "not a picture"}};
    for (const auto& [name, bytes] : files) {
        fs::create_directories(pathFromUtf8(scenario + "/" + name).parent_path());
        writeFile(scenario + "/" + name, bytes);
    }
    writeFile(root / "up.bmp", "outside");
    const Process unused = runCli({"--unused", scenario});
    EXPECT_EQ(unused.status, 1) << unused.err;
    const std::string img = printed(scenario, "img");
    EXPECT_EQ(unused.out, "100\t" + printed(scenario, "big.BMP") + "\n10\t" + printed(img, "left.jpeg") + "\n7\t" +
                              printed(scenario, "a.jpy1") + "\n7\t" + printed(scenario, "b.jpdc") + "\n3\t" +
                              printed(printed(img, "sub"), "tiny.jpx") + "\n");
    EXPECT_EQ(unused.err, "celshift-cli: 使われていない画像: 5ファイル、127バイト\n");
    const Process missing = runCli({"--missing", scenario});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.out, "1\t1\t..\\up.bmp\n1\t1\tabsent.jpx\n1\t1\tother.bmp\n");

    for (const char* name : {"big.BMP", "img/left.jpeg", "a.jpy1", "b.jpdc", "img/sub/tiny.jpx"})
        fs::remove(pathFromUtf8(scenario + "/" + name));
    const Process none = runCli({"--unused", scenario});
    EXPECT_EQ(none.status, 0);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "celshift-cli: 使われていない画像: 0ファイル、0バイト\n");
    // A data file that cannot be walked to its end may name any file: the answer is not known.
    writeFile(scenario + "/Broken.wid", dataFile("cell.bmp").substr(0, 30));
    EXPECT_EQ(runCli({"--unused", scenario}).status, 2);
}

// "--unused | cut -f2 | xargs rm" must never delete a picture a data file uses: one reached through a folder link
// or a file link is used, and when a data file cannot be read nothing is listed at all, the reasons on standard
// error only.
TEST_F(CliProcess, UnusedNeverListsAPictureANameReachesOrWhatItCannotJudge) {
    writeFile(scenario + "/Area03.wid", fieldsFile({z("lnk\\C.JPG"), z("alias.bmp")}));
    fs::create_directories(pathFromUtf8(scenario + "/A/B"));
    writeFile(scenario + "/A/B/C.JPG", "c");
    writeFile(scenario + "/real.bmp", "real");
    writeFile(scenario + "/left.bmp", "left over");
    fs::create_directory(pathFromUtf8(root / "elsewhere"));
    writeFile(root / "elsewhere/outside.bmp", "not the scenario's");
    std::error_code noLinks;
    fs::create_directory_symlink("A/B", pathFromUtf8(scenario + "/lnk"), noLinks);
    fs::create_symlink("real.bmp", pathFromUtf8(scenario + "/alias.bmp"), noLinks);
    fs::create_directory_symlink(pathFromUtf8(root / "elsewhere"), pathFromUtf8(scenario + "/out"), noLinks);
    if (noLinks) GTEST_SKIP() << "this system makes no links";
    EXPECT_EQ(runCli({"--missing", scenario}).out, "1\t1\tother.bmp\n");
    const Process unused = runCli({"--unused", scenario});
    EXPECT_EQ(unused.status, 1) << unused.err;
    EXPECT_EQ(unused.out, "9\t" + printed(scenario, "left.bmp") + "\n");

    // A data file that cannot be opened may name any picture.
    fs::create_symlink("nowhere.wid", pathFromUtf8(scenario + "/Gone.wid"));
    const Process unjudged = runCli({"--unused", scenario});
    EXPECT_EQ(unjudged.status, 2);
    EXPECT_EQ(unjudged.out, "");
    EXPECT_NE(unjudged.err.find("ErrorFm: " + printed(scenario, "Gone.wid") + ": "), std::string::npos) << unjudged.err;
    EXPECT_NE(unjudged.err.find("使われていない画像は判断できません"), std::string::npos) << unjudged.err;
}

#if !defined(_WIN32)
// A name that holds a backslash before "x" and two hex digits is shown as its written form writes it: not as the
// name with that byte.
TEST_F(CliProcess, ABackslashThatReadsAsAnEscapeIsShownAsOne) {
    writeFile(scenario + "/bad\\xFF.bmp", "ab");
    writeFile(scenario + "/bad\xFF.bmp", "a");
    EXPECT_EQ(runCli({"--unused", scenario}).out,
              "2\t" + printed(scenario, "bad\\x5CxFF.bmp") + "\n1\t" + printed(scenario, "bad\\xFF.bmp") + "\n");
}
#endif

// Every file under a folder, by its path relative to it ("/" between folders), hidden ones left out.
std::map<std::string, std::string> filesUnder(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(pathFromUtf8(folder))) {
        const std::string relative = utf8FromPath(fs::relative(entry.path(), pathFromUtf8(folder)).generic_u8string());
        if (entry.is_regular_file() && utf8FromPath(entry.path().filename())[0] != '.')
            files[relative] = readFile(utf8FromPath(entry.path()));
    }
    return files;
}

// --rename copies the picture of each used row under its TO, into subfolders too, where TO names no file yet;
// without it nothing is copied.
TEST_F(CliProcess, RenameCopiesEachRowsPictureUnderItsNewName) {
    writeFile(scenario + "/Area03.wid", fieldsFile({z("sub\\deep.bmp"), z("\x94\x77.bmp") /* 背 */, z("a.bmp"), z("b.bmp")}));
    fs::create_directory(pathFromUtf8(scenario + "/sub"));
    writeFile(scenario + "/sub/deep.bmp", "deep");
    writeFile(scenario + "/背.bmp", "back");
    writeFile(scenario + "/a.bmp", "a");
    writeFile(scenario + "/b.bmp", "b");
    writeFile(scenario + "/there.bmp", "there");
    fs::create_directory(pathFromUtf8(output + "/PICS"));
    fs::create_directory(pathFromUtf8(root / "elsewhere"));
    std::error_code noLinks;
    fs::create_directory_symlink(root / "elsewhere", output + "/linked", noLinks);
    if (noLinks) writeFile(output + "/linked", "");  // where no link can be made: a file where a folder should be
    const std::vector<std::string> rows = {
        "--from", "sub\\deep.bmp", "--to", "pics\\new\\deep2.bmp",  // into an existing folder of another case, and a new one
        "--from", "背.bmp", "--to", "back.bmp",
        "--from", "a.bmp", "--to", "there.bmp",                  // TO is a file of the scenario: nothing to copy
        "--from", "b.bmp", "--to", "linked\\b2.bmp"};          // a link where a folder should be
    const std::map<std::string, std::string> without = [&] {
        const std::string plain = root / "plain";
        fs::create_directory(pathFromUtf8(plain));
        std::vector<std::string> args = {"--quiet", "--output", plain};
        args.insert(args.end(), rows.begin(), rows.end());
        args.push_back(scenario);
        EXPECT_EQ(runCli(args).status, 0);
        return filesUnder(plain);
    }();
    EXPECT_EQ(without.count("back.bmp"), 0u);

    std::vector<std::string> args = {"--quiet", "--rename", "--output", output};
    args.insert(args.end(), rows.begin(), rows.end());
    args.push_back(scenario);
    const Process p = runCli(args);
    EXPECT_EQ(p.status, 1) << p.err;  // the link refused one copy
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 4個のファイルを置換します\n"
                     "画像コピー: 2個の画像を新しい名前でコピーしました\n  sub\\deep.bmp → pics\\new\\deep2.bmp\n"
                     "  背.bmp → back.bmp\n画像コピー: 新しい名前でコピーできなかった画像\n  b.bmp → linked\\b2.bmp\n"
                     "情報: 完了\n");
    EXPECT_NE(p.err.find("コピーできません: b.bmp → linked\\b2.bmp: "), std::string::npos) << p.err;
    std::map<std::string, std::string> expected = without;
    expected["PICS/new/deep2.bmp"] = "deep";
    expected["back.bmp"] = "back";
    if (noLinks) expected["linked"] = "";
    EXPECT_EQ(filesUnder(output), expected);
    EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
    // Converted, every name the rows wrote is found.
    EXPECT_EQ(runCli({"--missing", output}).out, "1\t1\tlinked\\b2.bmp\n1\t1\tother.bmp\n");
}

// What --rename cannot do is told, and the run says it failed: a FROM that names no picture, and a TO that an earlier
// row fills with another picture (the second row's fields would show the first row's picture). A row whose FROM
// names the same picture as the earlier row's, under the same TO, loses nothing and is not told.
TEST_F(CliProcess, RenameTellsWhatItCannotDo) {
    writeFile(scenario + "/c.bmp", "c");
    writeFile(scenario + "/d.bmp", "d");
    const Process p = runCli({"--quiet", "--rename", "--output", output, "--from", "gone.bmp", "--to", "g2.bmp", "--from",
                              "c.bmp", "--to", "new.bmp", "--from", "d.bmp", "--to", "NEW.bmp", "--from", "C.BMP", "--to",
                              "New.Bmp", scenario});
    EXPECT_EQ(p.status, 1);
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 4個のファイルを置換します\n"
                     "画像コピー: 1個の画像を新しい名前でコピーしました\n  c.bmp → new.bmp\n"
                     "画像コピー: 新しい名前でコピーできなかった画像\n  gone.bmp → g2.bmp\n  d.bmp → NEW.bmp\n情報: 完了\n");
    EXPECT_EQ(p.err, "コピーできません: gone.bmp → g2.bmp: 変換元の画像がシナリオのフォルダにありません\n"
                     "コピーできません: d.bmp → NEW.bmp: 変換２ と同じ変換先です（そちらの画像がこの名前でコピーされます）\n");
    EXPECT_EQ(readFile(output + "/new.bmp"), "c");
}

// --rename takes names as Windows does: a TO that an earlier row copies to, or that the output folder holds, in
// another case is no second picture (Windows would hold one file for both); the row that loses its picture is told.
TEST_F(CliProcess, RenameMakesNoPictureThatWindowsTakesForAnother) {
    writeFile(scenario + "/Area03.wid", fieldsFile({z("a.bmp"), z("b.bmp"), z("c.bmp")}));
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) writeFile(scenario + "/" + name, name);
    writeFile(output + "/OLD.bmp", "there");
    const Process p = runCli({"--quiet", "--rename", "--output", output, "--from", "a.bmp", "--to", "New.bmp", "--from",
                              "b.bmp", "--to", "new.bmp", "--from", "c.bmp", "--to", "old.bmp", scenario});
    EXPECT_EQ(p.status, 1) << p.err;
    EXPECT_EQ(p.out, "第一段階: コピー完了\n画像置換: 3個のファイルを置換します\n"
                     "画像コピー: 1個の画像を新しい名前でコピーしました\n  a.bmp → New.bmp\n"
                     "画像コピー: 新しい名前でコピーできなかった画像\n  b.bmp → new.bmp\n情報: 完了\n");
    const std::map<std::string, std::string> files = filesUnder(output);
    EXPECT_EQ(files.count("new.bmp") + files.count("old.bmp"), 0u);
    EXPECT_EQ(files.at("New.bmp"), "a.bmp");
}

#if !defined(_WIN32)
// Killed at any moment of its copies, a run with --rename leaves no partial picture under a final name, in a
// subfolder neither; the next run completes them.
TEST_F(CliProcess, AKilledRenameLeavesNoPartialPicture) {
    std::vector<std::string> names;
    std::string rows;
    for (int i = 0; i < 8; ++i) {
        const std::string name = "big" + std::to_string(i) + ".bmp";
        writeFile(scenario + "/" + name, std::string(4'000'000 + i, static_cast<char>('a' + i)));
        names.push_back(z(name));
        rows += name + "\tnew\\" + name + "\n";
    }
    writeFile(scenario + "/Area03.wid", fieldsFile(names));
    writeFile(root / "rows.txt", rows);
    const std::vector<std::string> args = {"--rename", "--jobs", "1", "--output", output, "--rows", root / "rows.txt",
                                           scenario};
    int partial = 0;  // kills that left some pictures copied and others not: the kills fall among the copies
    for (int kill = 0; kill < 16; ++kill) {
        fs::remove_all(pathFromUtf8(output));
        fs::create_directory(pathFromUtf8(output));
        CliChild child(args);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        const auto printed = [&] { return fs::exists(child.outPath()) ? readFile(child.outPath()) : std::string(); };
        while (printed().find("画像置換") == std::string::npos && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        std::this_thread::sleep_for(std::chrono::milliseconds(kill));
        ::kill(child.pid(), SIGKILL);
        child.wait();
        int copied = 0;
        for (const auto& [name, bytes] : filesUnder(output)) {
            if (!name.starts_with("new/")) continue;
            ASSERT_EQ(bytes, readFile(scenario + "/" + name.substr(4))) << name << " after kill " << kill;
            ++copied;
        }
        partial += copied > 0 && copied < 8;
    }
    EXPECT_GT(partial, 0);
    const Process rerun = runCli(args);
    EXPECT_EQ(rerun.status, 0) << rerun.out << rerun.err;
    EXPECT_EQ(filesUnder(output).size(), 8u + 8u + 5u);  // the pictures, their copies, the five other files
}
#endif

}  // namespace
}  // namespace celshift::test
