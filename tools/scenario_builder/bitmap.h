// Small uncompressed BMP images for generated scenarios.
#pragma once

#include <cstdint>
#include <string>

namespace celshift::build {

struct Colour {
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
};

// A 24-bit BMP (file header, 40-byte info header, bottom-up rows padded to 4 bytes) filled with colour,
// with a darker border so that a cell reads as a cell. Width and height lie between 1 and 1024.
std::string bitmapBytes(int width, int height, Colour colour);

// A colour that depends only on the text, for images that need no particular one.
Colour colourOf(const std::string& text);

}  // namespace celshift::build
