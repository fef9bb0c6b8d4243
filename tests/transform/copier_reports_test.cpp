// What a walk tells its caller besides the bytes: replaced fields per pair, every image name it read, the
// code that stopped it, and the same answers when nothing is written.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

struct RecordingVisitor : ImageNameVisitor {
    std::vector<std::string> names;
    void imageName(const unsigned char* bytes, std::int32_t length) override {
        names.emplace_back(reinterpret_cast<const char*>(bytes), static_cast<std::size_t>(length));
    }
};

std::string stored(const std::string& name) { return name + std::string(1, '\0'); }

// Pairs 0..3: a.bmp, b.bmp, c.bmp, d.bmp (d.bmp appears nowhere).
ReplacementTableHolder fourPairs() {
    return holderWith({{"a.bmp", "x.bmp"}, {"b.bmp", "yy.bmp"}, {"c.bmp", "z"}, {"d.bmp", "w.bmp"}});
}

// A kind 0 file naming images in a type 6 node, a type 8 cell of the event tree, a kind 0 entry and the
// file's own cells, and "other.bmp" that no pair names.
std::string kind0File() {
    ByteBuilder b;
    b.fileHeader(0, "t", "a.bmp", 0);  // a plain string holding a name: not an image-name field
    b.int32(1).int32(2).imageNode("a.bmp").nodeHeader(8, "", 0).int32(1).cellRecord("b.bmp").eventTrailer();
    b.byte(0).int32(1);
    b.byte(0).plainString("").plainString("").int32(0).plainString("").int32(0).plainString("").fill(12).imageName("c.bmp");
    b.int32(2).cellRecord("a.bmp").cellRecord("other.bmp");
    return b.bytes();
}

// A kind 6 file whose nested record holds an embedded entry whose event names an image.
std::string nestedRecordFile() {
    ByteBuilder entries;
    entries.int32(1).int32(build::kEmbeddedEntry).fill(3).int32(1);
    entries.byte(6).plainString("").plainString("").int32(0).emptyNestedRecord();
    entries.int32(1).int32(1).imageNode("b.bmp").fill(5);
    return ByteBuilder().fileHeader(6).nestedRecord(entries).int32(0).fill(5).bytes();
}

std::string packageFile() {
    return ByteBuilder().packageHeader(0, "p", 0).int32(1).int32(1).imageNode("c.bmp").bytes();
}

TEST(CopierReports, ReplacedFieldsAreCountedPerPairWhereverTheNamesStand) {
    auto holder = fourPairs();
    const auto kind0 = convertFile(kind0File(), false, &holder);
    EXPECT_EQ(kind0.result, 0);
    EXPECT_EQ(kind0.replacedFields.perPair(4), (std::vector<std::int64_t>{2, 1, 1, 0}));

    const auto nested = convertFile(nestedRecordFile(), false, &holder);
    EXPECT_EQ(nested.result, 0);
    EXPECT_EQ(nested.replacedFields.perPair(4), (std::vector<std::int64_t>{0, 1, 0, 0}));

    const auto package = convertFile(packageFile(), true, &holder);
    EXPECT_EQ(package.result, 0);
    EXPECT_EQ(package.replacedFields.perPair(4), (std::vector<std::int64_t>{0, 0, 1, 0}));

    // With replacement off nothing is counted.
    holder.enabled = false;
    EXPECT_EQ(convertFile(kind0File(), false, &holder).replacedFields.perPair(4), (std::vector<std::int64_t>{0, 0, 0, 0}));
}

TEST(CopierReports, FirstOfTwoPairsWithTheSameNameIsCounted) {
    auto holder = holderWith({{"a.bmp", "first.bmp"}, {"a.bmp", "second.bmp"}});
    EXPECT_EQ(convertFile(kind0File(), false, &holder).replacedFields.perPair(4), (std::vector<std::int64_t>{2, 0, 0, 0}));
}

