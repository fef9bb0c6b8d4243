// Writes realistic data files of every kind, deterministically from a seed, streaming to a FILE* so that a
// file of any size needs only a small buffer. The generator knows every image-name field it writes: the
// report counts them by name, and renamedImages writes chosen names differently while every other byte
// stays the same, which gives the exact output a conversion with the same pairs must produce.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace celshift::build {

// Image names as the data holds them (code page 932), mapped to the names to write in their place.
using NameMap = std::map<std::string, std::string>;

inline constexpr int kContentTypeCount = 66;
inline constexpr int kEntryTypeCount = 9;  // 0x40800 to 0x40808

// How the bytes of a data file are spread over its fields.
//  - Synthetic: every record form the format has, deep and wide content trees, mostly small fields: the
//    hardest work per byte for a conversion.
//  - Real: shaped after real scenario files: about 90 % of the bytes in long fields (long texts, embedded
//    images, 64 bytes and more), about 55 bytes per field on average, no catalog of every content type.
enum class Shape { Synthetic, Real };

// A field of at least this many bytes (length word included) counts as a long run.
inline constexpr std::uint64_t kLongFieldBytes = 64;

struct DataFileOptions {
    int kind = 0;          // 0 to 6 or 8; ignored for a package file
    bool package = false;  // a package file: no kind byte, laid out as kind 8
    std::uint64_t seed = 1;
    std::uint64_t approximateBytes = 64 * 1024;  // at most 1 TiB
    std::vector<std::string> imageNames;  // names for image-name fields; empty: the first 8 of imageNameSet
    NameMap renamedImages;                // image-name fields naming a key hold the value instead
    Shape shape = Shape::Synthetic;
};

// What one generated file holds.
struct DataFileReport {
    std::uint64_t bytes = 0;
    // Image-name fields holding a name and its zero byte, the ones a conversion pair can match, counted by
    // the name chosen (before renamedImages).
    std::map<std::string, std::uint64_t> imageFields;
    std::uint64_t emptyImageFields = 0;        // length 0
    std::uint64_t nonMatchingImageFields = 0;  // a name without its zero byte, or with two
    std::uint64_t plainStringsNamingImages = 0;  // plain strings holding an image name, some with a zero byte
    std::array<std::uint64_t, kContentTypeCount> contentTypes{};
    std::array<std::uint64_t, kEntryTypeCount> entryTypes{};
    std::uint64_t embeddedBodies = 0;  // 0x40808 entries with a body
    std::uint64_t nestedRecords = 0;
    std::uint64_t events = 0;
    std::uint64_t eventsWithTrailer = 0;
    std::uint64_t cellRecords = 0;
    int longestChain = 0;  // content nodes in the deepest single-child chain
    int maxNesting = 0;    // events, nodes, entry lists and nested records open at once, at the deepest point
    // Fields as the walkers copy them: a byte, an int32, a run of fixed length, a plain string or an
    // image-name field (its length word and its bytes). fieldBytes adds up their sizes (all of the file).
    std::uint64_t fields = 0;
    std::uint64_t fieldBytes = 0;
    std::uint64_t longFieldBytes = 0;  // in fields of kLongFieldBytes or more
    std::uint64_t longTexts = 0;       // long plain strings of text (Real shape)
    std::uint64_t embeddedImages = 0;  // plain strings holding a BMP image (Real shape)
};

// Writes one data file to out (not closed, not flushed beyond what was written). Throws std::runtime_error
// when a write fails and std::invalid_argument for options that name no layout or an unusable name.
DataFileReport writeDataFile(std::FILE* out, const DataFileOptions& options);

// The same bytes, in memory.
std::string dataFileBytes(const DataFileOptions& options, DataFileReport* report = nullptr);

// Output size change that a conversion with the given pairs makes to a file with this report.
std::int64_t expectedGrowth(const DataFileReport& report, const NameMap& pairs);

}  // namespace celshift::build
