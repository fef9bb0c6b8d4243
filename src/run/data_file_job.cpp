#include "run/data_file_job.h"

#include <cstdio>

#include "platform/file_copy.h"
#include "platform/name_rules.h"

namespace celshift {

namespace {

constexpr std::string_view kPackagePrefix = "Package";

}  // namespace

StreamBuffers::StreamBuffers() : output(kOutputBufferBytes) {}

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
        // The copy is looked at first: when there is none yet (the usual case), one call settles it.
        if (!isSameFileSystemObject(outputPath, path)) output = std::fopen(outputPath.c_str(), "wb");
        if (!output) {
            std::fclose(input);
            result.kind = DataFileResult::Kind::Unopened;
            result.unopenedPath = outputPath;
            return result;
        }
        std::setvbuf(output, buffers.output.data(), _IOFBF, buffers.output.size());
    }
    // The copier reads through a window of its own: a stream buffer would only copy every byte once more.
    std::setvbuf(input, nullptr, _IONBF, 0);

    const std::uint8_t packageFlag = name.starts_with(kPackagePrefix) ? 1 : 0;
    int walk;
    {
        DataFileCopier copier(input, output, packageFlag, &holder);
        copier.nestingLimit = kMaxNestingDepth;  // the workers have the stack for it
        copier.nameVisitor = visitor;
        walk = copyDataFile(copier);
        result.replaced = std::move(copier.replacedFields);
        result.stopCode = copier.stopCode;
    }
    std::fclose(input);
    // The last bytes reach the disk only now: a full disk shows here, and the copy is then incomplete.
    bool written = true;
    if (output) {
        written = std::fflush(output) == 0;
        written = std::fclose(output) == 0 && written;
    }
    if (walk != 0 || !written) result.kind = DataFileResult::Kind::Failed;
    return result;
}

}  // namespace celshift
