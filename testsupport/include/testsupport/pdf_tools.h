#pragma once
// qpdf, pdftotext and pdftoppm as independent judges of the PDFs the tests
// make.

#include <array>
#include <filesystem>
#include <string>

namespace papyrion::test {

// qpdf --check: empty when it finds nothing wrong, else what it said.
std::string QpdfProblems(const std::filesystem::path& pdf, const std::string& password = "");
// The page count by qpdf; -1 when qpdf cannot read the file.
int QpdfPageCount(const std::filesystem::path& pdf, const std::string& password = "");
// The text by pdftotext (with -layout when `layout`); empty when it fails.
std::string PdfText(const std::filesystem::path& pdf, bool layout = true);

// A page rendered by pdftoppm, 8-bit samples, rows top to bottom.
struct Raster {
    int width = 0;
    int height = 0;
    int channels = 3;  // 3: red, green, blue; 1: grey
    std::string samples;
    // The pixel's channels (grey repeated); black outside the raster.
    std::array<int, 3> At(int x, int y) const;
};
// Page `page` at `dpi`, in grey when `grey`; an empty raster (width 0) when
// pdftoppm fails.
Raster RenderPage(const std::filesystem::path& pdf, int page, int dpi, bool grey = false);
// Share of pixels (0..1) where some channel differs by more than
// `tolerance`; 1 when the sizes or the channels differ or a raster is empty.
double DifferingShare(const Raster& a, const Raster& b, int tolerance = 64);

}  // namespace papyrion::test
