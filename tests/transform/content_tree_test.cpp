// Events, content trees and content bodies.
#include <gtest/gtest.h>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

auto nodeWalker = [](DataFileCopier& c) { copyContentNode(c); };

// A representative body for each content type, written from the layouts by value:
// S string, I int32, B<n> n raw bytes, N image name, C cell records, E entry list, P string pairs.
const char* const kBodyByType[66] = {
    "",     "S",  "I",  "B1", "",   "I",   "NS",  "S",   "C",   "S",   // 0-9
    "I",    "B11SB1E", "B2", "B13", "I", "S",   "SB1", "S",   "SI",  "I",   // 10-19
    "IB5",  "IB5", "I", "IB5", "I", "SB5", "I",   "IB5", "IB5", "I",   // 20-29
    "IB5",  "I",  "SB5", "I", "IB5", "IB5", "I",  "IB5", "I",   "SB5", // 30-39
    "B1P",  "S",  "S",  "S",  "SI", "",    "B5",  "B2",  "I",   "",    // 40-49
    "",     "",   "S",  "I",  "I",  "",    "",    "S",   "S",   "S",   // 50-59
    "S",    "S",  "S",  "",   "",   "S",                               // 60-65
};

ByteBuilder bodyFor(int type) {
    ByteBuilder b;
    for (const char* p = kBodyByType[type]; *p; ++p) {
        switch (*p) {
        case 'S': b.plainString("text"); break;
        case 'I': b.int32(7000 + type); break;
        case 'B': {
            const int n = static_cast<int>(std::strtol(p + 1, nullptr, 10));
            b.fill(static_cast<std::size_t>(n), 0xEE);
            while (p[1] >= '0' && p[1] <= '9') ++p;
            break;
        }
        case 'N': b.imageName("a.bmp"); break;
        case 'C': b.int32(2).cellRecord("a.bmp", "c1").cellRecord("b.bmp"); break;
        case 'E': b.int32(2).int32(build::kEntry0).int32(0).fill(5, 1).int32(0x40806).int32(0); break;
        case 'P': b.int32(2).plainString("k1").plainString("v1").plainString("k2").plainString(""); break;
        }
    }
    return b;
}

TEST(ContentBody, EveryDefinedTypeIsCopiedExactly) {
    for (int type = 0; type <= 65; ++type) {
        const std::string node = ByteBuilder().nodeHeader(static_cast<std::uint8_t>(type), "n", 0).append(bodyFor(type)).bytes();
        const auto out = walk(node, nodeWalker);
        EXPECT_EQ(out.code, 0) << "type " << type;
        EXPECT_EQ(out.output, node) << "type " << type;
        // One byte less is a read failure: the walker wanted the whole body and not a byte more.
        if (!bodyFor(type).bytes().empty()) {
            EXPECT_NE(walk(node.substr(0, node.size() - 1), nodeWalker).code, 0) << "type " << type;
        }
    }
}

TEST(ContentBody, UndefinedTypesStopAfterTheSubtree) {
    for (const int type : {66, 128, 255}) {
        const std::string subtree = ByteBuilder().nodeHeader(static_cast<std::uint8_t>(type), "root", 1).imageNode("a.bmp").bytes();
        const auto out = walk(subtree + "BODY", nodeWalker);
        EXPECT_EQ(out.code, kNoBodyLayout) << type;
        EXPECT_EQ(out.output, subtree) << type;
    }
}

TEST(ContentBody, CountedBodiesWithZeroOrNegativeCounts) {
    EXPECT_EQ(walk(ByteBuilder().int32(0).bytes(), [](DataFileCopier& c) { copyContentBody(c, 8); }).output.size(), 4u);
    EXPECT_EQ(walk(ByteBuilder().byte(1).int32(-3).bytes(), [](DataFileCopier& c) { copyContentBody(c, 40); }).output.size(), 5u);
    const std::string longString = ByteBuilder().plainString(std::string(1000, 's')).bytes();
    EXPECT_EQ(walk(longString, [](DataFileCopier& c) { copyContentBody(c, 1); }).output, longString);
}

