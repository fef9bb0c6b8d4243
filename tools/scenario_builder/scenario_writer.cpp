#include "scenario_writer.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <system_error>

#include "bitmap.h"
#include "byte_builder.h"
#include "japanese_text.h"
#include "random.h"

namespace celshift::build {

namespace {

namespace fs = std::filesystem;

struct KindSlot {
    int kind;
    bool package;
};
constexpr KindSlot kKindCycle[] = {{0, false}, {8, true}, {1, false}, {3, false}, {2, false},
                                   {5, false}, {6, false}, {4, false}, {8, false}};

constexpr std::uint64_t kTextFileKindBytes = 64 * 1024;  // kind 4: one string
constexpr int kLargestSide = 1024;                        // of a generated image

std::string describe(const fs::path& path, int error) {
    return path.string() + ": " + std::strerror(error);
}

// Made-up summary bytes: the conversion copies this file unchanged and never reads it.
std::string summaryBytes(std::uint64_t seed, std::size_t dataFiles) {
    Random random(seed);
    ByteBuilder b;
    b.raw("CSSM").int32(1);
    b.plainString(kPhrases[14].codePage932);  // 例のシナリオ
    b.plainString("generated scenario");
    b.int32(static_cast<std::int32_t>(dataFiles));
    for (int i = 0; i < 32; ++i) b.byte(static_cast<std::uint8_t>(random.next()));
    return b.bytes();
}

std::string textFile(const ScenarioOptions& options, std::uint64_t totalBytes) {
    std::string text = "Generated test scenario.\n";
    text += "Data files: " + std::to_string(options.dataFiles.size()) + ", about " + std::to_string(totalBytes) +
            " bytes in all.\n";
    text += "Images: " + std::to_string(options.imageCount) + " BMP files named as the records name them";
    if (options.mediaFiles > options.imageCount)
        text += ", and " + std::to_string(options.mediaFiles - options.imageCount) + " that no record names";
    text += ".\n";
    text += "Nothing here comes from a real game; every byte is made up.\n";
    return text;
}

void writeOneDataFile(const fs::path& path, const DataFileOptions& options, DataFileReport& report) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file) throw ScenarioError("cannot create " + describe(path, errno));
    try {
        report = writeDataFile(file, options);
    } catch (const std::exception& e) {
        std::fclose(file);
        std::error_code ignored;
        fs::remove(path, ignored);
        throw ScenarioError(path.string() + ": " + e.what());
    }
    if (std::fclose(file) != 0) {
        const int error = errno;
        std::error_code ignored;
        fs::remove(path, ignored);
        throw ScenarioError("cannot write " + describe(path, error));
    }
}

// Side of a square 24-bit BMP of about bytes bytes.
int sideFor(std::uint64_t bytes) {
    const double pixels = bytes > 54 ? static_cast<double>(bytes - 54) / 3 : 1;
    return std::clamp(static_cast<int>(std::sqrt(pixels)), 1, kLargestSide);
}

// The media files' names (named images first) and each one's side; mediaBytes shared at random between
// a third and five thirds of an equal share.
struct MediaFile {
    std::string fileName;
    std::string dataName;  // the name a record holds, for the colour
    int side;
};

std::vector<MediaFile> planMedia(const ScenarioOptions& options, const std::vector<ImageName>& images,
                                 std::uint64_t seed) {
    std::vector<MediaFile> media;
    const bool sized = options.mediaFiles > 0;
    const int count = std::max(options.mediaFiles, static_cast<int>(images.size()));
    Random random(seed);
    const std::uint64_t share = sized ? options.mediaBytes / static_cast<std::uint64_t>(count) : 0;
    for (int i = 0; i < count; ++i) {
        const int side = sized ? sideFor(share * static_cast<std::uint64_t>(random.between(33, 167)) / 100) : 16;
        if (i < static_cast<int>(images.size())) {
            const auto& image = images[static_cast<std::size_t>(i)];
            media.push_back({image.fileName, image.data, side});
        } else {
            char name[32];
            std::snprintf(name, sizeof name, "cg_%05d.bmp", i - static_cast<int>(images.size()) + 1);
            media.push_back({name, name, side});
        }
    }
    return media;
}

}  // namespace

std::string dataFileName(int kind, bool package, int number) {
    const char* prefix = "Scene";
    if (package) prefix = "Package";
    else if (kind == 0) prefix = "Area";
    else if (kind == 1) prefix = "Battle";
    else if (kind == 2) prefix = "Roster";
    else if (kind == 3) prefix = "Member";
    else if (kind == 4) prefix = "Note";
    else if (kind == 5) prefix = "Gear";
    else if (kind == 6) prefix = "Token";
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    return std::string(prefix) + digits + ".wid";
}

