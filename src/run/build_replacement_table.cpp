#include "run/build_replacement_table.h"

#include <optional>
#include <vector>

#include "platform/code_page_932.h"
#include "platform/name_rules.h"
#include "run/run_texts.h"

namespace celshift {

bool hasImageExtension(std::string_view name932) {
    const std::string extension = asciiLower932(extensionOf932(name932));
    for (const char* image : kImageExtensions)
        if (extension == image) return true;
    return false;
}

std::array<RowCheck, 4> checkRows(const ConversionRows& rows) {
    std::array<RowCheck, 4> checks;
    bool ended = false;
    for (std::size_t r = 0; r < checks.size(); ++r) {
        RowCheck& check = checks[r];
        if (ended) {
            check.state = RowState::NotUsed;
            continue;
        }
        const std::string& fromText = rows.from[r];
        const std::string& toText = rows.to[r];
        ended = true;
        if (fromText.empty() && toText.empty()) {
            check.state = RowState::Empty;
            continue;
        }
        check.state = RowState::Invalid;
        const std::optional<std::string> from = toCodePage932(fromText);
        const std::optional<std::string> to = toCodePage932(toText);
        const auto holdsZero = [](const std::optional<std::string>& text) { return text->find('\0') != std::string::npos; };
        if (!from || !to || holdsZero(from) || holdsZero(to)) check.reason = texts::kRowNotCodePage932;
        else if (from->empty() || to->empty()) check.reason = texts::kRowHalfEmpty;
        else if (!hasImageExtension(*from) || !hasImageExtension(*to)) check.reason = texts::kRowNoImageExtension;
        else if (from->size() > kMaxNameBytes || to->size() > kMaxNameBytes) check.reason = texts::kRowTooLong;
        else {
            check.state = RowState::Used;
            ended = false;
        }
    }
    return checks;
}

void buildReplacementTable(const ConversionRows& rows, ReplacementTableHolder& holder, RunMessages& messages) {
    std::vector<std::pair<std::string, std::string>> pairs;
    for (int row = 1; row <= kMaxPairs; ++row) {
        const std::optional<std::string> from = toCodePage932(rows.from[row - 1]);
        const std::optional<std::string> to = toCodePage932(rows.to[row - 1]);
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
