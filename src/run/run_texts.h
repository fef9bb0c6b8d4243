// The run's texts, exactly as the user sees them.
#pragma once

#include <string>

namespace celshift::texts {

inline constexpr const char* kCaptionFirstStage = "第一段階";
inline constexpr const char* kCopyDone = "コピー完了";
inline constexpr const char* kNotCopied = "コピーできなかったファイル";
inline constexpr const char* kCaptionReplace = "画像置換";
inline constexpr const char* kCaptionFailed = "失敗";
inline constexpr const char* kCaptionInfo = "情報";
inline constexpr const char* kDone = "完了";
inline constexpr const char* kCaptionError = "エラー";
inline constexpr const char* kNoOutputFolder = "出力先フォルダがありません";
inline constexpr const char* kSameFolder = "変更元シナリオと出力先が同じフォルダです";

// Row numbers are written with full-width digits, as in the group boxes.
inline std::string rowNumber(int row) {
    static constexpr const char* kDigits[] = {"０", "１", "２", "３", "４"};
    return (row >= 0 && row <= 4) ? kDigits[row] : std::to_string(row);
}
inline std::string rowNotCodePage932(int row) { return "変換" + rowNumber(row) + ": Shift-JISで表せない文字があります"; }
inline std::string rowTooLong(int row) { return "変換" + rowNumber(row) + ": ファイル名が長すぎます（255バイトまで）"; }
inline std::string replaceCount(int count) { return std::to_string(count) + "個のファイルを置換します"; }

}  // namespace celshift::texts
