#pragma once
// Fixtures and checks shared by the rendering and printing tests.

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "render/rgb_bitmap.h"

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

namespace papyrion::pdf::testing {

// The private test queue, or "" when the tests run without one.
std::string TestPrinter();

struct FinishedJob {
    int state = 0;                 // IPP job-state (9 completed)
    std::filesystem::path output;  // the PDF the queue wrote, empty when none
    int copies = 0;                // job attributes as the scheduler holds them
    int orientation = 0;
    std::string sides;
    std::string media;
    std::string title;
};

// Waits (at most a minute) until the scheduler has finished the job, then
// reads its attributes and finds the PDF that the cups-pdf queue wrote.
FinishedJob WaitForJob(int job_id);

// Page count by qpdf, -1 when qpdf cannot read the file.
int QpdfPageCount(const std::filesystem::path& pdf);

}  // namespace papyrion::pdf::testing

namespace papyrion::pdf::testing {

// The newest job of the test queue with this title, 0 when there is none.
int LatestJobTitled(const std::string& title);

}  // namespace papyrion::pdf::testing
