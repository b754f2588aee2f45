#pragma once
// TPDFPageTree: the pages of one document as the engine edits them. Finds
// pages by number, selects the page that drawing goes to (giving it an
// engine content stream to append to), reads and sets page sizes, inserts
// and deletes pages. Every walk over the tree is bounded: loops in "Kids"
// or "Parent", lying "Count" values and missing arrays give "no such page",
// never a hang or a crash.

#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "document/painter.h"
#include "document/pdf_document.h"

namespace papyrion::pdf {

// The entry and value that mark a content stream as the engine's own: only
// such a stream is ever appended to.
inline constexpr std::string_view kEngineMarkerKey = "LC";
inline constexpr std::string_view kEngineMarkerValue = "tKRW";
// An engine stream longer than this gets a fresh sibling on the next
// selection (until the document's first capture), so no stream keeps growing.
inline constexpr std::size_t kMaxEngineStreamBytes = 500000;

// Where a page sits: the "Kids" array holding its reference, the index
// there, and the nodes from the root down to the one owning that array.
struct PageLocation {
    TPDFDictionary* page = nullptr;
    TPDFArray* kids = nullptr;
    std::size_t index = 0;
    std::vector<TPDFDictionary*> path;
};

class TPDFPageTree {
  public:
    explicit TPDFPageTree(TPDFDocument& document) : document_(document) {}
    TPDFPageTree(const TPDFPageTree&) = delete;
    TPDFPageTree& operator=(const TPDFPageTree&) = delete;

    TPDFDocument& Document() { return document_; }
    // The catalog's "Pages" dictionary; nullptr when there is none.
    TPDFDictionary* Root();
    // The root's "Count"; negative or missing gives 0.
    int PageCount();
    // nullptr for numbers outside 1..PageCount or pages the tree does not hold.
    TPDFDictionary* Page(int number);
    std::optional<PageLocation> Locate(int number);
    // Forgets cached page positions (after the tree changed).
    void Invalidate() { cache_.clear(); }

    // A number outside the pages keeps the current page. True when `number`
    // is now the selected page.
    bool SelectPage(int number);
    // Re-reads the selected page after the tree changed under it; the number
    // is kept when it still exists, else the last page is selected.
    void Reselect();
    int SelectedNumber() const { return selected_number_; }
    TPDFDictionary* SelectedPage() const { return selected_page_; }
    // The node whose "Kids" held the selected page (for inherited resources).
    TPDFDictionary* SelectedNode() const { return selected_node_; }
    const std::vector<TPDFStream*>& ContentStreams() const { return streams_; }
    TPDFPainter& Painter() { return painter_; }
    // Before the first drawing after content the engine did not write: that
    // content goes between a "q" stream put in front of it and a "Q" at the
    // start of the engine stream, so whatever graphics state it leaves
    // behind (a moved origin, a clip, a colour) cannot bend the drawing.
    void IsolateForeignContent();
    // A content stream with `data` before every other of the selected page:
    // what it draws lies under the page's own content.
    void PrependContent(std::string data);

    // From the selected page's MediaBox (own or inherited); 0 without a page.
    double PageWidth();
    double PageHeight();
    // MediaBox and CropBox of the selected page become [0 0 width height].
    void SetPageWidth(double width);
    void SetPageHeight(double height);

    // `count` pages of width x height at `position` (1..PageCount+1), then
    // selects page `position`. False (and nothing changed) when the tree has
    // no place for them.
    bool InsertPages(int position, int count, double width, double height);
    // Takes the selected page out of the tree; the objects stay in the
    // document. The selection is then empty until the next SelectPage.
    bool DeleteSelectedPage();

    bool Captured() const { return captured_; }
    void SetCaptured() { captured_ = true; }

    // A new empty content stream, registered, with or without the marker.
    TPDFStream* NewContentStream(bool marked);

  private:
    bool LoadSize();
    void SetSize(double width, double height);

    TPDFDocument& document_;
    std::unordered_map<int, PageLocation> cache_;
    int cached_count_ = -1;
    int selected_number_ = 0;
    TPDFDictionary* selected_page_ = nullptr;
    TPDFDictionary* selected_node_ = nullptr;
    std::vector<TPDFStream*> streams_;
    TPDFArray* contents_ = nullptr;
    TPDFPainter painter_;
    bool size_valid_ = false;
    double width_ = 0;
    double height_ = 0;
    bool captured_ = false;
};

// True for a stream carrying the engine's content marker.
bool IsEngineStream(const TPDFStream& stream);
// A "Pages" node rather than a page: "Type" /Pages, or a "Kids" array.
bool IsPageTreeNode(const TPDFDictionary& node);
// The value of `key` on the page or the nearest ancestor that has it
// (bounded walk up "Parent"); nullptr when none has it.
TPDFObject* InheritedValue(const TPDFDictionary& page, std::string_view key);
// The page's "Rotate" (inherited) as 0, 90, 180 or 270.
int PageRotation(const TPDFDictionary& page);

}  // namespace papyrion::pdf
