#include "platform/ini_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "temp_folder.h"

namespace celshift {
namespace {

namespace fs = std::filesystem;

// The line end that the settings file is written with: Windows' own on Windows.
#if defined(_WIN32)
std::string lines(std::string text) {
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 2)) text.insert(at, "\r");
    return text;
}
#else
std::string lines(std::string text) { return text; }
#endif

class IniFileTest : public ::testing::Test {
protected:
    std::string path(const std::string& name = "celshift.ini") const { return (folder_ / name).string(); }

    void writeFile(const std::string& bytes, const std::string& name = "celshift.ini") const {
        std::ofstream(path(name), std::ios::binary) << bytes;
    }
    std::string readFile(const std::string& name = "celshift.ini") const {
        std::ifstream in(path(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    int entriesInFolder() const { return static_cast<int>(std::distance(fs::directory_iterator(folder_), {})); }

    test::TempFolder temporary_;
    fs::path folder_ = temporary_.path();
};

TEST_F(IniFileTest, MissingFileGivesTheDefaults) {
    const IniFile ini(path());
    EXPECT_EQ(ini.readInteger("WINSIZE", "Top", 100), 100);
    EXPECT_EQ(ini.readString("PATH", "Source", ""), "");
    EXPECT_EQ(ini.readString("PATH", "Source", "dflt"), "dflt");
}

TEST_F(IniFileTest, AFolderOrAFifoInPlaceOfTheFileReadsAsEmpty) {
    fs::create_directory(path());
    const IniFile folder(path());
    EXPECT_EQ(folder.readInteger("WINSIZE", "Width", 416), 416);

#if !defined(_WIN32)
    ASSERT_EQ(::mkfifo(path("fifo.ini").c_str(), 0600), 0);
    const IniFile fifo(path("fifo.ini"));  // must not wait for a writer
    EXPECT_EQ(fifo.readInteger("WINSIZE", "Width", 416), 416);
#endif
}

TEST_F(IniFileTest, ReadsValuesWithNamesInAnyCaseAndEitherLineEnd) {
    writeFile("[winsize]\r\ntop=12\r\nLEFT = -40\r\n\r\n[Path]\nSource=C:\\Games\\X\\\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readInteger("WINSIZE", "Top", 100), 12);
    EXPECT_EQ(ini.readInteger("WINSIZE", "Left", 140), -40);
    EXPECT_EQ(ini.readString("PATH", "Source", ""), "C:\\Games\\X\\");
    EXPECT_EQ(ini.readString("PATH", "source", ""), "C:\\Games\\X\\");
}

TEST_F(IniFileTest, ValuesThatAreNotWholeIntegersGiveTheDefault) {
    writeFile(
        "[S]\nEmpty=\nLetters=abc\nTrailing=12abc\nSpaceInside=1 2\nSigns=+-5\nFraction=1.5\n"
        "Big=2147483648\nSmall=-2147483649\nHexSign=0x-5\nBareHex=0x\n");
    const IniFile ini(path());
    for (const char* key : {"Empty", "Letters", "Trailing", "SpaceInside", "Signs", "Fraction", "Big", "Small",
                            "HexSign", "BareHex", "Missing"}) {
        EXPECT_EQ(ini.readInteger("S", key, 77), 77) << key;
    }
}

TEST_F(IniFileTest, IntegerFormsThatAreRead) {
    writeFile("[S]\nPlus=+8\nZeros=010\nHex=0x10\nUpperHex=0X1f\nMax=2147483647\nMin=-2147483648\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readInteger("S", "Plus", 0), 8);
    EXPECT_EQ(ini.readInteger("S", "Zeros", 0), 10);
    EXPECT_EQ(ini.readInteger("S", "Hex", 0), 16);
    EXPECT_EQ(ini.readInteger("S", "UpperHex", 0), 31);
    EXPECT_EQ(ini.readInteger("S", "Max", 0), 2147483647L);
    EXPECT_EQ(ini.readInteger("S", "Min", 0), -2147483648L);
}

TEST_F(IniFileTest, TheFirstOfDuplicateKeysIsRead) {
    writeFile("[S]\nKey=first\nkey=second\n");
    const IniFile ini(path());
    EXPECT_EQ(ini.readString("S", "Key", ""), "first");
}

TEST_F(IniFileTest, WritesThePlainKeyEqualsValueForm) {
    IniFile ini(path());
    ini.writeInteger("WINSIZE", "Top", 100);
    ini.writeInteger("WINSIZE", "Left", -3);
    ini.writeString("PATH", "Source", "C:\\Games\\X\\");
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readFile(), lines("[WINSIZE]\nTop=100\nLeft=-3\n\n\n[PATH]\nSource=C:\\Games\\X\\\n"));
}

TEST_F(IniFileTest, RewritingKeepsOtherSectionsKeysAndCommentsAndMergesDuplicates) {
    writeFile("; kept comment\n[Other]\nName=Value\n\n[winsize]\ntop=1\nTOP=2\nExtra=x\n");
    {
        IniFile ini(path());
        ini.writeInteger("WINSIZE", "Top", 300);
        ASSERT_TRUE(ini.save());
    }
    const std::string text = readFile();
    EXPECT_NE(text.find("; kept comment"), std::string::npos) << text;
    EXPECT_NE(text.find("Name=Value"), std::string::npos) << text;
    EXPECT_NE(text.find("Extra=x"), std::string::npos) << text;
    EXPECT_EQ(text.find(lines("=1\n")), std::string::npos) << text;
    EXPECT_EQ(text.find(lines("=2\n")), std::string::npos) << text;
    const IniFile reread(path());
    EXPECT_EQ(reread.readInteger("WINSIZE", "Top", 0), 300);
}

TEST_F(IniFileTest, BytesOfAnyEncodingRoundTripUnchanged) {
    // Code page 932 "ソ表" (the second bytes are backslashes), then UTF-8 "セル".
    const std::string cp932 = "D:\\\x83\x5C\x95\x5C\\";
    const std::string utf8 = "/home/u/\xE3\x82\xBB\xE3\x83\xAB";
    {
        IniFile ini(path());
        ini.writeString("PATH", "A", cp932);
        ini.writeString("PATH", "B", utf8);
        ini.writeString("PATH", "C", "  <<<END \"quoted\" ; not a comment");
        ASSERT_TRUE(ini.save());
    }
    const IniFile reread(path());
    EXPECT_EQ(reread.readString("PATH", "A", ""), cp932);
    EXPECT_EQ(reread.readString("PATH", "B", ""), utf8);
    // Windows trims blanks around a value on reading; so does this file.
    EXPECT_EQ(reread.readString("PATH", "C", ""), "<<<END \"quoted\" ; not a comment");
}

TEST_F(IniFileTest, TextsThatWouldBreakTheLineFormAreRefused) {
    IniFile ini(path());
    EXPECT_THROW(ini.writeString("PATH", "Source", "a\nb"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("PATH", "Source", "a\rb"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("PATH", "Source", std::string("a\0b", 3)), std::invalid_argument);
    EXPECT_THROW(ini.writeString("PA]TH", "Source", "x"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("PATH", "So=urce", "x"), std::invalid_argument);
    EXPECT_THROW(ini.writeString("PATH", "", "x"), std::invalid_argument);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(readFile(), "");
}

TEST_F(IniFileTest, ASaveThatCannotBeWrittenReportsFailureAndLeavesNoTrace) {
    // Tests run as root, so permissions cannot stop a write: a folder in the file's place and a missing parent do.
    fs::create_directory(path());
    IniFile intoFolder(path());
    intoFolder.writeInteger("WINSIZE", "Top", 1);
    EXPECT_FALSE(intoFolder.save());
    EXPECT_TRUE(fs::is_directory(path()));
    EXPECT_EQ(entriesInFolder(), 1);

    IniFile noParent(path("missing/celshift.ini"));
    noParent.writeInteger("WINSIZE", "Top", 1);
    EXPECT_FALSE(noParent.save());
    EXPECT_EQ(entriesInFolder(), 1);
}

#if !defined(_WIN32)
// On Windows a read-only settings file is the case: ini_file_win32_test.cpp.
TEST_F(IniFileTest, SavingKeepsThePermissionsOfTheFileItReplaces) {
    writeFile("[S]\nK=1\n");
    fs::permissions(path(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    IniFile ini(path());
    ini.writeInteger("S", "K", 2);
    ASSERT_TRUE(ini.save());
    EXPECT_EQ(fs::status(path()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}
#endif

}  // namespace
}  // namespace celshift
