// Deep nesting: real event trees nest one level per step, so 100,000 levels must convert on a large stack
// with the bound raised, as the run converts; deeper than the bound is refused, never a crash. On an
// ordinary stack the copier's default limit refuses what that stack could not hold.
#include <gtest/gtest.h>

#include "scenario_builder/byte_builder.h"
#include "platform/large_stack.h"
#include "test_streams.h"
#include "transform/nesting_level.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

// A kind 8 file with one event whose tree is a chain `depth` nodes deep. Every node has an int32 body, so
// the bodies come back in reverse order after the deepest node, which names an image.
std::string deepTreeFile(int depth, ByteBuilder* expected = nullptr) {
    ByteBuilder in, out;
    for (ByteBuilder* b : {&in, &out}) b->fileHeader(8).int32(1).int32(1);
    for (int i = 1; i < depth; ++i) {
        in.nodeHeader(2, "", 1);
        out.nodeHeader(2, "", 1);
    }
    in.imageNode("deep.bmp");
    out.imageNode("found.bmp");
    for (int i = depth - 1; i >= 1; --i) {
        in.int32(i);
        out.int32(i);
    }
    if (expected) *expected = out;
    return in.bytes();
}

// A kind 6 file whose nested record holds an embedded entry whose record holds one again, `depth` times.
std::string nestedRecordChainFile(int depth) {
    ByteBuilder b;
    b.fileHeader(6);
    const ByteBuilder opening = ByteBuilder()
                                    .plainString("").fill(18)
                                    .int32(1).int32(build::kEmbeddedEntry).fill(3).int32(1)
                                    .byte(6).plainString("").plainString("").int32(0);
    ByteBuilder closing = ByteBuilder().int32(0).fill(5).fill(12);
    for (int i = 0; i < 7; ++i) closing.plainString("");
    closing.byte(0).plainString("").plainString("");
    for (int i = 1; i < depth; ++i) b.append(opening);
    b.emptyNestedRecord();
    for (int i = 1; i < depth; ++i) b.append(closing);
    return b.int32(0).fill(5).bytes();
}

// Type 11 body -> entry list -> embedded entry -> event -> node of type 11 again, `depth` times.
std::string mixedNestingFile(int depth) {
    ByteBuilder b;
    b.fileHeader(8).int32(1).int32(1);
    const ByteBuilder opening = ByteBuilder()
                                    .nodeHeader(11, "", 0).fill(11).plainString("").byte(0)
                                    .int32(1).int32(build::kEmbeddedEntry).fill(3).int32(1)
                                    .byte(6).plainString("").plainString("").int32(0)
                                    .emptyNestedRecord()
                                    .int32(1)   // one event
                                    .int32(1);  // one tree in it
    for (int i = 1; i < depth; ++i) b.append(opening);
    b.imageNode("deep.bmp");
    for (int i = 1; i < depth; ++i) b.fill(5);  // closing block of each embedded body
    return b.bytes();
}

// Converts on a large stack with the copier's limit raised to the bound.
FileOutcome convertDeep(const std::string& input, const ReplacementTableHolder* holder = nullptr) {
    FileOutcome outcome;
    runOnLargeStack(kWalkStackBytes, [&] { outcome = convertFileWith(input, false, holder, {.nestingLimit = kMaxNestingDepth}); });
    return outcome;
}

