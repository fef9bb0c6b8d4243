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

}  // namespace
}  // namespace celshift
