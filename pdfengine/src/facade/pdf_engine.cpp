// PdfEngine: the registry of documents and the selections, forwarding every
// operation to the document model and the page mechanisms. Every public
// operation catches whatever the layers below might throw, so callers only
// ever see results.

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "document/bmp_image.h"
#include "document/doc_info.h"
#include "document/engine_document.h"
#include "document/page_lookup.h"
#include "document/page_operations.h"
#include "document/resource_names.h"
#include "document/win_ansi.h"
#include "object/pdf_keys.h"
#include "pdfengine/pdfengine.h"
#include "writer/file_replace.h"

namespace papyrion::pdf {

namespace {

constexpr int kMaxAppendedPages = 99999;
constexpr double kFontSize = 12;
constexpr std::string_view kFontCategory = "Font";
constexpr std::string_view kXObjectCategory = "XObject";

struct RegisteredDocument {
    DocumentId id = 0;
    std::unique_ptr<EngineDocument> document;
    std::string file_name;
};

bool ReadWholeFile(const std::string& name, std::string& bytes) {
    std::ifstream in(name, std::ios::binary | std::ios::ate);
    if (!in) return false;
    const std::streamoff size = in.tellg();
    if (size < 0) return false;
    bytes.assign(static_cast<std::size_t>(size), '\0');
    in.seekg(0);
    return static_cast<bool>(in.read(bytes.data(), size));
}

// The page's lower-left corner: where the caller's coordinates start.
void PageOrigin(TPDFPageTree& pages, double& x, double& y) {
    x = 0;
    y = 0;
    if (pages.SelectedPage() == nullptr) return;
    if (auto box = InheritedMediaBox(*pages.SelectedPage())) {
        x = std::fmin((*box)[0], (*box)[2]);
        y = std::fmin((*box)[1], (*box)[3]);
    }
}

bool Finite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

}  // namespace

std::string EngineIdentification() {
    return std::string(kEngineName) + " " + std::string(kEngineVersion);
}

struct PdfEngine::State {
    std::vector<RegisteredDocument> registry;
    std::size_t selected = 0;
    DocumentId next_document_id = 1;
    std::uint64_t next_handle = 1;
    int last_error = kErrorNone;
    TPDFImage* selected_image = nullptr;
    TPDFFont* selected_font = nullptr;

    RegisteredDocument& Selected() { return registry[selected]; }
    EngineDocument& Document() { return *registry[selected].document; }
    TPDFPageTree& Pages() { return Document().Pages(); }

    std::ptrdiff_t IndexOf(DocumentId id) const {
        for (std::size_t i = 0; i < registry.size(); ++i) {
            if (registry[i].id == id) return static_cast<std::ptrdiff_t>(i);
        }
        return -1;
    }

    void Select(std::size_t index) {
        selected = index;
        EngineDocument& document = Document();
        selected_image = document.Images().empty() ? nullptr : document.Images().front().get();
        selected_font = document.Fonts().empty() ? nullptr : document.Fonts().front().get();
    }

    // The selected font onto the selected page, at the engine's text size.
    void ApplyFont() {
        if (selected_font == nullptr || Pages().SelectedPage() == nullptr) return;
        EnterResource(Pages(), kFontCategory, selected_font->resource_name,
                      selected_font->object_number, 0);
        Pages().Painter().SetFont(selected_font->resource_name, kFontSize);
    }

    bool SelectPage(int number) {
        Pages().SelectPage(number);
        ApplyFont();
        return Pages().SelectedPage() != nullptr && Pages().SelectedNumber() == number;
    }

    std::unique_ptr<EngineDocument> MakeBlank() {
        auto document = std::make_unique<EngineDocument>();
        TPDFDocument& d = document->Document();
        d.MakeNewDocument();
        const std::string identification = EngineIdentification();
        const std::string now = CurrentPdfDate();
        WriteInfoEntry(d, info_key::kProducer, identification);
        WriteInfoEntry(d, info_key::kCreator, identification);
        WriteInfoEntry(d, info_key::kCreationDate, now);
        WriteInfoEntry(d, info_key::kModDate, now);
        return document;
    }

