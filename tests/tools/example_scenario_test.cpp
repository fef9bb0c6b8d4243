#include "scenario_builder/example_scenario.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "conversion.h"
#include "scenario_builder/japanese_text.h"
#include "scenario_builder/scenario_writer.h"

namespace celshift::build {
namespace {

namespace fs = std::filesystem;
using test::convert;
using test::readFile;
using test::TempFolder;

const NameMap kPairs = {
    {"cell_red.bmp", "cell_blue.bmp"},
    {std::string(kBackground01Bmp.codePage932), std::string(kBackground02Bmp.codePage932)},
};

bool isPackage(const std::string& name) { return name.rfind("Package", 0) == 0; }

TEST(ExampleScenario, IsSmallAndWrittenTheSameEachTime) {
    TempFolder folder;
    const fs::path a = fs::path(folder.path()) / "a";
    const fs::path b = fs::path(folder.path()) / "b";
    writeExampleScenario(a);
    writeExampleScenario(b);
    std::uintmax_t total = 0;
    std::size_t files = 0;
    for (const auto& file : exampleScenarioFiles()) {
        ++files;
        const std::string bytes = readFile((a / file.name).string());
        EXPECT_EQ(bytes, file.bytes) << file.name;
        EXPECT_EQ(readFile((b / file.name).string()), bytes) << file.name;
        total += bytes.size();
    }
    EXPECT_EQ(static_cast<std::size_t>(std::distance(fs::directory_iterator(a), fs::directory_iterator())), files);
    EXPECT_LT(total, 8u * 1024);
    EXPECT_TRUE(fs::is_regular_file(a / "Summary.wsm"));
    EXPECT_TRUE(fs::is_regular_file(a / "背景01.bmp"));
    EXPECT_TRUE(fs::is_regular_file(a / "cell_blue.bmp"));

    EXPECT_THROW(writeExampleScenario(a), ScenarioError);  // never over its own files either
}

TEST(ExampleScenario, DataFilesPassThroughUnchanged) {
    const auto files = exampleDataFiles();
    EXPECT_GE(files.size(), 4u);
    for (const auto& file : files) {
        const auto converted = convert(file.bytes, isPackage(file.name), kPairs, false);
        EXPECT_EQ(converted.result, 0) << file.name;
        EXPECT_EQ(converted.output, file.bytes) << file.name;
    }
}

// Every data file names a replaced image somewhere (entry, cell record, type 6 node, embedded event) and
// also holds plain strings that read like image names; only the image-name fields change.
TEST(ExampleScenario, ConversionRenamesOnlyImageNameFields) {
    const auto originals = exampleDataFiles();
    const auto expected = exampleDataFiles(kPairs);
    ASSERT_EQ(originals.size(), expected.size());
    for (std::size_t i = 0; i < originals.size(); ++i) {
        const auto converted = convert(originals[i].bytes, isPackage(originals[i].name), kPairs);
        EXPECT_EQ(converted.result, 0) << originals[i].name;
        EXPECT_EQ(converted.output, expected[i].bytes) << originals[i].name;
        EXPECT_NE(converted.output, originals[i].bytes) << originals[i].name;
    }
    // "cell_red.bmp" without its zero byte is a plain string in Area01 and stays.
    EXPECT_NE(expected[0].bytes.find("\x0C\0\0\0cell_red.bmp", 0, 16), std::string::npos);
}

}  // namespace
}  // namespace celshift::build
