#include "scenario_builder/scenario_writer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "conversion.h"
#include "scenario_builder/bitmap.h"
#include "scenario_builder/byte_builder.h"

namespace celshift::build {
namespace {

namespace fs = std::filesystem;
using test::readFile;
using test::TempFolder;

std::uint32_t int32At(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(bytes[at + static_cast<std::size_t>(i)]);
    return v;
}

TEST(PlanDataFiles, NineFilesHoldEveryKindAndShareTheSize) {
    const auto plan = planDataFiles(9, 9 * 1024 * 1024, 4);
    ASSERT_EQ(plan.size(), 9u);
    std::set<std::pair<int, bool>> kinds;
    std::set<std::string> names;
    std::uint64_t total = 0;
    for (const auto& file : plan) {
        kinds.insert({file.kind, file.package});
        names.insert(file.name);
        total += file.approximateBytes;
        // The run tells a package file by the first seven bytes of its name.
        EXPECT_EQ(file.name.rfind("Package", 0) == 0, file.package) << file.name;
        EXPECT_EQ(file.name.substr(file.name.size() - 4), ".wid");
    }
    EXPECT_EQ(kinds, (std::set<std::pair<int, bool>>{
                         {0, false}, {1, false}, {2, false}, {3, false}, {4, false}, {5, false}, {6, false}, {8, false}, {8, true}}));
    EXPECT_EQ(names.size(), plan.size());
    EXPECT_GT(total, 9u * 1024 * 1024 * 99 / 100);
    EXPECT_LE(total, 9u * 1024 * 1024);

    // A scenario of many gigabytes does not overflow the share.
    std::uint64_t huge = 0;
    for (const auto& file : planDataFiles(20, std::uint64_t{1} << 40, 4)) huge += file.approximateBytes;
    EXPECT_GT(huge, (std::uint64_t{1} << 40) * 99 / 100);
}

TEST(WriteScenario, WritesAFolderEveryDataFileOfWhichConvertsUnchanged) {
    TempFolder folder;
    ScenarioOptions options;
    options.folder = fs::path(folder.path()) / "scenario";
    options.dataFiles = planDataFiles(9, 1024 * 1024, 8);
    options.imageCount = 10;
    const ScenarioReport report = writeScenario(options);

    ASSERT_EQ(report.dataFiles.size(), 9u);
    ASSERT_EQ(report.images.size(), 10u);
    EXPECT_TRUE(fs::is_regular_file(options.folder / "Summary.wsm"));
    EXPECT_TRUE(fs::is_regular_file(options.folder / "readme.txt"));
    for (const auto& image : report.images) {
        const std::string bytes = readFile((options.folder / image.fileName).string());
        EXPECT_EQ(bytes.substr(0, 2), "BM") << image.fileName;
    }
    for (const auto& file : report.dataFiles) {
        const std::string bytes = readFile((options.folder / file.plan.name).string());
        EXPECT_EQ(bytes.size(), file.report.bytes) << file.plan.name;
        const auto converted = test::convert(bytes, file.plan.name.rfind("Package", 0) == 0, {}, false);
        EXPECT_EQ(converted.result, 0) << file.plan.name;
        EXPECT_TRUE(converted.output == bytes) << file.plan.name;
    }
}

TEST(WriteScenario, SameOptionsGiveTheSameFiles) {
    TempFolder folder;
    ScenarioOptions options;
    options.dataFiles = planDataFiles(4, 256 * 1024, 21);
    options.folder = fs::path(folder.path()) / "a";
    writeScenario(options);
    options.folder = fs::path(folder.path()) / "b";
    writeScenario(options);
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(fs::path(folder.path()) / "a")) {
        ++files;
        const fs::path twin = fs::path(folder.path()) / "b" / entry.path().filename();
        EXPECT_TRUE(readFile(entry.path().string()) == readFile(twin.string())) << entry.path().filename();
    }
    EXPECT_EQ(files, 4u + 2u + 8u);
}

TEST(WriteScenario, NeverOverwritesAFileAndWritesNothingThen) {
    TempFolder folder;
    const fs::path kept = fs::path(folder.path()) / "Area01.wid";
    writeNewFile(kept, "keep me");
    ScenarioOptions options;
    options.folder = folder.path();
    options.dataFiles = planDataFiles(2, 64 * 1024, 1);
    EXPECT_THROW(writeScenario(options), ScenarioError);
    EXPECT_EQ(readFile(kept.string()), "keep me");
    EXPECT_FALSE(fs::exists(fs::path(folder.path()) / "Summary.wsm"));

    options.folder = kept;  // a file where the folder should be
    EXPECT_THROW(writeScenario(options), ScenarioError);
}

TEST(WriteScenario, AFailedWriteIsReportedAndLeavesNoPartialFile) {
    TempFolder folder;
    // A data file that points at a full disk.
    fs::create_symlink("/dev/full", fs::path(folder.path()) / "full.wid");
    DataFileOptions options;
    std::FILE* full = std::fopen("/dev/full", "wb");
    ASSERT_NE(full, nullptr);
    options.approximateBytes = 256 * 1024;
    EXPECT_THROW(writeDataFile(full, options), std::runtime_error);
    std::fclose(full);
    EXPECT_THROW(writeNewFile(fs::path(folder.path()) / "full.wid", std::string(100000, 'x')), ScenarioError);
    EXPECT_FALSE(fs::exists(fs::symlink_status(fs::path(folder.path()) / "full.wid")));
}

TEST(Bitmap, HeadersAndPaddedRowsAreConsistent) {
    const std::string bmp = bitmapBytes(3, 3, {200, 100, 50});
    const std::size_t rowBytes = 12;  // 9 bytes of pixels padded to 12
    ASSERT_EQ(bmp.size(), 54 + 3 * rowBytes);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(int32At(bmp, 2), bmp.size());
    EXPECT_EQ(int32At(bmp, 10), 54u);
    EXPECT_EQ(int32At(bmp, 14), 40u);
    EXPECT_EQ(int32At(bmp, 18), 3u);
    EXPECT_EQ(int32At(bmp, 22), 3u);
    EXPECT_EQ(int32At(bmp, 28) & 0xFFFF, 24u);
    EXPECT_EQ(int32At(bmp, 34), 3 * rowBytes);
    // Middle pixel in blue, green, red order; the border is darker; the padding is zero.
    const std::size_t middle = 54 + rowBytes + 3;
    EXPECT_EQ(bmp.substr(middle, 3), std::string("\x32\x64\xC8"));
    EXPECT_EQ(bmp.substr(54, 3), std::string("\x19\x32\x64"));
    EXPECT_EQ(bmp.substr(54 + 9, 3), std::string(3, '\0'));
    EXPECT_THROW(bitmapBytes(0, 4, {}), std::invalid_argument);
}

}  // namespace
}  // namespace celshift::build
