#include "print/print_layout.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "pdfengine/printers.h"

namespace papyrion::pdf {

namespace {

constexpr int kMaxParentSteps = 256;

int NormalisedRotation(int rotate) {
    int r = rotate % 360;
    if (r < 0) r += 360;
    return (r / 90) * 90;
}

Affine Translate(double x, double y) { return {1, 0, 0, 1, x, y}; }
Affine Scale(double s) { return {s, 0, 0, s, 0, 0}; }

// A quarter turn clockwise of a w x h picture, as /Rotate 90 shows a page:
// the result is h wide and w high.
Affine QuarterClockwise(double w) { return {0, -1, 1, 0, 0, w}; }
// A quarter turn anticlockwise of a w x h picture (top edge to the left).
Affine QuarterAnticlockwise(double h) { return {0, 1, -1, 0, h, 0}; }

TPDFObject* Inherited(const TPDFDictionary& page, std::string_view key) {
    const TPDFDictionary* node = &page;
    for (int step = 0; node != nullptr && step < kMaxParentSteps; ++step) {
        if (TPDFObject* value = node->Resolve(key)) return value;
        node = node->TryDictionary(page_key::kParent);
    }
    return nullptr;
}

std::string Number(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6f", std::abs(value) < 1e-9 ? 0.0 : value);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

TPDFArray* NumberArray(TPDFStructure& s, std::initializer_list<double> values) {
    TPDFArray* array = s.MakeArray();
    for (double value : values) array->Append(s.MakeNumeric(value));
    return array;
}

}  // namespace

ScalingMode ScalingModeOf(int options) {
    switch (options & 15) {
        case 1:
            return ScalingMode::kFit;
        case 2:
            return ScalingMode::kShrinkOnly;
        default:
            return ScalingMode::kActualSize;
    }
}

Affine Affine::Then(const Affine& n) const {
    return {a * n.a + b * n.c, a * n.b + b * n.d,       c * n.a + d * n.c,
            c * n.b + d * n.d, e * n.a + f * n.c + n.e, e * n.b + f * n.d + n.f};
}

std::array<double, 2> Affine::Apply(double x, double y) const {
    return {a * x + c * y + e, b * x + d * y + f};
}

Placement PlacePage(const PlacementRequest& request, const SheetGeometry& sheet) {
    const PdfBox& box = request.media_box;
    const double x0 = std::min(box[0], box[2]);
    const double y0 = std::min(box[1], box[3]);
    double w = std::abs(box[2] - box[0]);
    double h = std::abs(box[3] - box[1]);

    // The page as a viewer shows it: its own /Rotate first.
    Affine m = Translate(-x0, -y0);
    for (int r = NormalisedRotation(request.page_rotate); r > 0; r -= 90) {
        m = m.Then(QuarterClockwise(w));
        std::swap(w, h);
    }

    const double area_w = sheet.PrintableWidth();
    const double area_h = sheet.PrintableHeight();
    Placement placement;
    if (request.auto_rotate_centre && ((w > h && area_h > area_w) || (w < h && area_w > area_h))) {
        m = m.Then(QuarterAnticlockwise(h));
        std::swap(w, h);
        placement.turned = true;
    }

    double scale = 1;
    if (request.scaling != ScalingMode::kActualSize && w > 0 && h > 0) {
        scale = std::min(area_w / w, area_h / h);
        if (request.scaling == ScalingMode::kShrinkOnly) scale = std::min(scale, 1.0);
    }
    m = m.Then(Scale(scale));
    const double placed_w = w * scale;
    const double placed_h = h * scale;
    if (request.scaling == ScalingMode::kActualSize && !request.auto_rotate_centre) {
        // Upper-left corner at the printable area's upper-left corner.
        m = m.Then(Translate(sheet.left, sheet.height - sheet.top - placed_h));
    } else {
        m = m.Then(Translate((sheet.width - placed_w) / 2, (sheet.height - placed_h) / 2));
    }
    placement.matrix = m;
    placement.scale = scale;
    return placement;
}

std::string BuildPrintDocument(TPDFDocument& document, int first, int last,
                               const SheetGeometry& sheet, ScalingMode scaling,
                               bool auto_rotate_centre) {
    // Work on a copy read back from the written document, so the caller's
    // document and its selection stay exactly as they were.
    std::ostringstream written;
    if (!document.Write(written)) throw PrintError("The document cannot be written for printing");
    TPDFDocument copy;
    if (copy.Read(written.str(), "") != ReadResult::kRead) {
        throw PrintError("The document cannot be prepared for printing");
    }
    const std::vector<TPDFDictionary*> pages = CollectPages(copy);
    TPDFDictionary* catalog = copy.Catalog();
    if (catalog == nullptr || first < 1 || last > static_cast<int>(pages.size()) || first > last) {
        throw PrintError("The document has no pages to print");
    }

    TPDFStructure& s = copy.Structure();
    TPDFDictionary* root = s.MakeDictionary();
    TPDFIndRef* root_ref = copy.AddIndirect(*root);
    TPDFArray* kids = s.MakeArray();
    for (int number = first; number <= last; ++number) {
        TPDFDictionary* page = pages[static_cast<std::size_t>(number - 1)];
        PlacementRequest request;
        request.media_box = InheritedMediaBox(*page).value_or(PdfBox{0, 0, 612, 792});
        if (TPDFObject* rotate = Inherited(*page, page_key::kRotate)) {
            if (auto* numeric = rotate->As<TPDFNumeric>()) {
                request.page_rotate = static_cast<int>(numeric->Value());
            }
        }
        request.scaling = scaling;
        request.auto_rotate_centre = auto_rotate_centre;
        const Placement placement = PlacePage(request, sheet);

        // Inherited entries would be lost with the old parent.
        if (!page->Contains(page_key::kResources)) {
            if (TPDFObject* resources = Inherited(*page, page_key::kResources)) {
                page->Set(page_key::kResources, resources);
            }
        }
        const Affine& m = placement.matrix;
        const PdfBox& box = request.media_box;
        const std::string before =
            "q\n" + Number(m.a) + " " + Number(m.b) + " " + Number(m.c) + " " + Number(m.d) + " " +
            Number(m.e) + " " + Number(m.f) + " cm\n" + Number(std::min(box[0], box[2])) + " " +
            Number(std::min(box[1], box[3])) + " " + Number(std::abs(box[2] - box[0])) + " " +
            Number(std::abs(box[3] - box[1])) + " re W n\nq\n";
        TPDFArray* contents = s.MakeArray();
        TPDFStream* head = s.MakeStream(before);
        contents->Append(copy.AddIndirect(*head));
        if (TPDFObject* old = page->Get(page_key::kContents)) {
            TPDFObject* resolved = ResolveObject(old);
            if (auto* array = resolved ? resolved->As<TPDFArray>() : nullptr) {
                for (TPDFObject* item : array->Items()) contents->Append(item);
            } else if (resolved != nullptr && resolved->As<TPDFStream>() != nullptr) {
                contents->Append(old);
            }
        }
        TPDFStream* tail = s.MakeStream("\nQ\nQ\n");
        contents->Append(copy.AddIndirect(*tail));
        page->Set(page_key::kContents, contents);

        page->Set(page_key::kMediaBox, NumberArray(s, {0, 0, sheet.width, sheet.height}));
        for (std::string_view key :
             {page_key::kCropBox, page_key::kRotate, std::string_view("BleedBox"),
              std::string_view("TrimBox"), std::string_view("ArtBox"), std::string_view("Annots"),
              std::string_view("UserUnit")}) {
            page->Remove(key);
        }
        page->Set(page_key::kParent, root_ref);
        kids->Append(page->IsIndirect() ? s.MakeReference(*page) : copy.AddIndirect(*page));
    }
    root->Set(key::kType, s.MakeName("Pages"));
    root->Set(page_key::kKids, kids);
    root->Set(page_key::kCount, s.MakeNumeric(last - first + 1));
    catalog->Set(page_key::kPages, root_ref);
    // Forms and outlines point at pages or fields that no longer print.
    catalog->Remove("AcroForm");
    catalog->Remove("OpenAction");

    std::ostringstream out;
    if (!copy.Write(out)) throw PrintError("The print document cannot be written");
    return out.str();
}

}  // namespace papyrion::pdf
