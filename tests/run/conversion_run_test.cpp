// The conversion run over real folders: what it copies, what it rewrites, and every box it shows, in order.
#include <algorithm>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <optional>
#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#include "run_fixture.h"
#include "platform/name_rules.h"
#include "run/kept_files.h"
#include "platform/path_text.h"

namespace celshift::test {
namespace {

TEST_F(ConversionRun, EmptyRowsCopyEverythingUnchanged) {
    put("a.bmp", "image");
    put("Area01.wid", dataFile("a.bmp"));
    put("Area02.wid", dataFile("b.bmp"));
    const RunOutcome outcome = run();
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(outcome.failedFiles + outcome.unopenedFiles, 0);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), kDone}));
    EXPECT_EQ(out("Summary.wsm"), "summary");
    EXPECT_EQ(out("a.bmp"), "image");
    EXPECT_EQ(out("Area01.wid"), dataFile("a.bmp"));
    EXPECT_EQ(out("Area02.wid"), dataFile("b.bmp"));
}

// A user named in Korean, with an emoji, the scenario and the output deep in their folders: paths of more than 260
// characters, of characters code page 932 lacks.
TEST_F(ConversionRun, DeepPathsOfAnyCharactersAreRunAsAnyOther) {
    std::string deep = root / "사용자 😀";
    for (int level = 0; level < 6; ++level) deep += "/folder of the user " + std::to_string(level) + " with a long name";
    scenario = deep + "/シナリオ";
    output = deep + "/出力 😀";
    fs::create_directories(pathFromUtf8(scenario));
    fs::create_directories(pathFromUtf8(output));
    ASSERT_GT(pathFromUtf8(output).native().size(), 260u);
    writeFile(scenario + "/Summary.wsm", "summary");
    put("a.bmp", "image");
    put("Area01.wid", dataFile("a.bmp"));
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(1), kDone}));
    EXPECT_EQ(outcome.failedFiles + outcome.unopenedFiles + outcome.notCopiedFiles, 0);
    EXPECT_EQ(out("a.bmp"), "image");
    EXPECT_EQ(out("Area01.wid"), ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes());
}

TEST_F(ConversionRun, LeadingValidRowsAreUsedAndReplaceExactly) {
    put("Area01.wid", dataFile("a.bmp"));
    put("Area02.wid", dataFile("A.BMP"));
    put("Area03.wid", dataFile("c.jpeg"));
    row(1, "A.BMP", "b.JPG");  // extensions are valid in any case, but names match as typed
    row(2, "c.jpeg", "d.jpx");
    row(4, "a.bmp", "never.bmp");  // row 3 is empty, so row 4 is not looked at
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(2), kDone}));
    EXPECT_EQ(out("Area01.wid"), dataFile("a.bmp"));
    EXPECT_EQ(out("Area02.wid"), ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.JPG", "A.BMP").bytes());
    EXPECT_EQ(out("Area03.wid"), ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("d.jpx", "c.jpeg").bytes());
}

TEST_F(ConversionRun, RowsWithoutImageExtensionsEndTheScan) {
    const std::pair<std::string, std::string> invalid[] = {
        {"cell", "x.bmp"}, {"cell.png", "x.bmp"}, {"cell.jpe", "x.bmp"}, {"a.bmp", ""}, {"a.bmp ", "x.bmp"},
        {"a.bmp", "x.bmp.txt"}, {"a.bmp\\x", "x.bmp"},
    };
    for (const auto& [from, to] : invalid) {
        messages.boxes.clear();
        rows = {};
        row(1, "ok.bmp", "ok2.bmp");
        row(2, from, to);
        row(3, "later.bmp", "later2.bmp");
        run();
        EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(1), kDone})) << from << " -> " << to;
    }
}

TEST_F(ConversionRun, FolderPartsAndJapaneseNamesAreMatchedWhole) {
    // "表" is 95 5C in code page 932: its second byte is not a backslash, so ".bmp" is still found.
    put("Area01.wid", dataFile("img\\a.bmp"));
    put("Area02.wid", dataFile("\x95\x5C.bmp"));
    row(1, "img\\a.bmp", "b.bmp");
    row(2, "表.bmp", "背景〜.JPEG");
    run();
    EXPECT_EQ(messages.boxes[1], countBox(2));
    EXPECT_EQ(out("Area01.wid"), ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "img\\a.bmp").bytes());
    // "〜" typed on Linux becomes the Windows form 81 60.
    EXPECT_EQ(out("Area02.wid"),
              ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("\x94\x77\x8C\x69\x81\x60.JPEG", "\x95\x5C.bmp").bytes());
}

