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

    EXPECT_EQ(copyFileNoOverwrite(path("source.bmp"), path("target.bmp")), CopyOutcome::Copied);
    EXPECT_EQ(readFile(path("target.bmp")), contents);
    struct stat target;
    ASSERT_EQ(stat(path("target.bmp").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0640u);
    EXPECT_EQ(target.st_mtim.tv_sec, 1234567890);
    EXPECT_EQ(target.st_mtim.tv_nsec, 123456789);

    // Bits that the creation mask (usually 022) takes away at creation are set again.
    ASSERT_EQ(chmod(path("source.bmp").c_str(), 0666), 0);
    EXPECT_EQ(copyFileNoOverwrite(path("source.bmp"), path("open.bmp")), CopyOutcome::Copied);
    ASSERT_EQ(stat(path("open.bmp").c_str(), &target), 0);
    EXPECT_EQ(target.st_mode & 07777, 0666u);
}

#endif

TEST_F(FileCopyTest, CopiesAnEmptyFile) {
    writeFile("empty", "");
    EXPECT_EQ(copyFileNoOverwrite(path("empty"), path("copy")), CopyOutcome::Copied);
    EXPECT_TRUE(exists("copy"));
    EXPECT_EQ(fs::file_size(folder_ / "copy"), 0u);
}

TEST_F(FileCopyTest, LeavesAnythingAlreadyAtTheTargetUntouched) {
    writeFile("source.wsm", "new");
    writeFile("existing.wsm", "old");
    EXPECT_EQ(copyFileNoOverwrite(path("source.wsm"), path("existing.wsm")), CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(path("existing.wsm")), "old");

    fs::create_directory(folder_ / "folder.wsm");
    EXPECT_EQ(copyFileNoOverwrite(path("source.wsm"), path("folder.wsm")), CopyOutcome::AlreadyExists);
    EXPECT_TRUE(fs::is_directory(folder_ / "folder.wsm"));

#if !defined(_WIN32)
    // A dangling link is something of that name too: the file it names must not appear.
    fs::create_symlink(folder_ / "pointee.wsm", folder_ / "dangling.wsm");
    EXPECT_EQ(copyFileNoOverwrite(path("source.wsm"), path("dangling.wsm")), CopyOutcome::AlreadyExists);
    EXPECT_FALSE(exists("pointee.wsm"));
#endif

    // Copying a file onto itself is the same case.
    EXPECT_EQ(copyFileNoOverwrite(path("source.wsm"), path("source.wsm")), CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(path("source.wsm")), "new");
}

#if !defined(_WIN32)
TEST_F(FileCopyTest, FailsWithoutTargetWhenTheSourceCannotBeCopied) {
    writeFile("file", "x");
    ASSERT_EQ(mkfifo(path("pipe").c_str(), 0600), 0);
    fs::create_symlink(folder_ / "pipe", folder_ / "pipelink");
    fs::create_directory(folder_ / "folder");
    alarm(20);  // a source that blocks would hang the test: end it instead
    for (const char* source : {"missing", "pipe", "pipelink", "folder"}) {
        EXPECT_EQ(copyFileNoOverwrite(path(source), path("target")), CopyOutcome::Failed) << source;
        EXPECT_FALSE(exists("target")) << source;
    }
    EXPECT_EQ(copyFileNoOverwrite(path("file"), path("no such folder/target")), CopyOutcome::Failed);
}

TEST_F(FileCopyTest, ReadErrorRemovesTheIncompleteTarget) {
    // A regular file whose reads fail: this process's memory, read at address 0, which is never mapped.
    EXPECT_EQ(copyFileNoOverwrite("/proc/self/mem", path("target")), CopyOutcome::Failed);
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
        _exit(static_cast<int>(copyFileNoOverwrite(path("source"), path("target"))));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(CopyOutcome::Failed));
    EXPECT_FALSE(exists("target"));
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
        EXPECT_EQ(copyFileNoOverwrite(path(source), path("target")), CopyOutcome::Failed) << source;
        EXPECT_FALSE(exists("target")) << source;
    }
    EXPECT_EQ(copyFileNoOverwrite(path("file"), path("no such folder/target")), CopyOutcome::Failed);
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