    DocumentId Register(std::unique_ptr<EngineDocument> document, std::string file_name) {
        const DocumentId id = next_document_id++;
        registry.push_back(RegisteredDocument{id, std::move(document), std::move(file_name)});
        Select(registry.size() - 1);
        SelectPage(1);
        return id;
    }

    bool Close(DocumentId id) {
        std::ptrdiff_t index = IndexOf(id);
        if (index < 0) return false;
        if (registry.size() == 1) {
            Register(MakeBlank(), {});
            index = IndexOf(id);
        }
        const auto at = static_cast<std::size_t>(index);
        if (at == selected) {
            Select(at > 0 ? at - 1 : 1);
        }
        registry.erase(registry.begin() + index);
        if (selected > at) --selected;
        return true;
    }

    // The document written as SaveFile writes it, "ModDate" stamped first.
    bool Serialise(EngineDocument& document, std::string& bytes) {
        WriteInfoEntry(document.Document(), info_key::kModDate, CurrentPdfDate());
        std::ostringstream out(std::ios::binary);
        const bool ok = document.Document().Write(out);
        bytes = std::move(out).str();
        return ok;
    }

    // Reads bytes into a new registered document; sets 401/404 on failure.
    bool OpenBytes(std::string bytes, const std::string& password, std::string file_name) {
        auto document = std::make_unique<EngineDocument>();
        ReadResult result = ReadResult::kNotReadable;
        try {
            result = document->Document().Read(std::move(bytes), password);
        } catch (...) {
            result = ReadResult::kNotReadable;
        }
        if (result == ReadResult::kPasswordRejected) {
            last_error = kErrorWrongPassword;
            return false;
        }
        if (result != ReadResult::kRead) {
            last_error = kErrorFileNotReadable;
            return false;
        }
        Register(std::move(document), std::move(file_name));
        return true;
    }

    TPDFCapturedPage* FindCapture(CaptureId id) {
        if (id == 0) return nullptr;
        for (auto& captured : Document().CapturedPages()) {
            if (captured->id == id) return captured.get();
        }
        return nullptr;
    }

    TPDFFont* AddStandardFont() {
        TPDFDocument& d = Document().Document();
        TPDFStructure& s = d.Structure();
        TPDFDictionary* font = s.MakeDictionary();
        font->Set(key::kType, s.MakeName("Font"));
        font->Set(key::kSubtype, s.MakeName("Type1"));
        font->Set("BaseFont", s.MakeName("Helvetica"));
        font->Set("Encoding", s.MakeName("WinAnsiEncoding"));
        d.RegisterIndirect(*font);
        auto entry = std::make_unique<TPDFFont>();
        entry->resource_name = MakeResourceName(kFontNamePrefix);
        entry->object_number = font->ObjectNumber();
        Document().Fonts().push_back(std::move(entry));
        return Document().Fonts().back().get();
    }
};

PdfEngine::PdfEngine() : state_(std::make_unique<State>()) {
    try {
        state_->Register(state_->MakeBlank(), {});
    } catch (...) {
        // Only memory exhaustion gets here; the registry then starts empty
        // and every operation below checks for that.
    }
}

PdfEngine::~PdfEngine() = default;

int PdfEngine::LastError() const { return state_->last_error; }

int PdfEngine::OpenFile(const std::string& file_name, const std::string& password) {
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file_name, error)) return 0;
        std::string bytes;
        if (!ReadWholeFile(file_name, bytes)) return 0;
        state_->last_error = kErrorNone;
        return state_->OpenBytes(std::move(bytes), password, file_name) ? 1 : 0;
    } catch (...) {
        state_->last_error = kErrorFileNotReadable;
        return 0;
    }
}

DocumentId PdfEngine::CurrentDocument() const {
    return state_->registry.empty() ? 0 : state_->registry[state_->selected].id;
}

int PdfEngine::UseDocument(DocumentId document) {
    const std::ptrdiff_t index = state_->IndexOf(document);
    if (index < 0) return 0;
    state_->Select(static_cast<std::size_t>(index));
    return 1;
}

DocumentId PdfEngine::CreateDocument() {
    try {
        return state_->Register(state_->MakeBlank(), {});
    } catch (...) {
        return 0;
    }
}

