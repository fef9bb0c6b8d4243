#include "platform/code_page_932.h"

#include <gtest/gtest.h>

#include <string>

namespace celshift {
namespace {

TEST(ToCodePage932, WritesTheWindowsBytes) {
    const struct {
        const char* utf8;
        std::string bytes;
    } cases[] = {
        {"cell.bmp", "cell.bmp"},
        {"ソ", "\x83\x5C"},
        {"表", "\x95\x5C"},
        {"～", "\x81\x60"},  // U+FF5E, the Windows tilde
        {"①", "\x87\x40"},  // NEC special character
        {"髙", "\xFB\xFC"},  // IBM extension
        {"ｱ", "\xB1"},      // half-width katakana: one byte
        {"img\\セル.jpg", "img\\\x83\x5A\x83\x8B.jpg"},
    };
    for (const auto& c : cases) EXPECT_EQ(toCodePage932(c.utf8), c.bytes) << c.utf8;
    EXPECT_EQ(toCodePage932(""), std::string());
}

TEST(ToCodePage932, MapsJisFormsToTheFormsWindowsWrites) {
    const struct {
        const char* utf8;
        std::string bytes;
    } cases[] = {
        {"〜", "\x81\x60"},  // U+301C wave dash, as ～
        {"−", "\x81\x7C"},  // U+2212 minus, as U+FF0D
        {"‖", "\x81\x61"},  // U+2016, as U+2225
        {"¢", "\x81\x91"},
        {"£", "\x81\x92"},
        {"¬", "\x81\xCA"},
        {"—", "\x81\x5C"},  // U+2014 em dash, as U+2015
        {"a〜b.bmp", "a\x81\x60" "b.bmp"},
    };
    for (const auto& c : cases) EXPECT_EQ(toCodePage932(c.utf8), c.bytes) << c.utf8;
}

TEST(ToCodePage932, RefusesWhatTheCodePageCannotHold) {
    // "¥" would become 5C, a backslash, if fallbacks were on.
    for (const char* text : {"¥", "a¥b.bmp", "€.bmp", "cell😀.bmp", "한.bmp", "‾"})
        EXPECT_FALSE(toCodePage932(text).has_value()) << text;
}

// Characters a display may ignore must not vanish from a name on the way into the code page: "a\u200B.bmp"
// would be stored as "a.bmp", a name other than the one shown.
TEST(ToCodePage932, RefusesCharactersThatWouldVanish) {
    for (const char* text : {"a\uFEFF.bmp", "a\u200B.bmp", "a\u200D.bmp", "a\u00AD.bmp", "a\u2060.bmp",
                             "\u8868\uFE0F.bmp", "a\u180E.bmp"})
        EXPECT_FALSE(toCodePage932(text).has_value()) << text;
}

TEST(ToCodePage932, RefusesInvalidUtf8) {
    for (const std::string text : {"\xFF", "a\xE3\x81", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\x83\x5C"})
        EXPECT_FALSE(toCodePage932(text).has_value());
}

TEST(FromCodePage932, ReadsNamesBackAndMarksBadBytes) {
    EXPECT_EQ(fromCodePage932("\x83\x5C\x95\x5C.bmp"), "ソ表.bmp");
    EXPECT_EQ(fromCodePage932("\x81\x60\x87\x40\xFB\xFC"), "～①髙");
    EXPECT_EQ(fromCodePage932("a\xFF" "b"), "a\uFFFDb");
    EXPECT_EQ(fromCodePage932("a\x83"), "a\uFFFD");  // lead byte without its second byte
    EXPECT_EQ(fromCodePage932(""), "");
}

// The edges of the two lead-byte ranges 81-9F and E0-FC, and the single bytes right outside them.
TEST(CodePage932LeadBytes, RangesEndExactlyAtTheirEdges) {
    for (const int b : {0x81, 0x9F, 0xE0, 0xFC}) EXPECT_TRUE(isCodePage932LeadByte(static_cast<unsigned char>(b))) << b;
    for (const int b : {0x00, 0x5C, 0x7F, 0x80, 0xA0, 0xA1, 0xDF, 0xFD, 0xFF})
        EXPECT_FALSE(isCodePage932LeadByte(static_cast<unsigned char>(b))) << b;
}

TEST(FromCodePage932, ReadsTheFirstAndLastCharactersOfEachRange) {
    EXPECT_EQ(fromCodePage932("\x81\x40"), "\u3000");      // first double-byte character: ideographic space
    EXPECT_EQ(fromCodePage932("\x9F\xFC"), "\u6ECC");      // last of the first range
    EXPECT_EQ(fromCodePage932("\xE0\x40"), "\u6F3E");      // first of the second range
    EXPECT_EQ(fromCodePage932("\xFC\x4B"), "\u9ED1");      // last assigned character
    EXPECT_EQ(fromCodePage932("\xA1\xDF"), "\uFF61\uFF9F");  // half-width katakana: single bytes
    // Bytes that are neither characters nor lead bytes, and a pair that the code page leaves unassigned.
    EXPECT_EQ(fromCodePage932("a\x80" "b\xA0" "c\xFD" "d"), "a\uFFFDb\uFFFDc\uFFFDd");
    EXPECT_EQ(fromCodePage932("\x85\x40" "z"), "\uFFFDz");
    // A lead byte followed by a byte that cannot be its second: the lead byte alone is bad.
    EXPECT_EQ(fromCodePage932("\x81 x"), "\uFFFD x");
}

TEST(ToCodePage932, WritesTheEdgesOfEachRange) {
    EXPECT_EQ(toCodePage932("\u3000"), "\x81\x40");
    EXPECT_EQ(toCodePage932("\u6ECC"), "\x9F\xFC");
    EXPECT_EQ(toCodePage932("\u6F3E"), "\xE0\x40");
    EXPECT_EQ(toCodePage932("\u9ED1"), "\xFC\x4B");
    EXPECT_EQ(toCodePage932("\uFF61\uFF9F"), "\xA1\xDF");
}

}  // namespace
}  // namespace celshift
