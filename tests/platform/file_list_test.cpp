#include "platform/file_list.h"

#include <gtest/gtest.h>
#if !defined(_WIN32)
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "temp_folder.h"

namespace celshift {
namespace {

namespace fs = std::filesystem;

#if defined(_WIN32)
const std::string kSeparator = "\\";
#else
const std::string kSeparator = "/";
#endif

TEST(MatchesMask, StarDotStarTakesEveryNameWithOrWithoutDot) {
    for (const char* name : {"README", "a.b.c", "x.wid", "表.bmp", ".wid", "x."}) EXPECT_TRUE(matchesMask(name, "*.*")) << name;
}

TEST(MatchesMask, ExtensionMaskIgnoresCaseAndNeedsTheWholeExtension) {
    EXPECT_TRUE(matchesMask("X.WID", "*.wid"));
    EXPECT_TRUE(matchesMask("a.b.wid", "*.wid"));
    EXPECT_TRUE(matchesMask("Package01.Wid", "*.WID"));
    EXPECT_FALSE(matchesMask("x.widx", "*.wid"));
    EXPECT_FALSE(matchesMask("x.wid.bak", "*.wid"));
    EXPECT_FALSE(matchesMask("wid", "*.wid"));
    EXPECT_FALSE(matchesMask("x.wi", "*.wid"));
    EXPECT_TRUE(matchesMask(".wid", "*.wid"));
    EXPECT_TRUE(matchesMask("\xff.wid", "*.wid"));
    EXPECT_FALSE(matchesMask("x.ｗid", "*.wid"));  // a full-width letter is another character
    EXPECT_TRUE(matchesMask("表.ﾋﾞｯﾄ", "*.ﾋﾞｯﾄ"));
}

TEST(MatchesMask, QuestionMarkAndTrailingDotFollowWindows) {
    EXPECT_TRUE(matchesMask("表.wid", "?.wid"));  // one character, not one byte
    EXPECT_FALSE(matchesMask("ab.wid", "?.wid"));
    EXPECT_TRUE(matchesMask("ab.txt", "a?.txt"));
    EXPECT_TRUE(matchesMask("a.txt", "a?.txt"));  // "?" matches nothing before a dot
    EXPECT_FALSE(matchesMask("abc.txt", "a?.txt"));
    EXPECT_TRUE(matchesMask("README", "*."));  // "*." lists names without an extension
    EXPECT_FALSE(matchesMask("a.b", "*."));
}

class DirectoryFileListTest : public testing::Test {
protected:
    void addFile(const std::string& name) { test::writeFile(folder_.string() + kSeparator + name, "x"); }

    std::vector<std::string> listed(FileList& list) {
        std::vector<std::string> names;
        for (int i = 0; i < list.count(); ++i) names.push_back(list.fileName(i));
        return names;
    }

    std::vector<std::string> listFolder(const std::string& mask) {
        auto list = makeDirectoryFileList();
        list->setDirectory(folder_.string());
        list->setMask(mask);
        EXPECT_FALSE(list->listingFailed());
        return listed(*list);
    }

    test::TempFolder temporary_;
    fs::path folder_ = temporary_.path();
};

#if !defined(_WIN32)
// The Windows counterpart (hidden and system attributes, 8.3 aliases) is in file_list_win32_test.cpp.
TEST_F(DirectoryFileListTest, ListsRegularFilesAndLinksThatLeadNowhere) {
    addFile("a.wid");
    addFile("readme");
    addFile(".hidden.wid");
    fs::create_directory(folder_ / "sub.wid");
    ASSERT_EQ(mkfifo((folder_ / "pipe.wid").c_str(), 0600), 0);
    fs::create_symlink(folder_ / "pipe.wid", folder_ / "pipelink.wid");
    fs::create_symlink(folder_ / "a.wid", folder_ / "alias.wid");
    fs::create_symlink(folder_ / "missing", folder_ / "broken.wid");  // listed, so that a run can tell of it
    fs::create_symlink(folder_ / "loop.wid", folder_ / "loop.wid");
    fs::create_directory_symlink(folder_ / "sub.wid", folder_ / "sublink.wid");

    // A listening socket: short name, so that the address fits into sun_path.
    const std::string socketPath = (folder_ / "s.wid").string();
    const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(sock, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof(address.sun_path));
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);

