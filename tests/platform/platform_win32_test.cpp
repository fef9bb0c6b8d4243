// Windows faults that the POSIX tests express with FIFOs, links, permission bits and rlimits: locked files,
// the read-only, hidden and system attributes, and names that only an 8.3 alias matches.
#include <gtest/gtest.h>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_copy.h"
#include "platform/file_list.h"
#include "platform/ini_file.h"
#include "platform/output_folder.h"
#include "platform/path_text.h"
#include "temp_folder.h"

namespace celshift {
namespace {

namespace fs = std::filesystem;

// An open handle that shares nothing: other opens of the file fail with a sharing violation.
class ExclusiveHandle {
public:
    explicit ExclusiveHandle(const fs::path& path)
        : handle_(::CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ExclusiveHandle() {
        if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
    }
    ExclusiveHandle(const ExclusiveHandle&) = delete;
    ExclusiveHandle& operator=(const ExclusiveHandle&) = delete;
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle_;
};

class Win32Faults : public testing::Test {
protected:
    test::TempFolder temporary_;
    fs::path folder_ = temporary_.path();

    std::string path(const std::string& name) const { return folder_.string() + "\\" + name; }
    // Copies a file into the test folder under name.
    CopyOutcome copy(const std::string& source, const std::string& name, FileError* error = nullptr) {
        OutputFolder folder;
        EXPECT_FALSE(folder.open(folder_.string()));
        const CopyResult result = copyIntoFolder(source, folder, name, false);
        if (error) *error = result.error;
        return result.outcome;
    }
    fs::path fsPath(const std::string& name) const { return pathFromUtf8(path(name)); }
    void addFile(const std::string& name, const std::string& contents = "x") { test::writeFile(path(name), contents); }
    void setAttributes(const std::string& name, DWORD attributes) {
        ASSERT_TRUE(::SetFileAttributesW(fsPath(name).wstring().c_str(), attributes)) << name;
    }
    DWORD attributes(const std::string& name) const {
        return ::GetFileAttributesW(fsPath(name).wstring().c_str());
    }
    std::vector<std::string> listFolder(const std::string& mask) const {
        auto list = makeDirectoryFileList();
        list->setDirectory(folder_.string());
        list->setMask(mask);
        EXPECT_FALSE(list->listingFailed());
        std::vector<std::string> names;
        for (int i = 0; i < list->count(); ++i) names.push_back(list->fileName(i));
        return names;
    }
    void TearDown() override {
        // Read-only files would stop the folder's removal.
        for (const auto& entry : fs::directory_iterator(folder_))
            ::SetFileAttributesW(entry.path().wstring().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
};

TEST_F(Win32Faults, CopyKeepsContentsReadOnlyAttributeAndModificationTime) {
    std::string contents((std::size_t{1} << 20) + 3, '\0');
    for (std::size_t i = 0; i < contents.size(); ++i) contents[i] = static_cast<char>(i * 131 + i / 251);
    addFile("source.bmp", contents);
    {
        HANDLE file = ::CreateFileW((folder_ / "source.bmp").wstring().c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        FILETIME written{0x12345678, 0x01D00000};
        EXPECT_TRUE(::SetFileTime(file, nullptr, nullptr, &written));
        ::CloseHandle(file);
    }
    setAttributes("source.bmp", FILE_ATTRIBUTE_READONLY);

    EXPECT_EQ(copy(path("source.bmp"), "target.bmp"), CopyOutcome::Copied);
    EXPECT_EQ(test::readFile(path("target.bmp")), contents);
    EXPECT_NE(attributes("target.bmp") & FILE_ATTRIBUTE_READONLY, 0u);
    WIN32_FILE_ATTRIBUTE_DATA target{};
    ASSERT_TRUE(::GetFileAttributesExW((folder_ / "target.bmp").wstring().c_str(), GetFileExInfoStandard, &target));
    EXPECT_EQ(target.ftLastWriteTime.dwLowDateTime, 0x12345678u);
    EXPECT_EQ(target.ftLastWriteTime.dwHighDateTime, 0x01D00000u);
}

TEST_F(Win32Faults, LockedSourceFailsAndLeavesNoTarget) {
    addFile("locked.dat", "held by another program");
    ExclusiveHandle lock(folder_ / "locked.dat");
    ASSERT_TRUE(lock.valid());
    FileError error;
    EXPECT_EQ(copy(path("locked.dat"), "target.dat", &error), CopyOutcome::Failed);
    EXPECT_EQ(error.problem, FileProblem::InUse);
    EXPECT_FALSE(fs::exists(folder_ / "target.dat"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);  // no temporary left
}

TEST_F(Win32Faults, ReadOnlyOrLockedTargetIsAlreadyThereAndUntouched) {
    addFile("source.wsm", "new");
    addFile("readonly.wsm", "old");
    setAttributes("readonly.wsm", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(copy(path("source.wsm"), "readonly.wsm"), CopyOutcome::AlreadyExists);
    EXPECT_EQ(test::readFile(path("readonly.wsm")), "old");

    addFile("locked.wsm", "old");
    {
        ExclusiveHandle lock(folder_ / "locked.wsm");
        ASSERT_TRUE(lock.valid());
        EXPECT_EQ(copy(path("source.wsm"), "locked.wsm"), CopyOutcome::AlreadyExists);
    }
    EXPECT_EQ(test::readFile(path("locked.wsm")), "old");
}

TEST_F(Win32Faults, ListLeavesOutHiddenAndSystemFilesAndFolders) {
    for (const char* name : {"a.wid", "hidden.wid", "system.wid", "both.wid", "readonly.wid"}) addFile(name);
    fs::create_directory(folder_ / "sub.wid");
    setAttributes("hidden.wid", FILE_ATTRIBUTE_HIDDEN);
    setAttributes("system.wid", FILE_ATTRIBUTE_SYSTEM);
    setAttributes("both.wid", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    setAttributes("readonly.wid", FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(listFolder("*.wid"), (std::vector<std::string>{"a.wid", "readonly.wid"}));
    EXPECT_EQ(listFolder("*.*"), (std::vector<std::string>{"a.wid", "readonly.wid"}));
}

TEST_F(Win32Faults, NamesThatOnlyAnAliasMatchesAreNotListed) {
    // The system search would also match these by their 8.3 aliases (A~1.WID, LONGNA~1.WID).
    for (const char* name : {"a.widx", "longname.wid1", "セル.widbak", "b.wid"}) addFile(name);
    EXPECT_EQ(listFolder("*.wid"), (std::vector<std::string>{"b.wid"}));
    EXPECT_EQ(listFolder("*.widx"), (std::vector<std::string>{"a.widx"}));
}

TEST_F(Win32Faults, JapaneseOrderIgnoresCaseKanaTypeAndWidth) {
    for (const char* name : {"b.wid", "A.wid", "C.wid", "あ.wid", "ア.wid", "ｱ.wid", "か.wid"}) addFile(name);
    const std::vector<std::string> names = listFolder("*.wid");
    ASSERT_EQ(names.size(), 7u);
    const auto at = [&names](const char* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    // Latin before kana, case ignored; the three forms of "a", equal at this strength, together in code unit
    // order before "ka".
    EXPECT_EQ(at("A.wid"), 0);
    EXPECT_EQ(at("b.wid"), 1);
    EXPECT_EQ(at("C.wid"), 2);
    EXPECT_EQ(at("か.wid"), 6);
    EXPECT_LT(at("あ.wid"), at("ア.wid"));
    EXPECT_LT(at("ア.wid"), at("ｱ.wid"));
}

TEST_F(Win32Faults, ReadOnlySettingsFileIsLeftAsItWas) {
    addFile("celshift.ini", "[WINSIZE]\r\nTop=1\r\n");
    setAttributes("celshift.ini", FILE_ATTRIBUTE_READONLY);
    IniFile ini(path("celshift.ini"));
    EXPECT_EQ(ini.readInteger("WINSIZE", "Top", 0), 1);
    ini.writeInteger("WINSIZE", "Top", 2);
    EXPECT_FALSE(ini.save());
    EXPECT_EQ(test::readFile(path("celshift.ini")), "[WINSIZE]\r\nTop=1\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 1);  // no temporary file left behind
}

TEST_F(Win32Faults, SettingsFileOpenElsewhereIsReadAndReplaced) {
    addFile("celshift.ini", "[WINSIZE]\r\nTop=1\r\n");
    IniFile ini(path("celshift.ini"));
    EXPECT_EQ(ini.readInteger("WINSIZE", "Top", 0), 1);
    ini.writeInteger("WINSIZE", "Top", 2);
    ASSERT_TRUE(ini.save());  // std::rename would fail here: the file exists
    EXPECT_EQ(IniFile(path("celshift.ini")).readInteger("WINSIZE", "Top", 0), 2);

    ExclusiveHandle lock(folder_ / "celshift.ini");
    ASSERT_TRUE(lock.valid());
    const IniFile unreadable(path("celshift.ini"));
    EXPECT_EQ(unreadable.readInteger("WINSIZE", "Top", 7), 7);
    IniFile blocked(path("celshift.ini"));
    blocked.writeInteger("WINSIZE", "Top", 3);
    EXPECT_FALSE(blocked.save());
    EXPECT_EQ(std::distance(fs::directory_iterator(folder_), {}), 1);
}

TEST_F(Win32Faults, FolderChecksAndSameFolderThroughEitherSeparator) {
    fs::create_directory(fsPath("フォルダ"));
    addFile("file");
    EXPECT_TRUE(isExistingFolder(path("フォルダ")));
    EXPECT_FALSE(isExistingFolder(path("file")));
    std::string slashed = path("フォルダ");
    for (char& c : slashed)
        if (c == '\\') c = '/';
    EXPECT_TRUE(isSameFileSystemObject(path("フォルダ"), slashed));
    EXPECT_TRUE(isSameFileSystemObject(path("フォルダ"), path("フォルダ") + "\\"));
    EXPECT_FALSE(isSameFileSystemObject(path("フォルダ"), folder_.string()));
}

TEST_F(Win32Faults, WritableFolderIsFoundByTryingAndTheTrialLeavesNothing) {
    fs::create_directory(fsPath("フォルダ"));
    addFile("file");
    EXPECT_TRUE(isWritableFolder(path("フォルダ")));
    EXPECT_TRUE(isWritableFolder(path("フォルダ") + "\\"));
    EXPECT_TRUE(fs::is_empty(fsPath("フォルダ")));  // the trial file is gone
    EXPECT_FALSE(isWritableFolder(path("file")));
    EXPECT_FALSE(isWritableFolder(path("missing")));
    EXPECT_FALSE(isWritableFolder(""));
}

}  // namespace
}  // namespace celshift
