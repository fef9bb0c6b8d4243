#include "image_names.h"

#include <cstdio>
#include <stdexcept>

#include "japanese_text.h"

namespace celshift::build {

std::span<const JapaneseText> allJapaneseTexts() {
    static const std::vector<JapaneseText> all = [] {
        std::vector<JapaneseText> texts = {kBackground01Bmp, kBackground02Bmp, kCoverBmp, kForestEntranceBmp,
                                           kSwordBmp,        kBackground};
        texts.insert(texts.end(), std::begin(kPhrases), std::end(kPhrases));
        return texts;
    }();
    return all;
}

std::vector<ImageName> imageNameSet(int count) {
    if (count < 1 || count > kMaxImageNames)
        throw std::invalid_argument("the number of image names must lie between 1 and " +
                                    std::to_string(kMaxImageNames));
    const auto same = [](std::string name) { return ImageName{name, name}; };
    const auto japanese = [](const JapaneseText& text) {
        return ImageName{std::string(text.codePage932), std::string(text.utf8)};
    };
    std::vector<ImageName> fixed = {
        same("cell_red.bmp"),        same("cell_green.bmp"), japanese(kBackground01Bmp),
        japanese(kCoverBmp),         japanese(kForestEntranceBmp), same("Title.BMP"),
        same("cell_yellow.bmp"),     japanese(kSwordBmp),
    };
    std::vector<ImageName> names;
    for (int i = 0; i < count; ++i) {
        if (i < static_cast<int>(fixed.size())) {
            names.push_back(fixed[static_cast<std::size_t>(i)]);
            continue;
        }
        char digits[8];
        std::snprintf(digits, sizeof digits, "%03d", i);
        if (i % 2 == 0) {
            names.push_back(same("tile_" + std::string(digits) + ".bmp"));
        } else {
            names.push_back({std::string(kBackground.codePage932) + digits + ".bmp",
                             std::string(kBackground.utf8) + digits + ".bmp"});
        }
    }
    return names;
}

}  // namespace celshift::build
