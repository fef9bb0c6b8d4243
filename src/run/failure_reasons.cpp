#include "run/failure_reasons.h"

namespace celshift {

namespace {

const char* problemText(FileProblem problem) {
    switch (problem) {
    case FileProblem::None: return "";
    case FileProblem::NotFound: return "ファイルがありません";
    case FileProblem::NotAFolderOnPath: return "パスの途中がフォルダではありません";
    case FileProblem::FolderTakesNoNewFile: return "出力先フォルダに新しいファイルを作れません（フォルダが消されたか、ファイルを置けない場所です）";
    case FileProblem::DanglingLink: return "リンク先がありません";
    case FileProblem::LinkLoop: return "リンクが循環しています";
    case FileProblem::AccessDenied: return "アクセスが許可されていません";
    case FileProblem::NoSpace: return "ディスクの空きが足りません";
    case FileProblem::ReadOnly: return "書き込みできない場所です（読み取り専用）";
    case FileProblem::NameTooLong: return "名前が長すぎます";
    case FileProblem::InUse: return "ほかのプログラムが使用中です";
    case FileProblem::FolderInTheWay: return "出力先に同じ名前のフォルダがあります";
    case FileProblem::ReadOnlyInTheWay: return "出力先の同じ名前のファイルが読み取り専用です";
    case FileProblem::LinkInTheWay: return "出力先に同じ名前のリンクがあります";
    case FileProblem::SpecialInTheWay: return "出力先に同じ名前の特殊なファイル（FIFOなど）があります";
    case FileProblem::NotRegularFile: return "通常のファイルではありません";
    case FileProblem::Busy: return "ほかの実行が使用中です";
    case FileProblem::Other: return "エラー";
    }
    return "エラー";
}

const char* fieldText(FieldKind field) {
    switch (field) {
    case FieldKind::Byte: return "1バイトの値";
    case FieldKind::Int32: return "4バイトの整数";
    case FieldKind::RawBytes: return "バイト列";
    case FieldKind::ImageName: return "画像名フィールド";
    case FieldKind::None: break;
    }
    return "フィールド";
}

// Entry types are 32-bit words best read in hex (0x40808).
std::string hexNumber(std::int64_t value) {
    static const char* hex = "0123456789ABCDEF";
    std::string text;
    auto bits = static_cast<std::uint32_t>(value);
    do {
        text.insert(text.begin(), hex[bits & 0xF]);
        bits >>= 4;
    } while (bits != 0);
    return "0x" + text;
}

bool isHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

// The system's words for an I/O error, or only the class when there are none.
std::string ioErrorText(int systemError) {
    return systemError != 0 ? fileErrorText(errorFromErrno(systemError)) : problemText(FileProblem::Other);
}

}  // namespace

std::string fileErrorText(const FileError& error) {
    if (error.problem == FileProblem::Other)
        return error.systemText.empty() ? "エラー" : "エラー: " + error.systemText;
    return problemText(error.problem);
}

std::string groupedNumber(std::int64_t value) {
    const bool negative = value < 0;
    std::string digits = std::to_string(value);
    if (negative) digits.erase(0, 1);
    std::string grouped;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) grouped += ',';
        grouped += digits[i];
    }
    return negative ? "-" + grouped : grouped;
}

std::string bytePosition(std::int64_t offset) { return groupedNumber(offset + 1) + "バイト目"; }

std::string stopText(const StopDetail& stop) {
    switch (stop.kind) {
    case StopKind::None:
        return "";
    case StopKind::InputEnded:
        return "データが" + groupedNumber(stop.dataEnd) + "バイトで終わっています（" + bytePosition(stop.offset) + "からの" +
               fieldText(stop.field) + "の途中）";
    case StopKind::InputFailed:
        return "読み込めません（" + bytePosition(stop.offset) + "）: " + ioErrorText(stop.systemError);
    case StopKind::OutputFailed:
        return "書き込めません: " + ioErrorText(stop.systemError);
    case StopKind::NameLength:
        return bytePosition(stop.offset) + "の画像名フィールドの長さ " + groupedNumber(stop.value) + " は 0～256 の範囲外です";
    case StopKind::NoFileLayout:
        return "ファイルの種類 " + std::to_string(stop.value) + " は形式がわかりません（" + bytePosition(stop.offset) + "から）";
    case StopKind::NoContentLayout:
        return bytePosition(stop.offset) + "の内容の種類 " + std::to_string(stop.value) + " は形式がわかりません";
    case StopKind::NoEntryLayout:
        return bytePosition(stop.offset) + "の項目の種類 " + hexNumber(stop.value) + " は形式がわかりません";
    case StopKind::TooDeep:
        return bytePosition(stop.offset) + "で入れ子が " + groupedNumber(stop.value) + " 段を超えています";
    }
    return "";
}

std::string shownName(std::string_view name) {
    static const char* hex = "0123456789ABCDEF";
    std::string shown;
    shown.reserve(name.size());
    for (std::size_t i = 0; i < name.size();) {
        const auto lead = static_cast<unsigned char>(name[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2 : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4 : 0;
        bool valid = length > 0 && i + length <= name.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(name[i + k]) & 0xC0) == 0x80;
        if (valid && length == 3) {  // no overlong forms, no surrogates
            const auto second = static_cast<unsigned char>(name[i + 1]);
            valid = !(lead == 0xE0 && second < 0xA0) && !(lead == 0xED && second >= 0xA0);
        }
        if (valid && length == 4) {
            const auto second = static_cast<unsigned char>(name[i + 1]);
            valid = !(lead == 0xF0 && second < 0x90) && !(lead == 0xF4 && second >= 0x90);
        }
        // C1 controls (U+0080..U+009F) are C2 80..C2 9F.
        const bool control = lead < 0x20 || lead == 0x7F ||
                             (valid && length == 2 && lead == 0xC2 && static_cast<unsigned char>(name[i + 1]) < 0xA0);
        if (!valid || control) {
            const std::size_t bytes = valid ? length : 1;
            for (std::size_t k = 0; k < bytes; ++k) {
                const auto byte = static_cast<unsigned char>(name[i + k]);
                shown += "\\x";
                shown += hex[byte >> 4];
                shown += hex[byte & 0xF];
            }
            i += bytes;
            continue;
        }
        // A backslash that would read as the start of an escape is one itself, as in the names' written form: a
        // name "a\xFF.bmp" is not shown as the name with the byte FF.
        if (lead == '\\' && i + 3 < name.size() && name[i + 1] == 'x' && isHexDigit(name[i + 2]) && isHexDigit(name[i + 3])) {
            shown += "\\x5C";
            ++i;
            continue;
        }
        shown.append(name.substr(i, length));
        i += length;
    }
    return shown;
}

}  // namespace celshift
