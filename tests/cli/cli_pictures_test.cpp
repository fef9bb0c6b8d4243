// Names given as bytes, unused pictures and pictures renamed with their rows, as a user meets them.
#include <algorithm>
#include <map>
#include <sstream>

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
                                                    "open.bmp", z("..\\up.bmp"), z("absent.jpx")}));
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

}  // namespace
}  // namespace celshift::test