TEST(NestingDepth, HundredThousandLevelsOfEachKindConvert) {
    auto holder = holderWith({{"deep.bmp", "found.bmp"}});

    ByteBuilder expectedTree;
    const auto tree = convertDeep(deepTreeFile(100'000, &expectedTree), &holder);
    EXPECT_EQ(tree.result, 0);
    EXPECT_EQ(tree.output, expectedTree.bytes());

    const std::string chain = nestedRecordChainFile(100'000);
    const auto records = convertDeep(chain, &holder);
    EXPECT_EQ(records.result, 0);
    EXPECT_EQ(records.output, chain);

    // Four walker levels (node, body, entry list, event) per step: 400,000 walker calls deep.
    const std::string mixed = mixedNestingFile(100'000);
    const auto mixedOut = convertDeep(mixed, &holder);
    EXPECT_EQ(mixedOut.result, 0);
    std::string expectedMixed = mixed;
    const std::size_t at = expectedMixed.find(ByteBuilder().imageName("deep.bmp").bytes());
    expectedMixed.replace(at, 13, ByteBuilder().imageName("found.bmp").bytes());
    EXPECT_EQ(mixedOut.output, expectedMixed);
}

TEST(NestingDepth, DeeperThanTheBoundIsRefused) {
    const std::string tree = deepTreeFile(kMaxNestingDepth + 10);
    const auto out = convertDeep(tree);
    EXPECT_EQ(out.result, 1);
    EXPECT_EQ(out.stopCode, kNodeRead);
    EXPECT_EQ(out.output, tree);  // the refused part follows unchanged

    // The walker that hits the bound raises its own read code.
    WalkOutcome walked;
    runOnLargeStack(kWalkStackBytes, [&] {
        walked = walk(tree.substr(13 + 8), [](DataFileCopier& c) {
            c.nestingLimit = kMaxNestingDepth;
            copyContentNode(c);
        });
    });
    EXPECT_EQ(walked.code, kNodeRead);
}

TEST(NestingDepth, AtTheBoundTheMostStackHungryShapeStillConverts) {
    // Trees cost the most stack per counted level (a node and its child list); one level below the event.
    const std::string tree = deepTreeFile(kMaxNestingDepth - 1);
    EXPECT_EQ(convertDeep(tree).result, 0);
    // One more level is refused: the event and kMaxNestingDepth nodes.
    EXPECT_EQ(convertDeep(deepTreeFile(kMaxNestingDepth)).stopCode, kNodeRead);
}

TEST(NestingDepth, TheDefaultLimitHoldsOnAnOrdinaryStack) {
    // No large stack here: a copier as constructed accepts its limit and refuses one level more, and
    // input deeper than the large bound is refused without exhausting this thread's stack.
    ASSERT_FALSE(onLargeStack());
    EXPECT_EQ(convertFile(deepTreeFile(kDefaultNestingLimit - 1)).result, 0);
    const auto refused = convertFile(deepTreeFile(kDefaultNestingLimit));
    EXPECT_EQ(refused.result, 1);
    EXPECT_EQ(refused.stopCode, kNodeRead);
    EXPECT_EQ(convertFile(deepTreeFile(kMaxNestingDepth + 10)).stopCode, kNodeRead);

    // Records and entry lists count too: a chain of three records holds six levels (each record's list),
    // and the walker that would take one level too many raises its own read code.
    const std::string chain = nestedRecordChainFile(3);
    EXPECT_EQ(convertFileWith(chain, false, nullptr, {.nestingLimit = 6}).result, 0);
    EXPECT_EQ(convertFileWith(chain, false, nullptr, {.nestingLimit = 5}).stopCode, kBodyRead);
    EXPECT_EQ(convertFileWith(chain, false, nullptr, {.nestingLimit = 4}).stopCode, kRecordRead);
}

TEST(NestingDepth, LargeStackThreadsRunJoinAndRethrow) {
    EXPECT_GE(kWalkStackBytes, static_cast<std::size_t>(kMaxNestingDepth) * kStackBytesPerNestingLevel);
    bool ranThere = false;
    {
        LargeStackThread thread(kWalkStackBytes, [&] { ranThere = onLargeStack(); });
    }  // joined here
    EXPECT_TRUE(ranThere);
    LargeStackThread failing(kWalkStackBytes, [] { throw std::runtime_error("from the thread"); });
    EXPECT_THROW(failing.join(), std::runtime_error);
    EXPECT_NO_THROW(failing.join());
    EXPECT_THROW(runOnLargeStack(kWalkStackBytes, [] { throw std::logic_error("again"); }), std::logic_error);
}

}  // namespace
}  // namespace celshift::test
