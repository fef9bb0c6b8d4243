// The run on many workers: reports in the order of the list whatever finishes first, stops cleanly, tells its
// progress, counts what each row replaced; the dry run; the rows as the window checks them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "run/build_replacement_table.h"
#include "run_fixture.h"

namespace celshift::test {
namespace {

// Boxes, with a hook that runs when a box comes up (the user acting while it is shown).
class HookedMessages : public RecordedMessages {
public:
    std::function<void(const Box&)> onBox;
    void showMessage(const std::string& text, const std::string& caption) override {
        RecordedMessages::showMessage(text, caption);
        if (onBox) onBox(boxes.back());
    }
};

class RecordedProgress : public RunProgress {
public:
    struct Call {
        RunStage stage;
        int done;
        int count;
        std::string inWork;
    };
    void progress(RunStage stage, int done, int count, const std::string& inWork) override {
        calls.push_back({stage, done, count, inWork});
    }
    std::vector<Call> calls;
};

std::string fileName(int i) {
    std::string number = std::to_string(i);
    return "F" + std::string(3 - number.size(), '0') + number + ".wid";
}

const Box kStopped{"情報", "中止しました"};

class RunControl : public ConversionRun {
protected:
    static constexpr int kFiles = 60;
    // Every seventh file is cut short; its walk fails.
    static bool broken(int i) { return i % 7 == 3; }
    std::string converted = ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("b.bmp", "a.bmp").bytes();

