#pragma once
// Laying pages out on the printer's sheets: where a page goes by scaling
// mode and automatic rotation, and the print-ready PDF whose pages are the
// sheets, each drawing one page of the document through that placement.

#include <array>
#include <string>

#include "document/page_lookup.h"
#include "print/cups_queue.h"

namespace papyrion::pdf {

class TPDFDocument;

// Bits 0 to 3 of the packed print options.
enum class ScalingMode { kActualSize = 0, kFit = 1, kShrinkOnly = 2 };
ScalingMode ScalingModeOf(int options);

// [a b c d e f] as a PDF "cm" operand: (x, y) -> (a x + c y + e, b x + d y + f).
struct Affine {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;
    // This transformation followed by `next`.
    Affine Then(const Affine& next) const;
    std::array<double, 2> Apply(double x, double y) const;
};

struct PlacementRequest {
    PdfBox media_box{0, 0, 612, 792};
    int page_rotate = 0;  // the page's own /Rotate, any multiple of 90
    ScalingMode scaling = ScalingMode::kFit;
    bool auto_rotate_centre = true;
};

struct Placement {
    Affine matrix;        // page space to sheet space
    bool turned = false;  // a quarter turn was added to fit the sheet's shape
    double scale = 1;
};

Placement PlacePage(const PlacementRequest& request, const SheetGeometry& sheet);

// The print-ready PDF of pages `first` to `last` (1-based, already within
// the document) of `document`: one sheet-sized page each, the source page
// drawn through its placement and clipped to its MediaBox, annotations left
// out. The document itself is not changed. Throws PrintError when it cannot
// be written or read back.
std::string BuildPrintDocument(TPDFDocument& document, int first, int last,
                               const SheetGeometry& sheet, ScalingMode scaling,
                               bool auto_rotate_centre);

}  // namespace papyrion::pdf