TEST(CopierReports, VisitorSeesEveryImageNameAsStored) {
    auto holder = fourPairs();
    RecordingVisitor visitor;
    const auto out = convertFileWith(kind0File(), false, &holder, {.visitor = &visitor});
    EXPECT_EQ(out.result, 0);
    // In file order, before replacement, with their zero bytes; the plain string "a.bmp" is not among them.
    EXPECT_EQ(visitor.names, (std::vector<std::string>{stored("a.bmp"), stored("b.bmp"), stored("c.bmp"),
                                                       stored("a.bmp"), stored("other.bmp")}));

    RecordingVisitor nested;
    convertFileWith(nestedRecordFile(), false, nullptr, {.visitor = &nested});
    EXPECT_EQ(nested.names, std::vector<std::string>{stored("b.bmp")});

    // Any bytes of a legal length, an empty field and the longest one included.
    RecordingVisitor odd;
    const std::string longest(256, 'n');
    const std::string file = ByteBuilder().fileHeader(8).int32(3).int32(1).imageNode("")
                                 .int32(1).nodeHeader(6, "", 0).imageNameBytes("").plainString("")
                                 .int32(1).nodeHeader(6, "", 0).imageNameBytes(longest).plainString("").bytes();
    EXPECT_EQ(convertFileWith(file, false, nullptr, {.visitor = &odd}).result, 0);
    EXPECT_EQ(odd.names, (std::vector<std::string>{stored(""), "", longest}));
}

TEST(CopierReports, VisitorDoesNotSeeFieldsThatWereNotReadWhole) {
    const std::string complete = ByteBuilder().fileHeader(8).int32(1).int32(1).imageNode("a.bmp").bytes();
    const std::size_t nameEnd = complete.size() - 4;  // the node's plain string follows the name
    for (std::size_t length = nameEnd - 10; length < nameEnd; ++length) {
        RecordingVisitor visitor;
        EXPECT_EQ(convertFileWith(complete.substr(0, length), false, nullptr, {.visitor = &visitor}).stopCode, kFileRead);
        EXPECT_TRUE(visitor.names.empty()) << length;
    }
    RecordingVisitor tooLong;
    const std::string file = ByteBuilder().fileHeader(8).int32(1).int32(1).nodeHeader(6, "", 0).int32(257).fill(300).bytes();
    EXPECT_EQ(convertFileWith(file, false, nullptr, {.visitor = &tooLong}).stopCode, kNameTooLong);
    EXPECT_TRUE(tooLong.names.empty());
}

TEST(CopierReports, StopCodeNamesWhatEndedTheWalk) {
    auto holder = fourPairs();
    const std::string good = kind0File();
    struct Case {
        const char* what;
        std::string input;
        FailurePoint failure;
        int stopCode;
    };
    const Case cases[] = {
        {"complete", good, {}, 0},
        {"unknown kind", ByteBuilder().fileHeader(7).raw("rest").bytes(), {}, kNoFileLayout},
        {"undefined content type", ByteBuilder().fileHeader(8).int32(1).int32(1).nodeHeader(66, "", 0).bytes(), {}, kNoBodyLayout},
        {"name too long", ByteBuilder().fileHeader(8).int32(1).int32(1).nodeHeader(6, "", 0).int32(-1).bytes(), {}, kNameTooLong},
        {"truncated inside a node", good.substr(0, 30), {}, kNodeRead},
        {"truncated inside a cell record", ByteBuilder().fileHeader(0).int32(0).byte(0).int32(0).int32(1).fill(10).bytes(), {}, kBodyRead},
#if !defined(_WIN32)  // failure points need cookie streams
        {"read error in the remainder", good + "tail", {.readFailsAfter = static_cast<long>(good.size()) + 2}, kFileRead},
        {"write error at the end", good, {.writeFailsAfter = 3}, kFileWrite},
#endif
    };
    for (const Case& k : cases) {
        const auto out = convertFile(k.input, false, &holder, k.failure);
        EXPECT_EQ(out.stopCode, k.stopCode) << k.what;
        EXPECT_EQ(out.result, k.stopCode == 0 ? 0 : 1) << k.what;
    }
}

