// The small set of image names that generated records refer to.
#pragma once

#include <string>
#include <vector>

namespace celshift::build {

struct ImageName {
    std::string data;      // the name as an image-name field holds it (code page 932 bytes)
    std::string fileName;  // the image file's name on disk (UTF-8)
};

inline constexpr int kMaxImageNames = 1000;

// The first count names of a fixed series: "cell_red.bmp", "cell_green.bmp", "背景01.bmp", "表紙.bmp",
// "森の入口.bmp", "Title.BMP", "cell_yellow.bmp", "ソード.bmp", then "tile_NNN.bmp" and "背景NNN.bmp" in turn.
// None of them is "cell_blue.bmp" or "背景02.bmp", which stay free as replacement names.
// Throws std::invalid_argument unless 1 <= count <= kMaxImageNames.
std::vector<ImageName> imageNameSet(int count);

}  // namespace celshift::build