int PdfEngine::CloseDocument(DocumentId document) {
    try {
        return state_->Close(document) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::CountPages() {
    if (state_->registry.empty()) return 0;
    return state_->Pages().PageCount();
}

int PdfEngine::UsePage(int page_number) {
    if (state_->registry.empty()) return 0;
    try {
        return state_->SelectPage(page_number) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

double PdfEngine::GetPageWidth() {
    return state_->registry.empty() ? 0 : state_->Pages().PageWidth();
}

double PdfEngine::GetPageHeight() {
    return state_->registry.empty() ? 0 : state_->Pages().PageHeight();
}

int PdfEngine::SetPageSize(double width, double height) {
    if (state_->registry.empty() || state_->Pages().SelectedPage() == nullptr) return 0;
    // A box without area (or not a number) is no page size.
    if (!Finite({width, height}) || width <= 0 || height <= 0) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        const double old_width = pages.PageWidth();
        const double old_height = pages.PageHeight();
        pages.SetPageWidth(width);
        pages.SetPageHeight(height);
        if (pages.PageWidth() == width && pages.PageHeight() == height) return 1;
        pages.SetPageWidth(old_width);
        pages.SetPageHeight(old_height);
        return 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::GetPageRotation() {
    if (state_->registry.empty() || state_->Pages().SelectedPage() == nullptr) return 0;
    return PageRotation(*state_->Pages().SelectedPage());
}

int PdfEngine::SetPageRotation(int degrees) {
    if (state_->registry.empty() || state_->Pages().SelectedPage() == nullptr) return 0;
    if (degrees % 90 != 0) return 0;
    TPDFStructure& s = state_->Document().Document().Structure();
    state_->Pages().SelectedPage()->Set(page_key::kRotate,
                                        s.MakeNumeric(((degrees % 360) + 360) % 360));
    return 1;
}

int PdfEngine::AppendPages(int count) {
    if (state_->registry.empty() || count < 1 || count > kMaxAppendedPages) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        const int before = pages.PageCount();
        const double width = pages.SelectedPage() != nullptr ? pages.PageWidth() : 612;
        const double height = pages.SelectedPage() != nullptr ? pages.PageHeight() : 792;
        if (!pages.InsertPages(before + 1, count, width, height)) return 0;
        state_->ApplyFont();
        const int after = pages.PageCount();
        return after == before + count ? after : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::RemoveCurrentPage() {
    if (state_->registry.empty()) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        if (!pages.DeleteSelectedPage()) return 0;
        pages.Reselect();
        state_->ApplyFont();
        return 1;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::AppendDocument(DocumentId other) {
    state_->last_error = kErrorNone;
    const std::ptrdiff_t index = state_->IndexOf(other);
    if (index < 0 || static_cast<std::size_t>(index) == state_->selected) return 0;
    try {
        EngineDocument& source = *state_->registry[static_cast<std::size_t>(index)].document;
        if (!MergeDocument(state_->Document(), source)) return 0;
    } catch (...) {
        return 0;
    }
    try {
        const DocumentId destination = CurrentDocument();
        state_->Close(other);
        UseDocument(destination);
        WriteInfoEntry(state_->Document().Document(), info_key::kProducer, EngineIdentification());
    } catch (...) {
        // The pages are appended; what failed afterwards does not undo that.
    }
    return 1;
}

CaptureId PdfEngine::CapturePageAsForm(int page_number) {
    if (state_->registry.empty()) return 0;
    try {
        const int count = CountPages();
        if (page_number < 1 || page_number > count || count < 2) return 0;
        if (!state_->SelectPage(page_number)) return 0;
        TPDFCapturedPage* captured = CaptureSelectedPage(state_->Document());
        RemoveCurrentPage();
        if (captured == nullptr) return 0;
        captured->id = state_->next_handle++;
        return captured->id;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::PlaceCapturedPage(CaptureId capture, double left, double top, double width,
                                 double height) {
    if (state_->registry.empty() || !Finite({left, top, width, height})) return 0;
    try {
        TPDFCapturedPage* captured = state_->FindCapture(capture);
        if (captured == nullptr) return 0;
        return DrawCapturedPage(state_->Document(), *captured, left, top, width, height) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::PlaceCapturedPageUnder(CaptureId capture, double left, double top, double width,
                                      double height) {
    if (state_->registry.empty() || !Finite({left, top, width, height})) return 0;
    try {
        TPDFCapturedPage* captured = state_->FindCapture(capture);
        if (captured == nullptr) return 0;
        return DrawCapturedPage(state_->Document(), *captured, left, top, width, height, true) ? 1
                                                                                               : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::SaveFile(const std::string& file_name) {
    state_->last_error = kErrorNone;
    if (state_->registry.empty()) return 0;
    try {
        std::string bytes;
        if (!state_->Serialise(state_->Document(), bytes)) return 0;
        return ReplaceFile(file_name, bytes) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::ExtractPageList(const std::string& page_list) {
    state_->last_error = kErrorNone;
    if (state_->registry.empty()) return 0;
    try {
        const DocumentId source_id = CurrentDocument();
        EngineDocument& source = state_->Document();
        const std::vector<int> pages = ParsePageList(page_list, source.Pages().PageCount());
        const DocumentId work_id = state_->Register(state_->MakeBlank(), {});
        EngineDocument& work = state_->Document();
        if (pages.empty() || !CopyListedPages(work, source, pages)) {
            state_->last_error = kErrorNoListedPage;
            UseDocument(source_id);
            state_->Close(work_id);
            return 0;
        }
        std::string bytes;
        bool read = state_->Serialise(work, bytes) && state_->OpenBytes(std::move(bytes), {}, {});
        if (!read) UseDocument(source_id);
        state_->Close(work_id);
        return read ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

std::string PdfEngine::GetDocInfo(int key) {
    state_->last_error = kErrorNone;
    if (state_->registry.empty()) return {};
    try {
        TPDFDocument& d = state_->Document().Document();
        static constexpr std::string_view kKeys[] = {
            info_key::kAuthor,  info_key::kTitle,    info_key::kSubject,      info_key::kKeywords,
            info_key::kCreator, info_key::kProducer, info_key::kCreationDate, info_key::kModDate};
        if (key == kInfoVersion) return d.Version();
        if (key < kInfoAuthor || key > kInfoModDate) return {};
        return ReadInfoEntry(d, kKeys[key - 1]);
    } catch (...) {
        return {};
    }
}

int PdfEngine::SetDocInfo(int key, const std::string& value) {
    state_->last_error = kErrorNone;
    if (state_->registry.empty()) return 0;
    if (key < kInfoVersion || key > kInfoProducer) {
        state_->last_error = kErrorInfoKeyNotWritable;
        return 0;
    }
    try {
        TPDFDocument& d = state_->Document().Document();
        if (key == kInfoVersion) {
            static constexpr std::string_view kVersions[] = {"1.0", "1.1", "1.2", "1.3",
                                                             "1.4", "1.5", "1.6", "1.7"};
            if (std::find(std::begin(kVersions), std::end(kVersions), value) !=
                std::end(kVersions)) {
                d.SetVersion(value);
            }
        } else {
            static constexpr std::string_view kKeys[] = {info_key::kAuthor,  info_key::kTitle,
                                                         info_key::kSubject, info_key::kKeywords,
                                                         info_key::kCreator, info_key::kProducer};
            WriteInfoEntry(d, kKeys[key - 1], value);
        }
        return GetDocInfo(key) == value ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::PlaceText(double left, double top, const std::string& text) {
    if (text.empty()) return 1;
    if (state_->registry.empty() || !Finite({left, top})) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        if (pages.SelectedPage() == nullptr || !pages.Painter().IsBound()) return 0;
        if (state_->selected_font == nullptr || state_->Document().Fonts().empty()) {
            state_->selected_font = state_->AddStandardFont();
            state_->ApplyFont();
        }
        double x = 0, y = 0;
        PageOrigin(pages, x, y);
        pages.IsolateForeignContent();
        pages.Painter().Text(left + x, top + y, Utf8ToWinAnsi(text));
        return 1;
    } catch (...) {
        return 0;
    }
}

ImageId PdfEngine::LoadImageFile(const std::string& file_name, int index) {
    if (state_->registry.empty()) return 0;
    try {
        std::error_code error;
        if (!std::filesystem::is_regular_file(file_name, error)) return 0;
        std::string bytes;
        if (!ReadWholeFile(file_name, bytes)) return 0;
        // A bitmap file holds one image.
        if (index > 0) return 0;
        std::optional<BitmapImage> bitmap = DecodeBmp(bytes);
        if (!bitmap) return 0;
        TPDFDocument& d = state_->Document().Document();
        TPDFStream* stream = MakeImageStream(d.Structure(), *bitmap);
        d.RegisterIndirect(*stream);
        auto image = std::make_unique<TPDFImage>();
        image->id = state_->next_handle++;
        image->resource_name = MakeResourceName(kImageNamePrefix);
        image->object_number = stream->ObjectNumber();
        image->width = bitmap->width;
        image->height = bitmap->height;
        state_->Document().Images().push_back(std::move(image));
        state_->selected_image = state_->Document().Images().back().get();
        return state_->selected_image->id;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::GetImageWidth() {
    return state_->selected_image != nullptr ? state_->selected_image->width : 0;
}

int PdfEngine::GetImageHeight() {
    return state_->selected_image != nullptr ? state_->selected_image->height : 0;
}

int PdfEngine::GetImageColorKey() {
    return state_->selected_image != nullptr ? static_cast<int>(state_->selected_image->colour_key)
                                             : 0;
}

int PdfEngine::PlaceImage(double left, double top, double width, double height) {
    if (state_->registry.empty() || state_->selected_image == nullptr) return 0;
    if (!Finite({left, top, width, height})) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        if (pages.SelectedPage() == nullptr || !pages.Painter().IsBound()) return 0;
        const TPDFImage& image = *state_->selected_image;
        EnterResource(pages, kXObjectCategory, image.resource_name, image.object_number, 0);
        double x = 0, y = 0;
        PageOrigin(pages, x, y);
        pages.IsolateForeignContent();
        pages.Painter().Image(image.resource_name, left + x, top + y, width, height, image.is_mask);
        return 1;
    } catch (...) {
        return 0;
    }
}

int PdfEngine::SetFillRGB(double red, double green, double blue) {
    if (state_->registry.empty() || !Finite({red, green, blue})) return 0;
    state_->Pages().Painter().SetFillRGB(red, green, blue);
    return 1;
}

int PdfEngine::SetStrokeRGB(double red, double green, double blue) {
    if (state_->registry.empty() || !Finite({red, green, blue})) return 0;
    state_->Pages().Painter().SetStrokeRGB(red, green, blue);
    return 1;
}

int PdfEngine::PaintCircle(double x, double y, double radius, int mode) {
    if (state_->registry.empty() || !Finite({x, y, radius})) return 0;
    try {
        TPDFPageTree& pages = state_->Pages();
        if (pages.SelectedPage() == nullptr || !pages.Painter().IsBound()) return 0;
        double ox = 0, oy = 0;
        PageOrigin(pages, ox, oy);
        pages.IsolateForeignContent();
        pages.Painter().Circle(x + ox, y + oy, radius, mode);
        return 1;
    } catch (...) {
        return 0;
    }
}

double PdfEngine::GetFieldBound(int field_index, int edge) {
    if (state_->registry.empty() || field_index < 1 || edge < 1 || edge > 3) return 0;
    try {
        TPDFDictionary* catalog = state_->Document().Document().Catalog();
        TPDFDictionary* form = catalog != nullptr ? catalog->TryDictionary("AcroForm") : nullptr;
        TPDFArray* fields = form != nullptr ? form->TryArray("Fields") : nullptr;
        if (fields == nullptr || static_cast<std::size_t>(field_index) > fields->Size()) return 0;
        TPDFObject* field = fields->Resolve(static_cast<std::size_t>(field_index - 1));
        auto* dictionary = field != nullptr ? field->As<TPDFDictionary>() : nullptr;
        TPDFArray* rect = dictionary != nullptr ? dictionary->TryArray("Rect") : nullptr;
        if (rect == nullptr) return 0;
        return rect->TryNumber(static_cast<std::size_t>(edge - 1)).value_or(0);
    } catch (...) {
        return 0;
    }
}

TPDFDocument* PdfEngine::SelectedDocumentModel() {
    return state_->registry.empty() ? nullptr : &state_->Document().Document();
}

}  // namespace papyrion::pdf