    void SetUp() override {
        ConversionRun::SetUp();
        for (int i = 0; i < kFiles; ++i) put(fileName(i), broken(i) ? dataFile("a.bmp").substr(0, 20) : dataFile("a.bmp"));
        put("image.bmp", "BM");
        row(1, "a.bmp", "b.bmp");
    }
    std::vector<Box> expectedBoxes() const {
        std::vector<Box> boxes{kCopyDone, countBox(1)};
        for (int i = 0; i < kFiles; ++i)
            if (broken(i)) boxes.push_back({"失敗", fileName(i)});
        boxes.push_back(kDone);
        return boxes;
    }
};

TEST_F(RunControl, ManyWorkersReportInTheOrderOfTheList) {
    for (const int jobs : {1, 2, 8}) {
        messages.boxes.clear();
        RunOptions options;
        options.jobs = jobs;
        const RunOutcome outcome = run(options);
        EXPECT_EQ(messages.boxes, expectedBoxes()) << jobs << " workers";
        EXPECT_EQ(outcome.failedFiles, (kFiles + 3) / 7) << jobs;
        for (int i = 0; i < kFiles; ++i)
            if (!broken(i)) {
                EXPECT_EQ(out(fileName(i)), converted) << fileName(i) << ", " << jobs << " workers";
            }
        // Each intact file replaced its one name; the broken ones stopped before it.
        EXPECT_EQ(outcome.rowTotals[0].fields, kFiles - outcome.failedFiles);
        EXPECT_EQ(outcome.rowTotals[0].files, kFiles - outcome.failedFiles);
    }
}

TEST_F(RunControl, AStopFinishesTheFilesInWorkAndLeavesTheRestAlone) {
    HookedMessages hooked;
    StopRequest stop;
    hooked.onBox = [&](const Box& box) {
        if (box.caption == "失敗") stop.request();  // pressed while the first failure is shown
    };
    RecordedProgress progress;  // as the window runs it: with a display, workers stay close to what was told
    RunOptions options;
    options.jobs = 4;
    options.stop = &stop;
    options.progress = &progress;
    auto list = makeDirectoryFileList();
    const RunOutcome outcome = runConversion(scenario + "/Summary.wsm", output, rows, *list, hooked, options);
    EXPECT_TRUE(outcome.started);
    EXPECT_TRUE(outcome.stopped);
    ASSERT_GE(hooked.boxes.size(), 4u);
    EXPECT_EQ(hooked.boxes.back(), kStopped);
    EXPECT_EQ(std::count(hooked.boxes.begin(), hooked.boxes.end(), kDone), 0);

    // What was written is a prefix of the list, every file of it whole; nothing after it was touched.
    int written = 0;
    while (written < kFiles && fs::exists(output + "/" + fileName(written))) ++written;
    ASSERT_GE(written, 4);  // the first failure is file 3, reported after files 0 to 2
    ASSERT_LE(written, 4 + 16);  // at most the window of 4 workers beyond it
    // The outcome says how far the run got: every data file reported, of all of them.
    EXPECT_EQ(outcome.lastStage, RunStage::RewritingDataFiles);
    EXPECT_EQ(outcome.stageCount, kFiles);
    EXPECT_EQ(outcome.stageDone, written);
    for (int i = written; i < kFiles; ++i) EXPECT_FALSE(fs::exists(output + "/" + fileName(i))) << fileName(i);
    for (int i = 0; i < written; ++i)
        if (!broken(i)) {
            EXPECT_EQ(out(fileName(i)), converted) << fileName(i);
        }
    // Every written file that failed was reported, in order, before the last box.
    std::vector<Box> failures;
    for (int i = 0; i < written; ++i)
        if (broken(i)) failures.push_back({"失敗", fileName(i)});
    const std::vector<Box> reported(hooked.boxes.begin() + 2, hooked.boxes.end() - 1);
    EXPECT_EQ(reported, failures);
}

// With one worker nothing runs ahead: the stop pressed at the first failure's box leaves exactly the files up to it.
TEST_F(RunControl, WithOneWorkerAStopEndsAtTheFileShown) {
    HookedMessages hooked;
    StopRequest stop;
    hooked.onBox = [&](const Box& box) {
        if (box.caption == "失敗") stop.request();
    };
    RunOptions options;
    options.jobs = 1;
    options.stop = &stop;
    auto list = makeDirectoryFileList();
    const RunOutcome outcome = runConversion(scenario + "/Summary.wsm", output, rows, *list, hooked, options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(outcome.stageDone, 4);  // files 0 to 2, and file 3 whose failure was shown
    for (int i = 0; i < kFiles; ++i) EXPECT_EQ(fs::exists(output + "/" + fileName(i)), i < 4) << fileName(i);
    EXPECT_EQ(hooked.boxes.back(), kStopped);
}

// Asked to stop while the last file was in work: it is finished and the run ends as stopped, though every file was
// looked at (a signal's status must not read as a completed run).
TEST_F(RunControl, AStopDuringTheLastFileStillEndsAsStopped) {
    ASSERT_TRUE(broken(kFiles - 1));
    HookedMessages hooked;
    StopRequest stop;
    hooked.onBox = [&](const Box& box) {
        if (box == Box{"失敗", fileName(kFiles - 1)}) stop.request();
    };
    RunOptions options;
    options.jobs = 2;
    options.stop = &stop;
    auto list = makeDirectoryFileList();
    const RunOutcome outcome = runConversion(scenario + "/Summary.wsm", output, rows, *list, hooked, options);
    std::vector<Box> expected = expectedBoxes();
    expected.back() = kStopped;
    EXPECT_EQ(hooked.boxes, expected);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_FALSE(outcome.someNamesUncounted);  // every file was walked and written: the counts are whole
    EXPECT_EQ(out(fileName(kFiles - 2)), converted);
}

TEST_F(RunControl, AStopBeforeTheStartCopiesNothing) {
    StopRequest stop;
    stop.request();
    RunOptions options;
    options.stop = &stop;
    const RunOutcome outcome = run(options);
    EXPECT_TRUE(outcome.stopped);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{kStopped}));
    EXPECT_TRUE(fs::is_empty(output));
}

TEST_F(RunControl, ProgressCountsEveryFileOfEachStage) {
    for (const int jobs : {1, 3}) {  // one worker tells from its own thread, more from the caller's
        RecordedProgress progress;
        RunOptions options;
        options.jobs = jobs;
        options.progress = &progress;
        run(options);
        ASSERT_FALSE(progress.calls.empty());
        int lastDone[2] = {-1, -1};
        for (const auto& call : progress.calls) {
            const int stage = call.stage == RunStage::CopyingOtherFiles ? 0 : 1;
            EXPECT_EQ(call.count, stage == 0 ? 2 : kFiles);  // Summary.wsm and image.bmp, then the data files
            EXPECT_GE(call.done, lastDone[stage]);
            lastDone[stage] = call.done;
            if (stage == 1 && !call.inWork.empty()) {
                EXPECT_TRUE(call.inWork.starts_with("F")) << call.inWork;
            }
        }
        EXPECT_EQ(progress.calls.back().stage, RunStage::RewritingDataFiles);
        EXPECT_EQ(progress.calls.back().done, kFiles);
        EXPECT_EQ(progress.calls.back().inWork, "");
    }
}

// While a box about a file is up, the count shown includes that file: it does not lag behind the files the workers
// finished meanwhile.
TEST_F(RunControl, TheCountShownWithABoxIncludesItsFile) {
    HookedMessages hooked;
    RecordedProgress progress;
    std::vector<std::pair<std::string, int>> shownAtBox;
    hooked.onBox = [&](const Box& box) {
        if (box.caption == "失敗") shownAtBox.emplace_back(box.text, progress.calls.empty() ? -1 : progress.calls.back().done);
    };
    for (const int jobs : {1, 3}) {
        RunOptions options;
        options.jobs = jobs;
        options.progress = &progress;
        auto list = makeDirectoryFileList();
        runConversion(scenario + "/Summary.wsm", output, rows, *list, hooked, options);
    }
    ASSERT_FALSE(shownAtBox.empty());
    for (const auto& [file, done] : shownAtBox) {
        const int index = std::stoi(file.substr(1, 3));
        EXPECT_GT(done, index) << file;
    }
}

TEST_F(ConversionRun, AScenarioFolderThatCannotBeListedIsRefusedBeforeAnything) {
    put("Area01.wid", dataFile("a.bmp"));
    fs::remove_all(scenario);  // gone after it was chosen
    const RunOutcome outcome = run();
    EXPECT_FALSE(outcome.started);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{{"エラー", "シナリオフォルダが読めません\n" + scenario}}));
    EXPECT_TRUE(fs::is_empty(output));
}

