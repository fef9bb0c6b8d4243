#include "platform/file_copy.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/output_folder.h"
#include "temp_folder.h"

namespace celshift {
namespace {

namespace fs = std::filesystem;

class FileCopyTest : public testing::Test {
protected:
#if !defined(_WIN32)
    void TearDown() override { alarm(0); }
#endif

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    // Copies a file of the test folder (or any path) into the test folder under name.
    CopyOutcome copy(const std::string& source, const std::string& name, FileError* error = nullptr) {
        OutputFolder folder;
        if (folder.open(folder_.string())) ADD_FAILURE() << "cannot open the test folder";
        const CopyResult result = copyIntoFolder(source, folder, name, false);
        if (error) *error = result.error;
        return result.outcome;
    }

    void writeFile(const std::string& name, const std::string& contents) {
        std::ofstream out(folder_ / name, std::ios::binary);
        out << contents;
        ASSERT_TRUE(out.flush());
    }

    static std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    // Bytes that differ from position to position, zero bytes included.
    static std::string pattern(std::size_t size) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + i / 251) & 0xFF);
        return bytes;
    }

    bool exists(const std::string& name) const {
        return fs::symlink_status(folder_ / name).type() != fs::file_type::not_found;
    }

    test::TempFolder temporary_;
    fs::path folder_ = temporary_.path();
};

