// The table's lookup of a field among any number of pairs: the answer of a first-match scan over the pairs,
// at every size; and the per-walk counts of what was replaced.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

// The lookup the table replaces: the lowest pair whose name and zero byte are exactly the field's bytes.
int firstMatch(const ReplacementTable& table, const std::string& field) {
    for (int j = 0; j < table.count; ++j) {
        const ReplacementPair pair = table.pair(j);
        if (static_cast<std::size_t>(pair.fromLength) == field.size() &&
            std::memcmp(pair.fromName, field.data(), field.size()) == 0)
            return j;
    }
    return -1;
}

int find(const ReplacementTable& table, const std::string& field) {
    return table.find(reinterpret_cast<const unsigned char*>(field.data()), static_cast<std::int32_t>(field.size()));
}

std::string z(const std::string& name) { return name + '\0'; }

TEST(ReplacementLookup, AFieldMatchesOnlyANameWithItsZeroByte) {
    ReplacementTable table;
    EXPECT_EQ(addReplacementPair(table, "a.bmp", "x.bmp"), 0);
    EXPECT_EQ(addReplacementPair(table, "b.bmp", "y.bmp"), 1);
    EXPECT_EQ(addReplacementPair(table, "a.bmp", "z.bmp"), 0);  // a later pair with the same name is never found
    EXPECT_EQ(addReplacementPair(table, std::string(255, 'n'), "long.bmp"), 3);
    EXPECT_EQ(addReplacementPair(table, "c", "c.bmp"), 4);
    EXPECT_EQ(table.count, 5);
    const std::vector<std::pair<std::string, int>> cases = {
        {z("a.bmp"), 0},
        {z("b.bmp"), 1},
        {"a.bmp", -1},                 // no zero byte
        {z(z("a.bmp")), -1},           // two
        {z("a.bmp") + "x", -1},        // a byte after the zero
        {z("A.bmp"), -1},              // case counts
        {z("a.bm"), -1},
        {z(std::string(255, 'n')), 3},  // the longest field there is: 256 bytes
        {z(std::string(254, 'n')), -1},
        {std::string(256, 'n'), -1},
        {z("c"), 4},                   // the shortest name: 2 bytes
        {std::string(1, '\0'), -1},    // an empty name
        {"", -1},
    };
    for (const auto& [field, pair] : cases) {
        EXPECT_EQ(find(table, field), pair) << field.size();
        EXPECT_EQ(firstMatch(table, field), pair) << field.size();
    }
    // A length past the longest field is never looked into.
    const std::string tooLong = z(std::string(256, 'n'));
    EXPECT_EQ(table.find(reinterpret_cast<const unsigned char*>(tooLong.data()), 257), -1);
}

// A field given as its exact bytes: without its closing zero byte, or with a zero byte inside, it matches that
// field alone, in a scanned table and in an indexed one.
TEST(ReplacementLookup, AFieldGivenAsItsBytesMatchesThoseBytesAlone) {
    for (const int others : {0, 20}) {
        ReplacementTable table;
        for (int j = 0; j < others; ++j) addReplacementPair(table, "p" + std::to_string(j) + ".bmp", "t.bmp");
        const int open = addReplacementField(table, "a.bmp", "x.bmp");
        const int inner = addReplacementField(table, std::string("a\0.bmp\0", 7), "y.bmp");
        const int closed = addReplacementField(table, z("a.bmp"), "z.bmp");
        const int longest = addReplacementField(table, std::string(256, 'n'), "n.bmp");
        EXPECT_EQ(addReplacementField(table, "a.bmp", "w.bmp"), open);  // the earlier pair keeps the field
        const std::vector<std::pair<std::string, int>> cases = {
            {"a.bmp", open}, {z("a.bmp"), closed}, {std::string("a\0.bmp\0", 7), inner},
            {std::string("a\0.bmp", 6), -1}, {"a.bm", -1}, {z(z("a.bmp")), -1}, {"A.bmp", -1},
            {std::string(256, 'n'), longest}, {std::string(255, 'n'), -1}, {z(std::string(255, 'n')), -1},
        };
        for (const auto& [field, pair] : cases) {
            EXPECT_EQ(find(table, field), pair) << others << " " << field;
            EXPECT_EQ(firstMatch(table, field), pair) << others << " " << field;
        }
    }
    ReplacementTable table;
    EXPECT_THROW(addReplacementField(table, "", "x.bmp"), std::invalid_argument);
    EXPECT_THROW(addReplacementField(table, std::string(257, 'n'), "x.bmp"), std::invalid_argument);
    EXPECT_THROW(addReplacementField(table, "a.bmp", std::string("x\0.bmp", 6)), std::invalid_argument);
}

