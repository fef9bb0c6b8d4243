#include "platform/name_rules.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/executable_path.h"
#include "platform/file_copy.h"
#include "platform/path_text.h"
#include "run_program.h"
#include "temp_folder.h"

namespace celshift {
namespace {

// Code page 932 bytes of the names below: "ソ" 83 5C and "表" 95 5C end in the byte of "\".
const std::string kSo = "\x83\x5C";
const std::string kHyo = "\x95\x5C";

TEST(ExtensionOf932, TakesTheLastDotOfTheLastElement) {
    EXPECT_EQ(extensionOf932("cell.bmp"), ".bmp");
    EXPECT_EQ(extensionOf932("cell.tar.JPEG"), ".JPEG");
    EXPECT_EQ(extensionOf932("cell."), ".");
    EXPECT_EQ(extensionOf932("cell"), "");
    EXPECT_EQ(extensionOf932(""), "");
    EXPECT_EQ(extensionOf932("img\\a.bmp"), ".bmp");
    EXPECT_EQ(extensionOf932("img.d\\cell"), "");  // the dot lies before the last "\"
    EXPECT_EQ(extensionOf932("C:cell.jpg"), ".jpg");
    EXPECT_EQ(extensionOf932("a.bmp:cell"), "");  // ... or before the last ":"
    EXPECT_EQ(extensionOf932("cell.bmp "), ".bmp ");
}

TEST(ExtensionOf932, NeverTakesASecondByteForABackslash) {
    // A byte search would see "\" at the end and find no extension.
    EXPECT_EQ(extensionOf932("a.bmp" + kSo), ".bmp" + kSo);
    EXPECT_EQ(extensionOf932("a.bmp" + kHyo), ".bmp" + kHyo);
    EXPECT_EQ(extensionOf932(kSo + ".bmp"), ".bmp");
    EXPECT_EQ(extensionOf932("img.d" + kHyo + "cell"), ".d" + kHyo + "cell");  // no "\" in this name
    EXPECT_EQ(extensionOf932("img.d" + kHyo + "\\cell"), "");
    EXPECT_EQ(extensionOf932(kHyo + "\\" + kSo + ".jpg"), ".jpg");
    EXPECT_EQ(extensionOf932("a.bmp\x83"), ".bmp\x83");  // a lead byte at the very end stands alone
}

TEST(ExtensionOf932, ASecondByteIsTakenOnlyAfterALeadByte) {
    // After a lead byte "\\" is a second byte and no separator; after any other byte it separates.
    for (const char* lead : {"\x81", "\x9F", "\xE0", "\xFC"})
        EXPECT_EQ(extensionOf932(std::string("x.d") + lead + "\\cell"), std::string(".d") + lead + "\\cell") << int(*lead & 0xFF);
    for (const char* single : {"\x80", "\xA0", "\xDF", "\xFD"})
        EXPECT_EQ(extensionOf932(std::string("x.d") + single + "\\cell"), "") << int(*single & 0xFF);
}

TEST(AsciiLower932, LowersSingleByteLettersOnly) {
    EXPECT_EQ(asciiLower932("A.BMP"), "a.bmp");
    // "ア" is 83 41: its second byte is an "A" and must stay one.
    EXPECT_EQ(asciiLower932("\x83\x41.JPG"), "\x83\x41.jpg");
    EXPECT_EQ(asciiLower932("X" + kSo + "Y"), "x" + kSo + "y");
}

#if !defined(_WIN32)
TEST(NativePaths, LastElementAndParentUseSlashOnly) {
    EXPECT_EQ(lastPathElement("/games/x/Summary.wsm"), "Summary.wsm");
    EXPECT_EQ(lastPathElement("Summary.wsm"), "Summary.wsm");
    EXPECT_EQ(lastPathElement("/games/x/"), "");
    EXPECT_EQ(lastPathElement("a\\b.wid"), "a\\b.wid");
    EXPECT_EQ(lastPathElement("/scenario"), "scenario");  // a folder right under the root

    EXPECT_EQ(parentFolder("/games/x/Summary.wsm"), "/games/x");
    EXPECT_EQ(parentFolder("/games//Summary.wsm"), "/games");
    EXPECT_EQ(parentFolder("/Summary.wsm"), "/");
    EXPECT_EQ(parentFolder("Summary.wsm"), ".");
    EXPECT_EQ(parentFolder("x/Summary.wsm"), "x");
}

TEST(NativePaths, JoinAddsOneSeparatorAtMost) {
    EXPECT_EQ(joinPath("/games/x", "a.wid"), "/games/x/a.wid");
    EXPECT_EQ(joinPath("/games/x/", "a.wid"), "/games/x/a.wid");
    EXPECT_EQ(joinPath("/", "a.wid"), "/a.wid");
    EXPECT_EQ(joinPath("", "a.wid"), "a.wid");
}
#else
TEST(NativePaths, LastElementAndParentTakeEitherSeparator) {
    EXPECT_EQ(lastPathElement("C:\\games\\x\\Summary.wsm"), "Summary.wsm");
    EXPECT_EQ(lastPathElement("C:/games/x/Summary.wsm"), "Summary.wsm");
    EXPECT_EQ(lastPathElement("a\\b.wid"), "b.wid");
    EXPECT_EQ(lastPathElement("C:b.wid"), "b.wid");
    EXPECT_EQ(lastPathElement("C:\\games\\"), "");

    EXPECT_EQ(parentFolder("C:\\games\\x/Summary.wsm"), "C:\\games\\x");
    EXPECT_EQ(parentFolder("C:\\games\\\\Summary.wsm"), "C:\\games");
    EXPECT_EQ(parentFolder("C:\\Summary.wsm"), "C:\\");  // the root keeps its separator
    EXPECT_EQ(parentFolder("C:Summary.wsm"), "C:");
    EXPECT_EQ(parentFolder("\\Summary.wsm"), "\\");
    EXPECT_EQ(parentFolder("Summary.wsm"), ".");
}

TEST(NativePaths, JoinAddsOneBackslashAtMost) {
    EXPECT_EQ(joinPath("C:\\games\\x", "a.wid"), "C:\\games\\x\\a.wid");
    EXPECT_EQ(joinPath("C:\\games\\x\\", "a.wid"), "C:\\games\\x\\a.wid");
    EXPECT_EQ(joinPath("C:/games/x/", "a.wid"), "C:/games/x/a.wid");
    EXPECT_EQ(joinPath("C:\\", "a.wid"), "C:\\a.wid");
    EXPECT_EQ(joinPath("", "a.wid"), "a.wid");
}
#endif

TEST(NativePaths, FileNameExtensionIsCaseKept) {
    EXPECT_EQ(fileNameExtension("X.WID"), ".WID");
    EXPECT_EQ(fileNameExtension("a.b.wid"), ".wid");
    EXPECT_EQ(fileNameExtension("README"), "");
    EXPECT_EQ(fileNameExtension("dir.d/README"), "");
}

#if defined(_WIN32)
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

TEST(ExecutablePath, NamesTheRunningProgram) {
    const std::string path = executablePath();
#if !defined(_WIN32)
    EXPECT_TRUE(isSameFileSystemObject(path, "/proc/self/exe"));
#endif
    const std::string folder = executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.back(), kSeparator);
    EXPECT_EQ(joinPath(folder, lastPathElement(path)), path);
}

// The path buffer starts at 256 bytes and must grow: a copy of a small program in a folder whose path is far
// longer tells its own path and folder in full.
TEST(ExecutablePath, PathsLongerThanTheFirstBufferAreWhole) {
#if defined(_WIN32)
    // The buffer counts UTF-16 units here, and a program must stay under MAX_PATH (260) to be started.
    constexpr std::size_t kWanted = 258;
    const auto length = [](const std::string& path) { return pathFromUtf8(path).native().size(); };
#else
    constexpr std::size_t kWanted = 300;
    const auto length = [](const std::string& path) { return path.size(); };
#endif
    test::TempFolder root;
    const std::string name = utf8FromPath(std::filesystem::path(PRINT_EXECUTABLE_PATH).filename());
    const std::string shortest = root / "フォルダ" + kSeparator + name;
    ASSERT_LT(length(shortest), kWanted);
    const std::string folder = root / ("フォルダ" + std::string(kWanted - length(shortest), 'x'));
    const std::string copy = folder + kSeparator + name;
    ASSERT_EQ(length(copy), kWanted);
    std::filesystem::create_directories(pathFromUtf8(folder));
    std::filesystem::copy_file(PRINT_EXECUTABLE_PATH, pathFromUtf8(copy));

    const test::ProgramResult result = test::runProgram(copy, {});
    ASSERT_EQ(result.status, 0) << result.err;
    const std::size_t lineEnd = result.out.find('\n');
    ASSERT_NE(lineEnd, std::string::npos) << result.out;
    const std::string printedPath = result.out.substr(0, lineEnd);
    const std::string printedFolder = result.out.substr(lineEnd + 1, result.out.size() - lineEnd - 2);
    EXPECT_TRUE(std::filesystem::equivalent(pathFromUtf8(printedPath), pathFromUtf8(copy))) << printedPath;
    EXPECT_EQ(lastPathElement(printedPath), name);
    ASSERT_FALSE(printedFolder.empty());
    EXPECT_EQ(printedFolder.back(), kSeparator);
    EXPECT_EQ(printedFolder + name, printedPath);
}

}  // namespace
}  // namespace celshift
