#pragma once
// The page renderer: poppler draws one page of a PDF held in memory. The
// engine hands it the bytes of a document it wrote itself, so poppler sees
// exactly what the engine would save (stamped forms, copied pages and all).

#include <optional>
#include <string>
#include <string_view>

#include "render/rgb_bitmap.h"

namespace papyrion::pdf {

struct RenderRequest {
    int page_number = 1;   // 1-based page of the document
    double dpi = 72;       // dots per inch in both directions
    std::string password;  // for a document written encrypted
};

// Draws the page's crop box on white with anti-aliased shapes and text, the
// way poppler's own command-line tools do by default. nullopt (and `error`
// set) when poppler cannot load the document, has no such page, or the
// resolution gives an empty or absurdly large bitmap. Never throws.
std::optional<RgbBitmap> RenderPdfPage(std::string_view pdf_bytes, const RenderRequest& request,
                                       std::string& error);

}  // namespace papyrion::pdf
