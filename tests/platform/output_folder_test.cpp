// Writing into an output folder: whole files under their final names, never through a link, one run at a time.
#include "platform/output_folder.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include "platform/file_copy.h"
#include "platform/output_folder_native_posix.h"
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "temp_folder.h"

namespace celshift {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const fs::path& path, const std::string& contents) { std::ofstream(path, std::ios::binary) << contents; }

std::size_t entries(const fs::path& folder) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class OutputFolderTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(folder.open(root.path())); }

    // Writes contents under a temporary name and gives it the final name.
    FileError write(const std::string& name, const std::string& contents) {
        PendingFile file(folder);
        if (FileError error = file.create()) return error;
        std::fputs(contents.c_str(), file.stream());
        if (FileError error = file.finish(false)) return error;
        return file.replace(name);
    }

    test::TempFolder root;
    OutputFolder folder;
};

TEST(TemporaryFileName, OnlyTheProgramsOwnPatternIsRecognised) {
    const std::string made = temporaryFileName();
    EXPECT_TRUE(isTemporaryFileName(made)) << made;
    EXPECT_NE(temporaryFileName(), made);
    for (const char* name : {".celshift-12-0.tmp", ".celshift-1-99999.tmp"}) EXPECT_TRUE(isTemporaryFileName(name)) << name;
    for (const char* name : {".celshift-.tmp", ".celshift-12.tmp", ".celshift--1.tmp", ".celshift-1-.tmp",
                             ".celshift-1-2-3.tmp", ".celshift-a-1.tmp", "celshift-1-2.tmp", ".celshift-1-2.tmpx",
                             ".celshift-lock", "Area01.wid"})
        EXPECT_FALSE(isTemporaryFileName(name)) << name;
}

TEST_F(OutputFolderTest, AFileTakesItsNameOnlyWhole) {
    PendingFile file(folder);
    ASSERT_FALSE(file.create());
    std::fputs("contents", file.stream());
    ASSERT_FALSE(file.finish(true));
    EXPECT_FALSE(fs::exists(root / "Area01.wid"));  // not before it is given its name
    EXPECT_LE(entries(root.path()), 1u);            // at most a temporary name
    ASSERT_FALSE(file.replace("Area01.wid"));
    EXPECT_EQ(readFile(root / "Area01.wid"), "contents");
    EXPECT_EQ(entries(root.path()), 1u);
}

TEST_F(OutputFolderTest, ADiscardedFileLeavesNothing) {
    writeFile(root / "Area01.wid", "earlier");
    {
        PendingFile file(folder);
        ASSERT_FALSE(file.create());
        std::fputs("half", file.stream());
    }  // never given its name
    EXPECT_EQ(readFile(root / "Area01.wid"), "earlier");
    EXPECT_EQ(entries(root.path()), 1u);
}

#if !defined(_WIN32)
// The name's entry is replaced: what a link points at, and the other names of a hard-linked file, stay as they were.
TEST_F(OutputFolderTest, ReplacingNeverWritesThroughALink) {
    test::TempFolder elsewhere;
    writeFile(elsewhere / "notes.txt", "mine");
    fs::create_symlink(elsewhere / "notes.txt", root / "Link.wid");
    fs::create_symlink(elsewhere / "nowhere.txt", root / "Dangling.wid");
    fs::create_hard_link(elsewhere / "notes.txt", root / "Hard.wid");
    for (const char* name : {"Link.wid", "Dangling.wid", "Hard.wid"}) {
        ASSERT_FALSE(write(name, "converted")) << name;
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(root / name))) << name;
        EXPECT_EQ(readFile(root / name), "converted") << name;
    }
    EXPECT_EQ(readFile(elsewhere / "notes.txt"), "mine");
    EXPECT_FALSE(fs::exists(elsewhere / "nowhere.txt"));
}

