#include "bitmap.h"

#include <stdexcept>

#include "byte_builder.h"

namespace celshift::build {

std::string bitmapBytes(int width, int height, Colour colour) {
    if (width < 1 || width > 1024 || height < 1 || height > 1024)
        throw std::invalid_argument("bitmap sides must lie between 1 and 1024 pixels");
    constexpr int kHeadersBytes = 14 + 40;
    const int rowBytes = (width * 3 + 3) / 4 * 4;
    const int pixelBytes = rowBytes * height;

    ByteBuilder b;
    b.raw("BM").int32(kHeadersBytes + pixelBytes).int32(0).int32(kHeadersBytes);
    b.int32(40).int32(width).int32(height);
    b.byte(1).byte(0).byte(24).byte(0);  // one plane, 24 bits per pixel (two 16-bit fields)
    b.int32(0).int32(pixelBytes).int32(2835).int32(2835).int32(0).int32(0);  // no compression, 72 dpi

    const auto dark = [](std::uint8_t v) { return static_cast<std::uint8_t>(v / 2); };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
            b.byte(border ? dark(colour.blue) : colour.blue);
            b.byte(border ? dark(colour.green) : colour.green);
            b.byte(border ? dark(colour.red) : colour.red);
        }
        b.fill(static_cast<std::size_t>(rowBytes - width * 3));
    }
    return b.bytes();
}

Colour colourOf(const std::string& text) {
    std::uint32_t hash = 2166136261u;  // FNV-1a
    for (const char ch : text) hash = (hash ^ static_cast<unsigned char>(ch)) * 16777619u;
    return {static_cast<std::uint8_t>(64 + (hash & 0x7F)), static_cast<std::uint8_t>(64 + ((hash >> 8) & 0x7F)),
            static_cast<std::uint8_t>(64 + ((hash >> 16) & 0x7F))};
}

}  // namespace celshift::build
