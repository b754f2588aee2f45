#pragma once
// A small read-only view of the page tree: the pages in order and a page's
// MediaBox with inheritance. Enough for page counts and sizes; editing the
// tree belongs to the page-tree class.

#include <array>
#include <limits>
#include <optional>
#include <vector>

#include "document/pdf_document.h"

namespace papyrion::pdf {

// x1, y1, x2, y2 as stored.
using PdfBox = std::array<double, 4>;

// The page dictionaries in document order. Kids that are not dictionaries
// are skipped, a node that contains itself is visited once, and the walk
// never recurses (deep trees cannot overflow the stack). With `limit`, the
// walk stops after that many pages: the first pages without reading the rest.
std::vector<TPDFDictionary*> CollectPages(
    TPDFDocument& document, std::size_t limit = std::numeric_limits<std::size_t>::max());

// The page's own "MediaBox", else the nearest ancestor's.
std::optional<PdfBox> InheritedMediaBox(const TPDFDictionary& page);

}  // namespace papyrion::pdf
