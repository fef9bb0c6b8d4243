// The run's texts, exactly as the user sees them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

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
inline constexpr const char* kOutputNotAFolder = "出力先がフォルダではありません";
inline constexpr const char* kOutputLinkLoop = "出力先フォルダのリンクが循環しています";
inline constexpr const char* kOutputUnopened = "出力先フォルダを開けません";
inline constexpr const char* kOutputBusy = "出力先フォルダには、ほかの実行が書き込み中です";
inline constexpr const char* kSameFolder = "変更元シナリオと出力先が同じフォルダです";
inline constexpr const char* kOutputInScenario = "出力先フォルダが変更元シナリオのフォルダの中にあるか、その別の見え方です";
inline constexpr const char* kScenarioUnreadable = "シナリオフォルダが読めません";
inline constexpr const char* kStopped = "中止しました";
inline constexpr const char* kFolderUnreadable = "フォルダが読めません";
inline constexpr const char* kCaptionSummary = "集計";
// Pictures copied under their rows' new names (--rename).
inline constexpr const char* kCaptionRenamed = "画像コピー";
inline constexpr const char* kRenamedNotCopied = "新しい名前でコピーできなかった画像";
// Renames that cannot be done: the row's FROM names no picture of the scenario, or an earlier row copies another
// picture to the same TO.
inline constexpr const char* kRenameSourceMissing = "変換元の画像がシナリオのフォルダにありません";
inline std::string renameSameTarget(int earlierRow);
inline std::string renamedCopies(int count) { return std::to_string(count) + "個の画像を新しい名前でコピーしました"; }

// Why a row is not used, as the window shows it beside the row.
inline constexpr const char* kRowNoImageExtension = "画像の拡張子（.bmp .jpg .jpeg .jpy1 .jpdc .jpx）がありません";
inline constexpr const char* kRowNotCodePage932 = "Shift-JISで表せない文字があります";
inline constexpr const char* kRowTooLong = "ファイル名が長すぎます（255バイトまで）";
inline constexpr const char* kRowMarkNotAtEnd = "∅（ゼロバイトなしの印）は名前の最後にだけ書けます";
inline constexpr const char* kRowToWithoutZeroByte = "変換先には∅（ゼロバイトなしの印）を付けられません";
inline constexpr const char* kRowZeroByteInTo = "変換先にゼロバイト（\\x00）は書けません";
inline constexpr const char* kRowHalfEmpty = "変換元と変換先の両方が必要です";
inline constexpr const char* kRowNotFound = "見つかりません";


// Row numbers are written with full-width digits, as in the group boxes: "１２" for row 12.
inline void appendRowNumber(std::string& text, int row) {
    static constexpr const char* kDigits[] = {"０", "１", "２", "３", "４", "５", "６", "７", "８", "９"};
    for (const char digit : std::to_string(row)) text += digit == '-' ? "－" : kDigits[digit - '0'];
}
inline std::string rowNumber(int row) {
    std::string number;
    appendRowNumber(number, row);
    return number;
}
inline std::string rowNotCodePage932(int row) { return "変換" + rowNumber(row) + ": Shift-JISで表せない文字があります"; }
// Why a used row replaces nothing: an earlier row has the same FROM.
inline std::string rowRepeats(int earlierRow) {
    return "変換" + rowNumber(earlierRow) + "と同じ変換元です（変換" + rowNumber(earlierRow) + "が先に置き換えるので、何も置き換えません）";
}
// A file whose name Windows takes for an earlier file's: not written where the output folder does not tell them apart.
inline std::string sameNameInOutput(const std::string& earlier) {
    return earlier + " と同じ名前になります（出力先では大文字と小文字が区別されません）";
}
// Names that differ only in trailing dots and spaces, which Windows drops: one name in any output folder.
inline std::string sameNameOnWindowsEverywhere(const std::string& earlier) {
    return earlier + " と同じ名前になります（Windowsは名前の終わりの「.」と空白を除きます）";
}
// The same where the output folder tells them apart: both are written, but Windows would keep only one.
inline std::string sameNameOnWindows(const std::string& earlier) {
    return earlier + " とWindowsでは同じ名前です（Windowsでは片方しか置けません）";
}
// A file of a subfolder that could not be made in the output folder.
inline std::string subfolderNotMade(const std::string& folder, const std::string& reason) {
    return "出力先のフォルダ " + folder + " を作れません: " + reason;
}
// A link to a folder in the scenario: never entered, so that nothing outside the scenario is copied and no loop is.
inline constexpr const char* kFolderLink = "フォルダへのリンクです（リンク先はコピーしません）";
// A picture that a data file of the converted scenario names and that its folder does not hold, with the row that
// wrote the name (0: no row, the name was the scenario's own).
inline constexpr const char* kMissingAfterRun = "変換後のシナリオにない画像";
inline std::string missingAfterRun(const std::string& name, int row) {
    return std::string(kMissingAfterRun) + ": " + name + (row > 0 ? "（変換" + rowNumber(row) + "）" : std::string());
}
inline std::string renameSameTarget(int earlierRow) {
    return "変換" + rowNumber(earlierRow) + " と同じ変換先です（そちらの画像がこの名前でコピーされます）";
}
inline std::string rowTooLong(int row) { return "変換" + rowNumber(row) + ": ファイル名が長すぎます（255バイトまで）"; }
// Said of a row that replaced nothing while some data file could not be converted (not read to its end, or its
// copy not written): its name may stand in what was not converted, so "見つかりません" would not be the truth.
inline constexpr const char* kRowUnchecked = "変換できなかったファイルがあります";
// What one row replaced: "変換Ｎ: X箇所（Yファイル）", or "変換Ｎ: 0箇所（見つかりません）" when nothing.
// someFilesUnread: a data file failed or could not be opened during the run.
// Built in one string: a run of thousands of rows writes one line for each.
inline std::string rowSummary(int row, std::int64_t fields, int files, bool someFilesUnread = false) {
    std::string text;
    text.reserve(80);
    text += "変換";
    appendRowNumber(text, row);
    if (fields == 0) {
        text.append(": 0箇所（").append(someFilesUnread ? kRowUnchecked : kRowNotFound).append("）");
        return text;
    }
    text.append(": ").append(std::to_string(fields)).append("箇所（").append(std::to_string(files)).append("ファイル）");
    return text;
}
inline std::string replaceCount(int count) { return std::to_string(count) + "個のファイルを置換します"; }

}  // namespace celshift::texts
