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
