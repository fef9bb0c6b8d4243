#include "cli/rows_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/file_error.h"
#include "platform/path_text.h"
#include "run/build_replacement_table.h"
#include "run/failure_reasons.h"
#include "run/run_texts.h"

namespace celshift::cli {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
// What a text editor's "Unicode" puts first: the file is UTF-16, every line of which would read as bad.
constexpr std::string_view kUtf16LittleEndianMark = "\xFF\xFE";
constexpr std::string_view kUtf16BigEndianMark = "\xFE\xFF";

// True when text is well-formed UTF-8 (no overlong forms, no surrogates, nothing above U+10FFFF).
bool isUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;  // the range of the second byte
        if (b < 0x80) length = 1;
        else if (b >= 0xC2 && b <= 0xDF) length = 2;
        else if (b == 0xE0) length = 3, low = 0xA0;
        else if ((b >= 0xE1 && b <= 0xEC) || b == 0xEE || b == 0xEF) length = 3;
        else if (b == 0xED) length = 3, high = 0x9F;
        else if (b == 0xF0) length = 4, low = 0x90;
        else if (b >= 0xF1 && b <= 0xF3) length = 4;
        else if (b == 0xF4) length = 4, high = 0x8F;
        else return false;
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF)) return false;
        }
        i += length;
    }
    return true;
}

}  // namespace

RowsFile parseRowsFile(std::string_view text, std::size_t keptTexts) {
    RowsFile file;
    file.rows.from.clear();
    file.rows.to.clear();
    if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    if (text.starts_with(kUtf16LittleEndianMark) || text.starts_with(kUtf16BigEndianMark)) {
        file.problems.push_back({1, "UTF-16で書かれています。UTF-8で保存してください"});
        return file;
    }
    auto table = std::make_shared<ReplacementTable>();
    std::vector<int> lineOfRow;  // per row, its line
    // No row is shorter than ".bmp<TAB>.bmp" and its line end: a file of empty lines makes room for no rows.
    constexpr std::size_t kShortestRowBytes = 10;
    const std::size_t rowsAtMost = std::min(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1,
                                            text.size() / kShortestRowBytes + 1);
    file.rows.from.reserve(std::min(rowsAtMost, keptTexts));
    file.rows.to.reserve(std::min(rowsAtMost, keptTexts));
    lineOfRow.reserve(rowsAtMost);
    // Each row's bytes (with two zero bytes) take no more room than its line (with its tab and line end).
    table->reserve(rowsAtMost, text.size());
    int lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.ends_with('\r')) line.remove_suffix(1);
        if (line.empty() || line.front() == '#') continue;

        const auto refuse = [&](std::string reason) { file.problems.push_back({lineNumber, std::move(reason)}); };
        // A name field ends at its zero byte: no name can hold one.
        if (line.find('\0') != std::string_view::npos) {
            refuse("NUL文字（\\x00）があります");
            continue;
        }
        const std::size_t tab = line.find('\t');
        if (tab == std::string_view::npos) {
            refuse("変換元と変換先をタブで区切ってください");
            continue;
        }
        if (line.find('\t', tab + 1) != std::string_view::npos) {
            refuse("タブが2つ以上あります");
            continue;
        }
        const std::string_view from = line.substr(0, tab);
        const std::string_view to = line.substr(tab + 1);
        StoredRow stored = storeRow(from, to);
        if (stored.check.state != RowState::Used) {
            // Text that is no UTF-8 is what the code page cannot hold as well: which of the two, the line tells.
            if (stored.check.reason == texts::kRowNotCodePage932 && !isUtf8(line)) refuse("UTF-8として読めない文字があります");
            else refuse(stored.check.state == RowState::Empty ? texts::kRowHalfEmpty : stored.check.reason);
            continue;
        }
        // The same FROM as the data file holds it, an earlier row has: the table keeps the earlier one.
        const int found = addReplacementField(*table, stored.from, stored.to);
        lineOfRow.push_back(lineNumber);
        if (found != table->count - 1) {
            refuse("変換元が" + std::to_string(lineOfRow[static_cast<std::size_t>(found)]) + "行目と同じです");
            continue;
        }
        if (file.rowCount++ < keptTexts) {
            file.rows.from.emplace_back(from);
            file.rows.to.emplace_back(to);
        }
    }
    if (file.problems.empty()) file.rows.table = std::move(table);
    return file;
}

RowsFile readRowsFile(const std::string& path, std::size_t keptTexts) {
    namespace fs = std::filesystem;
    const fs::path file = pathFromUtf8(path);
    std::error_code error;
    if (fs::is_directory(file, error)) throw std::invalid_argument("変換行ファイルがフォルダです: " + path);
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        const int error = errno;
        throw std::invalid_argument("変換行ファイルが読めません: " + path + ": " + fileErrorText(errorFromErrno(error)));
    }
    // Read in pieces up to the limit, so that a device that never ends cannot fill the memory.
    std::string text;
    // Room for the whole file at once: ten thousand rows in bytes are about a megabyte, read without regrowing.
    const std::uintmax_t size = fs::file_size(file, error);
    if (!error && size <= kMaxRowsFileBytes) text.reserve(static_cast<std::size_t>(size));
    char piece[64 * 1024];
    while (in.read(piece, sizeof piece) || in.gcount() > 0) {
        text.append(piece, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxRowsFileBytes)
            throw std::invalid_argument("変換行ファイルが16 MiBを超えています: " + path);
    }
    if (in.bad()) throw std::invalid_argument("変換行ファイルが読めません: " + path);
    return parseRowsFile(text, keptTexts);
}

}  // namespace celshift::cli
