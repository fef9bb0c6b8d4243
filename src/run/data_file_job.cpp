#include "run/data_file_job.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <optional>

#include "platform/file_copy.h"
#include "platform/large_stack.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/failure_reasons.h"

namespace celshift {

namespace {

constexpr std::string_view kPackagePrefix = "Package";
constexpr const char* kEarlierCopyStays = "（出力先のファイルは以前のままです）";

DataFileResult unopened(std::string path, const FileError& error) {
    DataFileResult result;
    result.kind = DataFileResult::Kind::Unopened;
    result.unopenedPath = std::move(path);
    result.reason = fileErrorText(error);
    return result;
}

}  // namespace

StreamBuffers::StreamBuffers() : output(kOutputBufferBytes) {}

std::string nameOf(const std::string& path) { return std::string(lastPathElement(path)); }

DataFileResult convertDataFile(const std::string& path, OutputFolder* output, const ReplacementTableHolder& holder,
                               StreamBuffers& buffers, ImageNameVisitor* visitor, bool sync,
                               const std::string& outputName) {
    const std::string name = outputName.empty() ? nameOf(path) : outputName;
    // Unbuffered: the copier reads through a window of its own, and a stream buffer would only copy every byte once
    // more. Nothing is written for a file that cannot be read, so an older copy stays untouched.
    FileError openError;
    std::FILE* input = openForReading(path, openError);
    if (!input) return unopened(path, openError);

    std::optional<PendingFile> copy;
    if (output) {
        copy.emplace(*output);
        if (const FileError error = copy->create()) {
            std::fclose(input);
            return unopened(joinPath(output->path(), name), error);
        }
        std::setvbuf(copy->stream(), buffers.output.data(), _IOFBF, buffers.output.size());
    }

    DataFileResult result;
    const std::uint8_t packageFlag = name.starts_with(kPackagePrefix) ? 1 : 0;
    int walk;
    StopDetail stop;
    {
        DataFileCopier copier(input, copy ? copy->stream() : nullptr, packageFlag, &holder);
        copier.nestingLimit = nestingLimitFor(largeStackOfThisThread());  // as deep as this worker's stack allows
        copier.nameVisitor = visitor;
        walk = copyDataFile(copier);
        result.replaced = std::move(copier.replacedFields);
        result.stopCode = copier.stopCode;
        stop = copier.stop;
    }
    result.wholeInputWalked = stop.kind == StopKind::None || stop.kind == StopKind::InputEnded;
    std::fclose(input);
    if (walk != 0) {
        result.kind = DataFileResult::Kind::Failed;
        result.reason = stopText(stop);
    }
    if (!outputIsWhole(stop)) {
        // Part of the file was not read or not written: nothing of this walk may count or take the name.
        result.replaced = {};
        if (copy) result.reason += kEarlierCopyStays;
        return result;
    }
    if (!copy) return result;

    // The last bytes reach the file only now: a full disk shows here, and the copy is then incomplete.
    if (const FileError error = copy->finish(sync)) {
        result.kind = DataFileResult::Kind::Failed;
        result.reason = "書き込めません: " + fileErrorText(error) + kEarlierCopyStays;
        result.replaced = {};
        return result;
    }
    if (const FileError error = copy->replace(name)) return unopened(joinPath(output->path(), name), error);
    result.outputWritten = true;
    if (walk != 0) result.reason += "。" + bytePosition(stop.offset) + "からは変換せずにそのまま写しました";
    return result;
}

std::size_t walkStackFor(const std::vector<std::string>& paths) {
    std::uint64_t largest = 0;
    for (const std::string& path : paths) {
        std::error_code error;
        const std::uintmax_t size = std::filesystem::file_size(pathFromUtf8(path), error);
        if (!error && size > largest) largest = size;
    }
    return walkStackBytesFor(largest);
}


}  // namespace celshift
