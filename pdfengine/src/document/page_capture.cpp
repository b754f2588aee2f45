// Capturing a page as a form XObject and drawing a captured page.

#include <cmath>

#include "document/object_copy.h"
#include "document/page_lookup.h"
#include "document/page_operations.h"
#include "document/resource_names.h"
#include "filters/decode.h"
#include "object/pdf_keys.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf {

namespace {

constexpr std::string_view kXObject = "XObject";
constexpr std::string_view kGroup = "Group";

TPDFArray* ProcSetArray(TPDFStructure& s) {
    TPDFArray* procset = s.MakeArray();
    for (const char* name : {"PDF", "Text", "ImageB", "ImageC", "ImageI"}) {
        procset->Append(s.MakeName(name));
    }
    return procset;
}

// A dictionary entry as a dictionary to write into: resolved when it is a
// reference, made (or replaced) when it is missing or not a dictionary.
TPDFDictionary* WritableDictionary(TPDFDictionary& owner, std::string_view key, TPDFStructure& s) {
    TPDFObject* value = owner.Resolve(key);
    if (auto* dictionary = value != nullptr ? value->As<TPDFDictionary>() : nullptr) {
        return dictionary;
    }
    TPDFDictionary* made = s.MakeDictionary();
    owner.Set(key, made);
    return made;
}

}  // namespace

TPDFCapturedPage* CaptureSelectedPage(EngineDocument& document) {
    TPDFPageTree& pages = document.Pages();
    TPDFDictionary* page = pages.SelectedPage();
    if (page == nullptr || pages.ContentStreams().empty()) return nullptr;
    TPDFDocument& d = document.Document();
    TPDFStructure& s = d.Structure();

    std::string name = MakeResourceName(kFormNamePrefix);
    std::string combined = "q\n";
    for (TPDFStream* stream : pages.ContentStreams()) {
        combined += ' ';
        combined += d.DecodedStreamData(*stream);
    }
    combined += "\nQ\n";
    // The engine's own streams are emptied, since the page leaves the tree.
    // Other streams are left alone: another page may share them.
    for (TPDFStream* stream : pages.ContentStreams()) {
        if (IsEngineStream(*stream)) {
            stream->Dictionary().Remove(key::kFilter);
            stream->Dictionary().Remove(key::kDecodeParms);
            stream->SetData(std::string());
        }
    }
    if (auto* contents = page->TryArray(page_key::kContents)) {
        while (contents->Size() > 1) contents->RemoveAt(contents->Size() - 1);
    }
    pages.SetCaptured();
    CompletePageForCapture(*page, s);

    std::string compressed = FlateEncode(combined);
    // The encoder works in large chunks; a form lives as long as the
    // document, so it keeps only what it needs (a page stamped a thousand
    // times would otherwise hold a thousand chunks).
    compressed.shrink_to_fit();
    TPDFStream* form = s.MakeStream(std::move(compressed));
    d.RegisterIndirect(*form);
    const TPDFArray* media_box = page->TryArray(page_key::kMediaBox);
    if (media_box == nullptr || media_box->Size() != 4) return nullptr;
    double box[4];
    for (std::size_t i = 0; i < 4; ++i) {
        auto value = media_box->TryNumber(i);
        if (!value || !std::isfinite(*value)) return nullptr;
        box[i] = *value;
    }
    if (box[0] > box[2]) std::swap(box[0], box[2]);
    if (box[1] > box[3]) std::swap(box[1], box[3]);

    TPDFDictionary& dictionary = form->Dictionary();
    dictionary.Set(key::kType, s.MakeName("XObject"));
    dictionary.Set(key::kSubtype, s.MakeName("Form"));
    dictionary.Set("FormType", s.MakeNumeric(1));
    dictionary.Set("BBox", CopyObject(*media_box, s, [](int number) { return number; }));
    if (TPDFObject* resources = page->Get(page_key::kResources)) {
        dictionary.Set(page_key::kResources, resources);
    } else {
        TPDFDictionary* made = s.MakeDictionary();
        made->Set(page_key::kProcSet, ProcSetArray(s));
        dictionary.Set(page_key::kResources, made);
    }
    TPDFArray* filter = s.MakeArray();
    filter->Append(s.MakeName("FlateDecode"));
    dictionary.Set(key::kFilter, filter);
    if (TPDFObject* group = page->Get(kGroup)) {
        dictionary.Set(kGroup, CopyObject(*group, s, [](int number) { return number; }));
    }

    auto captured = std::make_unique<TPDFCapturedPage>();
    captured->form_number = form->ObjectNumber();
    captured->form_generation = form->Generation();
    captured->resource_name = std::move(name);
    captured->box_left = box[0];
    captured->box_bottom = box[1];
    captured->box_width = box[2] - box[0];
    captured->box_height = box[3] - box[1];
    captured->rotation = PageRotation(*page);
    document.CapturedPages().push_back(std::move(captured));
    return document.CapturedPages().back().get();
}

