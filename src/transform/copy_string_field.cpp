#include <cstring>

#include "data_file_copier.h"

namespace celshift {

void copyStringField(DataFileCopier& c, bool replace, const ReplacementTable* table) {
    const auto length = static_cast<std::int32_t>(readInt32Bytes(c, kFileRead));
    // A negative length is as impossible as one over 256; neither is written.
    if (length < 0 || length > 256) raiseCopyError(kNameTooLong);
    if (stream::read(c.stringBuffer, static_cast<std::size_t>(length), c.input) != static_cast<std::size_t>(length))
        raiseCopyError(kFileRead);

    if (replace && table) {
        for (int i = 0; i < table->count; ++i) {
            const ReplacementPair pair = table->pair(i);
            // A stored name holds its only zero byte at fromLength - 1, so equal bytes mean the field is
            // exactly the name and its zero byte.
            if (pair.fromLength != length || std::memcmp(c.stringBuffer, pair.fromName, length) != 0) continue;
            writeInt32Bytes(c, static_cast<std::uint32_t>(pair.toLength));
            if (stream::failed(c.output)) raiseCopyError(kFileWrite);
            stream::write(pair.toName, static_cast<std::size_t>(pair.toLength), c.output);
            if (stream::failed(c.output)) raiseCopyError(kFileWrite);
            return;
        }
    }
    writeInt32Bytes(c, static_cast<std::uint32_t>(length));
    if (stream::failed(c.output)) raiseCopyError(kFileWrite);
    stream::write(c.stringBuffer, static_cast<std::size_t>(length), c.output);
    if (stream::failed(c.output)) raiseCopyError(kFileWrite);
}

}  // namespace celshift