#if !defined(_WIN32)
// Windows counterparts of the tests up to the #endif: file_copy_win32_test.cpp.
TEST_F(FileCopyTest, CopiesContentsPermissionsAndModificationTime) {
    const std::string contents = pattern((std::size_t{3} << 20) + 17);
    writeFile("source.bmp", contents);
    ASSERT_EQ(chmod(path("source.bmp").c_str(), 0640), 0);
    const timespec times[2] = {{1000000000, 0}, {1234567890, 123456789}};
    ASSERT_EQ(utimensat(AT_FDCWD, path("source.bmp").c_str(), times, 0), 0);

    EXPECT_EQ(copy(path("source.bmp"), "target.bmp"), CopyOutcome::Copied);
    EXPECT_EQ(readFile(path("target.bmp")), contents);
    struct stat target;
    ASSERT_EQ(stat(path("target.bmp").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0640u);
    EXPECT_EQ(target.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(target.st_mtim.tv_nsec, 123456789);

    // Bits that the creation mask (usually 022) takes away at creation are set again.
    ASSERT_EQ(chmod(path("source.bmp").c_str(), 0666), 0);
    EXPECT_EQ(copy(path("source.bmp"), "open.bmp"), CopyOutcome::Copied);
    ASSERT_EQ(stat(path("open.bmp").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0666u);
}

#endif

TEST_F(FileCopyTest, CopiesAnEmptyFile) {
    writeFile("empty", "");
    EXPECT_EQ(copy(path("empty"), "copy"), CopyOutcome::Copied);
    EXPECT_TRUE(exists("copy"));
    EXPECT_EQ(fs::file_size(folder_ / "copy"), 0u);
}

// Nothing of that name is ever replaced: a regular file stays silently, anything else stays and is told.
TEST_F(FileCopyTest, LeavesAnythingAlreadyAtTheTargetUntouched) {
    writeFile("source.wsm", "new");
    writeFile("existing.wsm", "old");
    EXPECT_EQ(copy(path("source.wsm"), "existing.wsm"), CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(path("existing.wsm")), "old");

    FileError error;
    fs::create_directory(folder_ / "folder.wsm");
    EXPECT_EQ(copy(path("source.wsm"), "folder.wsm", &error), CopyOutcome::Failed);
    EXPECT_EQ(error.problem, FileProblem::FolderInTheWay);
    EXPECT_TRUE(fs::is_directory(folder_ / "folder.wsm"));

#if !defined(_WIN32)
    // A link is in the way whether it leads somewhere or not, and what it names is never written.
    fs::create_symlink(folder_ / "pointee.wsm", folder_ / "dangling.wsm");
    fs::create_symlink(folder_ / "existing.wsm", folder_ / "link.wsm");
    for (const char* name : {"dangling.wsm", "link.wsm"}) {
        EXPECT_EQ(copy(path("source.wsm"), name, &error), CopyOutcome::Failed) << name;
        EXPECT_EQ(error.problem, FileProblem::LinkInTheWay) << name;
    }
    EXPECT_FALSE(exists("pointee.wsm"));
    EXPECT_EQ(readFile(path("existing.wsm")), "old");
    ASSERT_EQ(mkfifo(path("pipe.wsm").c_str(), 0600), 0);
    alarm(20);  // a copy that opened the FIFO would hang: end the test instead
    EXPECT_EQ(copy(path("source.wsm"), "pipe.wsm", &error), CopyOutcome::Failed);
    EXPECT_EQ(error.problem, FileProblem::SpecialInTheWay);
#endif

    // Copying a file onto itself is the same case.
    EXPECT_EQ(copy(path("source.wsm"), "source.wsm"), CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(path("source.wsm")), "new");
    // No temporary file is left behind by any of these.
    for (const auto& entry : fs::directory_iterator(folder_))
        EXPECT_FALSE(isTemporaryFileName(entry.path().filename().string())) << entry.path();
}

#if !defined(_WIN32)
// A folder read at the start (a first run does not look for each name) may meet entries made since: the copy
// finds them when it takes its name, and they stay as they are.
TEST_F(FileCopyTest, EntriesMadeAfterTheFolderWasReadStayUntouched) {
    writeFile("source.wsm", "new");
    OutputFolder folder;
    ASSERT_FALSE(folder.open(folder_.string()));
    folder.removeLeftovers();
    EXPECT_TRUE(folder.mayHold("source.wsm"));
    writeFile("late.wsm", "old");
    fs::create_directory(folder_ / "late-folder.wsm");
    EXPECT_EQ(copyIntoFolder(path("source.wsm"), folder, "late.wsm", false).outcome, CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(path("late.wsm")), "old");
    const CopyResult intoFolder = copyIntoFolder(path("source.wsm"), folder, "late-folder.wsm", false);
    EXPECT_EQ(intoFolder.outcome, CopyOutcome::Failed);
    EXPECT_EQ(intoFolder.error.problem, FileProblem::FolderInTheWay);
    EXPECT_EQ(copyIntoFolder(path("source.wsm"), folder, "fresh.wsm", false).outcome, CopyOutcome::Copied);
    EXPECT_EQ(readFile(path("fresh.wsm")), "new");
    for (const auto& entry : fs::directory_iterator(folder_))
        EXPECT_FALSE(isTemporaryFileName(entry.path().filename().string())) << entry.path();
}

TEST_F(FileCopyTest, FailsWithoutTargetWhenTheSourceCannotBeCopied) {
    writeFile("file", "x");
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    fs::create_symlink(folder_ / "pipe", folder_ / "pipelink");
    fs::create_directory(folder_ / "folder");
    alarm(20);  // a source that blocks would hang the test: end it instead
    fs::create_symlink(folder_ / "nowhere", folder_ / "dangling");
    fs::create_symlink(folder_ / "loop", folder_ / "loop");
    const std::pair<const char*, FileProblem> cases[] = {
        {"missing", FileProblem::NotFound},       {"pipe", FileProblem::NotRegularFile},
        {"pipelink", FileProblem::NotRegularFile}, {"folder", FileProblem::NotRegularFile},
        {"dangling", FileProblem::DanglingLink},  {"loop", FileProblem::LinkLoop},
        {"file/source", FileProblem::NotAFolderOnPath},  // a file where a folder should be: there is a file
    };
    for (const auto& [source, problem] : cases) {
        FileError error;
        EXPECT_EQ(copy(path(source), "target", &error), CopyOutcome::Failed) << source;
        EXPECT_EQ(error.problem, problem) << source;
        EXPECT_FALSE(exists("target")) << source;
    }
    EXPECT_EQ(copy(path("file"), "no such folder/target"), CopyOutcome::Failed);
}

// An output folder removed during the run: the source is there, the folder is not, and the error says so.
TEST_F(FileCopyTest, AFolderRemovedUnderTheCopyIsToldAsSuch) {
    writeFile("source", "x");
    fs::create_directory(folder_ / "gone");
    OutputFolder gone;
    ASSERT_FALSE(gone.open(path("gone")));
    fs::remove(folder_ / "gone");
    const CopyResult result = copyIntoFolder(path("source"), gone, "target", false);
    EXPECT_EQ(result.outcome, CopyOutcome::Failed);
    EXPECT_EQ(result.error.problem, FileProblem::FolderTakesNoNewFile);
}

TEST_F(FileCopyTest, ReadErrorRemovesTheIncompleteTarget) {
    // A regular file whose reads fail: this process's memory, read at address 0, which is never mapped.
    EXPECT_EQ(copy("/proc/self/mem", "target"), CopyOutcome::Failed);
    EXPECT_FALSE(exists("target"));
}

TEST_F(FileCopyTest, WriteErrorRemovesTheIncompleteTarget) {
    writeFile("source", pattern(256 * 1024));
    // A file size limit makes the writes fail part way, as a full disk would. The child process keeps
    // the limit away from the test runner.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit = {64 * 1024, 64 * 1024};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(100);
        _exit(static_cast<int>(copy(path("source"), "target")));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(CopyOutcome::Failed));
    EXPECT_FALSE(exists("target"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(FileCopyTest, FolderChecksFollowLinks) {
    writeFile("file", "x");
    writeFile("other", "x");
    fs::create_directory(folder_ / "folder");
    fs::create_directory_symlink(folder_ / "folder", folder_ / "folderlink");
    EXPECT_TRUE(isExistingFolder(path("folderlink")));
    EXPECT_FALSE(isExistingFolder(path("file")));
    EXPECT_FALSE(isExistingFolder(path("missing")));

    EXPECT_TRUE(isSameFileSystemObject(path("folder"), path("folderlink") + "/"));
    EXPECT_FALSE(isSameFileSystemObject(path("file"), path("other")));
    EXPECT_FALSE(isSameFileSystemObject(path("missing"), path("missing")));
}
#endif

TEST_F(FileCopyTest, MissingSourceOrTargetFolderFailsWithoutTarget) {
    writeFile("file", "x");
    fs::create_directory(folder_ / "folder");
    for (const char* source : {"missing", "folder"}) {
        EXPECT_EQ(copy(path(source), "target"), CopyOutcome::Failed) << source;
        EXPECT_FALSE(exists("target")) << source;
    }
    EXPECT_EQ(copy(path("file"), "no such folder/target"), CopyOutcome::Failed);
}

TEST_F(FileCopyTest, SameFolderAndFolderChecks) {
    writeFile("file", "x");
    writeFile("other", "x");
    fs::create_directory(folder_ / "folder");
    EXPECT_TRUE(isExistingFolder(path("folder")));
    EXPECT_FALSE(isExistingFolder(path("file")));
    EXPECT_FALSE(isExistingFolder(path("missing")));
    EXPECT_TRUE(isSameFileSystemObject(path("folder"), path("folder") + "/"));
    EXPECT_TRUE(isSameFileSystemObject(path("folder"), path("folder/../folder")));
    EXPECT_FALSE(isSameFileSystemObject(path("folder"), folder_.string()));
    EXPECT_FALSE(isSameFileSystemObject(path("file"), path("other")));
}

}  // namespace
}  // namespace celshift
