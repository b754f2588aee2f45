#pragma once
// A page drawn into pixels: 8-bit RGB, rows top to bottom, no padding.

#include <cstdint>
#include <vector>

namespace papyrion::pdf {

struct RgbBitmap {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> pixels;  // width * height * 3 bytes
};

}  // namespace papyrion::pdf
