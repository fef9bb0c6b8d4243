// The Real shape of the generators: the statistics of real scenario folders, and files that still walk.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "conversion.h"
#include "scenario_builder/command_line.h"
#include "scenario_builder/data_file_generator.h"
#include "scenario_builder/scenario_writer.h"

namespace celshift::build {
namespace {

namespace fs = std::filesystem;
using test::readFile;

struct Totals {
    std::uint64_t files = 0, bytes = 0, fields = 0, longFieldBytes = 0, longTexts = 0, embeddedImages = 0;

    void add(const DataFileReport& report) {
        ++files;
        bytes += report.bytes;
        fields += report.fields;
        longFieldBytes += report.longFieldBytes;
        longTexts += report.longTexts;
        embeddedImages += report.embeddedImages;
    }
    double longShare() const { return static_cast<double>(longFieldBytes) / static_cast<double>(bytes); }
    double bytesPerField() const { return static_cast<double>(bytes) / static_cast<double>(fields); }
    double bytesPerFile() const { return static_cast<double>(bytes) / static_cast<double>(files); }
};

// Every data file of the plan, generated in memory in the given shape. Each file's fields must add up to
// the file: a field the report left out would skew every figure below.
Totals generatePlan(const std::vector<PlannedDataFile>& plan, Shape shape) {
    Totals totals;
    for (const auto& file : plan) {
        DataFileOptions options;
        options.kind = file.kind;
        options.package = file.package;
        options.seed = file.seed;
        options.approximateBytes = file.approximateBytes;
        options.shape = shape;
        DataFileReport report;
        const std::string bytes = dataFileBytes(options, &report);
        EXPECT_EQ(report.bytes, bytes.size()) << file.name;
        EXPECT_EQ(report.fieldBytes, report.bytes) << file.name;
        totals.add(report);
    }
    return totals;
}

GenerateCommand commandOf(const std::vector<std::string>& args) {
    const auto parsed = parseGenerateCommand(args);
    if (!parsed.command) throw std::invalid_argument(parsed.error);
    return *parsed.command;
}

// The set the benchmark uses, a twentieth of it: 375 data files sharing 35 % of 7.5 MB, about 7 KB each.
TEST(RealShape, DataFilesHoldMostBytesInLongFieldsAndAbout55BytesPerField) {
    const GenerateCommand command = commandOf({"--out", "x", "--shape", "real", "--megabytes", "7.5", "--files", "375"});
    const auto plan = planFor(command);
    ASSERT_EQ(plan.size(), 375u);
    for (const auto& file : plan) EXPECT_EQ(file.shape, Shape::Real) << file.name;

    const Totals real = generatePlan(plan, Shape::Real);
    EXPECT_GE(real.longShare(), 0.86);
    EXPECT_LE(real.longShare(), 0.94);
    EXPECT_GE(real.bytesPerField(), 45.0);
    EXPECT_LE(real.bytesPerField(), 65.0);
    EXPECT_GE(real.bytesPerFile(), 6.0 * 1024);
    EXPECT_LE(real.bytesPerFile(), 8.5 * 1024);
    // Both kinds of long field occur, and not as one per file.
    EXPECT_GT(real.longTexts, 2 * real.files);
    EXPECT_GT(real.embeddedImages, real.files);

    // The same plan in the synthetic shape is the other extreme: small fields, deep trees.
    const Totals synthetic = generatePlan(plan, Shape::Synthetic);
    EXPECT_LT(synthetic.longShare(), 0.5);
    EXPECT_LT(synthetic.bytesPerField(), 25.0);
    EXPECT_EQ(synthetic.longTexts + synthetic.embeddedImages, 0u);
}

TEST(RealShape, OneLargeFileKeepsTheShape) {
    for (const bool package : {false, true}) {
        DataFileOptions options;
        options.package = package;
        options.kind = package ? 8 : 0;
        options.seed = 7;
        options.approximateBytes = 4 * 1024 * 1024;
        options.shape = Shape::Real;
        DataFileReport report;
        const std::string bytes = dataFileBytes(options, &report);
        Totals totals;
        totals.add(report);
        EXPECT_EQ(report.fieldBytes, bytes.size());
        EXPECT_GE(totals.longShare(), 0.86) << (package ? "package" : "kind 0");
        EXPECT_LE(totals.longShare(), 0.94) << (package ? "package" : "kind 0");
        EXPECT_GE(totals.bytesPerField(), 45.0) << (package ? "package" : "kind 0");
        EXPECT_LE(totals.bytesPerField(), 65.0) << (package ? "package" : "kind 0");
        EXPECT_GT(bytes.size(), options.approximateBytes * 8 / 10);
        EXPECT_LT(bytes.size(), options.approximateBytes * 12 / 10);
    }
}

// A whole real-shaped folder on disk: as many media files as data files, media holding most of the
// bytes, every image a sound BMP, and every data file walking to its end unchanged.
TEST(RealShape, ScenarioHoldsAsManyMediaFilesAsDataFilesAndEveryFileWalks) {
    test::TempFolder folder;
    const GenerateCommand command = commandOf({"--out", folder / "real", "--shape", "real", "--megabytes", "1.5",
                                               "--files", "60", "--images", "10", "--seed", "4"});
    const ScenarioOptions options = scenarioFor(command);
    EXPECT_EQ(options.mediaFiles, 60);
    const ScenarioReport report = writeScenario(options);
    ASSERT_EQ(report.dataFiles.size(), 60u);
    ASSERT_EQ(report.images.size(), 10u);
    ASSERT_EQ(report.unnamedMedia.size(), 50u);

    std::set<std::string> media(report.unnamedMedia.begin(), report.unnamedMedia.end());
    for (const auto& image : report.images) media.insert(image.fileName);
    std::uint64_t dataBytes = 0, mediaBytes = 0;
    std::size_t dataFiles = 0, mediaFiles = 0, others = 0;
    for (const auto& entry : fs::directory_iterator(options.folder)) {
        const std::string name = entry.path().filename().string();
        const std::string bytes = readFile(entry.path().string());
        if (entry.path().extension() == ".wid") {
            ++dataFiles;
            dataBytes += bytes.size();
            const auto converted = test::convert(bytes, name.rfind("Package", 0) == 0, {}, false);
            EXPECT_EQ(converted.result, 0) << name;
            EXPECT_TRUE(converted.output == bytes) << name;
        } else if (media.count(name)) {
            ++mediaFiles;
            mediaBytes += bytes.size();
            ASSERT_GE(bytes.size(), 58u) << name;
            EXPECT_EQ(bytes.substr(0, 2), "BM") << name;
            const auto declared = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[2])) |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[3])) << 8 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[4])) << 16 |
                                  static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[5])) << 24;
            EXPECT_EQ(declared, bytes.size()) << name;
        } else {
            ++others;
        }
    }
    EXPECT_EQ(dataFiles, 60u);
    EXPECT_EQ(mediaFiles, 60u);
    EXPECT_EQ(others, 2u);  // Summary.wsm, readme.txt
    const double total = static_cast<double>(dataBytes + mediaBytes);
    EXPECT_GE(total, 1.5 * 1024 * 1024 * 0.85);
    EXPECT_LE(total, 1.5 * 1024 * 1024 * 1.15);
    EXPECT_GE(static_cast<double>(dataBytes) / total, 0.25);
    EXPECT_LE(static_cast<double>(dataBytes) / total, 0.45);
}

}  // namespace
}  // namespace celshift::build
