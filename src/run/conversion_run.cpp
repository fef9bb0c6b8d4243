#include "run/conversion_run.h"

#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/name_rules.h"
#include "platform/path_text.h"
#include "run/build_replacement_table.h"
#include "run/run_texts.h"
#include "platform/large_stack.h"
#include "transform/stream_io.h"
#include "transform/walkers.h"

namespace celshift {

namespace {

constexpr std::string_view kDataFileExtension = ".wid";
constexpr std::string_view kPackagePrefix = "Package";

// Stream buffers, allocated once per run and lent to each pair of streams in turn.
constexpr std::size_t kStreamBufferBytes = stream::kRecommendedBufferBytes;

std::string absoluteFolder(const std::string& folder) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(pathFromUtf8(folder), error);
    return error ? folder : utf8FromPath(absolute);
}

std::string joinLines(const std::string& first, const std::vector<std::string>& lines) {
    std::string text = first;
    for (const auto& line : lines) text += "\n" + line;
    return text;
}

// First stage: every file but the data files, never overwriting what the output folder holds.
void copyOtherFiles(FileList& fileList, const std::string& outputFolder, RunMessages& messages) {
    fileList.setMask("*.*");
    std::vector<std::string> notCopied;
    for (int i = 0; i < fileList.count(); ++i) {
        const std::string path = fileList.filePath(i);
        const std::string name(lastPathElement(path));
        if (fileNameExtension(name) == kDataFileExtension) continue;
        if (copyFileNoOverwrite(path, joinPath(outputFolder, name)) == CopyOutcome::Failed) notCopied.push_back(name);
    }
    if (!notCopied.empty()) messages.showMessage(joinLines(texts::kNotCopied, notCopied), texts::kCaptionFirstStage);
    messages.showMessage(texts::kCopyDone, texts::kCaptionFirstStage);
}

class DataFileStage {
public:
    DataFileStage(const std::string& outputFolder, const ReplacementTableHolder& holder, RunMessages& messages,
                  RunOutcome& outcome)
        : outputFolder_(outputFolder), holder_(holder), messages_(messages), outcome_(outcome),
          inputBuffer_(kStreamBufferBytes), outputBuffer_(kStreamBufferBytes) {}

    // Rewrites one data file into the output folder and reports it when it failed.
    void convert(const std::string& path) {
        const std::string name(lastPathElement(path));
        std::FILE* input = std::fopen(path.c_str(), "rb");
        if (!input) {
            // The copy is not opened either, so an older one stays untouched.
            unopened(path);
            return;
        }
        const std::string outputPath = joinPath(outputFolder_, name);
        // "wb" would empty the input itself if the copy's name leads back to it (a link or a hard link).
        if (isSameFileSystemObject(path, outputPath)) {
            std::fclose(input);
            unopened(outputPath);
            return;
        }
        std::FILE* output = std::fopen(outputPath.c_str(), "wb");
        if (!output) {
            std::fclose(input);
            unopened(outputPath);
            return;
        }
        std::setvbuf(input, inputBuffer_.data(), _IOFBF, inputBuffer_.size());
        std::setvbuf(output, outputBuffer_.data(), _IOFBF, outputBuffer_.size());

        const std::uint8_t packageFlag = name.starts_with(kPackagePrefix) ? 1 : 0;
        int result;
        {
            DataFileCopier copier(input, output, packageFlag, &holder_);
            result = copyDataFile(copier);
        }
        std::fclose(input);
        // The last bytes reach the disk only now: a full disk shows here, and the copy is then incomplete.
        const bool flushed = std::fflush(output) == 0;
        const bool closed = std::fclose(output) == 0;
        if (result != 0 || !flushed || !closed) {
            messages_.showMessage(name, texts::kCaptionFailed);
            ++outcome_.failedFiles;
        }
    }

private:
    void unopened(const std::string& path) {
        messages_.showErrorFm(path);
        ++outcome_.unopenedFiles;
    }

    const std::string& outputFolder_;
    const ReplacementTableHolder& holder_;
    RunMessages& messages_;
    RunOutcome& outcome_;
    std::vector<char> inputBuffer_;
    std::vector<char> outputBuffer_;
};

// Second stage: every data file, in the order of the list, on one large-stack thread for the whole stage.
void rewriteDataFiles(FileList& fileList, const std::string& outputFolder, const ReplacementTableHolder& holder,
                      RunMessages& messages, RunOutcome& outcome) {
    fileList.setMask("*.wid");
    DataFileStage stage(outputFolder, holder, messages, outcome);
    runOnLargeStack([&] {
        for (int j = 0; j < fileList.count(); ++j) stage.convert(fileList.filePath(j));
    });
}

}  // namespace

RunOutcome runConversion(const std::string& sourceFile, const std::string& outputFolder, const ConversionRows& rows,
                         FileList& fileList, RunMessages& messages) {
    RunOutcome outcome;
    const std::string sourceFolder = parentFolder(sourceFile);

    // Nothing is touched unless the output folder exists and is not the scenario folder itself.
    if (!isExistingFolder(outputFolder)) {
        messages.showMessage(joinLines(texts::kNoOutputFolder, {outputFolder}), texts::kCaptionError);
        return outcome;
    }
    if (isSameFileSystemObject(sourceFolder, outputFolder)) {
        messages.showMessage(texts::kSameFolder, texts::kCaptionError);
        return outcome;
    }
    outcome.started = true;
    const std::string output = absoluteFolder(outputFolder);

    fileList.setDirectory(sourceFolder);
    copyOtherFiles(fileList, output, messages);

    ReplacementTableHolder holder;
    buildReplacementTable(rows, holder, messages);

    rewriteDataFiles(fileList, output, holder, messages, outcome);
    messages.showMessage(texts::kDone, texts::kCaptionInfo);
    return outcome;
}

std::string defaultOutputFolder() { return executableFolder() + "Scena/"; }

}  // namespace celshift