TEST_F(ConversionRun, TextsThatCannotBeConvertedOrStoredAreTold) {
    row(1, "a.bmp", "b.bmp");
    row(2, "a.bmp", "😀.bmp");
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, {"画像置換", "変換２: Shift-JISで表せない文字があります"}, countBox(1), kDone}));

    messages.boxes.clear();
    rows = {};
    row(1, std::string(251, 'n') + ".bmp", "b.bmp");  // 255 bytes: fits
    row(2, "a.bmp", std::string(252, 'n') + ".bmp");  // 256 bytes: too long
    run();
    EXPECT_EQ(messages.boxes,
              (std::vector<Box>{kCopyDone, {"画像置換", "変換２: ファイル名が長すぎます（255バイトまで）"}, countBox(1), kDone}));

    // A row that is not valid by its extensions ends the scan before its length is looked at.
    messages.boxes.clear();
    rows = {};
    row(1, std::string(300, 'n'), "b.bmp");
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), kDone}));
}

TEST_F(ConversionRun, PackageFlagComesFromTheExactPrefix) {
#if defined(_WIN32)
    put("Package01.wid", packageFile("a.bmp"));  // "package01.wid" would be the same file here
    put("Package.wid", packageFile("a.bmp"));
    put("Pack.wid", packageFile("a.bmp"));
    put("pACKAGE02.wid", packageFile("a.bmp"));
#else
    for (const char* name : {"Package01.wid", "Package.wid", "package01.wid", "Pack.wid"}) put(name, packageFile("a.bmp"));
#endif
    row(1, "a.bmp", "z.bmp");
    run();
    const std::string converted = ByteBuilder().packageHeader().int32(1).int32(1).imageNode("z.bmp", "a.bmp").bytes();
    EXPECT_EQ(out("Package01.wid"), converted);
    EXPECT_EQ(out("Package.wid"), converted);
    // As ordinary files these bytes have kind 0 and break off early: reported, passed through unchanged.
    EXPECT_EQ(out("Pack.wid"), packageFile("a.bmp"));
#if defined(_WIN32)
    EXPECT_EQ(out("pACKAGE02.wid"), packageFile("a.bmp"));
    const std::vector<Box> expected{kCopyDone, countBox(1), {"失敗", "Pack.wid"}, {"失敗", "pACKAGE02.wid"}, kDone};
#else
    EXPECT_EQ(out("package01.wid"), packageFile("a.bmp"));
    const std::vector<Box> expected{kCopyDone, countBox(1), {"失敗", "Pack.wid"}, {"失敗", "package01.wid"}, kDone};
#endif
    EXPECT_EQ(messages.boxes, expected);
}

TEST_F(ConversionRun, UpperCaseExtensionIsCopiedFirstThenRewritten) {
    put("X.WID", dataFile("a.bmp"));
    row(1, "a.bmp", "b.bmp");
    run();
    EXPECT_EQ(out("X.WID"), ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes());
}

TEST_F(ConversionRun, ExistingOutputKeepsOtherFilesAndReplacesDataFiles) {
    put("a.bmp", "new image");
    put("Area01.wid", dataFile("a.bmp"));
    writeFile(output + "/Summary.wsm", "old summary");
    writeFile(output + "/a.bmp", "old image");
    writeFile(output + "/Area01.wid", std::string(5000, 'o'));
    put("same.txt", "same");
    writeFile(output + "/same.txt", "same");
    struct Kept : RunReport {
        std::map<std::string, bool> differs;
        void fileDone(const FileReport& report) override {
            if (report.kind == FileReport::Kind::AlreadyThere) differs[report.name] = report.differs;
        }
    } kept;
    RunOptions options;
    options.report = &kept;
    const RunOutcome outcome = run(options);
    // Kept files that are not the scenario's are told apart from those that are.
    EXPECT_EQ(kept.differs, (std::map<std::string, bool>{{"Summary.wsm", true}, {"a.bmp", true}, {"same.txt", false}}));
    EXPECT_EQ(outcome.keptDifferentFiles, 2);
    EXPECT_EQ(foreignSummary(scenario + "/Summary.wsm", output), std::optional<std::string>(joinPath(output, "Summary.wsm")));
    writeFile(output + "/Summary.wsm", readFile(scenario + "/Summary.wsm"));
    EXPECT_EQ(foreignSummary(scenario + "/Summary.wsm", output), std::nullopt);
    EXPECT_EQ(out("Summary.wsm"), readFile(scenario + "/Summary.wsm"));
    writeFile(output + "/Summary.wsm", "old summary");
    EXPECT_EQ(out("Summary.wsm"), "old summary");
    EXPECT_EQ(out("a.bmp"), "old image");
    EXPECT_EQ(out("Area01.wid"), dataFile("a.bmp"));
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), kDone}));
}

