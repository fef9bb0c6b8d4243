// Every text that shows a row number, for every row number a run can have; and tables of any number of rows
// built as four were.
#include <gtest/gtest.h>

#include "run/build_replacement_table.h"
#include "run/run_texts.h"
#include "run_fixture.h"

namespace celshift::test {
namespace {

// The full-width form of n, built from the code points: U+FF10 is "０".
std::string fullWidth(int n) {
    std::string text;
    for (const char digit : std::to_string(n)) {
        const unsigned codePoint = 0xFF10 + static_cast<unsigned>(digit - '0');
        text += static_cast<char>(0xE0 | (codePoint >> 12));
        text += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
    return text;
}

TEST(RowTexts, EveryRowNumberIsWrittenInFullWidthDigits) {
    EXPECT_EQ(texts::rowNumber(12), "１２");
    for (int row = 0; row <= 10000; ++row) {
        const std::string number = fullWidth(row);
        ASSERT_EQ(texts::rowNumber(row), number);
        ASSERT_EQ(texts::rowSummary(row, 3, 2), "変換" + number + ": 3箇所（2ファイル）");
        ASSERT_EQ(texts::rowSummary(row, 0, 0), "変換" + number + ": 0箇所（見つかりません）");
        ASSERT_EQ(texts::rowSummary(row, 0, 0, true), "変換" + number + ": 0箇所（変換できなかったファイルがあります）");
        ASSERT_EQ(texts::rowNotCodePage932(row), "変換" + number + ": Shift-JISで表せない文字があります");
        ASSERT_EQ(texts::rowTooLong(row), "変換" + number + ": ファイル名が長すぎます（255バイトまで）");
    }
}

// Rows beyond the window's four are taken as the four are: up to the first that is not valid, which is told
// with its own number, be it the last.
TEST_F(ConversionRun, ATableOfManyRowsEndsAtItsFirstInvalidRowWhateverItsNumber) {
    put("A.wid", dataFile("n1.bmp"));
    for (const int count : {5, 10, 12, 1000}) {
        for (const bool tooLong : {false, true}) {
            rows.from.assign(static_cast<std::size_t>(count), "");
            rows.to.assign(static_cast<std::size_t>(count), "");
            for (int r = 1; r <= count; ++r) row(r, "n" + std::to_string(r) + ".bmp", "m.bmp");
            row(count, tooLong ? std::string(252, 'a') + ".bmp" : "\xF0\x9F\x98\x80.bmp", "m.bmp");
            messages.boxes.clear();
            auto list = makeDirectoryFileList();
            const RunOutcome outcome = dryRun(scenario + "/Summary.wsm", rows, *list, messages);
            const std::string number = fullWidth(count);
            EXPECT_EQ(messages.boxes,
                      (std::vector<Box>{{"画像置換", "変換" + number + (tooLong ? ": ファイル名が長すぎます（255バイトまで）"
                                                                         : ": Shift-JISで表せない文字があります")},
                                        countBox(count - 1)}))
                << count;
            EXPECT_EQ(outcome.usedRows, count - 1);
            EXPECT_EQ(outcome.rowTotals.size(), static_cast<std::size_t>(count - 1));
            EXPECT_EQ(outcome.rowTotals[0].fields, 1);
        }
    }
}

// The table of image extensions, first to last in any case, and the names just outside each.
TEST(ImageExtensions, EachEndsExactlyWhereItsTextEnds) {
    for (const char* name : {"a.bmp", "a.BMP", "a.jpg", "a.jpeg", "a.jpy1", "a.jpdc", "a.JPX", "a.b.jpx", ".bmp",
                             "img\\a.bmp", "\x83\x5c.bmp" /* ソ: its second byte reads as a backslash */})
        EXPECT_TRUE(hasImageExtension(name)) << name;
    for (const char* name : {"a.bm", "a.bmpp", "a.jp", "a.jpy", "a.jpy2", "a.jpd", "a.jpdcx", "a.jpx1", "a.jpe",
                             "a.jpegg", "abmp", "a. bmp", "a.bmp ", "a.bmp.", "a.bmp\\b", "a.\x83\x42mp" /* .ＢＭＰ-like */,
                             "a.bmp:", ""})
        EXPECT_FALSE(hasImageExtension(name)) << name;
}

// A row's texts become the exact field to look for and the name to write; what cannot be is told.
TEST(StoredRows, EscapesAndTheMarkGiveExactBytesAndTheirMisuseIsTold) {
    const std::string n256 = std::string(252, 'n') + ".bmp";
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> cases = {
        // from, to, the field looked for (or the reason), the name written
        {"\\xED\\x40.bmp", "\\x83\\x5c.jpg", "\xED\x40.bmp" + std::string(1, '\0'), "\x83\x5C.jpg"},
        {"a.bmp\u2205", "b.bmp", "a.bmp", "b.bmp"},
        {"img\\a.bmp", "\\x5Cx41.bmp", std::string("img\\a.bmp\0", 10), "\\x41.bmp"},
        {"a\\x00.bmp", "b.bmp", std::string("a\0.bmp\0", 7), "b.bmp"},
        {"\\x4.bmp", "\\xg0.bmp", std::string("\\x4.bmp\0", 8), "\\xg0.bmp"},  // not two hex digits: text
        {n256 + "\u2205", "b.bmp", n256, "b.bmp"},  // 256 bytes fill a field without its zero byte
        {n256, "b.bmp", texts::kRowTooLong, ""},
        {"a.bmp", "b.bmp\u2205", texts::kRowToWithoutZeroByte, ""},
        {"a.bmp", "b\\x00.bmp", texts::kRowZeroByteInTo, ""},
        {"a\u2205.bmp", "b.bmp", texts::kRowMarkNotAtEnd, ""},
        {"a.bmp", "b\u2205\u2205", texts::kRowMarkNotAtEnd, ""},
        {"\u2205", "b.bmp", texts::kRowNoImageExtension, ""},  // the field of no bytes, as --list-names shows it
        {"", "b.bmp", texts::kRowHalfEmpty, ""},
        {"a.bmp\\x00", "b.bmp", texts::kRowNoImageExtension, ""},
    };
    for (const auto& [from, to, field, written] : cases) {
        const StoredRow row = storeRow(from, to);
        if (written.empty()) {
            EXPECT_EQ(row.check.state, RowState::Invalid) << from;
            EXPECT_EQ(row.check.reason, field) << from;
            continue;
        }
        EXPECT_EQ(row.check.state, RowState::Used) << from << " " << row.check.reason;
        EXPECT_EQ(row.from, field) << from;
        EXPECT_EQ(row.to, written) << from;
    }
}

TEST(ConversionRowsShape, ADefaultHoldsTheWindowsFourEmptyRows) {
    const ConversionRows rows;
    EXPECT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows.from[3], "");
    EXPECT_EQ(rows.to[3], "");
    ConversionRows uneven;
    uneven.from = {"a.bmp", "b.bmp", "c.bmp"};
    uneven.to = {"x.bmp"};
    EXPECT_EQ(uneven.size(), 3u);  // the missing texts are empty: row 2 ends the table
    const auto checks = checkRows(uneven);
    EXPECT_EQ(checks[0].state, RowState::Used);
    EXPECT_EQ(checks[1].state, RowState::Invalid);
    EXPECT_EQ(checks[2].state, RowState::NotUsed);
}

// A row names the earlier used row with its FROM, compared as the table holds it: "〜" is stored as "～", case counts,
// and rows that a run leaves out repeat nothing and are repeated by nothing.
TEST(RepeatedRows, EachNamesTheFirstUsedRowWithTheSameFrom) {
    ConversionRows rows;
    rows.from = {"a.bmp", "A.bmp", "a.bmp", "x〜.bmp", "x～.bmp", "a.bmp", "", "a.bmp"};
    rows.to = {"b.bmp", "c.bmp", "d.bmp", "e.bmp", "f.bmp", "g.png", "", "h.bmp"};
    EXPECT_EQ(earlierRowsWithSameFrom(rows), (std::vector<int>{0, 0, 1, 0, 4, 0, 0, 0}));
}

}  // namespace
}  // namespace celshift::test
