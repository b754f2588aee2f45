#pragma once
// Fixtures and checks shared by the rendering and printing tests.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "render/rgb_bitmap.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/print_queue.h"

namespace papyrion::pdf::testing {

struct Rgb {
    int r = 0;
    int g = 0;
    int b = 0;
};

struct ColouredPage {
    double width = 200;
    double height = 300;
    Rgb colour;  // the whole page is filled with it
};

// A classic PDF with one page for each entry, each filled with its colour.
std::string ColouredPagesPdf(const std::vector<ColouredPage>& pages);

std::optional<RgbBitmap> ReadJpegFile(const std::filesystem::path& path);
// The pixel at the centre of the bitmap.
Rgb CentrePixel(const RgbBitmap& bitmap);
// True when every channel is within `tolerance` of the wanted colour.
bool Near(Rgb pixel, Rgb wanted, int tolerance = 24);

struct PixelDifference {
    double mean = 0;           // mean absolute difference over all channels
    double share_far_off = 0;  // share of pixels with a channel off by more than 64
};
// The two bitmaps must have the same size.
PixelDifference Compare(const RgbBitmap& a, const RgbBitmap& b);

}  // namespace papyrion::pdf::testing
