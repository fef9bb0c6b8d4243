#include "run/data_file_job.h"

#include <cstdio>
#include <stdexcept>

#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "transform/stream_io.h"
#include "transform/walkers.h"

namespace celshift {

namespace {

constexpr std::string_view kPackagePrefix = "Package";
constexpr std::size_t kStreamBufferBytes = stream::kRecommendedBufferBytes;

// Where a walk that only looks writes. Stands in until the copier can take no output at all.
std::FILE* openDiscardingOutput() { return std::fopen("/dev/null", "wb"); }

}  // namespace

StreamBuffers::StreamBuffers() : input(kStreamBufferBytes), output(kStreamBufferBytes) {}

std::string nameOf(const std::string& path) { return std::string(lastPathElement(path)); }

DataFileResult convertDataFile(const std::string& path, const std::string* outputFolder,
                               const ReplacementTableHolder& holder, StreamBuffers& buffers,
                               ImageNameVisitor* visitor) {
    DataFileResult result;
    const std::string name = nameOf(path);
    std::FILE* input = std::fopen(path.c_str(), "rb");
    if (!input) {
        // The copy is not opened either, so an older one stays untouched.
        result.kind = DataFileResult::Kind::Unopened;
        result.unopenedPath = path;
        return result;
    }
    std::FILE* output = nullptr;
    if (outputFolder) {
        const std::string outputPath = joinPath(*outputFolder, name);
        // "wb" would empty the input itself if the copy's name leads back to it (a link or a hard link).
        if (!isSameFileSystemObject(path, outputPath)) output = std::fopen(outputPath.c_str(), "wb");
        if (!output) {
            std::fclose(input);
            result.kind = DataFileResult::Kind::Unopened;
            result.unopenedPath = outputPath;
            return result;
        }
        std::setvbuf(output, buffers.output.data(), _IOFBF, buffers.output.size());
    } else {
        output = openDiscardingOutput();
        if (!output) {
            std::fclose(input);
            throw std::runtime_error("cannot open the null device");
        }
    }
    std::setvbuf(input, buffers.input.data(), _IOFBF, buffers.input.size());

    const std::uint8_t packageFlag = name.starts_with(kPackagePrefix) ? 1 : 0;
    int walk;
    {
        DataFileCopier copier(input, output, packageFlag, &holder);
        copier.nameVisitor = visitor;
        walk = copyDataFile(copier);
        result.replaced = copier.replacedFields;
        result.stopCode = copier.stopCode;
    }
    std::fclose(input);
    // The last bytes reach the disk only now: a full disk shows here, and the copy is then incomplete.
    const bool flushed = std::fflush(output) == 0;
    const bool closed = std::fclose(output) == 0;
    if (walk != 0 || !flushed || !closed) result.kind = DataFileResult::Kind::Failed;
    return result;
}

}  // namespace celshift