std::vector<PlannedDataFile> planDataFiles(int fileCount, std::uint64_t totalBytes, std::uint64_t seed) {
    if (fileCount < 1) throw std::invalid_argument("a scenario needs at least one data file");
    Random random(seed);
    std::vector<PlannedDataFile> files;
    std::vector<std::uint64_t> weights;
    int numbers[std::size(kKindCycle)] = {};
    std::uint64_t weightSum = 0;
    std::uint64_t smallBytes = 0;
    for (int i = 0; i < fileCount; ++i) {
        const std::size_t slot = static_cast<std::size_t>(i) % std::size(kKindCycle);
        const KindSlot kind = kKindCycle[slot];
        PlannedDataFile file;
        file.kind = kind.kind;
        file.package = kind.package;
        file.name = dataFileName(kind.kind, kind.package, ++numbers[slot]);
        file.seed = deriveSeed(seed, static_cast<std::uint64_t>(i));
        const std::uint64_t weight = kind.kind == 4 ? 0 : 1 + random.below(4);
        if (weight == 0) {
            file.approximateBytes = std::min<std::uint64_t>(kTextFileKindBytes, totalBytes / fileCount);
            smallBytes += file.approximateBytes;
        }
        weights.push_back(weight);
        weightSum += weight;
        files.push_back(file);
    }
    const std::uint64_t shared = totalBytes > smallBytes ? totalBytes - smallBytes : 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (weights[i] == 0) continue;
        // Divided before multiplying: totals of many gigabytes would overflow the other way round.
        files[i].approximateBytes = shared / weightSum * weights[i] + shared % weightSum * weights[i] / weightSum;
    }
    return files;
}

void prepareFolder(const fs::path& folder, const std::vector<std::string>& names) {
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (fs::exists(status) && !fs::is_directory(status))
        throw ScenarioError(folder.string() + " exists and is not a folder");
    for (const auto& name : names) {
        const fs::path path = folder / name;
        if (fs::exists(fs::symlink_status(path, error)))
            throw ScenarioError(path.string() + " already exists; choose an empty or new folder");
    }
    fs::create_directories(folder, error);
    if (error) throw ScenarioError("cannot create the folder " + folder.string() + ": " + error.message());
}

void writeNewFile(const fs::path& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.string().c_str(), "wb");
    if (!file) throw ScenarioError("cannot create " + describe(path, errno));
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const int writeError = errno;
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        const int error = written ? errno : writeError;
        std::error_code ignored;
        fs::remove(path, ignored);
        throw ScenarioError("cannot write " + describe(path, error));
    }
}

ScenarioReport writeScenario(const ScenarioOptions& options) {
    ScenarioReport report;
    report.images = imageNameSet(options.imageCount);
    report.otherFiles = {kSummaryFileName, kTextFileName};
    const std::uint64_t summarySeed = options.dataFiles.empty() ? 0 : options.dataFiles.front().seed;
    const std::vector<MediaFile> media = planMedia(options, report.images, deriveSeed(summarySeed, 1));
    for (std::size_t i = report.images.size(); i < media.size(); ++i) report.unnamedMedia.push_back(media[i].fileName);

    std::vector<std::string> names = report.otherFiles;
    for (const auto& file : options.dataFiles) names.push_back(file.name);
    for (const auto& file : media) names.push_back(file.fileName);
    prepareFolder(options.folder, names);

    std::uint64_t totalBytes = 0;
    for (const auto& file : options.dataFiles) totalBytes += file.approximateBytes;
    writeNewFile(options.folder / kSummaryFileName, summaryBytes(summarySeed, options.dataFiles.size()));
    writeNewFile(options.folder / kTextFileName, textFile(options, totalBytes));
    for (const auto& file : media) {
        writeNewFile(options.folder / file.fileName, bitmapBytes(file.side, file.side, colourOf(file.dataName)));
    }

    std::vector<std::string> imageData;
    for (const auto& image : report.images) imageData.push_back(image.data);
    for (const auto& plan : options.dataFiles) {
        DataFileOptions fileOptions;
        fileOptions.kind = plan.kind;
        fileOptions.package = plan.package;
        fileOptions.seed = plan.seed;
        fileOptions.approximateBytes = plan.approximateBytes;
        fileOptions.imageNames = imageData;
        fileOptions.renamedImages = options.renamedImages;
        fileOptions.shape = plan.shape;
        WrittenDataFile written{plan, {}};
        writeOneDataFile(options.folder / plan.name, fileOptions, written.report);
        report.dataFiles.push_back(std::move(written));
    }
    return report;
}

}  // namespace celshift::build
