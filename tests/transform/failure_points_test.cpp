// A read that fails at any byte raises the read code of the walker that owns that byte. Bytes passed through
// unchanged are written in blocks, so a failed write raises the write code of the call that wrote the block:
// for an input smaller than the copier's window, the end of the walk (55) unless a name was replaced.
#include <gtest/gtest.h>

#include "scenario_builder/byte_builder.h"
#include "test_streams.h"

namespace celshift::test {
namespace {

using build::ByteBuilder;

// Input bytes, each run of them tagged with the read code of the walker that copies it.
class TaggedInput {
public:
    TaggedInput& add(const ByteBuilder& bytes, int readCode) {
        for (std::size_t i = 0; i < bytes.size(); ++i) codes_.push_back(readCode);
        bytes_ += bytes.bytes();
        return *this;
    }
    const std::string& bytes() const { return bytes_; }
    int codeAt(std::size_t offset) const { return codes_[offset]; }

private:
    std::string bytes_;
    std::vector<int> codes_;
};

void expectCodesAtEveryByte(const TaggedInput& input, const std::function<void(DataFileCopier&)>& walker) {
    ASSERT_EQ(walk(input.bytes(), walker).output, input.bytes());
    for (std::size_t at = 0; at < input.bytes().size(); ++at) {
        const long point = static_cast<long>(at);
        EXPECT_EQ(walk(input.bytes(), walker, nullptr, {.readFailsAfter = point}).code, input.codeAt(at)) << "read, byte " << at;
        EXPECT_EQ(walk(input.bytes(), walker, nullptr, {.writeFailsAfter = point}).code, kFileWrite) << "write, byte " << at;
        // When both fail at the same field, the input is tested first.
        EXPECT_EQ(walk(input.bytes(), walker, nullptr, {.readFailsAfter = point, .writeFailsAfter = point}).code,
                  input.codeAt(at)) << "both, byte " << at;
    }
}

// The same over streams with a normal stdio buffer, as the conversion run's output has: reads fail as
// before, and a write that fails is seen either by the walk (55 at its end) or, when it still sat in the
// stream's buffer, by the caller's fclose. Either way the output holds exactly the bytes before the fault.
void expectCodesAtEveryByteBuffered(const TaggedInput& input, const std::function<void(DataFileCopier&)>& walker) {
    for (std::size_t at = 0; at < input.bytes().size(); ++at) {
        const long point = static_cast<long>(at);
        EXPECT_EQ(walk(input.bytes(), walker, nullptr, {.readFailsAfter = point, .buffered = true}).code, input.codeAt(at))
            << "read, byte " << at;
        const auto written = walk(input.bytes(), walker, nullptr, {.writeFailsAfter = point, .buffered = true});
        EXPECT_TRUE(written.code == kFileWrite || (written.code == 0 && written.closeFailed)) << "write, byte " << at;
        EXPECT_EQ(written.output, input.bytes().substr(0, at)) << "write, byte " << at;
    }
}

void addEmptyNestedRecord(TaggedInput& in) {
    in.add(ByteBuilder().plainString("").fill(18), kRecordRead)
        .add(ByteBuilder().int32(0), kBodyRead)
        .add(ByteBuilder().fill(12), kRecordRead);
    for (int i = 0; i < 7; ++i) in.add(ByteBuilder().plainString("s"), kRecordRead);
    in.add(ByteBuilder().byte(0).plainString("").plainString(""), kRecordRead);
}

TEST(FailurePoints, NestedRecordWithAnEmbeddedEventTreeAndCellRecord) {
    TaggedInput in;
    in.add(ByteBuilder().plainString("rec").fill(18), kRecordRead);
    in.add(ByteBuilder().int32(1).int32(build::kEmbeddedEntry).fill(3).int32(1), kBodyRead);
    in.add(ByteBuilder().byte(6).plainString("a").plainString("b").int32(0), kBodyRead);
    addEmptyNestedRecord(in);
    in.add(ByteBuilder().int32(1), kBodyRead);  // event count
    in.add(ByteBuilder().int32(2), kEventRead);   // trees of the event
    in.add(ByteBuilder().nodeHeader(8, "cells", 0), kNodeRead);
    in.add(ByteBuilder().int32(1).fill(16), kBodyRead);
    in.add(ByteBuilder().imageName("a.bmp"), kFileRead);  // the image-name field has its own codes
    in.add(ByteBuilder().byte(1).plainString("c").byte(2), kBodyRead);
    in.add(ByteBuilder().nodeHeader(16, "n", 0), kNodeRead);
    in.add(ByteBuilder().plainString("str").byte(0), kBodyRead);
    in.add(ByteBuilder().fill(5), kBodyRead);  // closing block of the embedded body
    in.add(ByteBuilder().fill(12), kRecordRead);
    for (int i = 0; i < 7; ++i) in.add(ByteBuilder().plainString(""), kRecordRead);
    in.add(ByteBuilder().byte(0).plainString("x").plainString("y"), kRecordRead);
    expectCodesAtEveryByte(in, [](DataFileCopier& c) { copyNestedRecord(c); });
    expectCodesAtEveryByteBuffered(in, [](DataFileCopier& c) { copyNestedRecord(c); });
}

TEST(FailurePoints, EventWithTrailer) {
    TaggedInput in;
    in.add(ByteBuilder().int32(1), kEventRead);
    in.add(ByteBuilder().nodeHeader(20, "node", 1).nodeHeader(0, "", 0), kNodeRead);
    in.add(ByteBuilder().int32(3).fill(5), kBodyRead);
    in.add(ByteBuilder().eventTrailer(2, 3), kEventRead);
    expectCodesAtEveryByte(in, [](DataFileCopier& c) { copyEvent(c, true); });
    expectCodesAtEveryByteBuffered(in, [](DataFileCopier& c) { copyEvent(c, true); });
}

TEST(FailurePoints, ABlockFailsWithTheWriteCodeOfTheCallThatFlushedIt) {
    // A window smaller than the event: the bytes before the trailer's long tail are pending when the tail's
    // run refills the window, so their write fails with the event's code, as do the tail's own blocks up to
    // the last one, which the end of the walk writes (55).
    TaggedInput in;
    in.add(ByteBuilder().int32(1), kEventRead);
    in.add(ByteBuilder().nodeHeader(20, "node", 0), kNodeRead);
    in.add(ByteBuilder().int32(3).fill(5), kBodyRead);
    const std::size_t tailStart = in.bytes().size() + 8;
    in.add(ByteBuilder().eventTrailer(0, 3000), kEventRead);
    const auto walker = [](DataFileCopier& c) { copyEvent(c, true); };
    for (const bool buffered : {false, true}) {
        for (std::size_t at = 0; at < in.bytes().size(); ++at) {
            const FailurePoint failure{.writeFailsAfter = static_cast<long>(at), .buffered = buffered};
            const auto out = walk(in.bytes(), walker, nullptr, failure, kSmallestInputWindow);
            if (buffered) {
                // A stdio buffer holds blocks back, so the failure may show later or only at fclose.
                EXPECT_TRUE(out.code == kEventWrite || out.code == kFileWrite || out.closeFailed) << at;
            } else if (at < tailStart + 2000) {
                EXPECT_EQ(out.code, kEventWrite) << at;
            } else if (at >= in.bytes().size() - 100) {
                EXPECT_EQ(out.code, kFileWrite) << at;
            }
            EXPECT_EQ(out.output, in.bytes().substr(0, at)) << buffered << " " << at;
        }
    }
    // Reads with the small window keep the code of the field that needs the bytes.
    for (std::size_t at = 0; at < in.bytes().size(); at += 7) {
        const auto out = walk(in.bytes(), walker, nullptr, {.readFailsAfter = static_cast<long>(at)}, kSmallestInputWindow);
        EXPECT_EQ(out.code, in.codeAt(at)) << at;
    }
}

TEST(FailurePoints, ResultOfAFileIsOneForEveryCode) {
    // The codes reach copyDataFile from any depth; every one of them makes the file fail.
    const std::string file = ByteBuilder().fileHeader(8).int32(1).int32(1).nodeHeader(8, "", 0).int32(1).cellRecord("a.bmp").bytes();
    for (long at = 0; at < static_cast<long>(file.size()); ++at) {
        EXPECT_EQ(convertFile(file, false, nullptr, {.readFailsAfter = at}).result, 1) << at;
    }
    EXPECT_EQ(convertFile(file).result, 0);
}

}  // namespace
}  // namespace celshift::test