TEST_F(ConversionRun, AllFourRowsAreUsedAtOnce) {
    for (int r = 1; r <= 4; ++r) {
        put("Area0" + std::to_string(r) + ".wid", dataFile("from" + std::to_string(r) + ".bmp"));
        row(r, "from" + std::to_string(r) + ".bmp", "to" + std::to_string(r) + ".jpg");
    }
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(4), kDone}));
    for (int r = 1; r <= 4; ++r) {
        const std::string n = std::to_string(r);
        EXPECT_EQ(out("Area0" + n + ".wid"),
                  ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("to" + n + ".jpg", "from" + n + ".bmp").bytes());
    }
}

TEST_F(ConversionRun, EachOfTheSixExtensionsMakesARowValidInAnyCase) {
    for (const std::string extension : {".bmp", ".jpg", ".jpeg", ".jpy1", ".jpdc", ".jpx", ".BMP", ".Jpeg", ".JPY1",
                                        ".JPDC", ".JpX", ".JPG"}) {
        messages.boxes.clear();
        rows = {};
        put("Area01.wid", dataFile("a" + extension));
        fs::remove(output + "/Area01.wid");
        row(1, "a" + extension, "b" + extension);
        row(2, "x.bmp", "y" + extension);
        run();
        EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(2), kDone})) << extension;
        EXPECT_EQ(out("Area01.wid"),
                  ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b" + extension, "a" + extension).bytes())
            << extension;
    }
}

#if defined(_WIN32)
void setAttributes(const std::string& path, DWORD attributes) {
    ASSERT_TRUE(::SetFileAttributesW(pathFromUtf8(path).wstring().c_str(), attributes)) << path;
}

// An open handle that shares nothing: other opens of the file fail with a sharing violation.
struct ExclusiveHandle {
    explicit ExclusiveHandle(const std::string& path)
        : handle(::CreateFileW(pathFromUtf8(path).wstring().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~ExclusiveHandle() { ::CloseHandle(handle); }
    ExclusiveHandle(const ExclusiveHandle&) = delete;
    ExclusiveHandle& operator=(const ExclusiveHandle&) = delete;
    HANDLE handle;
};

std::string native(std::string path) {
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// Subfolders are copied and their data files converted, named with "\\"; hidden and system files stay out.
TEST_F(ConversionRun, SubfoldersAreCopiedHiddenAndSystemFilesLeftAlone) {
    fs::create_directory(scenario + "/sub");
    writeFile(scenario + "/sub/In.wid", dataFile("a.bmp").substr(0, 20));
    put("Hidden.wid", dataFile("a.bmp"));
    put("System.txt", "x");
    setAttributes(scenario + "/Hidden.wid", FILE_ATTRIBUTE_HIDDEN);
    setAttributes(scenario + "/System.txt", FILE_ATTRIBUTE_SYSTEM);
    put("Area01.wid", dataFile("a.bmp"));
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.failedFiles, 1);
    EXPECT_NE(std::find(messages.boxes.begin(), messages.boxes.end(), Box{"失敗", "sub\\In.wid"}), messages.boxes.end());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(output)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"Area01.wid", "Summary.wsm", "sub"}));
    EXPECT_EQ(out("sub/In.wid"), dataFile("a.bmp").substr(0, 20));
}

TEST_F(ConversionRun, LockedFilesThatCannotBeCopiedAreListed) {
    put("locked.dat", "held by another program");
    put("a.bmp", "image");
    ExclusiveHandle lock(scenario + "/locked.dat");
    ASSERT_NE(lock.handle, INVALID_HANDLE_VALUE);
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"第一段階", "コピーできなかったファイル\nlocked.dat"}, kCopyDone, countBox(0), kDone}));
    EXPECT_FALSE(fs::exists(output + "/locked.dat"));
    EXPECT_EQ(out("a.bmp"), "image");
}

