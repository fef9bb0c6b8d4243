#include <cstring>

#include "primitives.h"

namespace celshift {

namespace {

constexpr std::int32_t kLongestField = 256;

}  // namespace

// The field is looked at where it lies in the input window and passed through unless it matches. A negative
// length is as impossible as one over 256; neither is written, nor is a field whose bytes are incomplete.
void copyStringField(DataFileCopier& c, bool replace, const ReplacementTable* table) {
    const auto head = c.peek(4, kFileWrite);
    if (head.size() < 4) c.stopInField(FieldKind::ImageName, c.inputOffset(), kFileRead);
    const auto length = static_cast<std::int32_t>(littleEndian32(head.data()));
    if (length < 0 || length > kLongestField) c.stopAt(StopKind::NameLength, length, kNameTooLong);
    const std::size_t fieldBytes = 4 + static_cast<std::size_t>(length);
    const auto field = c.peek(fieldBytes, kFileWrite);
    if (field.size() < fieldBytes) c.stopInField(FieldKind::ImageName, c.inputOffset(), kFileRead);

    const unsigned char* name = field.data() + 4;
    if (c.nameVisitor) c.nameVisitor->imageName(name, length);
    const int pair = replace && table ? table->find(name, length) : -1;
    if (pair < 0) {
        c.consume(fieldBytes);
        return;
    }
    const ReplacementPair to = table->pair(pair);
    unsigned char written[4 + kLongestField];
    const auto toLength = static_cast<std::uint32_t>(to.toLength);
    for (int i = 0; i < 4; ++i) written[i] = static_cast<unsigned char>(toLength >> (8 * i));
    std::memcpy(written + 4, to.toName, toLength);
    c.replace(fieldBytes, written, 4 + toLength, kFileWrite);
    c.replacedFields.add(pair);
}

}  // namespace celshift