// Writes go to the folder that was opened, even if its path is made to lead elsewhere during the run.
TEST_F(OutputFolderTest, WritesStayInTheFolderThatWasOpened) {
    test::TempFolder other;
    const fs::path moved = other / "moved";
    fs::rename(root.path(), moved);
    fs::create_directory_symlink(other.path(), root.path());
    ASSERT_FALSE(write("Area01.wid", "converted"));
    EXPECT_EQ(readFile(moved / "Area01.wid"), "converted");
    EXPECT_FALSE(fs::exists(other / "Area01.wid"));
    fs::remove(root.path());
    fs::rename(moved, root.path());
}

// Every way a new file can get its name (without a name at all, linked by its descriptor or through /proc, or under
// a temporary name on file systems without such files) keeps the same promises.
class EveryNaming : public OutputFolderTest, public testing::WithParamInterface<OutputFolder::Native::Naming> {
protected:
    void SetUp() override {
        OutputFolderTest::SetUp();
        detail::chooseNaming(folder.native(), GetParam());
    }
};

TEST_P(EveryNaming, DataFilesReplaceNamesAndCopiesReplaceNothing) {
    test::TempFolder elsewhere;
    writeFile(elsewhere / "notes.txt", "mine");
    writeFile(elsewhere / "source.bmp", "image");
    fs::create_symlink(elsewhere / "notes.txt", root / "Link.wid");
    writeFile(root / "Earlier.wid", "earlier");
    fs::create_directory(root / "Folder.wid");
    EXPECT_FALSE(write("New.wid", "new"));
    EXPECT_FALSE(write("Link.wid", "converted"));
    EXPECT_FALSE(write("Earlier.wid", "converted"));
    EXPECT_EQ(write("Folder.wid", "converted").problem, FileProblem::FolderInTheWay);
    EXPECT_EQ(readFile(root / "New.wid"), "new");
    EXPECT_EQ(readFile(root / "Link.wid"), "converted");
    EXPECT_EQ(readFile(root / "Earlier.wid"), "converted");
    EXPECT_EQ(readFile(elsewhere / "notes.txt"), "mine");

    EXPECT_EQ(copyIntoFolder(elsewhere / "source.bmp", folder, "a.bmp", false).outcome, CopyOutcome::Copied);
    EXPECT_EQ(copyIntoFolder(elsewhere / "source.bmp", folder, "New.wid", false).outcome, CopyOutcome::AlreadyExists);
    EXPECT_EQ(readFile(root / "a.bmp"), "image");
    EXPECT_EQ(readFile(root / "New.wid"), "new");
    {
        PendingFile dropped(folder);
        ASSERT_FALSE(dropped.create());
        std::fputs("half", dropped.stream());
    }
    // Nothing but the files themselves: no temporary name is left by any of it.
    EXPECT_EQ(entries(root.path()), 5u);
}

// Two runs of one process number (two containers writing into one shared folder) make the same temporary names:
// neither writes into the other's file.
TEST_F(OutputFolderTest, ATemporaryNameInUseIsNeverWrittenInto) {
    detail::chooseNaming(folder.native(), OutputFolder::Native::Naming::TemporaryName);
    const std::string made = temporaryFileName();
    const std::size_t dash = made.rfind('-');
    const std::string next = made.substr(0, dash + 1) + std::to_string(std::stoull(made.substr(dash + 1)) + 1) + ".tmp";
    writeFile(root / next, "the other run's");
    EXPECT_FALSE(write("Area01.wid", "converted"));
    EXPECT_EQ(readFile(root / next), "the other run's");
    EXPECT_EQ(readFile(root / "Area01.wid"), "converted");
}

INSTANTIATE_TEST_SUITE_P(OutputFolder, EveryNaming,
                         testing::Values(OutputFolder::Native::Naming::Descriptor,
                                         OutputFolder::Native::Naming::ProcPath,
                                         OutputFolder::Native::Naming::TemporaryName));
#endif

TEST_F(OutputFolderTest, AFolderInTheWayIsToldAndStays) {
    fs::create_directory(root / "Area01.wid");
    EXPECT_EQ(write("Area01.wid", "converted").problem, FileProblem::FolderInTheWay);
    EXPECT_TRUE(fs::is_directory(root / "Area01.wid"));
}

