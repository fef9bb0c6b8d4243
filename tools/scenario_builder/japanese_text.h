// Japanese texts as the data files hold them (code page 932), each with its UTF-8 form for file names on
// disk and for display. Several hold a trail byte 5C, the byte of a backslash ("ソ" 83 5C, "表" 95 5C).
#pragma once

#include <span>
#include <string_view>

namespace celshift::build {

struct JapaneseText {
    std::string_view utf8;
    std::string_view codePage932;
};

// Image names that the generated records use.
inline constexpr JapaneseText kBackground01Bmp{"背景01.bmp", "\x94\x77\x8C\x69" "01.bmp"};
inline constexpr JapaneseText kBackground02Bmp{"背景02.bmp", "\x94\x77\x8C\x69" "02.bmp"};
inline constexpr JapaneseText kCoverBmp{"表紙.bmp", "\x95\x5C\x8E\x86.bmp"};
inline constexpr JapaneseText kForestEntranceBmp{"森の入口.bmp", "\x90\x58\x82\xCC\x93\xFC\x8C\xFB.bmp"};
inline constexpr JapaneseText kSwordBmp{"ソード.bmp", "\x83\x5C\x81\x5B\x83\x68.bmp"};
inline constexpr JapaneseText kBackground{"背景", "\x94\x77\x8C\x69"};

// Phrases for plain strings: names, messages, captions.
inline constexpr JapaneseText kPhrases[] = {
    {"はじめに", "\x82\xCD\x82\xB6\x82\xDF\x82\xC9"},
    {"宿屋の主人", "\x8F\x68\x89\xAE\x82\xCC\x8E\xE5\x90\x6C"},
    {"ようこそ、旅の方。", "\x82\xE6\x82\xA4\x82\xB1\x82\xBB\x81\x41\x97\xB7\x82\xCC\x95\xFB\x81\x42"},
    {"戦闘開始", "\x90\xED\x93\xAC\x8A\x4A\x8E\x6E"},
    {"扉が開いた。", "\x94\xE0\x82\xAA\x8A\x4A\x82\xA2\x82\xBD\x81\x42"},
    {"宝箱を見つけた！", "\x95\xF3\x94\xA0\x82\xF0\x8C\xA9\x82\xC2\x82\xAF\x82\xBD\x81\x49"},
    {"ソースを表示する", "\x83\x5C\x81\x5B\x83\x58\x82\xF0\x95\x5C\x8E\xA6\x82\xB7\x82\xE9"},
    {"～①", "\x81\x60\x87\x40"},
    {"村の入口", "\x91\xBA\x82\xCC\x93\xFC\x8C\xFB"},
    {"赤いセル", "\x90\xD4\x82\xA2\x83\x5A\x83\x8B"},
    {"緑のセル", "\x97\xCE\x82\xCC\x83\x5A\x83\x8B"},
    {"青いセル", "\x90\xC2\x82\xA2\x83\x5A\x83\x8B"},
    {"夜の森", "\x96\xE9\x82\xCC\x90\x58"},
    {"主人公", "\x8E\xE5\x90\x6C\x8C\xF6"},
    {"例のシナリオ", "\x97\xE1\x82\xCC\x83\x56\x83\x69\x83\x8A\x83\x49"},
    {"セル画像置換の例", "\x83\x5A\x83\x8B\x89\xE6\x91\x9C\x92\x75\x8A\xB7\x82\xCC\x97\xE1"},
};

// Every text above, for checks that want them all.
std::span<const JapaneseText> allJapaneseTexts();

}  // namespace celshift::build
