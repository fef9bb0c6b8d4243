// The stream primitives and the image-name field.
#include <gtest/gtest.h>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

TEST(CopyInt32, CopiesLittleEndianSignedValues) {
    std::int32_t value = 0;
    const auto out = walk(ByteBuilder().raw({0xFF, 0xFF, 0xFF, 0xFF}).bytes(),
                          [&](DataFileCopier& c) { value = copyInt32(c, 1, 2); });
    EXPECT_EQ(value, -1);
    EXPECT_EQ(out.output, std::string(4, '\xFF'));

    const auto out2 = walk(ByteBuilder().raw({0x01, 0x02, 0x03, 0x04}).bytes(),
                           [&](DataFileCopier& c) { value = copyInt32(c, 1, 2); });
    EXPECT_EQ(value, 0x04030201);
}

TEST(CopyInt32, IncompleteValueIsAReadFailureAndWritesNothing) {
    const auto out = walk(ByteBuilder().raw({0x01, 0x02, 0x03}).bytes(), [](DataFileCopier& c) { copyInt32(c, 60, 65); });
    EXPECT_EQ(out.code, 60);
    EXPECT_EQ(out.output, "");
}

TEST(CopyByte, EndOfInputRaisesTheReadCode) {
    const auto out = walk("", [](DataFileCopier& c) { copyByte(c, 70, 75); });
    EXPECT_EQ(out.code, 70);
}

TEST(CopyRun, CopiesExactlyNBytesAndNothingForZeroOrNegative) {
    const std::string input = "abcdefghij";
    EXPECT_EQ(walk(input, [](DataFileCopier& c) { copyRun(c, 4, 1, 2); }).output, "abcd");
    EXPECT_EQ(walk(input, [](DataFileCopier& c) { copyRun(c, 0, 1, 2); }).output, "");
    EXPECT_EQ(walk(input, [](DataFileCopier& c) { copyRun(c, -5, 1, 2); }).output, "");
    // Long runs go through the block path.
    const std::string big(100000, 'x');
    EXPECT_EQ(walk(big + "tail", [](DataFileCopier& c) { copyRun(c, 100000, 1, 2); }).output, big);
}

TEST(CopyRun, ShortInputWritesWhatWasReadThenRaises) {
    for (const std::int64_t n : {5, 40000}) {
        const auto out = walk("abc", [n](DataFileCopier& c) { copyRun(c, n, 90, 95); });
        EXPECT_EQ(out.code, 90) << n;
        EXPECT_EQ(out.output, "abc") << n;
    }
}

#if !defined(_WIN32)  // failure points need cookie streams
TEST(CopyRun, AReadErrorCountsOnlyForBytesPastTheLastGoodRead) {
    // The input fails after two bytes: both can still be copied, an empty run needs nothing, and only the
    // run that needs the third byte raises its read code.
    const auto out = walk("abcd", [](DataFileCopier& c) {
        copyRun(c, 2, 60, 65);
        copyRun(c, 0, 70, 75);
        copyRun(c, 1, 80, 85);
    }, nullptr, {.readFailsAfter = 2});
    EXPECT_EQ(out.code, 80);
    EXPECT_EQ(out.output, "ab");
}
#endif

// The pair of the examples: abc.bmp is looked for, x.jpg written in its place.
class ImageNameField : public ::testing::Test {
protected:
    ReplacementTableHolder holder = holderWith({{"abc.bmp", "x.jpg"}});

    WalkOutcome copyField(const std::string& bytes, bool replace = true) {
        return walk(bytes, [&](DataFileCopier& c) { copyStringField(c, replace, holder.table.get()); });
    }
};

TEST_F(ImageNameField, MatchingNameIsReplacedAndTheLengthFollows) {
    const auto out = copyField(ByteBuilder().imageName("abc.bmp").bytes());
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, ByteBuilder().imageName("x.jpg").bytes());
    EXPECT_EQ(out.output.size(), 10u);
}

