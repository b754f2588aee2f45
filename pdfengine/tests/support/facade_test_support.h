#pragma once
// Small documents for the facade tests and a reader's view of what the
// engine saved.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "document/pdf_document.h"
#include "testsupport/pdf_tools.h"

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
