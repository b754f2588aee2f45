#include "support/render_print_fixtures.h"

#include <cstdio>
#include <cstdlib>

#include "render/jpeg_codec.h"
#include "support/pdf_fixtures.h"
#include "testsupport/files.h"

namespace papyrion::pdf::testing {

std::string ColouredPagesPdf(const std::vector<ColouredPage>& pages) {
    std::vector<FixtureObject> objects;
    objects.push_back({1, "<< /Type /Catalog /Pages 2 0 R >>"});
    std::string kids;
    const int count = static_cast<int>(pages.size());
    for (int i = 0; i < count; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back(
        {2, "<< /Type /Pages /Kids [ " + kids + "] /Count " + std::to_string(count) + " >>"});
    for (int i = 0; i < count; ++i) {
        const ColouredPage& page = pages[static_cast<std::size_t>(i)];
        char content[200];
        std::snprintf(content, sizeof content, "%.3f %.3f %.3f rg 0 0 %g %g re f",
                      page.colour.r / 255.0, page.colour.g / 255.0, page.colour.b / 255.0,
                      page.width, page.height);
        char box[100];
        std::snprintf(box, sizeof box, "[ 0 0 %g %g ]", page.width, page.height);
        objects.push_back({3 + 2 * i, "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(box) +
                                          " /Contents " + std::to_string(4 + 2 * i) + " 0 R >>"});
        objects.push_back({4 + 2 * i, "<< /Length " + std::to_string(std::string(content).size()) +
                                          " >>\nstream\n" + content + "\nendstream"});
    }
    return BuildClassicPdf(objects);
}

std::optional<RgbBitmap> ReadJpegFile(const std::filesystem::path& path) {
    return DecodeJpeg(test::ReadFile(path));
}

Rgb CentrePixel(const RgbBitmap& bitmap) {
    const std::size_t at =
        (static_cast<std::size_t>(bitmap.height / 2) * static_cast<std::size_t>(bitmap.width) +
         static_cast<std::size_t>(bitmap.width / 2)) *
        3;
    return {bitmap.pixels[at], bitmap.pixels[at + 1], bitmap.pixels[at + 2]};
}

bool Near(Rgb pixel, Rgb wanted, int tolerance) {
    return std::abs(pixel.r - wanted.r) <= tolerance && std::abs(pixel.g - wanted.g) <= tolerance &&
           std::abs(pixel.b - wanted.b) <= tolerance;
}

PixelDifference Compare(const RgbBitmap& a, const RgbBitmap& b) {
    PixelDifference result;
    if (a.pixels.size() != b.pixels.size() || a.pixels.empty()) {
        result.mean = 255;
        result.share_far_off = 1;
        return result;
    }
    double sum = 0;
    std::size_t far_off = 0;
    for (std::size_t i = 0; i < a.pixels.size(); i += 3) {
        int worst = 0;
        for (std::size_t c = 0; c < 3; ++c) {
            const int d = std::abs(int{a.pixels[i + c]} - int{b.pixels[i + c]});
            sum += d;
            if (d > worst) worst = d;
        }
        if (worst > 64) ++far_off;
    }
    result.mean = sum / static_cast<double>(a.pixels.size());
    result.share_far_off = static_cast<double>(far_off) / static_cast<double>(a.pixels.size() / 3);
    return result;
}

}  // namespace papyrion::pdf::testing
