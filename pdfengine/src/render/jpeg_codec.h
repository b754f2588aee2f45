#pragma once
// JPEG files of rendered pages, through libjpeg. libjpeg's own error exit
// would end the process; these functions turn its errors into results.

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "render/rgb_bitmap.h"

namespace papyrion::pdf {

// Baseline JPEG of `bitmap` at `quality` (1 to 100), empty on failure.
std::string EncodeJpeg(const RgbBitmap& bitmap, int quality);

// Decodes a JPEG into RGB (grey images are widened); nullopt when the data
// is not a JPEG libjpeg can read.
std::optional<RgbBitmap> DecodeJpeg(std::string_view data);

}  // namespace papyrion::pdf