TEST_F(ConversionRun, RowTotalsCountFieldsAndFilesPerRow) {
    put("A.wid", ByteBuilder().fileHeader(8).int32(3).int32(1).imageNode("a.bmp").int32(1).imageNode("a.bmp")
                     .int32(1).imageNode("c.bmp").bytes());
    put("B.wid", dataFile("a.bmp"));
    put("C.wid", dataFile("x.bmp"));
    row(1, "a.bmp", "b.bmp");
    row(2, "c.bmp", "d.bmp");
    row(3, "none.bmp", "e.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.usedRows, 3);
    EXPECT_EQ(outcome.rowTotals[0].fields, 3);
    EXPECT_EQ(outcome.rowTotals[0].files, 2);
    EXPECT_EQ(outcome.rowTotals[1].fields, 1);
    EXPECT_EQ(outcome.rowTotals[1].files, 1);
    EXPECT_EQ(outcome.rowTotals[2].fields, 0);
    EXPECT_EQ(outcome.rowTotals[2].files, 0);
}

TEST_F(ConversionRun, ADryRunTellsAndCountsButWritesNothing) {
    put("A.wid", dataFile("a.bmp"));
    put("B.wid", dataFile("a.bmp").substr(0, 20));
    fs::remove(output);
    row(1, "a.bmp", "b.bmp");
    auto list = makeDirectoryFileList();
    const RunOutcome outcome = dryRun(scenario + "/Summary.wsm", rows, *list, messages);
    EXPECT_TRUE(outcome.started);
    EXPECT_EQ(messages.boxes, (std::vector<Box>{countBox(1), {"失敗", "B.wid"}}));
    EXPECT_EQ(outcome.rowTotals[0].fields, 1);
    EXPECT_EQ(outcome.failedFiles, 1);
    EXPECT_FALSE(fs::exists(output));
    EXPECT_EQ(readFile(scenario + "/A.wid"), dataFile("a.bmp"));
}

TEST_F(ConversionRun, DeepNestingConvertsOnTheWorkers) {
    // Far deeper than an ordinary stack allows the walk; the run's workers have the stack for it.
    ByteBuilder deep;
    deep.fileHeader(8).int32(1).int32(1);
    constexpr int kLevels = 20000;
    for (int level = 1; level < kLevels; ++level) deep.nodeHeader(0, "", 1);
    deep.imageNode("a.bmp");
    put("Deep.wid", deep.bytes());
    row(1, "a.bmp", "b.bmp");
    const RunOutcome outcome = run();
    EXPECT_EQ(outcome.failedFiles, 0);
    EXPECT_EQ(outcome.rowTotals[0].fields, 1);
    EXPECT_EQ(out("Deep.wid").size(), deep.size());
}

TEST(CheckRows, UsedUpToTheFirstEmptyOrInvalidRowWithTheReason) {
    ConversionRows rows;
    rows.from = {"a.bmp", "b.BMP", "", "d.jpg"};
    rows.to = {"x.jpg", "y.jpx", "", "z.jpg"};
    auto checks = checkRows(rows);
    EXPECT_EQ(checks[0].state, RowState::Used);
    EXPECT_EQ(checks[1].state, RowState::Used);
    EXPECT_EQ(checks[2].state, RowState::Empty);
    EXPECT_EQ(checks[3].state, RowState::NotUsed);

    const std::vector<std::pair<std::pair<std::string, std::string>, std::string>> invalid = {
        {{"a.png", "b.bmp"}, "画像の拡張子（.bmp .jpg .jpeg .jpy1 .jpdc .jpx）がありません"},
        {{"a.bmp", ""}, "変換元と変換先の両方が必要です"},
        {{"a\xF0\x9F\x98\x80.bmp", "b.bmp"}, "Shift-JISで表せない文字があります"},
        {{std::string(252, 'a') + ".bmp", "b.bmp"}, "ファイル名が長すぎます（255バイトまで）"},
    };
    for (const auto& [texts, reason] : invalid) {
        rows.from = {texts.first, "ok.bmp", "", ""};
        rows.to = {texts.second, "ok.jpg", "", ""};
        checks = checkRows(rows);
        EXPECT_EQ(checks[0].state, RowState::Invalid) << texts.first;
        EXPECT_EQ(checks[0].reason, reason) << texts.first;
        EXPECT_EQ(checks[1].state, RowState::NotUsed) << texts.first;  // valid, but below an invalid row
    }
}

}  // namespace
}  // namespace celshift::test