// Random tables of every size, across the points where the index grows, with many names that share
// lengths, bytes and repeats; fields drawn from the names, their near misses and others.
TEST(ReplacementLookup, GivesTheFirstMatchAtEverySize) {
    std::mt19937 random(17);
    const auto randomName = [&random]() {
        static const std::string kBytes = std::string("ab.\\") + "\x82\xa0\x83\x5c" + "bmpjg";
        std::string name;
        const std::size_t length = 1 + random() % 12;
        for (std::size_t i = 0; i < length; ++i) name += kBytes[random() % kBytes.size()];
        return name;
    };
    for (const int size : {0, 1, 4, 7, 8, 9, 15, 16, 17, 100, 1000, 5000}) {
        ReplacementTable table;
        std::vector<std::string> names;
        for (int j = 0; j < size; ++j) {
            names.push_back(j > 0 && random() % 4 == 0 ? names[random() % names.size()] : randomName());
            const int found = addReplacementPair(table, names.back(), "to.bmp");
            ASSERT_EQ(found, firstMatch(table, names.back() + '\0'));
        }
        ASSERT_EQ(table.count, size);
        for (int k = 0; k < 3000; ++k) {
            std::string field = names.empty() || k % 3 == 0 ? randomName() : names[random() % names.size()];
            if (k % 5 != 0) field += '\0';
            if (k % 7 == 0 && !field.empty()) field.back() = 'x';
            ASSERT_EQ(find(table, field), firstMatch(table, field)) << size << " " << field;
        }
    }
}

TEST(ReplacementLookup, TenThousandPairsAreEachFoundAtTheirOwnRow) {
    ReplacementTable table;
    for (int j = 0; j < 10000; ++j) addReplacementPair(table, "n" + std::to_string(j) + ".bmp", "t.bmp");
    for (int j = 0; j < 10000; ++j) ASSERT_EQ(find(table, z("n" + std::to_string(j) + ".bmp")), j);
    EXPECT_EQ(find(table, z("n10000.bmp")), -1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(table.pair(9999).fromName)), "n9999.bmp");
}

// A walk gives the same bytes with the four pairs alone and with them among thousands that name nothing in
// the file, wherever the four stand; and the counts come back under each pair's own index.
TEST(ReplacementLookup, ManyPairsConvertAsTheirUsedOnesAlone) {
    ByteBuilder file;
    file.fileHeader(8).int32(6);
    for (const char* image : {"a.bmp", "b.bmp", "a.bmp", "c.bmp", "d.bmp", "other.bmp"})
        file.int32(1).imageNode(image);
    const std::string input = file.bytes();
    auto four = holderWith({{"a.bmp", "x.bmp"}, {"b.bmp", "yy.bmp"}, {"c.bmp", "z"}, {"a.bmp", "w.bmp"}});
    const FileOutcome reference = convertFile(input, false, &four);
    ASSERT_EQ(reference.result, 0);
    ASSERT_NE(reference.output, input);

    for (const int position : {0, 5000, 9996}) {
        ReplacementTableHolder many;
        many.enabled = true;
        many.table = std::make_unique<ReplacementTable>();
        int added = 0;
        for (int j = 0; j < 10000; ++j) {
            if (j >= position && added < 4) {
                const ReplacementPair used = four.table->pair(added++);
                addReplacementPair(*many.table, reinterpret_cast<const char*>(used.fromName),
                                   reinterpret_cast<const char*>(used.toName));
            } else {
                addReplacementPair(*many.table, "unused" + std::to_string(j) + ".bmp", "u.bmp");
            }
        }
        const FileOutcome converted = convertFile(input, false, &many);
        EXPECT_EQ(converted.result, 0) << position;
        EXPECT_TRUE(converted.output == reference.output) << position;
        EXPECT_EQ(converted.replacedFields.entries().size(), 3u) << position;
        EXPECT_EQ(converted.replacedFields[position], 2) << position;
        EXPECT_EQ(converted.replacedFields[position + 1], 1) << position;
        EXPECT_EQ(converted.replacedFields[position + 2], 1) << position;
        EXPECT_EQ(converted.replacedFields[position + 3], 0) << position;
    }
}

TEST(ReplacedCounts, KeepEachPairsCountAsItGrows) {
    ReplacedCounts counts;
    EXPECT_TRUE(counts.empty());
    EXPECT_EQ(counts[0], 0);
    std::vector<std::int64_t> expected(3000);
    for (int k = 0; k < 20000; ++k) {
        const int pair = (k * 7919) % 3000 % (1 + k / 10);  // new pairs keep coming, old ones repeat
        counts.add(pair);
        ++expected[static_cast<std::size_t>(pair)];
    }
    counts.add(2999, 5);
    expected[2999] += 5;
    EXPECT_EQ(counts.perPair(3000), expected);
    std::size_t used = 0;
    for (const std::int64_t n : expected) used += n > 0;
    EXPECT_EQ(counts.entries().size(), used);
    EXPECT_EQ(counts[3000], 0);

    ReplacedCounts sameOtherOrder;
    for (int pair = 2999; pair >= 0; --pair)
        if (expected[static_cast<std::size_t>(pair)] > 0) sameOtherOrder.add(pair, expected[static_cast<std::size_t>(pair)]);
    EXPECT_EQ(counts, sameOtherOrder);
    sameOtherOrder.add(0);
    EXPECT_FALSE(counts == sameOtherOrder);
}

}  // namespace
}  // namespace celshift::test
