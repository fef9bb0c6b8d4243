// Writes whole scenario folders: a "Summary.wsm", data files of every kind, the image files that the data
// files name, and a text file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "data_file_generator.h"
#include "image_names.h"

namespace celshift::build {

// A folder or file that cannot be written, or would overwrite an existing file.
class ScenarioError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct PlannedDataFile {
    std::string name;  // "Area01.wid", "Package01.wid", ...
    int kind = 0;
    bool package = false;
    std::uint64_t approximateBytes = 0;
    std::uint64_t seed = 0;
    Shape shape = Shape::Synthetic;
};

// fileCount data files sharing about totalBytes. The kinds follow the cycle 0, package, 1, 3, 2, 5, 6, 4,
// 8, so nine files or more hold every kind; kind 4 files (one string each) stay small.
std::vector<PlannedDataFile> planDataFiles(int fileCount, std::uint64_t totalBytes, std::uint64_t seed);

// The name a data file of this kind gets, numbered from 1 per kind: "Area01.wid" for kind 0.
std::string dataFileName(int kind, bool package, int number);

struct ScenarioOptions {
    std::filesystem::path folder;  // created when missing; files already there are never overwritten
    std::vector<PlannedDataFile> dataFiles;
    int imageCount = 8;
    NameMap renamedImages;  // passed to every data file
    // Media files of a real scenario: mediaFiles BMP images (at least the named ones) sharing about
    // mediaBytes, each at most 1024 x 1024 pixels: the named images first, then images that no data file
    // names ("cg_00001.bmp", ...). With mediaFiles 0: the named images only, 16 x 16 pixels each.
    int mediaFiles = 0;
    std::uint64_t mediaBytes = 0;
};

struct WrittenDataFile {
    PlannedDataFile plan;
    DataFileReport report;
};

struct ScenarioReport {
    std::vector<WrittenDataFile> dataFiles;
    std::vector<ImageName> images;
    std::vector<std::string> unnamedMedia;  // media files that no data file names
    std::vector<std::string> otherFiles;    // "Summary.wsm" and the text file
};

inline constexpr const char* kSummaryFileName = "Summary.wsm";
inline constexpr const char* kTextFileName = "readme.txt";

// Writes the scenario. Throws ScenarioError (nothing is written) when one of its files already exists,
// and ScenarioError when a write fails (the file being written is removed).
ScenarioReport writeScenario(const ScenarioOptions& options);

// Writes bytes to a new file, every error checked. Throws ScenarioError.
void writeNewFile(const std::filesystem::path& path, const std::string& bytes);

// Throws ScenarioError when folder exists and is not a folder, or when one of the names exists in it;
// otherwise creates the folder.
void prepareFolder(const std::filesystem::path& folder, const std::vector<std::string>& names);

}  // namespace celshift::build
