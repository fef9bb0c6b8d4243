#include "scenario_builder/data_file_generator.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <numeric>
#include <stdexcept>

#include "conversion.h"
#include "platform/code_page_932.h"
#include "scenario_builder/japanese_text.h"

namespace celshift::build {
namespace {

using test::convert;

struct Layout {
    int kind;
    bool package;
};

std::string nameOf(Layout layout) { return layout.package ? "Package" : "Kind" + std::to_string(layout.kind); }

std::string layoutName(const testing::TestParamInfo<Layout>& info) { return nameOf(info.param); }

void PrintTo(const Layout& layout, std::ostream* os) { *os << nameOf(layout); }

DataFileOptions optionsFor(Layout layout, std::uint64_t seed, std::uint64_t bytes) {
    DataFileOptions options;
    options.kind = layout.kind;
    options.package = layout.package;
    options.seed = seed;
    options.approximateBytes = bytes;
    return options;
}

std::uint64_t matchingFields(const DataFileReport& report) {
    std::uint64_t n = 0;
    for (const auto& [name, count] : report.imageFields) n += count;
    return n;
}

// Four pairs at once: longer, shorter, code page 932 on both sides, an upper-case extension.
const NameMap kPairs = {
    {"cell_red.bmp", "cell_blue.bmp"},
    {std::string(kBackground01Bmp.codePage932), "b.bmp"},
    {std::string(kCoverBmp.codePage932), std::string(kBackground02Bmp.codePage932)},
    {"Title.BMP", "title_new.jpg"},
};

class EveryLayout : public testing::TestWithParam<Layout> {};

TEST_P(EveryLayout, PassesThroughTheTransformerUnchanged) {
    DataFileReport report;
    const std::string input = dataFileBytes(optionsFor(GetParam(), 11, 150 * 1024), &report);
    EXPECT_EQ(report.bytes, input.size());
    EXPECT_EQ(report.fieldBytes, input.size());  // every byte lies in a counted field

    const auto disabled = convert(input, GetParam().package, kPairs, false);
    EXPECT_EQ(disabled.result, 0);
    EXPECT_TRUE(disabled.output == input) << "output of " << disabled.output.size() << " bytes, input " << input.size();

    const auto unused = convert(input, GetParam().package, {{"absent.bmp", "other.bmp"}});
    EXPECT_EQ(unused.result, 0);
    EXPECT_TRUE(unused.output == input);
}

TEST_P(EveryLayout, ConversionGivesTheFileGeneratedWithTheNewNames) {
    const DataFileOptions options = optionsFor(GetParam(), 12, 150 * 1024);
    DataFileReport report;
    const std::string input = dataFileBytes(options, &report);
    DataFileOptions renamedOptions = options;
    renamedOptions.renamedImages = kPairs;
    const std::string expected = dataFileBytes(renamedOptions);

    const auto converted = convert(input, GetParam().package, kPairs);
    EXPECT_EQ(converted.result, 0);
    EXPECT_TRUE(converted.output == expected) << "output of " << converted.output.size() << " bytes, expected "
                                              << expected.size();
    EXPECT_EQ(static_cast<std::int64_t>(expected.size()) - static_cast<std::int64_t>(input.size()),
              expectedGrowth(report, kPairs));
    if (GetParam().kind == 4 && !GetParam().package) {
        EXPECT_EQ(matchingFields(report), 0u);  // one plain string, no image names
    } else {
        EXPECT_GT(matchingFields(report), 20u);
        EXPECT_NE(input, expected);
    }
}

// Real-shaped files, small as most real ones are and large: they walk to their end, unchanged without
// pairs, and a conversion gives the file generated with the new names (long fields and all).
TEST_P(EveryLayout, RealShapeWalksCompletelyAndConvertsToItsRenamedTwin) {
    for (const std::uint64_t bytes : {7u * 1024, 300u * 1024}) {
        DataFileOptions options = optionsFor(GetParam(), 13, bytes);
        options.shape = Shape::Real;
        DataFileReport report;
        const std::string input = dataFileBytes(options, &report);
        EXPECT_EQ(report.fieldBytes, input.size()) << bytes;
        EXPECT_GT(report.longFieldBytes, input.size() / 2) << bytes;

        const auto unchanged = convert(input, GetParam().package, kPairs, false);
        EXPECT_EQ(unchanged.result, 0) << bytes;
        EXPECT_TRUE(unchanged.output == input) << bytes;

        DataFileOptions renamed = options;
        renamed.renamedImages = kPairs;
        const std::string expected = dataFileBytes(renamed);
        const auto converted = convert(input, GetParam().package, kPairs);
        EXPECT_EQ(converted.result, 0) << bytes;
        EXPECT_TRUE(converted.output == expected) << bytes;
        if (bytes > 100 * 1024 && !(GetParam().kind == 4 && !GetParam().package)) {
            EXPECT_NE(expected, input);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DataFiles, EveryLayout,
                         testing::Values(Layout{0, false}, Layout{1, false}, Layout{2, false}, Layout{3, false},
                                         Layout{4, false}, Layout{5, false}, Layout{6, false}, Layout{8, false},
                                         Layout{8, true}),
                         layoutName);

TEST(DataFileGenerator, SameSeedGivesSameBytesAndStreamingMatchesMemory) {
    const DataFileOptions options = optionsFor({0, false}, 99, 200 * 1024);
    const std::string first = dataFileBytes(options);
    EXPECT_EQ(first, dataFileBytes(options));

    std::FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    const DataFileReport report = writeDataFile(file, options);
    std::string streamed(report.bytes, '\0');
    std::rewind(file);
    EXPECT_EQ(std::fread(streamed.data(), 1, streamed.size(), file), streamed.size());
    std::fclose(file);
    EXPECT_EQ(streamed, first);

    DataFileOptions other = options;
    other.seed = 100;
    EXPECT_NE(dataFileBytes(other), first);
}

TEST(DataFileGenerator, HoldsEveryRecordFormAndDeepTrees) {
    DataFileReport report;
    const std::string bytes = dataFileBytes(optionsFor({0, false}, 5, 1024 * 1024), &report);
    for (int type = 0; type < kContentTypeCount; ++type) EXPECT_GT(report.contentTypes[type], 0u) << "type " << type;
    for (int i = 0; i < kEntryTypeCount; ++i) EXPECT_GT(report.entryTypes[i], 0u) << "entry type " << i;
    EXPECT_GT(report.embeddedBodies, 1u);  // the catalog tree holds one; random entry lists the others
    EXPECT_GT(report.eventsWithTrailer, 0u);
    EXPECT_LT(report.eventsWithTrailer, report.events);  // the events inside entry lists have none
    EXPECT_GT(report.cellRecords, 0u);
    EXPECT_GE(report.longestChain, 100);
    EXPECT_GT(report.emptyImageFields, 0u);
    EXPECT_GT(report.nonMatchingImageFields, 0u);
    EXPECT_GT(report.plainStringsNamingImages, 0u);
    EXPECT_GT(report.imageFields[std::string(kBackground01Bmp.codePage932)], 0u);
    EXPECT_EQ(convert(bytes, false, {}, false).output, bytes);
}

TEST(DataFileGenerator, SizeFollowsTheRequest) {
    for (const Layout layout : {Layout{0, false}, Layout{1, false}, Layout{2, false}, Layout{6, false}, Layout{8, true}}) {
        for (const std::uint64_t requested : {256u * 1024, 2048u * 1024}) {
            DataFileReport report;
            dataFileBytes(optionsFor(layout, 3, requested), &report);
            EXPECT_GT(report.bytes, requested / 2) << nameOf(layout) << " at " << requested;
            EXPECT_LT(report.bytes, requested * 2) << nameOf(layout) << " at " << requested;
        }
    }
}

TEST(DataFileGenerator, RefusesOptionsWithoutLayout) {
    EXPECT_THROW(dataFileBytes(optionsFor({7, false}, 1, 1000)), std::invalid_argument);
    EXPECT_THROW(dataFileBytes(optionsFor({9, false}, 1, 1000)), std::invalid_argument);
    EXPECT_THROW(dataFileBytes(optionsFor({0, false}, 1, (std::uint64_t{1} << 40) + 1)), std::invalid_argument);
    DataFileOptions options = optionsFor({0, false}, 1, 1000);
    options.renamedImages = {{"cell_red.bmp", ""}};
    EXPECT_THROW(dataFileBytes(options), std::invalid_argument);
    options.renamedImages = {};
    options.imageNames = {std::string("a\0b.bmp", 7)};
    EXPECT_THROW(dataFileBytes(options), std::invalid_argument);
}

TEST(JapaneseText, CodePage932BytesAreThoseOfTheUtf8Text) {
    for (const auto& text : allJapaneseTexts()) {
        const auto converted = toCodePage932(text.utf8);
        ASSERT_TRUE(converted.has_value()) << text.utf8;
        EXPECT_EQ(*converted, text.codePage932) << text.utf8;
    }
}

}  // namespace
}  // namespace celshift::build