TEST_F(ImageNameField, NearMissesAreCopiedUnchanged) {
    const std::string nearMisses[] = {
        ByteBuilder().imageName("ABC.BMP").bytes(),                        // case differs
        ByteBuilder().imageNameBytes("abc.bmp").bytes(),                   // no zero byte
        ByteBuilder().imageNameBytes(std::string("abc.bmp\0\0", 9)).bytes(),  // two zero bytes
        ByteBuilder().imageName("abc.bm").bytes(),                         // a prefix
        ByteBuilder().imageName("xabc.bmp").bytes(),                       // a suffix
        ByteBuilder().imageNameBytes("abc.bmpX").bytes(),                  // same length, last byte not zero
        ByteBuilder().imageNameBytes("").bytes(),                          // empty field
    };
    for (const auto& field : nearMisses) {
        const auto out = copyField(field);
        EXPECT_EQ(out.code, 0);
        EXPECT_EQ(out.output, field);
    }
}

TEST_F(ImageNameField, NothingIsReplacedWhenReplacementIsOff) {
    const std::string field = ByteBuilder().imageName("abc.bmp").bytes();
    EXPECT_EQ(copyField(field, false).output, field);
    ReplacementTableHolder empty = holderWith({});
    EXPECT_EQ(walk(field, [&](DataFileCopier& c) { copyStringField(c, true, empty.table.get()); }).output, field);
}

TEST_F(ImageNameField, FirstOfTwoPairsWithTheSameNameWins) {
    holder = holderWith({{"a.bmp", "first.bmp"}, {"a.bmp", "second.bmp"}});
    EXPECT_EQ(copyField(ByteBuilder().imageName("a.bmp").bytes()).output, ByteBuilder().imageName("first.bmp").bytes());
}

TEST_F(ImageNameField, LengthLimits) {
    const std::string longest(255, 'n');
    const std::string field256 = ByteBuilder().imageName(longest).bytes();
    EXPECT_EQ(copyField(field256).output, field256);

    for (const std::int32_t bad : {257, -1, INT32_MIN}) {
        const auto out = copyField(ByteBuilder().int32(bad).fill(300, 'n').bytes());
        EXPECT_EQ(out.code, kNameTooLong) << bad;
        EXPECT_EQ(out.output, "") << bad;  // not even the length is written
    }
}

TEST_F(ImageNameField, TruncatedNameWritesNothing) {
    const auto out = copyField(ByteBuilder().int32(8).raw("abc").bytes());
    EXPECT_EQ(out.code, kFileRead);
    EXPECT_EQ(out.output, "");
}

#if !defined(_WIN32)  // failure points need cookie streams
TEST_F(ImageNameField, WriteFailuresRaise55AtEitherWrite) {
    for (const bool replaced : {true, false}) {
        const std::string field = ByteBuilder().imageName(replaced ? "abc.bmp" : "other.bmp").bytes();
        for (const long after : {0L, 2L, 5L}) {
            const auto out = walk(field, [&](DataFileCopier& c) { copyStringField(c, true, holder.table.get()); },
                                  nullptr, {.writeFailsAfter = after});
            EXPECT_EQ(out.code, kFileWrite) << replaced << " " << after;
        }
    }
}
#endif

TEST(ReplacementTable, RefusesNamesThatCannotBeStored) {
    ReplacementTable table;
    EXPECT_THROW(addReplacementPair(table, std::string(256, 'a'), "b.bmp"), std::invalid_argument);
    EXPECT_THROW(addReplacementPair(table, "a.bmp", std::string(256, 'b')), std::invalid_argument);
    EXPECT_THROW(addReplacementPair(table, std::string("a\0b.bmp", 7), "b.bmp"), std::invalid_argument);
    EXPECT_THROW(addReplacementPair(table, "a.bmp", ""), std::invalid_argument);
    EXPECT_THROW(addReplacementPair(table, "", "b.bmp"), std::invalid_argument);
    EXPECT_EQ(table.count, 0);
    addReplacementPair(table, std::string(255, 'a'), "b");  // the longest and the shortest names
    addReplacementPair(table, "a.bmp", std::string(255, 'b'));
    EXPECT_EQ(table.count, 2);
    const ReplacementPair pair = table.pair(1);
    EXPECT_EQ(pair.fromLength, 6);
    EXPECT_EQ(pair.fromName[5], 0);
    EXPECT_EQ(pair.toLength, 256);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(pair.toName)), std::string(255, 'b'));
}

}  // namespace
}  // namespace celshift::test
