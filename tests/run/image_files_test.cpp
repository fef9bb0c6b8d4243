// Image names looked up in a folder as Windows looks them up: case, decomposed names, paths, misses.
#include "run/image_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "platform/path_text.h"
#include "temp_folder.h"

namespace celshift::test {
namespace {

namespace fs = std::filesystem;
using Kind = ImageLookup::Kind;

struct LookupCase {
    std::string stored;  // code page 932 bytes
    Kind kind;
    std::string file;    // for Found: the file's name under the folder
};

class ImageFiles : public ::testing::Test {
protected:
    TempFolder root;
    std::string folder = root / "scenario";

    void SetUp() override {
        fs::create_directory(pathFromUtf8(folder));
        for (const char* name : {"cell.bmp", "\xE8\xA1\xA8\xE7\xB4\x99.JPG" /* 表紙.JPG */,
                                 "\xE3\x82\xBD.bmp" /* ソ.bmp */, "\xEF\xBD\x9E.bmp" /* ～.bmp */,
                                 "\xE3\x81\x8B\xE3\x82\x99\xE3\x82\x81.bmp" /* か + voiced mark + め, decomposed */,
                                 "IMG/Sub/Face.JPG"})
            put(name);
        fs::create_directory(pathFromUtf8(folder + "/dir.bmp"));
    }
    void put(const std::string& name) {
        fs::create_directories(pathFromUtf8(folder + "/" + name).parent_path());
        writeFile(folder + "/" + name, name);
    }
    // Looks up each name; a file found must hold its own name under the folder, as put() wrote it.
    void check(const ImageFileIndex& index, const std::vector<LookupCase>& cases);
};

void ImageFiles::check(const ImageFileIndex& index, const std::vector<LookupCase>& cases) {
    for (const LookupCase& c : cases) {
        const ImageLookup lookup = index.lookStored(c.stored);
        EXPECT_EQ(lookup.kind, c.kind) << c.stored;
        const std::optional<std::string> found = index.findStored(c.stored);
        EXPECT_EQ(found.has_value(), c.kind == Kind::Found) << c.stored;
        if (c.kind == Kind::Found && found) {
            EXPECT_EQ(*found, lookup.path);
            EXPECT_EQ(readFile(*found), c.file) << c.stored;
        }
    }
}

TEST_F(ImageFiles, StoredNamesFindFilesAsWindowsWould) {
    const ImageFileIndex index(folder);
    EXPECT_TRUE(index.folderReadable());
    check(index, {
        {"cell.bmp", Kind::Found, "cell.bmp"},
        {"CELL.BMP", Kind::Found, "cell.bmp"},
        {"\x95\x5c\x8e\x86.jpg", Kind::Found, "\xE8\xA1\xA8\xE7\xB4\x99.JPG"},  // 表紙: 5C is a second byte
        {"\x83\x5c.BMP", Kind::Found, "\xE3\x82\xBD.bmp"},                       // ソ
        {"\x81\x60.bmp", Kind::Found, "\xEF\xBD\x9E.bmp"},                       // ～
        {"\x82\xAA\x82\xDF.bmp", Kind::Found, "\xE3\x81\x8B\xE3\x82\x99\xE3\x82\x81.bmp"},  // がめ, stored composed
        {"img\\sub\\face.jpg", Kind::Found, "IMG/Sub/Face.JPG"},
        {"img/Sub/FACE.jpg", Kind::Found, "IMG/Sub/Face.JPG"},
        {"img\\\\sub\\face.jpg", Kind::Found, "IMG/Sub/Face.JPG"},
        {".\\img\\none\\..\\sub\\.\\face.jpg", Kind::Found, "IMG/Sub/Face.JPG"},
        {"img.\\sub\\face.jpg", Kind::Found, "IMG/Sub/Face.JPG"},  // a folder loses one trailing dot
        {"cell.bmp.", Kind::Found, "cell.bmp"},  // the last element loses its trailing dots and spaces
        {"cell.bmp . ", Kind::Found, "cell.bmp"},
        {"nothing.bmp", Kind::Missing, ""},
        {"img\\sub\\nothing.jpg", Kind::Missing, ""},
        {"none\\face.jpg", Kind::Missing, ""},
        {"cell.bmp\\x.bmp", Kind::Missing, ""},  // a file is no folder
        {"dir.bmp", Kind::Missing, ""},          // a folder is no file
        {"\x82\x62\x82\x64\x82\x6B\x82\x6B.bmp", Kind::Missing, ""},  // ＣＥＬＬ: width counts
        {"\xB6.bmp", Kind::Missing, ""},                               // half-width katakana ｶ
        {"..\\scenario\\cell.bmp", Kind::Unusable, ""},                // above the folder, even back into it
        {"img\\..\\..\\cell.bmp", Kind::Unusable, ""},
        {"\\cell.bmp", Kind::Unusable, ""},
        {"/cell.bmp", Kind::Unusable, ""},
        {"\\\\server\\cell.bmp", Kind::Unusable, ""},
        {"C:cell.bmp", Kind::Unusable, ""},
        {"C:\\cell.bmp", Kind::Unusable, ""},
        {"img\\", Kind::Unusable, ""},
        {"..", Kind::Unusable, ""},
        {"...", Kind::Unusable, ""},
        {"", Kind::Unusable, ""},
        {"a?.bmp", Kind::Unusable, ""},
        {"a*.bmp", Kind::Unusable, ""},
        {"a|b.bmp", Kind::Unusable, ""},
        {"a\tb.bmp", Kind::Unusable, ""},
        {std::string("cell.bmp\0x", 10), Kind::Unusable, ""},
        {"NUL.bmp", Kind::Unusable, ""},
        {"img\\com1.bmp", Kind::Unusable, ""},
        {"lpt9 .jpg", Kind::Unusable, ""},
        {"\xFF.bmp", Kind::Unusable, ""},      // no character of the code page
        {"\x85\x40.bmp", Kind::Unusable, ""},  // a lead byte whose row the code page leaves empty
        {"cell\x82", Kind::Unusable, ""},      // a lead byte without its second byte
        {"\x80.bmp", Kind::Unusable, ""},
    });
}

TEST_F(ImageFiles, TypedNamesAreTakenInTheirStoredForm) {
    const ImageFileIndex index(folder);
    EXPECT_EQ(readFile(index.findTyped("Cell.BMP").value()), "cell.bmp");
    // The JIS wave dash that Linux input methods type is stored as "～", so it finds "～.bmp".
    EXPECT_EQ(readFile(index.findTyped("\xE3\x80\x9C.bmp").value()), "\xEF\xBD\x9E.bmp");
    EXPECT_EQ(readFile(index.findTyped("IMG\\SUB\\face.jpg").value()), "IMG/Sub/Face.JPG");
    EXPECT_FALSE(index.findTyped("none.bmp"));
    EXPECT_EQ(index.lookTyped("\xF0\x9F\x98\x80.bmp").kind, Kind::Unusable);  // an emoji: no code page 932 form
    EXPECT_EQ(index.lookTyped("").kind, Kind::Unusable);
}

TEST_F(ImageFiles, EachFolderIsReadOnceWhenFirstNeeded) {
    const ImageFileIndex index(folder);
    EXPECT_FALSE(index.findStored("late.bmp"));
    put("late.bmp");
    put("IMG/Sub/late.jpg");
    EXPECT_FALSE(index.findStored("late.bmp"));  // the folder was read before the file came
    EXPECT_TRUE(index.findStored("img\\sub\\late.jpg"));  // this subfolder was first needed now
    EXPECT_TRUE(ImageFileIndex(folder).findStored("late.bmp"));
}

TEST_F(ImageFiles, AFolderThatCannotBeReadIsToldApartFromAMiss) {
    for (const std::string& where : {root / "missing", folder + "/cell.bmp"}) {
        const ImageFileIndex index(where);
        EXPECT_FALSE(index.folderReadable()) << where;
        const ImageLookup lookup = index.lookStored("cell.bmp");
        EXPECT_EQ(lookup.kind, Kind::Unreadable) << where;
        EXPECT_EQ(lookup.path, where);
    }
}

#if !defined(_WIN32)
// Names that a Windows folder cannot hold side by side, or at all, as a folder copied from elsewhere may.
TEST_F(ImageFiles, NamesThatOnlyDifferInCaseAreTriedInTurn) {
    for (const char* name : {"A.bmp", "a.bmp", "pics/x.bmp", "dot./y.bmp", "space /z.bmp"}) put(name);
    fs::create_directory(folder + "/PICS");  // first by bytes, and empty
    check(ImageFileIndex(folder), {
        {"a.bmp", Kind::Found, "a.bmp"},  // the one spelt as asked
        {"A.bmp", Kind::Found, "A.bmp"},
        {"A.BMP", Kind::Found, "A.bmp"},  // else the first by bytes
        {"Pics\\x.bmp", Kind::Found, "pics/x.bmp"},
        {"dot..\\y.bmp", Kind::Found, "dot./y.bmp"},  // one trailing dot of a folder goes
        {"dot.\\y.bmp", Kind::Missing, ""},
        {"space \\z.bmp", Kind::Found, "space /z.bmp"},  // a folder keeps its trailing space
    });
}

TEST_F(ImageFiles, LinksCountAsWhatTheyLeadTo) {
    fs::create_symlink("cell.bmp", folder + "/link.bmp");
    fs::create_symlink("nowhere.bmp", folder + "/dangling.bmp");
    fs::create_directory_symlink("IMG", folder + "/linked");
    const ImageFileIndex index(folder);
    EXPECT_EQ(readFile(index.findStored("LINK.bmp").value()), "cell.bmp");
    EXPECT_EQ(readFile(index.findStored("linked\\sub\\face.jpg").value()), "IMG/Sub/Face.JPG");
    EXPECT_EQ(index.lookStored("dangling.bmp").kind, Kind::Missing);
}
#endif

}  // namespace
}  // namespace celshift::test
