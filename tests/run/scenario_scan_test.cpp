// The read-only scan of a scenario's image names, and how a stored name is shown.
#include <gtest/gtest.h>

#include <random>

#include "run/scenario_scan.h"
#include "run_fixture.h"
#include "platform/name_rules.h"

namespace celshift::test {
namespace {

using Names = std::vector<std::tuple<std::string, std::int64_t, int>>;

Names namesOf(const ScenarioScan& scan) {
    Names names;
    for (const auto& name : scan.names) names.emplace_back(name.bytes, name.fields, name.files);
    return names;
}

std::string z(const std::string& name) { return name + '\0'; }

class Scan : public ConversionRun {
protected:
    ScenarioScan scan() {
        auto list = makeDirectoryFileList();
        RunOptions options;
        options.jobs = 3;
        return scanScenario(scenario + "/Summary.wsm", *list, options);
    }
};

TEST_F(Scan, CountsEveryImageNameWhereverItStands) {
    // Kind 0: an event's type 6 node, a type 8 body's cells, a kind 0 entry's name, the file's cells.
    const ByteBuilder event = ByteBuilder().int32(2).imageNode("a.bmp").nodeHeader(8, "", 0).int32(2)
                                  .cellRecord("a.bmp").cellRecord("b.bmp").eventTrailer();
    put("Kind0.wid", ByteBuilder().fileHeader(0).int32(1).append(event).byte(0).int32(1)
                         .byte(0).plainString("").plainString("a.bmp").int32(0).plainString("").int32(0)
                         .plainString("").fill(12).imageName("c.bmp")
                         .int32(1).cellRecord("a.bmp").bytes());
    // A package file whose tree holds a type 11 body, whose entry list embeds a record with an event.
    const ByteBuilder embedded = ByteBuilder().int32(1).int32(0x40808).fill(3).int32(1).byte(0).plainString("")
                                     .plainString("").int32(0).emptyNestedRecord().int32(1).int32(1)
                                     .imageNode("deep.jpg").fill(5);
    put("Package01.wid", ByteBuilder().packageHeader().int32(1).int32(1).nodeHeader(11, "", 0).fill(11)
                             .plainString("").byte(0).append(embedded).bytes());
    // Names that differ only in case, width or a trailing byte are names of their own.
    put("Other.wid", ByteBuilder().fileHeader(8).int32(4).int32(1).imageNode("A.bmp").int32(1)
                         .imageNode("\x82\x60.bmp").int32(1).nodeHeader(6, "", 0).imageNameBytes(z(z("a.bmp")))
                         .plainString("").int32(1).nodeHeader(6, "", 0).imageNameBytes("a.bmp").plainString("")
                         .bytes());
    const ScenarioScan result = scan();
    EXPECT_FALSE(result.listingFailed);
    EXPECT_TRUE(result.problems.empty());
    EXPECT_EQ(result.dataFiles, 3);
    // Most fields first, then by the stored bytes.
    EXPECT_EQ(namesOf(result), (Names{{z("a.bmp"), 3, 1},
                                      {z("A.bmp"), 1, 1},
                                      {"a.bmp", 1, 1},
                                      {z(z("a.bmp")), 1, 1},
                                      {z("b.bmp"), 1, 1},
                                      {z("c.bmp"), 1, 1},
                                      {z("deep.jpg"), 1, 1},
                                      {z("\x82\x60.bmp"), 1, 1}}));
    EXPECT_TRUE(scanHasName(result, "a.bmp"));
    EXPECT_TRUE(scanHasName(result, "Ａ.bmp"));  // full-width A is 82 60
    EXPECT_FALSE(scanHasName(result, "B.bmp"));
    EXPECT_FALSE(scanHasName(result, ""));
}

TEST_F(Scan, FilesThatCannotBeWalkedAreListedInOrderWithTheirReason) {
    put("A.wid", dataFile("a.bmp"));
    put("B.wid", dataFile("a.bmp").substr(0, 20));
    put("C.wid", ByteBuilder().fileHeader(8).int32(1).int32(1).nodeHeader(6, "", 0).int32(300).bytes());
    put("D.wid", dataFile("a.bmp"));
    const ScenarioScan result = scan();
    ASSERT_EQ(result.problems.size(), 2u);
    EXPECT_EQ(result.problems[0].name, "B.wid");
    EXPECT_EQ(result.problems[0].path, joinPath(scenario, "B.wid"));
    EXPECT_EQ(result.problems[0].kind, ScanProblem::Kind::Failed);
    EXPECT_EQ(result.problems[0].reason, "データが20バイトで終わっています（18バイト目からの4バイトの整数の途中）");
    EXPECT_EQ(result.problems[1].name, "C.wid");
    EXPECT_EQ(result.problems[1].reason, "31バイト目の画像名フィールドの長さ 300 は 0～256 の範囲外です");
    EXPECT_EQ(namesOf(result), (Names{{z("a.bmp"), 2, 2}}));
}

TEST_F(Scan, AFolderThatCannotBeListedIsSaid) {
    fs::remove_all(scenario);
    EXPECT_TRUE(scan().listingFailed);
}

TEST(DisplayName, CharactersAsThemselvesEveryOtherByteEscaped) {
    EXPECT_EQ(displayName(z("cell.bmp")), "cell.bmp");
    EXPECT_EQ(displayName("cell.bmp"), "cell.bmp");              // no zero byte to drop
    EXPECT_EQ(displayName(z(z("a"))), "a\\x00");                 // only one is dropped
    EXPECT_EQ(displayName(z("img\\a.bmp")), "img\\a.bmp");       // a backslash is a character
    EXPECT_EQ(displayName("\x94\x77\x8c\x69" "01.bmp"), "背景01.bmp");
    EXPECT_EQ(displayName("\x83\x5c\x81\x60"), "ソ～");           // second bytes that read as "\" and "`"
    EXPECT_EQ(displayName("\xb1\xdf\xa1"), "ｱﾟ｡");                // half-width katakana, both ends of the range
    EXPECT_EQ(displayName("\x87\x40\xfb\xfc"), "①髙");            // NEC and IBM extensions
    EXPECT_EQ(displayName(std::string("\x01\x1f\x7f\x80\xa0\xfd\xfe\xff", 8)), "\\x01\\x1F\\x7F\\x80\\xA0\\xFD\\xFE\\xFF");
    EXPECT_EQ(displayName("\xf0\x40\xf9\xfc"), "\\xF0\\x40\\xF9\\xFC");  // user-defined: every byte
    EXPECT_EQ(displayName("\x85\x40" "a"), "\\x85@a");           // a pair the code page does not map
    EXPECT_EQ(displayName("\x82\x20"), "\\x82 ");                // a lead byte before a byte that cannot follow it
    EXPECT_EQ(displayName("a\x82"), "a\\x82");                   // a lead byte at the end
    EXPECT_EQ(displayName(std::string("\0", 1)), "");
}

// Both ends of every byte range the display reads, and the bytes just outside each.
TEST(DisplayName, EveryByteRangeEndsExactlyAtItsEdges) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        // Printable ASCII, 20 to 7E.
        {"\x1f", "\\x1F"}, {" ", " "}, {"~", "~"}, {"\x7f", "\\x7F"},
        // Half-width katakana, A1 to DF.
        {"\xa0", "\\xA0"}, {"\xa1", "｡"}, {"\xdf", "ﾟ"}, {"\xe0", "\\xE0"},
        // Lead bytes 81 to 9F and E0 to FC.
        {"\x80\x40", "\\x80@"}, {"\x81\x40", "\u3000"}, {"\x9f\x40", "檗"}, {"\xa0\x40", "\\xA0@"},
        {"\xe0\x40", "漾"}, {"\xfc\x4b", "黑"}, {"\xfd\x40", "\\xFD@"},
        // Second bytes 40 to 7E and 80 to FC.
        {"\x81\x3f", "\\x81?"}, {"\x81\x7e", "×"}, {"\x81\x7f", "\\x81\\x7F"}, {"\x81\x80", "÷"},
        {"\x81\xfc", "◯"}, {"\x81\xfd", "\\x81\\xFD"},
        // User-defined characters, leads F0 to F9: both bytes shown as stored; the rows around them decode.
        {"\xec\xfc", "\\xEC\\xFC"}, {"\xef\x40", "\\xEF@"}, {"\xf0\x40", "\\xF0\\x40"}, {"\xf9\xfc", "\\xF9\\xFC"},
        {"\xfa\x40", "ⅰ"}, {"\xf0\x3f", "\\xF0?"}, {"\xf0\x7f", "\\xF0\\x7F"}, {"\xf0\xfd", "\\xF0\\xFD"},
        // The escape's hex digits: 0-9, A-F, a-f; a backslash before anything else is itself.
        {"\\x0F", "\\x5Cx0F"}, {"\\x9a", "\\x5Cx9a"}, {"\\x/0", "\\x/0"}, {"\\x:0", "\\x:0"},
        {"\\x@0", "\\x@0"}, {"\\xG0", "\\xG0"}, {"\\x`0", "\\x`0"}, {"\\xg0", "\\xg0"},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(displayName(stored), shown) << shown;
        EXPECT_EQ(storedBytesOf(shown).value_or("(none)"), stored) << shown;
    }
}

