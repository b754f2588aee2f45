#pragma once
// Windows bitmap files (BMP) as PDF image XObjects. 1-bit images stay 1-bit
// grey, 8-bit images with a grey palette stay 8-bit grey, everything else
// becomes 8-bit RGB; rows top to bottom, no padding.

#include <optional>
#include <string>
#include <string_view>

#include "object/pdf_structure.h"

namespace papyrion::pdf {

struct BitmapImage {
    int width = 0;
    int height = 0;
    int dpi_x = 0;
    int dpi_y = 0;
    int bits_per_component = 8;
    bool gray = false;
    // For 1-bit images: true when palette entry 0 has red 0 (Decode [0 1]).
    bool zero_is_black = true;
    std::string samples;
};

// nullopt for anything that is not a bitmap this decoder reads (compressed
// bitmaps other than bit fields, truncated files, absurd sizes).
std::optional<BitmapImage> DecodeBmp(std::string_view file);

// The image XObject stream (not yet registered), samples uncompressed.
TPDFStream* MakeImageStream(TPDFStructure& structure, const BitmapImage& image);

}  // namespace papyrion::pdf