    // A link to a folder is listed (the run tells it does not copy it), never entered.
    EXPECT_EQ(listFolder("*.*"),
              (std::vector<std::string>{"a.wid", "alias.wid", "broken.wid", "loop.wid", "readme", "sublink.wid"}));
    EXPECT_EQ(listFolder("*.wid"),
              (std::vector<std::string>{"a.wid", "alias.wid", "broken.wid", "loop.wid", "sublink.wid"}));
    close(sock);
}
#endif

TEST_F(DirectoryFileListTest, SortsIgnoringCaseAndBreaksTiesByBytes) {
#if defined(_WIN32)
    // "A.wid" and "a.wid" are one file here: the ties come from kana in SortsJapaneseNamesInKanaOrder.
    for (const char* name : {"c.wid", "B.wid", "a.wid", "X.WID"}) addFile(name);
    EXPECT_EQ(listFolder("*.wid"), (std::vector<std::string>{"a.wid", "B.wid", "c.wid", "X.WID"}));
#else
    for (const char* name : {"c.wid", "B.wid", "a.wid", "A.wid", "X.WID"}) addFile(name);
    // Byte order would put "B" and "X" first; "A" and "a" compare equal but for their bytes.
    EXPECT_EQ(listFolder("*.wid"), (std::vector<std::string>{"A.wid", "a.wid", "B.wid", "c.wid", "X.WID"}));
#endif
}

// Each folder's files come first, then its subfolders in the same order, each with all it holds; the mask looks at
// the last element. A folder nested deeper than any scenario (a loop that a bind mount could make) fails the
// listing, and the listing names it.
TEST_F(DirectoryFileListTest, SubfoldersFollowTheFilesOfTheirFolder) {
    fs::create_directories(folder_ / "b" / "c");
    fs::create_directories(folder_ / "A");
    for (const char* name : {"z.wid", "b/y.wid", "b/c/x.wid", "A/w.txt", "b/readme.txt"}) addFile(name);
    const std::string s = kSeparator;
    EXPECT_EQ(listFolder("*.wid"), (std::vector<std::string>{"z.wid", "b" + s + "y.wid", "b" + s + "c" + s + "x.wid"}));
    auto list = makeDirectoryFileList();
    list->setDirectory(folder_.string());
    list->setMask("*.*");
    EXPECT_EQ(list->subfolders(), (std::vector<std::string>{"A", "b", "b" + s + "c"}));

    fs::path deep = folder_ / "b";
    for (int i = 0; i < 70; ++i) deep /= "d";
    fs::create_directories(deep);
    list->setDirectory(folder_.string());
    list->setMask("*.wid");
    EXPECT_TRUE(list->listingFailed());
    EXPECT_EQ(list->count(), 0);
    EXPECT_NE(list->unreadableFolder().find("d" + s + "d" + s + "d"), std::string::npos) << list->unreadableFolder();
}

TEST_F(DirectoryFileListTest, SortsJapaneseNamesInKanaOrder) {
    for (const char* name : {"か.wid", "イ.wid", "あ.wid", "ア.wid", "z.wid", "が.wid", "カ.wid"}) addFile(name);
    // Byte order would give あ か が ア イ カ. Latin comes first, then the kana by sound; hiragana and katakana of
    // one sound tie at this strength, and the bytes put the hiragana first; the voiced が comes after both.
    EXPECT_EQ(listFolder("*.*"),
              (std::vector<std::string>{"z.wid", "あ.wid", "ア.wid", "イ.wid", "か.wid", "カ.wid", "が.wid"}));
}

// Every class of character that scenario file names hold, in the order of the Windows sort tables: symbols,
// digits (as text: 10 before 2), Latin, Greek, Cyrillic, kana (by sound, hiragana, katakana and half-width alike,
// voiced after unvoiced), kanji. Case and width are ignored within a class.
TEST_F(DirectoryFileListTest, SortsEveryClassOfCharacterInTheWindowsOrder) {
    const std::vector<std::string> ordered = {
        "(1).bmp", "10.bmp", "2.bmp", "\uFF12\uFF12.bmp" /* ２２ */, "a.bmp", "\uFF21b.bmp" /* Ａb */, "B.bmp", "z.bmp",
        "\u03B1.bmp" /* α */, "\u03A9.bmp" /* Ω */, "\u0430.bmp" /* а */, "\u042F.bmp" /* Я */,
        "\u3042.bmp" /* あ */, "\u30A4.bmp" /* イ */, "\uFF73.bmp" /* ｳ */, "\u304B.bmp" /* か */, "\u304C.bmp" /* が */,
        "\u30F3.bmp" /* ン */, "\u4E9C.bmp" /* 亜 */, "\u8155.bmp" /* 腕 */,
    };
    for (auto name = ordered.rbegin(); name != ordered.rend(); ++name) addFile(*name);
    EXPECT_EQ(listFolder("*.*"), ordered);
}

TEST_F(DirectoryFileListTest, FullPathHasExactlyOneSeparator) {
    addFile("Summary.wsm");
    for (const std::string& folder : {folder_.string(), folder_.string() + kSeparator}) {
        auto list = makeDirectoryFileList();
        list->setDirectory(folder);
        list->setMask("*.*");
        ASSERT_EQ(list->count(), 1);
        EXPECT_EQ(list->filePath(0), folder_.string() + kSeparator + "Summary.wsm");
        EXPECT_THROW(list->filePath(1), std::out_of_range);
        EXPECT_THROW(list->fileName(-1), std::out_of_range);
    }
}

TEST_F(DirectoryFileListTest, UnreadableFolderGivesEmptyFailedList) {
    addFile("file.wid");
    auto list = makeDirectoryFileList();
    for (const char* folder : {"missing", "file.wid"}) {  // a file where a folder is expected, too
        list->setDirectory(folder_.string());
        list->setMask("*.*");
        ASSERT_EQ(list->count(), 1);

        list->setDirectory((folder_ / folder).string());
        EXPECT_EQ(list->count(), 1);  // the new folder is read at the next setMask only
        list->setMask("*.*");
        EXPECT_EQ(list->count(), 0);
        EXPECT_TRUE(list->listingFailed());
    }
}

TEST_F(DirectoryFileListTest, MasksPickFromOneReadingUntilTheFolderIsSetAgain) {
    addFile("b.wid");
    addFile("A.bmp");
    auto list = makeDirectoryFileList();
    list->setDirectory(folder_.string());
    list->setMask("*.*");
    ASSERT_EQ(list->count(), 2);
    addFile("c.wid");  // appears after the reading
    list->setMask("*.wid");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->fileName(0), "b.wid");
    list->setDirectory(folder_.string());
    list->setMask("*.wid");
    EXPECT_EQ(list->count(), 2);
    list->setMask("*.*");
    EXPECT_EQ(list->fileName(0), "A.bmp");  // still in collation order after filtering
}

}  // namespace
}  // namespace celshift
