// Nested records and typed entry lists.
#include <gtest/gtest.h>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

auto listWalker = [](DataFileCopier& c) { copyEntryList(c); };
auto recordWalker = [](DataFileCopier& c) { copyNestedRecord(c); };

// An entry list holding one embedded entry whose body carries the given record and events.
ByteBuilder embeddingList(const ByteBuilder& record, const ByteBuilder& events, std::int32_t eventCount) {
    return ByteBuilder()
        .int32(1)
        .int32(build::kEmbeddedEntry).fill(3, 0x33).int32(1)
        .byte(6).plainString("first").plainString("second").int32(42)
        .append(record)
        .int32(eventCount).append(events)
        .fill(5, 0x55);
}

TEST(EntryList, EveryEntryTypeHasItsSize) {
    struct Case {
        std::int32_t type;
        std::size_t size;
    };
    for (const Case& k : {Case{0x40800, 13}, Case{0x40801, 13}, Case{0x40802, 8}, Case{0x40803, 12}, Case{0x40804, 12},
                          Case{0x40805, 16}, Case{0x40806, 8}, Case{0x40807, 8}}) {
        const std::string entry = ByteBuilder().int32(k.type).int32(-1).fill(k.size - 8, 0x77).bytes();
        ASSERT_EQ(entry.size(), k.size);
        const std::string list = ByteBuilder().int32(2).raw(entry).raw(entry).bytes();
        const auto out = walk(list + "after", listWalker);
        EXPECT_EQ(out.code, 0) << std::hex << k.type;
        EXPECT_EQ(out.output, list) << std::hex << k.type;
    }
    // An embedded entry without a body is 11 bytes.
    const std::string absent = ByteBuilder().int32(1).int32(build::kEmbeddedEntry).fill(3).int32(0).bytes();
    EXPECT_EQ(walk(absent + "after", listWalker).output, absent);
}

TEST(EntryList, CountOfZeroOrLessIsJustTheCount) {
    for (const std::int32_t count : {0, -1, INT32_MIN}) {
        const std::string list = ByteBuilder().int32(count).bytes();
        EXPECT_EQ(walk(list + "after", listWalker).output, list);
    }
}

TEST(EntryList, UnknownTypeStopsAfterItsHead) {
    for (const std::int32_t type : {0x40809, 0x407FF, 0, -1}) {
        const std::string head = ByteBuilder().int32(1).int32(type).int32(5).bytes();
        const auto out = walk(head + "payload", listWalker);
        EXPECT_EQ(out.code, kNoBodyLayout) << type;
        EXPECT_EQ(out.output, head) << type;
    }
}

TEST(NestedRecord, SmallestIs75Bytes) {
    const std::string record = ByteBuilder().emptyNestedRecord().bytes();
    ASSERT_EQ(record.size(), 75u);
    EXPECT_EQ(walk(record + "after", recordWalker).output, record);
}

TEST(NestedRecord, StringsPassThroughAndNegativeLengthsCopyOnlyTheLength) {
    ByteBuilder record;
    record.plainString("a.bmp").fill(18, 1).int32(0).fill(12, 2);
    for (int i = 0; i < 6; ++i) record.plainString(std::string("a.bmp\0", 6));
    record.int32(-4);  // a negative length: only these 4 bytes
    record.byte(9).plainString("x").plainString("y");
    auto holder = holderWith({{"a.bmp", "b.bmp"}});
    const auto out = walk(record.bytes() + "after", recordWalker, &holder);
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, record.bytes());
}

TEST(NestedRecord, EmbeddedRecordsNestAndTheirEventsAreConverted) {
    // Two levels of embedding; the inner record's event names an image.
    const ByteBuilder innerEvents = ByteBuilder().int32(1).imageNode("a.bmp", "a.bmp");
    const ByteBuilder inner = ByteBuilder().nestedRecord(embeddingList(ByteBuilder().emptyNestedRecord(), innerEvents, 1));
    const ByteBuilder outer = ByteBuilder().nestedRecord(embeddingList(inner, ByteBuilder(), 0));

    const ByteBuilder innerEventsAfter = ByteBuilder().int32(1).imageNode("bb.jpg", "a.bmp");
    const ByteBuilder innerAfter =
        ByteBuilder().nestedRecord(embeddingList(ByteBuilder().emptyNestedRecord(), innerEventsAfter, 1));
    const ByteBuilder outerAfter = ByteBuilder().nestedRecord(embeddingList(innerAfter, ByteBuilder(), 0));

    auto holder = holderWith({{"a.bmp", "bb.jpg"}});
    const auto out = walk(outer.bytes() + "after", recordWalker, &holder);
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, outerAfter.bytes());
    EXPECT_EQ(walk(outer.bytes(), recordWalker).output, outer.bytes());
}

TEST(NestedRecord, EmbeddedEventsHaveNoTrailer) {
    // Two events without trailer: had the walker expected trailers it would eat into the closing block.
    const ByteBuilder events = ByteBuilder().int32(1).emptyNode().int32(0);
    const std::string list = embeddingList(ByteBuilder().emptyNestedRecord(), events, 2).bytes();
    const auto out = walk(list + "after", listWalker);
    EXPECT_EQ(out.code, 0);
    EXPECT_EQ(out.output, list);
}

}  // namespace
}  // namespace celshift::test