TEST_F(ConversionRun, UnopenableInputsAndOutputsAreShownAndTheRunGoesOn) {
    put("A.wid", dataFile("a.bmp"));
    put("B.wid", dataFile("a.bmp"));
    put("C.wid", dataFile("a.bmp"));
    put("D.wid", dataFile("a.bmp"));
    fs::create_directory(output + "/A.wid");  // a folder where the copy should go
    writeFile(output + "/B.wid", "older copy held by another program");
    const RunOutcome outcome = [&] {
        ExclusiveHandle heldOutput(output + "/B.wid");
        ExclusiveHandle heldInput(scenario + "/C.wid");
        return run();
    }();
    EXPECT_EQ(outcome.unopenedFiles, 3);
    EXPECT_EQ(outcome.failedFiles, 0);
    // The output folder as the run makes it absolute (separators as given), then one backslash.
    const std::string outputFolder = utf8FromPath(fs::absolute(pathFromUtf8(output)));
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), {"ErrorFm", outputFolder + "\\A.wid"},
                                                {"ErrorFm", outputFolder + "\\B.wid"},
                                                {"ErrorFm", scenario + "\\C.wid"}, kDone}));
    EXPECT_EQ(out("B.wid"), "older copy held by another program");
    EXPECT_EQ(out("D.wid"), dataFile("a.bmp"));
}
#else
// The whole folder tree is copied and its data files converted, named by their paths under the scenario folder;
// hidden entries, FIFOs and links to folders stay out (a link is told). After the run, the names that the copy's data
// files hold and its folder lacks are told, each once, unless the scenario lacked them already.
TEST_F(ConversionRun, SubfoldersAreCopiedConvertedAndChecked) {
    fs::create_directories(scenario + "/Material/img/deeper");
    fs::create_directories(scenario + "/Material/empty");
    fs::create_directories(scenario + "/.git");
    writeFile(scenario + "/.git/config", "x");
    put("Material/.hidden.txt", "x");
    ASSERT_EQ(mkfifo((scenario + "/Material/pipe.txt").c_str(), 0600), 0);
    fs::create_directory_symlink(scenario + "/Material", scenario + "/lnk");
    put("a.bmp", "picture a");
    put("Material/img/x.bmp", "picture x");
    put("Area01.wid", dataFile("Material\\img\\x.bmp"));
    put("Material/Area10.wid", dataFile("a.bmp"));        // row 1 writes new.bmp, which no folder holds
    put("Material/Area11.wid", dataFile("gone.bmp"));     // missing from the scenario already
    put("Material/Broken.wid", dataFile("a.bmp").substr(0, 20));
    put("Material/img/deeper/Area20.wid", dataFile("cell.bmp"));  // row 2 writes a name the copy holds
    row(1, "a.bmp", "new.bmp");
    row(2, "cell.bmp", "Material\\img\\x.bmp");

    struct Reasons : RunReport {
        std::map<std::string, std::string> byName;
        void fileDone(const FileReport& report) override { byName[report.name] = report.reason; }
    } reasons;
    RunOptions options;
    options.report = &reasons;
    const RunOutcome outcome = run(options);
    EXPECT_EQ(reasons.byName["lnk"], "フォルダへのリンクです（リンク先はコピーしません）");
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"第一段階", "コピーできなかったファイル\nlnk"}, kCopyDone, countBox(2),
                                                {"失敗", "Material/Broken.wid"}, kDone}));
    EXPECT_EQ(out("Area01.wid"), dataFile("Material\\img\\x.bmp"));
    const auto converted = [](const std::string& image, const std::string& plain) {
        return ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode(image, plain).bytes();
    };
    EXPECT_EQ(out("Material/Area10.wid"), converted("new.bmp", "a.bmp"));
    EXPECT_EQ(out("Material/Area11.wid"), dataFile("gone.bmp"));
    EXPECT_EQ(out("Material/img/deeper/Area20.wid"), converted("Material\\img\\x.bmp", "cell.bmp"));
    EXPECT_EQ(out("Material/img/x.bmp"), "picture x");
    EXPECT_TRUE(fs::is_directory(output + "/Material/empty"));
    for (const char* absent : {".git", "lnk", "Material/.hidden.txt", "Material/pipe.txt"})
        EXPECT_FALSE(fs::exists(fs::symlink_status(output + "/" + absent))) << absent;
    ASSERT_EQ(outcome.missingAfterRun.size(), 1u);
    EXPECT_EQ(outcome.missingAfterRun[0].name, "new.bmp");
    EXPECT_EQ(outcome.missingAfterRun[0].row, 1);
}
#endif

