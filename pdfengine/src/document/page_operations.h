#pragma once
// The page-level work behind the engine facade: merging one document into
// another, capturing a page as a form XObject, drawing a captured page into
// a box, copying listed pages, and the resource entries drawing needs.
// None of these throws for damaged documents; they report failure instead.

#include <string>
#include <string_view>
#include <vector>

#include "document/engine_document.h"

namespace papyrion::pdf {

// Appends every page and object of `source` to `destination`. The source is
// left in an unspecified state and is meant to be freed afterwards.
bool MergeDocument(EngineDocument& destination, EngineDocument& source);

// Turns the selected page into a form XObject over its MediaBox and adds the
// captured page to the document's list. nullptr when the page has no usable
// MediaBox (the form stream then stays in the document, unreferenced). The
// page stays in the tree; deleting it is the caller's step.
TPDFCapturedPage* CaptureSelectedPage(EngineDocument& document);

// The 3x2 matrix "a b c d e f" that maps the captured box onto the box
// left, top, width, height of a page with `page_rotation`, keeping the
// captured page turned as a viewer showed it.
struct PlacementMatrix {
    double a, b, c, d, e, f;
};
PlacementMatrix CapturedPagePlacement(const TPDFCapturedPage& captured, double left, double top,
                                      double width, double height, int page_rotation);

// Draws the captured page on the selected page, stretched into the box
// whose upper-left corner is (left, top), measured from the lower-left
// corner of the page's MediaBox. `under` draws it beneath everything the
// page draws itself instead of over it.
bool DrawCapturedPage(EngineDocument& document, const TPDFCapturedPage& captured, double left,
                      double top, double width, double height, bool under = false);

// The selected page's resource category dictionary ("XObject", "Font"),
// made where missing or not a dictionary; nullptr without a selected page.
TPDFDictionary* SelectedPageResources(TPDFPageTree& pages, std::string_view category);

// Sets `name` in a resource category to a reference to object `number`.
void EnterResource(TPDFPageTree& pages, std::string_view category, const std::string& name,
                   int number, int generation);

// Copies into the page what it inherits ("Resources", the five boxes,
// "Rotate"); a missing box becomes the MediaBox, a missing MediaBox
// [0 0 612 792]. Used before a page leaves its tree.
void CompletePageForCapture(TPDFDictionary& page, TPDFStructure& structure);

// Page numbers of a page list text ("1,3-5", "5-3,1"), ascending, without
// repeats, restricted to 1..page_count.
std::vector<int> ParsePageList(std::string_view text, int page_count);

// Makes `destination` (a fresh one-page document) hold exactly the listed
// pages of `source`, with everything they refer to. False when the list is
// empty.
bool CopyListedPages(EngineDocument& destination, EngineDocument& source,
                     const std::vector<int>& pages);

}  // namespace papyrion::pdf
