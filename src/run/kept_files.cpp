#include "run/kept_files.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"

namespace celshift {

namespace {

struct CloseFile {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

}  // namespace

Sameness compareFiles(const std::string& a, const std::string& b) {
    std::error_code error;
    const auto sizeA = std::filesystem::file_size(pathFromUtf8(a), error);
    if (error) return Sameness::Unknown;
    const auto sizeB = std::filesystem::file_size(pathFromUtf8(b), error);
    if (error) return Sameness::Unknown;
    if (sizeA != sizeB) return Sameness::Different;
    FileError openError;
    const File first(openForReading(a, openError));
    const File second(openForReading(b, openError));
    if (!first || !second) return Sameness::Unknown;
    constexpr std::size_t kChunk = 1 << 16;
    std::vector<char> left(kChunk), right(kChunk);
    for (;;) {
        const std::size_t got = std::fread(left.data(), 1, kChunk, first.get());
        const std::size_t other = std::fread(right.data(), 1, kChunk, second.get());
        if (std::ferror(first.get()) || std::ferror(second.get())) return Sameness::Unknown;
        if (got != other || std::memcmp(left.data(), right.data(), got) != 0) return Sameness::Different;
        if (got < kChunk) return Sameness::Same;
    }
}

std::optional<std::string> foreignSummary(const std::string& sourceFile, const std::string& outputFolder) {
    const std::string summary = joinPath(outputFolder, lastPathElement(sourceFile));
    std::error_code error;
    if (!std::filesystem::is_regular_file(pathFromUtf8(summary), error)) return std::nullopt;
    if (isSameFileSystemObject(summary, sourceFile)) return std::nullopt;
    if (compareFiles(sourceFile, summary) == Sameness::Same) return std::nullopt;
    return summary;
}

}  // namespace celshift
