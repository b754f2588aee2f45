#pragma once
// PdfEngine: the one door through which the program does its PDF work.
// It holds a registry of open documents and the current selections
// (document, page, image, font) and works on the selected document. Each
// task makes its own engine, runs a short sequence of calls and frees it.
//
// Never throws: results are 1 for success and 0 for failure (or an empty
// text, or a 0 ID), with LastError() telling why where a code exists. An ID
// that fails its check changes nothing. Texts are UTF-8. Positions and
// sizes are PDF points measured from the lower-left corner of the page
// (its MediaBox origin), x to the right, y upwards; boxes are given as
// left, top, width, height with top the y of the upper edge.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "pdfengine/engine_errors.h"

namespace papyrion::pdf {

class TPDFDocument;
struct RenderPrintState;

// Opaque handles; 0 is never a valid one.
using DocumentId = std::uint64_t;
using CaptureId = std::uint64_t;
using ImageId = std::uint64_t;

// Written into "Producer" and "Creator" of the documents the engine makes.
inline constexpr std::string_view kEngineName = "Papyrion PDF engine";
inline constexpr std::string_view kEngineVersion = "1.0";
std::string EngineIdentification();

// Last-error codes: pdfengine/engine_errors.h.

// Keys of GetDocInfo and SetDocInfo.
enum DocInfoKey : int {
    kInfoVersion = 0,
    kInfoAuthor = 1,
    kInfoTitle = 2,
    kInfoSubject = 3,
    kInfoKeywords = 4,
    kInfoCreator = 5,
    kInfoProducer = 6,
    kInfoCreationDate = 7,
    kInfoModDate = 8,
};

class PdfEngine {
  public:
    // Starts with one blank one-page document (612 x 792), selected.
    PdfEngine();
    // Frees every document with its captured pages, images and fonts.
    ~PdfEngine();
    PdfEngine(const PdfEngine&) = delete;
    PdfEngine& operator=(const PdfEngine&) = delete;

    // Reads a PDF file into a new document and selects it (page 1). On
    // failure nothing changes but the last error (401 unreadable, 404 wrong
    // password; a missing file leaves the code as it was).
    int OpenFile(const std::string& file_name, const std::string& password = {});
    DocumentId CurrentDocument() const;
    // Selects a document; it keeps its own selected page.
    int UseDocument(DocumentId document);
    // A new blank one-page document, selected; 0 on failure.
    DocumentId CreateDocument();
    // Removes a document from the registry and frees it. The registry is
    // never left empty: closing the last document makes a blank one.
    int CloseDocument(DocumentId document);

    int CountPages();
    // 1 when `page_number` is now the selected page; a number outside the
    // pages keeps the current one and gives 0.
    int UsePage(int page_number);
    double GetPageWidth();
    double GetPageHeight();
    // MediaBox and CropBox of the selected page become [0 0 width height].
    int SetPageSize(double width, double height);
    // The selected page's "Rotate" (0, 90, 180 or 270) and setting it.
    int GetPageRotation();
    int SetPageRotation(int degrees);
    // `count` (1..99999) blank pages of the selected page's size after the
    // last page; the first of them is selected. The new page count, 0 on failure.
    int AppendPages(int count);
    // Deletes the selected page (the document keeps at least nothing but
    // its objects); the page that takes its number is selected.
    int RemoveCurrentPage();

    // Appends all pages of `other` to the selected document and closes
    // `other`. The selected document stays selected.
    int AppendDocument(DocumentId other);
    // Turns page `page_number` into a form and deletes the page; the
    // document must have at least two pages. 0 on failure.
    CaptureId CapturePageAsForm(int page_number);
    // Draws a captured page of the selected document on its selected page,
    // stretched into the box. A page captured from a page with "Rotate"
    // keeps the turn a viewer showed, relative to the target page's own.
    int PlaceCapturedPage(CaptureId capture, double left, double top, double width, double height);
    // The same, drawn beneath everything the page draws itself: the page's
    // content, annotations, form fields and links stay as they were.
    int PlaceCapturedPageUnder(CaptureId capture, double left, double top, double width,
                               double height);

    // Stamps "ModDate" and writes the selected document; it stays open.
    int SaveFile(const std::string& file_name);
    // Makes a new document of the listed pages ("1,3-5") of the selected
    // one and selects it; 0 and last error 412 when the list names none.
    int ExtractPageList(const std::string& page_list);

    std::string GetDocInfo(int key);
    // Keys 0 (version "1.0".."1.7") and 1..6; others give 0 and error 202.
    int SetDocInfo(int key, const std::string& value);

    // One line of text in the selected font (standard Helvetica with
    // WinAnsiEncoding unless one is selected) at 12 points, baseline at
    // (left, top). Characters outside WinAnsiEncoding show as "?".
    int PlaceText(double left, double top, const std::string& text);
    // Reads a BMP file into the selected document and selects the image.
    ImageId LoadImageFile(const std::string& file_name, int index);
    int GetImageWidth();
    int GetImageHeight();
    int GetImageColorKey();
    int PlaceImage(double left, double top, double width, double height);
    int SetFillRGB(double red, double green, double blue);
    int SetStrokeRGB(double red, double green, double blue);
    // Mode 0 outline, 1 filled, 2 filled and outlined.
    int PaintCircle(double x, double y, double radius, int mode);
    // An edge (1..3) of a form field's box; 0 when there is no such field.
    double GetFieldBound(int field_index, int edge);

    int LastError() const;

    // Rendering and printing. Printing is the one operation that raises:
    // PrintError (pdfengine/printers.h) for a printer CUPS does not know or
    // a refused job, after which the engine is as it was.
    int SetRenderFactor(double factor);
    // 1 rendered and written, 2 the file cannot be created, 0 otherwise.
    // Format 1 is JPEG at quality 75; the page is clamped to the document.
    int RenderPageFile(int dpi, int page_number, int format, const std::string& file_name);
    int MakePrintOptions(int scaling, int auto_rotate_centre, const std::string& job_title);
    std::string RegisterCustomPrinter(const std::string& printer_name);
    int ConfigureCustomPrinter(const std::string& custom_printer_name, int setting, int value);
    int PrintPages(const std::string& printer_name, int start_page, int end_page, int options);
    // Why the last render or print failed; "" after one that worked.
    std::string PrintResultText();

  private:
    // nullptr only when the engine could not make its start document.
    TPDFDocument* SelectedDocumentModel();
    RenderPrintState& RenderPrint();
    // Made on first use by the rendering and printing operations.
    std::shared_ptr<RenderPrintState> render_print_;
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace papyrion::pdf