TPDFDictionary* SelectedPageResources(TPDFPageTree& pages, std::string_view category) {
    TPDFDictionary* page = pages.SelectedPage();
    if (page == nullptr) return nullptr;
    TPDFStructure& s = pages.Document().Structure();
    TPDFDictionary* owner = page;
    if (page->Get(page_key::kResources) == nullptr && pages.SelectedNode() != nullptr &&
        pages.SelectedNode()->Get(page_key::kResources) != nullptr) {
        owner = pages.SelectedNode();
    }
    TPDFDictionary* resources = WritableDictionary(*owner, page_key::kResources, s);
    return WritableDictionary(*resources, category, s);
}

void EnterResource(TPDFPageTree& pages, std::string_view category, const std::string& name,
                   int number, int generation) {
    TPDFDictionary* entries = SelectedPageResources(pages, category);
    if (entries == nullptr) return;
    const auto* existing =
        entries->Get(name) != nullptr ? entries->Get(name)->As<TPDFIndRef>() : nullptr;
    if (existing != nullptr && existing->Number() == number &&
        existing->RefGeneration() == generation) {
        return;
    }
    entries->Set(name, pages.Document().Structure().MakeReference(number, generation));
}

PlacementMatrix CapturedPagePlacement(const TPDFCapturedPage& c, double left, double top,
                                      double width, double height, int page_rotation) {
    // The form is turned clockwise by the difference of the two rotations,
    // so that it shows on the target page as it showed on its own page; its
    // turned box is then stretched onto the target box.
    const int turn = (((c.rotation - page_rotation) % 360) + 360) % 360;
    const bool sideways = turn == 90 || turn == 270;
    const double sx = width / (sideways ? c.box_height : c.box_width);
    const double sy = height / (sideways ? c.box_width : c.box_height);
    const double bottom = top - height;
    const double bl = c.box_left;
    const double bb = c.box_bottom;
    switch (turn) {
        case 90:
            return {0, -sy, sx, 0, left - sx * bb, bottom + sy * (c.box_width + bl)};
        case 180:
            return {
                -sx, 0, 0, -sy, left + sx * (c.box_width + bl), bottom + sy * (c.box_height + bb)};
        case 270:
            return {0, sy, -sx, 0, left + sx * (c.box_height + bb), bottom - sy * bl};
        default:
            return {sx, 0, 0, sy, left - bl * sx, bottom - bb * sy};
    }
}

bool DrawCapturedPage(EngineDocument& document, const TPDFCapturedPage& captured, double left,
                      double top, double width, double height, bool under) {
    TPDFPageTree& pages = document.Pages();
    TPDFDictionary* page = pages.SelectedPage();
    if (page == nullptr || !pages.Painter().IsBound()) return false;
    if (!(captured.box_width > 0) || !(captured.box_height > 0)) return false;
    EnterResource(pages, kXObject, captured.resource_name, captured.form_number,
                  captured.form_generation);
    // Positions are measured from the page's lower-left corner, which is the
    // MediaBox origin and not always (0, 0).
    double origin_x = 0;
    double origin_y = 0;
    if (auto box = InheritedMediaBox(*page)) {
        origin_x = std::fmin((*box)[0], (*box)[2]);
        origin_y = std::fmin((*box)[1], (*box)[3]);
    }
    const PlacementMatrix m = CapturedPagePlacement(captured, left + origin_x, top + origin_y,
                                                    width, height, PageRotation(*page));
    // Scale factors ten times larger: four decimals then give five
    // significant digits; the second matrix takes the ten back.
    std::string drawing = "q\n";
    for (double v : {10 * m.a, 10 * m.b, 10 * m.c, 10 * m.d, m.e, m.f}) {
        drawing += FormatPdfNumber(v, TPDFPainter::kNumberPrecision) + " ";
    }
    drawing += "cm\n";
    for (double v : {0.1, 0.0, 0.0, 0.1, 0.0, 0.0}) {
        drawing += FormatPdfNumber(v, TPDFPainter::kNumberPrecision) + " ";
    }
    drawing += "cm\n/" + captured.resource_name + " Do\nQ\n";
    if (under) {
        // Before everything the page draws, so the page's own content, its
        // annotations and its form fields stay on top and untouched.
        pages.PrependContent(drawing);
        return true;
    }
    pages.IsolateForeignContent();
    TPDFPainter& painter = pages.Painter();
    painter.Line(std::string_view(drawing).substr(0, drawing.size() - 1));
    painter.Store();
    return true;
}

}  // namespace papyrion::pdf
