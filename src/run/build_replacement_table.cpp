#include "run/build_replacement_table.h"

#include <optional>
#include <vector>

#include "platform/code_page_932.h"
#include "platform/name_rules.h"
#include "run/run_texts.h"

namespace celshift {

namespace {

const std::string& rowText(const std::vector<std::string>& texts, std::size_t r) {
    static const std::string kEmpty;
    return r < texts.size() ? texts[r] : kEmpty;
}

}  // namespace

bool hasImageExtension(std::string_view name932) {
    const std::string extension = asciiLower932(extensionOf932(name932));
    for (const char* image : kImageExtensions)
        if (extension == image) return true;
    return false;
}

RowCheck checkRow(const std::string& fromText, const std::string& toText) {
    RowCheck check;
    if (fromText.empty() && toText.empty()) return check;
    check.state = RowState::Invalid;
    const std::optional<std::string> from = toCodePage932(fromText);
    const std::optional<std::string> to = toCodePage932(toText);
    const auto holdsZero = [](const std::optional<std::string>& text) { return text->find('\0') != std::string::npos; };
    if (!from || !to || holdsZero(from) || holdsZero(to)) check.reason = texts::kRowNotCodePage932;
    else if (from->empty() || to->empty()) check.reason = texts::kRowHalfEmpty;
    else if (!hasImageExtension(*from) || !hasImageExtension(*to)) check.reason = texts::kRowNoImageExtension;
    else if (from->size() > kMaxNameBytes || to->size() > kMaxNameBytes) check.reason = texts::kRowTooLong;
    else check.state = RowState::Used;
    return check;
}

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

void buildReplacementTable(const ConversionRows& rows, ReplacementTableHolder& holder, RunMessages& messages) {
    std::vector<std::pair<std::string, std::string>> pairs;
    const int rowCount = static_cast<int>(rows.size());
    for (int row = 1; row <= rowCount; ++row) {
        const std::optional<std::string> from = toCodePage932(rowText(rows.from, static_cast<std::size_t>(row - 1)));
        const std::optional<std::string> to = toCodePage932(rowText(rows.to, static_cast<std::size_t>(row - 1)));
        // A zero byte would end the name early inside a data file, so it counts as a character it cannot hold.
        const auto holdsZero = [](const std::optional<std::string>& text) { return text->find('\0') != std::string::npos; };
        if (!from || !to || holdsZero(from) || holdsZero(to)) {
            messages.showMessage(texts::rowNotCodePage932(row), texts::kCaptionReplace);
            break;
        }
        if (!hasImageExtension(*from) || !hasImageExtension(*to)) break;
        if (from->size() > kMaxNameBytes || to->size() > kMaxNameBytes) {
            messages.showMessage(texts::rowTooLong(row), texts::kCaptionReplace);
            break;
        }
        pairs.emplace_back(*from, *to);
    }

    messages.showMessage(texts::replaceCount(static_cast<int>(pairs.size())), texts::kCaptionReplace);

    holder.enabled = true;
    holder.table = std::make_unique<ReplacementTable>();
    for (const auto& [from, to] : pairs) addReplacementPair(*holder.table, from, to);
}

}  // namespace celshift