// 4194305 is above the largest process number a system gives: no process runs under it.
TEST_F(OutputFolderTest, LeftoversOfTheOwnPatternAreRemovedAndNothingElse) {
    for (const char* name : {".celshift-4194305-0.tmp", ".celshift-4194305-1.tmp", ".celshift-lock", ".hidden", "a.bmp",
                             "x.celshift-1-2.tmp", ".celshift-99999999999999999999999-1.tmp"})
        writeFile(root / name, "x");
    fs::create_directory(root / ".celshift-4194305-2.tmp");  // not a file: not ours
    // A killed run whose process had this one's number (a container gives the same small numbers every time).
    const std::string ownNumber = temporaryFileName();
    writeFile(root / ownNumber, "x");
    std::error_code noLinks;
    fs::create_symlink(root / "a.bmp", root / ".celshift-4194305-3.tmp", noLinks);
    folder.removeLeftovers();
    EXPECT_FALSE(fs::exists(root / ".celshift-4194305-0.tmp"));
    EXPECT_FALSE(fs::exists(root / ".celshift-4194305-1.tmp"));
    EXPECT_FALSE(fs::exists(root / ".celshift-99999999999999999999999-1.tmp"));
    EXPECT_FALSE(fs::exists(root / ownNumber));
    for (const char* name : {".celshift-lock", ".hidden", "a.bmp", "x.celshift-1-2.tmp", ".celshift-4194305-2.tmp"})
        EXPECT_TRUE(fs::exists(root / name)) << name;
    if (!noLinks) {
        EXPECT_TRUE(fs::is_symlink(root / ".celshift-4194305-3.tmp"));
    }
}

#if !defined(_WIN32)
// A run that writes here through another view of the folder (which the lock does not see) keeps its temporary
// files while it runs; once it has ended they go.
TEST_F(OutputFolderTest, LeftoversOfARunningProcessStayUntilItEnds) {
    const pid_t other = fork();
    if (other == 0) {
        pause();
        _exit(0);
    }
    ASSERT_GT(other, 0);
    const std::string name = ".celshift-" + std::to_string(other) + "-0.tmp";
    writeFile(root / name, "in work");
    folder.removeLeftovers();
    EXPECT_TRUE(fs::exists(root / name));
    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    folder.removeLeftovers();
    EXPECT_FALSE(fs::exists(root / name));
}
#endif

#if !defined(_WIN32)
// The test folder's file system tells case apart; the probe that asks leaves nothing behind.
TEST_F(OutputFolderTest, ACaseSensitiveFolderIsToldSo) {
    EXPECT_FALSE(folder.foldsCase());
    EXPECT_EQ(entries(root.path()), 0u);
}
#endif

TEST_F(OutputFolderTest, OneRunAtATime) {
    auto first = std::make_unique<OutputFolder>();
    ASSERT_FALSE(first->open(root.path()));
    ASSERT_FALSE(first->lock());
    EXPECT_EQ(folder.lock().problem, FileProblem::Busy);
    first.reset();  // the first run ends: its hold ends with it
    EXPECT_FALSE(folder.lock());
}

// A folder where the lock would be is no run.
TEST_F(OutputFolderTest, AFolderOfTheLocksNameIsNoRun) {
    fs::create_directory(root / ".celshift-lock");
    EXPECT_FALSE(folder.lock());
}

#if !defined(_WIN32)
// A run killed while it holds the folder does not keep the next one out.
TEST_F(OutputFolderTest, AKilledRunsLockIsGone) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        OutputFolder held;
        if (held.open(root.path()) || held.lock()) _exit(1);
        (void)!::write(ready[1], "x", 1);
        pause();
        _exit(0);
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(folder.lock().problem, FileProblem::Busy);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
    EXPECT_FALSE(folder.lock());
    close(ready[0]);
    close(ready[1]);
}
#endif

}  // namespace
}  // namespace celshift