// Whatever stops a walk, the output holds every byte: converted up to the field that stopped it, unchanged from
// there on; the copier says why and where.
TEST(CopierReports, AStoppedWalkKeepsEveryByteAndSaysWhereAndWhy) {
    auto holder = holderWith({{"a.bmp", "b.bmp"}});
    const ByteBuilder tree = ByteBuilder().fileHeader(8).int32(2).int32(1).imageNode("a.bmp").int32(1);
    const std::string converted = ByteBuilder().fileHeader(8).int32(2).int32(1).imageNode("b.bmp").int32(1).bytes();
    const std::int64_t stopAt = static_cast<std::int64_t>(tree.size());
    const std::string tail = ByteBuilder().imageName("a.bmp").raw("tail").bytes();
    struct Case {
        const char* what;
        std::string stopping;  // what follows the first tree
        StopKind kind;
        std::int64_t offset;
        std::int64_t value;
    };
    const Case cases[] = {
        {"negative name length", ByteBuilder().nodeHeader(6, "", 0).int32(-5).bytes(), StopKind::NameLength, stopAt + 9, -5},
        {"name length 257", ByteBuilder().nodeHeader(6, "", 0).int32(257).bytes(), StopKind::NameLength, stopAt + 9, 257},
        {"content type 123", ByteBuilder().nodeHeader(123, "", 0).bytes(), StopKind::NoContentLayout, stopAt + 9, 123},
    };
    for (const Case& k : cases) {
        const std::string input = tree.bytes() + k.stopping + tail;
        const auto out = convertFile(input, false, &holder);
        EXPECT_EQ(out.result, 1) << k.what;
        EXPECT_EQ(out.output, converted + k.stopping + tail) << k.what;
        EXPECT_EQ(out.stop.kind, k.kind) << k.what;
        EXPECT_EQ(out.stop.offset, k.offset) << k.what;
        EXPECT_EQ(out.stop.value, k.value) << k.what;
    }
    const auto unknownKind = convertFile(ByteBuilder().fileHeader(9).bytes() + tail, false, &holder);
    EXPECT_EQ(unknownKind.stop.kind, StopKind::NoFileLayout);
    EXPECT_EQ(unknownKind.stop.value, 9);
}

// A file cut anywhere converts, without rows, into itself; the copier names the field the data ends in.
TEST(CopierReports, AFileCutAnywhereConvertsIntoItself) {
    const std::string file = kind0File();
    for (std::size_t length = 0; length < file.size(); ++length) {
        const std::string cut = file.substr(0, length);
        const auto out = convertFile(cut);
        EXPECT_EQ(out.output, cut) << length;
        EXPECT_EQ(out.result, 1) << length;
        EXPECT_EQ(out.stop.kind, StopKind::InputEnded) << length;
        EXPECT_EQ(out.stop.dataEnd, static_cast<std::int64_t>(length)) << length;
        EXPECT_LE(out.stop.offset, static_cast<std::int64_t>(length)) << length;
        EXPECT_NE(out.stop.field, FieldKind::None) << length;
    }
    // The name field of the last cell record: cut inside it, the walk names it and where it starts.
    const std::size_t nameStart = file.size() - ByteBuilder().imageName("other.bmp").byte(1).plainString("").byte(2).size();
    const auto inName = convertFile(file.substr(0, nameStart + 6));
    EXPECT_EQ(inName.stop.field, FieldKind::ImageName);
    EXPECT_EQ(inName.stop.offset, static_cast<std::int64_t>(nameStart));
}

TEST(CopierReports, NullOutputGivesTheSameAnswersWithoutWriting) {
    auto holder = fourPairs();
    const std::string inputs[] = {
        kind0File(), nestedRecordFile(), kind0File().substr(0, 77),
        ByteBuilder().fileHeader(8).int32(2).int32(1).imageNode("a.bmp").int32(1).nodeHeader(99, "", 0).imageName("a.bmp").bytes(),
    };
    for (const auto& input : inputs) {
        for (const std::size_t window : {kSmallestInputWindow, kInputWindowBytes}) {
            RecordingVisitor seen, seenDiscarding;
            const auto written = convertFileWith(input, false, &holder, {.windowBytes = window, .visitor = &seen});
            const auto discarded = convertFileWith(input, false, &holder,
                                                   {.windowBytes = window, .discardOutput = true, .visitor = &seenDiscarding});
            EXPECT_EQ(discarded.output, "");
            EXPECT_EQ(discarded.result, written.result);
            EXPECT_EQ(discarded.stopCode, written.stopCode);
            EXPECT_EQ(discarded.replacedFields, written.replacedFields);
            EXPECT_EQ(seenDiscarding.names, seen.names);
        }
    }
#if !defined(_WIN32)  // failure points need cookie streams
    // A failing output is never touched when there is none.
    const auto out = convertFileWith(kind0File(), false, &holder, {.failure = {.writeFailsAfter = 0}, .discardOutput = true});
    EXPECT_EQ(out.result, 0);
    EXPECT_FALSE(out.closeFailed);
#endif
}

}  // namespace
}  // namespace celshift::test
