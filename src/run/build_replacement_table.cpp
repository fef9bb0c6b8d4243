#include "run/build_replacement_table.h"

#include <algorithm>
#include <map>
#include <optional>
#include <vector>

#include "platform/code_page_932.h"
#include "platform/name_rules.h"
#include "run/row_names.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

const std::string& rowText(const std::vector<std::string>& texts, std::size_t r) {
    static const std::string kEmpty;
    return r < texts.size() ? texts[r] : kEmpty;
}

}  // namespace

// The extension's letters are compared without regard to case. A double-byte character holds a lead byte
// above 0x80, which no letter of an image extension equals, so plain ASCII folding compares the same as
// lowering the name character by character would.
bool hasImageExtension(std::string_view name932) {
    const std::string_view extension = extensionOf932(name932);
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    for (const std::string_view image : kImageExtensions)
        if (extension.size() == image.size() &&
            std::equal(extension.begin(), extension.end(), image.begin(), [&](char a, char b) { return lower(a) == b; }))
            return true;
    return false;
}

StoredRow storeRow(std::string_view fromText, std::string_view toText) {
    StoredRow row;
    RowCheck& check = row.check;
    if (fromText.empty() && toText.empty()) return row;
    check.state = RowState::Invalid;
    std::optional<RowName> from = rowNameBytes(fromText);
    std::optional<RowName> to = rowNameBytes(toText);
    const auto misplacedMark = [](std::string_view text, const std::optional<RowName>& name) {
        return !name && text.find(kNoZeroByteMark) != std::string_view::npos;
    };
    if (misplacedMark(fromText, from) || misplacedMark(toText, to)) check.reason = texts::kRowMarkNotAtEnd;
    else if (!from || !to) check.reason = texts::kRowNotCodePage932;
    // A text left empty, not a name without bytes: "∅" alone is the field of no bytes, which --list-names shows and
    // which holds no image extension.
    else if (fromText.empty() || toText.empty()) check.reason = texts::kRowHalfEmpty;
    else if (!to->closed) check.reason = texts::kRowToWithoutZeroByte;
    // A zero byte would end the written name early: the game would read a shorter name.
    else if (to->bytes.find('\0') != std::string::npos) check.reason = texts::kRowZeroByteInTo;
    else if (!hasImageExtension(from->bytes) || !hasImageExtension(to->bytes)) check.reason = texts::kRowNoImageExtension;
    // A field holds at most 256 bytes: a name of 255 and its zero byte, or 256 without one.
    else if (from->field().size() > kMaxNameBytes + 1 || to->bytes.size() > kMaxNameBytes) check.reason = texts::kRowTooLong;
    else {
        check.state = RowState::Used;
        row.from = from->field();
        row.to = std::move(to->bytes);
    }
    return row;
}

RowCheck checkRow(std::string_view fromText, std::string_view toText) { return storeRow(fromText, toText).check; }

std::array<RowCheck, 4> checkRows(const ConversionRows& rows) {
    std::array<RowCheck, 4> checks;
    bool ended = false;
    for (std::size_t r = 0; r < checks.size(); ++r) {
        if (ended) {
            checks[r].state = RowState::NotUsed;
            continue;
        }
        checks[r] = checkRow(rowText(rows.from, r), rowText(rows.to, r));
        ended = checks[r].state != RowState::Used;
    }
    return checks;
}

std::vector<int> earlierRowsWithSameFrom(const ConversionRows& rows) {
    std::vector<int> earlier(rows.size(), 0);
    std::map<std::string, int> firstRowOf;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const StoredRow stored = storeRow(rowText(rows.from, r), rowText(rows.to, r));
        if (stored.check.state != RowState::Used) break;
        const auto [first, inserted] = firstRowOf.emplace(stored.from, static_cast<int>(r) + 1);
        if (!inserted) earlier[r] = first->second;
    }
    return earlier;
}

void buildReplacementTable(const ConversionRows& rows, ReplacementTableHolder& holder, RunMessages& messages) {
    holder.enabled = true;
    if (rows.table) {
        holder.table = std::make_unique<ReplacementTable>(*rows.table);
        messages.showMessage(texts::replaceCount(holder.table->count), texts::kCaptionReplace);
        return;
    }
    holder.table = std::make_unique<ReplacementTable>();
    const int rowCount = static_cast<int>(rows.size());
    for (int row = 1; row <= rowCount; ++row) {
        const auto r = static_cast<std::size_t>(row - 1);
        const StoredRow stored = storeRow(rowText(rows.from, r), rowText(rows.to, r));
        if (stored.check.state != RowState::Used) {
            // A text the code page cannot hold, or one too long, is told; a row without an image extension,
            // or with a text missing, ends the table silently.
            if (stored.check.reason == texts::kRowNotCodePage932)
                messages.showMessage(texts::rowNotCodePage932(row), texts::kCaptionReplace);
            else if (stored.check.reason == texts::kRowTooLong)
                messages.showMessage(texts::rowTooLong(row), texts::kCaptionReplace);
            break;
        }
        addReplacementField(*holder.table, stored.from, stored.to);
    }
    messages.showMessage(texts::replaceCount(holder.table->count), texts::kCaptionReplace);
}

}  // namespace celshift
