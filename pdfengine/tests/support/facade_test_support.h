#pragma once
// Small documents for the facade tests and a reader's view of what the
// engine saved.

#include <array>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "document/pdf_document.h"

namespace papyrion::pdf::testing {

// A number as the engine writes it ("612", "595.28").
std::string Number(double value);

// One page with this MediaBox text ("[0 0 595 842]"), one content stream
// and `page_extra` inside the page dictionary (e.g. "/Rotate 90").
std::string OnePagePdf(std::string_view media_box, std::string_view content,
                       std::string_view page_extra = "");
// `pages` pages with one small content stream each; all of `media_box`, or
// 201, 202, ... points wide (300 high) with `distinct_widths`.
std::string PagesPdf(int pages, std::string_view media_box, bool distinct_widths = false);

// qpdf --check on a file: empty when it found nothing wrong, else its output.
std::string QpdfProblems(const std::filesystem::path& file);

// A page rendered by pdftoppm as 8-bit RGB, rows top to bottom.
struct Raster {
    int width = 0;
    int height = 0;
    std::string rgb;
    // The pixel's red, green and blue; black outside the raster.
    std::array<int, 3> At(int x, int y) const;
};
// Empty raster (width 0) when pdftoppm fails.
Raster RenderPage(const std::filesystem::path& file, int page, int dpi);
// Share of pixels (0..1) where some channel differs by more than `tolerance`;
// 1 when the sizes differ.
double DifferingShare(const Raster& a, const Raster& b, int tolerance = 64);

class SavedDocument {
  public:
    explicit SavedDocument(const std::filesystem::path& file);
    TPDFDocument& Document() { return document_; }
    const std::vector<TPDFDictionary*>& Pages() const { return pages_; }
    std::vector<TPDFStream*> ContentStreams(const TPDFDictionary& page);
    std::string Decoded(const TPDFStream& stream);
    // The object in the engine's PDF text.
    static std::string Text(const TPDFObject& object);

  private:
    TPDFDocument document_;
    std::vector<TPDFDictionary*> pages_;
};

}  // namespace papyrion::pdf::testing
