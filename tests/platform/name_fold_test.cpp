// File names folded for comparing as Windows compares them: case and composition ignored, nothing else.
#include "platform/name_fold.h"

#include <gtest/gtest.h>

#include <string>

namespace celshift {
namespace {

struct FoldCase {
    const char* a;
    const char* b;
    bool same;
};

bool sameName(const std::string& a, const std::string& b) {
    const std::optional<std::string> foldedA = foldFileName(a);
    const std::optional<std::string> foldedB = foldFileName(b);
    return foldedA && foldedB && *foldedA == *foldedB;
}

TEST(FoldFileName, CaseAndCompositionAreIgnoredWidthAndKanaAreNot) {
    const FoldCase cases[] = {
        {"Cell_Red.BMP", "cell_red.bmp", true},
        {"\xEF\xBC\xA1.bmp", "\xEF\xBD\x81.bmp", true},                // full-width Ａ and ａ
        {"\xCE\xA3", "\xCF\x83", true},                                // Greek Σ and σ
        {"\xD0\x94", "\xD0\xB4", true},                                // Cyrillic Д and д
        {"\xE2\x85\xA3.jpg", "\xE2\x85\xB3.jpg", true},                // Roman numerals Ⅳ and ⅳ
        {"\xE3\x81\x8B\xE3\x82\x99.bmp", "\xE3\x81\x8C.bmp", true},    // か + combining voiced mark, が
        {"\xE3\x83\x8F\xE3\x82\x9A", "\xE3\x83\x91", true},            // ハ + combining semi-voiced mark, パ
        {"E\xCC\x81.bmp", "\xC3\xA9.bmp", true},                       // E + combining acute, é
        {"\xE2\x84\xAB", "\xC3\x85", true},                            // Ångström sign (code page 932's Å), Å
        {"\xEF\xBC\xA1.bmp", "A.bmp", false},                          // width stays: Ａ is not A
        {"\xEF\xBE\x83\xEF\xBE\x9E", "\xE3\x83\x87", false},           // half-width ﾃﾞ is not デ
        {"\xE3\x81\x82", "\xE3\x82\xA2", false},                       // hiragana あ is not katakana ア
        {"\xC3\x9F", "ss", false},                                     // ß: one letter for one, never "ss"
        {"a.bmp", "a.bmp ", false},                                    // no trimming here
        {"a.bmp", "a.bmp.", false},
        {"\xE8\xA1\xA8.bmp", "\xE8\xA1\xA8.BMP", true},                // 表 keeps its bytes, the extension folds
        {"@[", "`{", false},  // the signs beside the letters are no letters
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZ", "abcdefghijklmnopqrstuvwxyz", true},
    };
    for (const FoldCase& c : cases) EXPECT_EQ(sameName(c.a, c.b), c.same) << c.a << " / " << c.b;
}

TEST(FoldFileName, TextThatIsNotUtf8HasNoForm) {
    for (const std::string bad : {"\xFF.bmp", "\xC3", "\x80.bmp" /* a lone continuation byte */, "\xED\xA0\x80.bmp" /* a surrogate */, "\xC0\xAF" /* overlong */})
        EXPECT_FALSE(foldFileName(bad).has_value()) << bad;
    EXPECT_EQ(foldFileName(""), std::string());
}

}  // namespace
}  // namespace celshift