TEST(ContentBody, ImageNamesAreReplacedInType6AndType8Only) {
    auto holder = holderWith({{"a.bmp", "replaced.jpg"}});
    const auto convert = [&](const ByteBuilder& in) { return walk(in.bytes(), nodeWalker, &holder).output; };

    EXPECT_EQ(convert(ByteBuilder().nodeHeader(6, "a.bmp", 0).imageName("a.bmp").plainString("a.bmp")),
              ByteBuilder().nodeHeader(6, "a.bmp", 0).imageName("replaced.jpg").plainString("a.bmp").bytes());
    EXPECT_EQ(convert(ByteBuilder().nodeHeader(8, "", 0).int32(2).cellRecord("a.bmp", "a.bmp").cellRecord("b.bmp")),
              ByteBuilder().nodeHeader(8, "", 0).int32(2).cellRecord("replaced.jpg", "a.bmp").cellRecord("b.bmp").bytes());
    // A string body that holds the name with its zero byte is still a plain string.
    const ByteBuilder stringBody = ByteBuilder().nodeHeader(1, "", 0).plainString(std::string("a.bmp\0", 6));
    EXPECT_EQ(convert(stringBody), stringBody.bytes());
}

TEST(ContentTree, BodiesFollowTheirWholeSubtree) {
    // A(B(D), C): A's header, B's header, D, B's body, C, A's body. Int32 bodies tag each node.
    const std::string tree = ByteBuilder()
                                 .nodeHeader(2, "A", 2)
                                 .nodeHeader(2, "B", 1)
                                 .nodeHeader(6, "D", 0).imageName("d.bmp").plainString("")
                                 .int32(0xB)
                                 .nodeHeader(6, "C", 0).imageName("c.bmp").plainString("")
                                 .int32(0xA)
                                 .bytes();
    auto holder = holderWith({{"c.bmp", "cc.bmp"}, {"d.bmp", "dd.bmp"}});
    const auto out = walk(tree, nodeWalker, &holder);
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, ByteBuilder()
                              .nodeHeader(2, "A", 2)
                              .nodeHeader(2, "B", 1)
                              .nodeHeader(6, "D", 0).imageName("dd.bmp").plainString("")
                              .int32(0xB)
                              .nodeHeader(6, "C", 0).imageName("cc.bmp").plainString("")
                              .int32(0xA)
                              .bytes());
}

TEST(ContentTree, ChildWordCountsTheRemainderByTenThousand) {
    struct Case {
        std::int32_t childWord;
        int children;
    };
    for (const Case& k : {Case{20003, 3}, Case{10000, 0}, Case{-10000, 0}, Case{-7, 1}, Case{-10003, 1}, Case{0, 0}}) {
        ByteBuilder tree;
        tree.nodeHeader(0, "p", k.childWord);
        for (int i = 0; i < k.children; ++i) tree.emptyNode("c");
        const auto out = walk(tree.bytes() + "next", nodeWalker);
        EXPECT_EQ(out.code, 0) << k.childWord;
        EXPECT_EQ(out.output, tree.bytes()) << k.childWord;
    }
}

TEST(Event, TreesAndTrailer) {
    const auto eventWalker = [](bool trailer) { return [trailer](DataFileCopier& c) { copyEvent(c, trailer); }; };
    EXPECT_EQ(walk(ByteBuilder().int32(0).bytes() + "xx", eventWalker(false)).output.size(), 4u);
    const std::string negative = ByteBuilder().int32(-5).bytes();
    EXPECT_EQ(walk(negative + "xx", eventWalker(false)).output, negative);

    const std::string withTrailer = ByteBuilder().int32(2).emptyNode().imageNode("a.bmp").eventTrailer(3, 5).bytes();
    EXPECT_EQ(withTrailer.size(), 4 + 9 + 9 + 10 + 4 + 4 + 12 + 4 + 5u);
    const auto out = walk(withTrailer + "zz", eventWalker(true));
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, withTrailer);
    // Negative trailer counts copy no bytes.
    const std::string negativeTrailer = ByteBuilder().int32(0).int32(-1).int32(-9).bytes();
    EXPECT_EQ(walk(negativeTrailer + "zz", eventWalker(true)).output, negativeTrailer);
}

TEST(Event, HugeItemCountIsComputedWideAndStopsAtTheEnd) {
    // 4 x 0x40000001 overflows 32 bits; the run must ask for all of it and stop at the end of the input.
    const std::string event = ByteBuilder().int32(0).int32(0x40000001).raw("abcd").bytes();
    const auto out = walk(event, [](DataFileCopier& c) { copyEvent(c, true); });
    EXPECT_EQ(out.code, kEventRead);
    EXPECT_EQ(out.output, event);
}

}  // namespace
}  // namespace celshift::test
