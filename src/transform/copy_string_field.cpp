#include <cstring>

#include "data_file_copier.h"

namespace celshift {

namespace {

constexpr std::int32_t kLongestField = 256;

// The first pair whose name the field holds, or null. A stored name holds its only zero byte at
// fromLength - 1, so equal bytes mean the field is exactly the name and its zero byte.
const ReplacementTable* matchTable(bool replace, const ReplacementTable* table) { return replace ? table : nullptr; }

int matchingPair(const ReplacementTable* table, const unsigned char* name, std::int32_t length) {
    if (!table) return -1;
    for (int i = 0; i < table->count; ++i) {
        const ReplacementPair pair = table->pair(i);
        if (pair.fromLength == length && std::memcmp(name, pair.fromName, static_cast<std::size_t>(length)) == 0)
            return i;
    }
    return -1;
}

void writeField(DataFileCopier& c, std::int32_t length, const unsigned char* name) {
    writeInt32Bytes(c, static_cast<std::uint32_t>(length));
    if (stream::failed(c.output)) raiseCopyError(kFileWrite);
    stream::write(name, static_cast<std::size_t>(length), c.output);
    if (stream::failed(c.output)) raiseCopyError(kFileWrite);
}

void writeReplacement(DataFileCopier& c, const ReplacementTable& table, int pair) {
    writeField(c, table.toLengths[pair], table.toNames[pair].data());
    ++c.replacedFields[static_cast<std::size_t>(pair)];
}

}  // namespace

void copyStringField(DataFileCopier& c, bool replace, const ReplacementTable* table) {
    const ReplacementTable* pairs = matchTable(replace, table);

    // The whole field in the input's buffer: compared where it lies, and passed through unless it matches.
    if (c.passThrough && stream::bufferedAvailable(c.input) >= 4 && !stream::failed(c.input) && !stream::failed(c.output)) {
        const unsigned char* field = stream::bufferedPosition(c.input);
        const auto length = static_cast<std::int32_t>(littleEndian32(field));
        if (length >= 0 && length <= kLongestField && stream::bufferedAvailable(c.input) >= 4 + static_cast<std::size_t>(length)) {
            if (c.nameVisitor) c.nameVisitor->imageName(field + 4, length);
            const int pair = matchingPair(pairs, field + 4, length);
            if (pair < 0) {
                passBuffered(c, 4 + static_cast<std::size_t>(length));
                return;
            }
            flushPending(c, kFileWrite);
            stream::consumeBuffered(c.input, 4 + static_cast<std::size_t>(length));
            writeReplacement(c, *pairs, pair);
            return;
        }
    }

    flushPending(c, kFileWrite);
    const auto length = static_cast<std::int32_t>(readInt32Bytes(c, kFileRead));
    // A negative length is as impossible as one over 256; neither is written.
    if (length < 0 || length > kLongestField) raiseCopyError(kNameTooLong);
    if (stream::read(c.stringBuffer, static_cast<std::size_t>(length), c.input) != static_cast<std::size_t>(length))
        raiseCopyError(kFileRead);
    if (c.nameVisitor) c.nameVisitor->imageName(c.stringBuffer, length);
    const int pair = matchingPair(pairs, c.stringBuffer, length);
    if (pair >= 0) writeReplacement(c, *pairs, pair);
    else writeField(c, length, c.stringBuffer);
}

}  // namespace celshift
