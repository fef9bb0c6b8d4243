// Writes data-file bytes field by field, so that tests and generators read like the record layouts.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

namespace celshift::build {

// Entry types of an EntryList.
inline constexpr std::int32_t kEntry0 = 0x40800;
inline constexpr std::int32_t kEmbeddedEntry = 0x40808;

class ByteBuilder {
public:
    ByteBuilder& byte(std::uint8_t value) {
        bytes_.push_back(static_cast<char>(value));
        return *this;
    }
    ByteBuilder& int32(std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (int shift = 0; shift < 32; shift += 8) byte(static_cast<std::uint8_t>(bits >> shift));
        return *this;
    }
    // n raw bytes, all of one value.
    ByteBuilder& fill(std::size_t n, std::uint8_t value = 0) {
        bytes_.append(n, static_cast<char>(value));
        return *this;
    }
    ByteBuilder& raw(std::string_view bytes) {
        bytes_.append(bytes);
        return *this;
    }
    ByteBuilder& raw(std::initializer_list<std::uint8_t> bytes) {
        for (const auto b : bytes) byte(b);
        return *this;
    }
    ByteBuilder& append(const ByteBuilder& other) { return raw(other.bytes_); }
    // A plain string: its length, then its bytes.
    ByteBuilder& plainString(std::string_view text) {
        int32(static_cast<std::int32_t>(text.size()));
        return raw(text);
    }
    // An image-name field as a data file names an image: the name and one zero byte, counted in the length.
    ByteBuilder& imageName(std::string_view name) {
        int32(static_cast<std::int32_t>(name.size() + 1));
        raw(name);
        return byte(0);
    }
    // An image-name field whose bytes are given exactly (no zero byte added).
    ByteBuilder& imageNameBytes(std::string_view bytes) { return plainString(bytes); }

    // Headers ------------------------------------------------------------------------------------------------
    // Ordinary file header: kind byte, two plain strings, a value.
    ByteBuilder& fileHeader(std::uint8_t kind, std::string_view first = "", std::string_view second = "",
                            std::int32_t value = 0) {
        return byte(kind).plainString(first).plainString(second).int32(value);
    }
    // Package file header: a leading value, a plain string, a value.
    ByteBuilder& packageHeader(std::int32_t leading = 0, std::string_view text = "", std::int32_t value = 0) {
        return int32(leading).plainString(text).int32(value);
    }
    // Content node header: type byte, name, child word. Children and body follow.
    ByteBuilder& nodeHeader(std::uint8_t contentType, std::string_view name, std::int32_t childWord) {
        return byte(contentType).plainString(name).int32(childWord);
    }
    // A childless node of an empty-body type (0).
    ByteBuilder& emptyNode(std::string_view name = "") { return nodeHeader(0, name, 0); }
    // A childless type 6 node: image name, then a plain string.
    ByteBuilder& imageNode(std::string_view image, std::string_view text = "", std::string_view name = "") {
        return nodeHeader(6, name, 0).imageName(image).plainString(text);
    }
    // An event trailer: itemCount items of 4 bytes, then tailLength bytes.
    ByteBuilder& eventTrailer(std::int32_t itemCount = 0, std::int32_t tailLength = 0) {
        int32(itemCount).fill(itemCount > 0 ? 4 * static_cast<std::size_t>(itemCount) : 0, 0x11);
        return int32(tailLength).fill(tailLength > 0 ? static_cast<std::size_t>(tailLength) : 0, 0x22);
    }
    // A cell record: 16 bytes, image name, byte, plain string, byte.
    ByteBuilder& cellRecord(std::string_view image, std::string_view text = "") {
        return fill(16, 0xC0).imageName(image).byte(1).plainString(text).byte(2);
    }
    // A nested record around the given entry list bytes (strings empty).
    ByteBuilder& nestedRecord(const ByteBuilder& entryList) {
        plainString("").fill(18, 0xA0).append(entryList).fill(12, 0xB0);
        for (int i = 0; i < 7; ++i) plainString("");
        return byte(3).plainString("").plainString("");
    }
    // The smallest nested record: all strings empty, no entries (75 bytes).
    ByteBuilder& emptyNestedRecord() { return nestedRecord(ByteBuilder().int32(0)); }

    const std::string& bytes() const { return bytes_; }
    std::size_t size() const { return bytes_.size(); }
    // Empties the builder and keeps its storage, so that one builder can buffer a stream chunk by chunk.
    void clear() { bytes_.clear(); }

private:
    std::string bytes_;
};

}  // namespace celshift::build