TEST_F(ConversionRun, AFailureInTheMiddleIsReportedAndTheRestGoesOn) {
    for (int i = 1; i <= 5; ++i) put("F" + std::to_string(i) + ".wid", dataFile("a.bmp"));
    const std::string truncated = dataFile("a.bmp").substr(0, 20);
    put("F3.wid", truncated);
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.failedFiles, 1);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(1), {"失敗", "F3.wid"}, kDone}));
    const std::string converted = ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes();
    for (const char* name : {"F1.wid", "F2.wid", "F4.wid", "F5.wid"}) EXPECT_EQ(out(name), converted) << name;
    // The failed copy holds every byte: the converted part, then the rest unchanged from the field that stopped it.
    EXPECT_EQ(out("F3.wid"), truncated);
}

TEST_F(ConversionRun, MissingOutputFolderStopsBeforeAnything) {
    put("a.bmp", "image");
    output = root / "no such folder";
    const RunOutcome outcome = run();
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "出力先フォルダがありません\n" + output}}));
    EXPECT_FALSE(fs::exists(output));
}

TEST_F(ConversionRun, OutputFolderThatIsTheScenarioIsRefused) {
    put("Area01.wid", dataFile("a.bmp"));
#if defined(_WIN32)
    for (const std::string& same : {scenario, scenario + "/", scenario + "\\", native(scenario)}) {
#else
    fs::create_directory_symlink(scenario, root / "link");
    for (const std::string& same : {scenario, root / "link", scenario + "/"}) {
#endif
        messages.boxes.clear();
        output = same;
        const RunOutcome outcome = run();
        EXPECT_FALSE(outcome.started) << same;
        EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "変更元シナリオと出力先が同じフォルダです"}})) << same;
        EXPECT_EQ(readFile(scenario + "/Area01.wid"), dataFile("a.bmp"));
    }
}

#if !defined(_WIN32)
// The Windows counterparts: LockedFilesThatCannotBeCopiedAreListed, UnopenableInputsAndOutputsAreShown...
TEST_F(ConversionRun, FilesThatCannotBeCopiedAreListed) {
    // Reading /proc/self/mem from its start fails, although it is a regular file.
    fs::create_symlink("/proc/self/mem", scenario + "/memory.dat");
    put("a.bmp", "image");
    run();
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"第一段階", "コピーできなかったファイル\nmemory.dat"}, kCopyDone, countBox(0), kDone}));
    EXPECT_FALSE(fs::exists(output + "/memory.dat"));
    EXPECT_EQ(out("a.bmp"), "image");
}

// A data file's copy replaces the name in the output folder, never what a link there points at; a folder in the
// way is shown and stays.
TEST_F(ConversionRun, UnopenableOutputsAreShownAndTheRunGoesOn) {
    put("A.wid", dataFile("a.bmp"));
    put("B.wid", dataFile("a.bmp"));
    put("C.wid", dataFile("a.bmp"));
    fs::create_directory(output + "/A.wid");                        // a folder where the copy should go
    fs::create_symlink("/dev/full", output + "/B.wid");             // a link to a device
    fs::create_symlink(scenario + "/C.wid", output + "/C.wid");     // a link back to the input
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.unopenedFiles, 1);
    EXPECT_EQ(outcome.failedFiles, 0);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(1), {"ErrorFm", output + "/A.wid"}, kDone}));
    EXPECT_TRUE(fs::is_directory(output + "/A.wid"));
    const std::string converted = ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes();
    for (const char* name : {"B.wid", "C.wid"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(output + "/" + name))) << name;
        EXPECT_EQ(out(name), converted) << name;
    }
    EXPECT_EQ(readFile(scenario + "/C.wid"), dataFile("a.bmp"));
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
}
#endif

// A list that names a file which is gone by the time it is opened.
class VanishingList : public FileList {
public:
    void setDirectory(const std::string& folder) override { folder_ = folder; }
    void setMask(const std::string& mask) override { mask_ = mask; }
    int count() const override { return mask_ == "*.wid" ? 1 : 0; }
    std::string fileName(int) const override { return "Gone.wid"; }
    std::string filePath(int) const override { return folder_ + "/Gone.wid"; }

private:
    std::string folder_;
    std::string mask_;
};

TEST_F(ConversionRun, UnreadableInputLeavesAnOlderCopyAlone) {
    writeFile(output + "/Gone.wid", "older copy");
    VanishingList list;
    const RunOutcome outcome = runConversion(scenario + "/Summary.wsm", output, rows, list, messages);
    EXPECT_EQ(outcome.unopenedFiles, 1);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kCopyDone, countBox(0), {"ErrorFm", scenario + "/Gone.wid"}, kDone}));
    EXPECT_EQ(out("Gone.wid"), "older copy");
}

}  // namespace
}  // namespace celshift::test