// A character that the code page holds under two codes reads back as one of them only: the other is shown as
// its bytes, so that a name copied from the list matches what the data file holds.
TEST(DisplayName, CharactersTheCodePageHoldsTwiceShowTheirBytes) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\xed\x40", "\\xED\\x40"}, {"\xfa\x5c", "纊"},  // NEC-selected and IBM extension
        {"\xee\xfc", "\\xEE\\xFC"}, {"\xfc\x4b", "黑"},
        {"\xfa\x4a", "\\xFA\\x4A"}, {"\x87\x54", "Ⅰ"},  // Roman numeral one: IBM and NEC
        {"\x87\x9a", "\\x87\\x9A"}, {"\xfa\x5b", "\\xFA\\x5B"}, {"\x81\xe6", "∵"},
        {"\xee\xf9", "\\xEE\\xF9"}, {"\xfa\x54", "\\xFA\\x54"}, {"\x81\xca", "￢"},
    };
    for (const auto& [stored, shown] : cases) {
        EXPECT_EQ(displayName(stored + ".bmp"), shown + ".bmp") << shown;
        EXPECT_EQ(storedBytesOf(shown + ".bmp").value_or("(none)"), stored + ".bmp") << shown;
    }
}

TEST(DisplayName, UndecodableBytesRoundTrip) {
    for (const std::string& stored : {std::string("\x85\x40\x80\xff.bmp"), std::string("\xf0\x40\x01", 3),
                                      std::string("\x00\x01x", 3), std::string("ab\x82")}) {
        const auto back = storedBytesOf(displayName(stored));
        ASSERT_TRUE(back.has_value()) << displayName(stored);
        EXPECT_EQ(*back, stored) << displayName(stored);
    }
    // Random names of characters and bytes: what is shown reads back as the stored bytes whenever every shown
    // character has one form in the code page.
    std::mt19937 random(7);
    const std::vector<std::string> pieces = {"a", ".bmp", "\\", "\x94\x77", "\x83\x5c", "\xb1", "\x80", "\xff",
                                             "\x85\x40", "\xf0\x40", "\x01", "\x87\x40", "x4", "\xed\x40", "\xfa\x4a"};
    for (int n = 0; n < 500; ++n) {
        std::string stored;
        for (int k = random() % 8; k >= 0; --k) stored += pieces[random() % pieces.size()];
        EXPECT_EQ(storedBytesOf(displayName(stored)).value_or("(none)"), stored) << displayName(stored);
        // The written form tells a field with its closing zero byte from one without.
        for (const std::string& field : {stored, stored + '\0'}) {
            const std::optional<RowName> row = rowNameBytes(writtenName(field));
            EXPECT_EQ(row ? row->field() : "(none)", field) << writtenName(field);
        }
    }
    EXPECT_EQ(writtenName("a.bmp"), "a.bmp\u2205");
    EXPECT_EQ(writtenName(std::string("a.bmp\0", 6)), "a.bmp");
    EXPECT_EQ(writtenName(""), "\u2205");
}

}  // namespace
}  // namespace celshift::test
