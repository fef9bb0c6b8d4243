// The rows file: its lines, the checks of each row, and the file as it is read from disk.
#include "cli/rows_file.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "cli_process.h"

namespace celshift::test {
namespace {

using Rows = std::vector<std::pair<std::string, std::string>>;
using Problems = std::vector<std::pair<int, std::string>>;

const std::string kNoExtension = "画像の拡張子（.bmp .jpg .jpeg .jpy1 .jpdc .jpx）がありません";
const std::string kNot932 = "Shift-JISで表せない文字があります";
const std::string kTooLong = "ファイル名が長すぎます（255バイトまで）";
const std::string kHalf = "変換元と変換先の両方が必要です";
const std::string kNoTab = "変換元と変換先をタブで区切ってください";
const std::string kTwoTabs = "タブが2つ以上あります";
const std::string kNotUtf8 = "UTF-8として読めない文字があります";

struct RowsCase {
    const char* what;
    std::string text;
    Rows rows;
    Problems problems;
};

Rows rowsOf(const cli::RowsFile& file) {
    Rows rows;
    for (std::size_t i = 0; i < file.rows.from.size(); ++i) rows.emplace_back(file.rows.from[i], file.rows.to[i]);
    return rows;
}

Problems problemsOf(const cli::RowsFile& file) {
    Problems problems;
    for (const auto& problem : file.problems) problems.emplace_back(problem.line, problem.reason);
    return problems;
}

// 255 bytes in code page 932 once the extension is added: 125 two-byte characters, "a", ".bmp".
std::string kanji(int count) {
    std::string text;
    for (int i = 0; i < count; ++i) text += "表";
    return text;
}

TEST(RowsFile, LinesBecomeRowsOrAreRefusedWithTheirNumber) {
    const std::string longest = kanji(125) + "a.bmp";  // 255 bytes in the data file
    const std::string tooLong = kanji(125) + "ab.bmp";  // 256
    const std::vector<RowsCase> cases = {
        {"plain", "a.bmp\tb.jpg\n", {{"a.bmp", "b.jpg"}}, {}},
        {"no final line end", "a.bmp\tb.jpg", {{"a.bmp", "b.jpg"}}, {}},
        {"byte order mark, CR LF, comments, empty lines",
         "\xEF\xBB\xBF# rows\r\n\r\na.bmp\tb.jpg\r\n#c.bmp\td.bmp\r\n\nC.BMP\t背景.JPX\r\n",
         {{"a.bmp", "b.jpg"}, {"C.BMP", "背景.JPX"}}, {}},
        {"empty file", "", {}, {}},
        {"only a byte order mark", "\xEF\xBB\xBF", {}, {}},
        {"nothing is trimmed", " a.bmp\tb.bmp\na.bmp\tb.bmp \n", {{" a.bmp", "b.bmp"}}, {{2, kNoExtension}}},
        {"every extension, any case", "a.BMP\tb.jpg\nc.JPEG\td.jpy1\ne.Jpdc\tf.jpx\n",
         {{"a.BMP", "b.jpg"}, {"c.JPEG", "d.jpy1"}, {"e.Jpdc", "f.jpx"}}, {}},
        {"no tab", "a.bmp b.bmp\n", {}, {{1, kNoTab}}},
        {"two tabs", "a.bmp\tb.bmp\t\n", {}, {{1, kTwoTabs}}},
        {"half a row", "a.bmp\t\n\tb.bmp\n\t\n", {}, {{1, kHalf}, {2, kHalf}, {3, kHalf}}},
        {"no image extension", "a.png\tb.bmp\na.bmp\tb\na.jpe\tb.bmp\na.jpy\tb.bmp\na.jpxx\tb.bmp\n", {},
         {{1, kNoExtension}, {2, kNoExtension}, {3, kNoExtension}, {4, kNoExtension}, {5, kNoExtension}}},
        {"not in code page 932", "\xF0\x9F\x98\x80.bmp\tb.bmp\na.bmp\t\xE2\x80\x8B" "b.bmp\n", {},
         {{1, kNot932}, {2, kNot932}}},  // an emoji; a zero-width space
        {"a zero byte", std::string("a\0.bmp\tb.bmp\n", 13), {}, {{1, "NUL文字（\\x00）があります"}}},
        {"255 bytes and 256", longest + "\tb.bmp\nb.bmp\t" + longest + "\n" + tooLong + "\tc.bmp\nc.bmp\t" + tooLong,
         {{longest, "b.bmp"}, {"b.bmp", longest}}, {{3, kTooLong}, {4, kTooLong}}},
        {"a FROM twice, as the data file holds it",
         "a.bmp\tb.bmp\nA.bmp\tc.bmp\n〜.bmp\td.bmp\na.bmp\te.bmp\n～.bmp\tf.bmp\n",
         {{"a.bmp", "b.bmp"}, {"A.bmp", "c.bmp"}, {"〜.bmp", "d.bmp"}},
         {{4, "変換元が1行目と同じです"}, {5, "変換元が3行目と同じです"}}},
        {"a bad line does not take a FROM", "a.bmp\tb\na.bmp\tb.bmp\n", {{"a.bmp", "b.bmp"}}, {{1, kNoExtension}}},
        {"a byte order mark only at the start", "\xEF\xBB\xBF\xEF\xBB\xBF" "a.bmp\tb.bmp\n", {}, {{1, kNot932}}},
        {"line numbers count every line", "# one\n\r\n\n#\n\tx\n", {}, {{5, kHalf}}},
        {"a line of blanks is no empty line", " \n", {}, {{1, kNoTab}}},
        {"UTF-16, little-endian", std::string("\xFF\xFE" "a\0\t\0", 6), {},
         {{1, "UTF-16で書かれています。UTF-8で保存してください"}}},
        {"UTF-16, big-endian", std::string("\xFE\xFF\0a\0\t", 6), {}, {{1, "UTF-16で書かれています。UTF-8で保存してください"}}},
    };
    for (const RowsCase& c : cases) {
        const cli::RowsFile file = cli::parseRowsFile(c.text);
        EXPECT_EQ(problemsOf(file), c.problems) << c.what;
        EXPECT_EQ(rowsOf(file), c.rows) << c.what;  // with bad lines: the good ones, which are not to be used
    }
}

// A run takes the table and keeps no texts; the window keeps four. The rows are counted and looked up all the same.
TEST(RowsFile, TextsAreKeptOnlyAsAsked) {
    const std::string text = "a.bmp\tb.bmp\n# c\n\\x63.bmp\td.bmp\ne.bmp\tf.bmp\n";
    for (const std::size_t kept : {std::size_t{0}, std::size_t{2}, cli::kAllRowTexts}) {
        const cli::RowsFile file = cli::parseRowsFile(text, kept);
        EXPECT_EQ(file.rowCount, 3u) << kept;
        EXPECT_EQ(file.rows.from.size(), std::min<std::size_t>(kept, 3)) << kept;
        EXPECT_EQ(file.rows.to.size(), file.rows.from.size()) << kept;
        ASSERT_NE(file.rows.table, nullptr) << kept;
        EXPECT_EQ(file.rows.table->count, 3) << kept;
        EXPECT_EQ(file.rows.table->find(reinterpret_cast<const unsigned char*>("c.bmp"), 6), 1) << kept;
    }
    EXPECT_EQ(cli::parseRowsFile(text, 2).rows.from, (std::vector<std::string>{"a.bmp", "\\x63.bmp"}));
}

// Every boundary of the UTF-8 that a line may hold: the first and last lead bytes of each length, the
// second-byte ranges that keep out overlong forms, surrogates and values above U+10FFFF.
TEST(RowsFile, Utf8IsCheckedAtEveryBoundary) {
    const std::vector<std::pair<std::string, bool>> sequences = {
        {"\x7F", true},  {"\x80", false},          {"\xC1\xBF", false},      {"\xC2\x80", true},
        {"\xDF\xBF", true},  {"\xE0\x9F\xBF", false}, {"\xE0\xA0\x80", true},  {"\xED\x9F\xBF", true},
        {"\xED\xA0\x80", false}, {"\xEE\x80\x80", true}, {"\xEF\xBF\xBF", true}, {"\xF0\x8F\xBF\xBF", false},
        {"\xF0\x90\x80\x80", true}, {"\xF4\x8F\xBF\xBF", true}, {"\xF4\x90\x80\x80", false}, {"\xF5\x80\x80\x80", false},
        {"\xC2", false}, {"\xE3\x81", false}, {"\xC2\xC0", false}, {"\xE3\x81\x7F", false},
    };
    for (const auto& [sequence, valid] : sequences) {
        const cli::RowsFile file = cli::parseRowsFile("a" + sequence + ".bmp\tb.bmp\n");
        const bool refusedAsUtf8 = !file.problems.empty() && file.problems[0].reason == kNotUtf8;
        EXPECT_EQ(refusedAsUtf8, !valid) << sequence;
    }
}

TEST(RowsFile, TheFileIsReadWholeUpToItsLimit) {
    TempFolder folder;
    const std::string path = folder / "rows.txt";
    // Exactly at the limit: comment lines, then one row.
    std::string text(cli::kMaxRowsFileBytes - 12, '#');
    for (std::size_t i = 1000; i < text.size(); i += 1000) text[i] = '\n';
    text += "\na.bmp\tb.bmp";
    ASSERT_EQ(text.size(), cli::kMaxRowsFileBytes);
    writeFile(path, text);
    const cli::RowsFile file = cli::readRowsFile(path);
    EXPECT_TRUE(file.problems.empty());
    EXPECT_EQ(file.rows.from, std::vector<std::string>{"a.bmp"});

    writeFile(path, text + "\n");  // one byte more
    EXPECT_THROW(cli::readRowsFile(path), std::invalid_argument);
    EXPECT_THROW(cli::readRowsFile(folder / "none.txt"), std::invalid_argument);
    EXPECT_THROW(cli::readRowsFile(folder.path()), std::invalid_argument);
}

}  // namespace
}  // namespace celshift::test
