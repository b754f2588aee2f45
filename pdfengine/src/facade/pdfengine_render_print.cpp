// PdfEngine's rendering and printing: the render factor, page image files,
// packed print options, custom printers and printing a page range on a
// CUPS destination.

#include <algorithm>
#include <cctype>
#include <chrono>
#include <ctime>

#include "crypto/primitives.h"
#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "facade/render_print_state.h"
#include "pdfengine/pdfengine.h"
#include "pdfengine/printers.h"
#include "print/print_job.h"
#include "render/page_image_file.h"

namespace papyrion::pdf {

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::toupper(static_cast<unsigned char>(x)) <
               std::toupper(static_cast<unsigned char>(y));
    });
}

int PackPrintOptions(int scaling, int auto_rotate_centre, int title_count) {
    return (scaling & 15) + (auto_rotate_centre == 1 ? 16 : 0) +
           256 * (kFirstTitleCode - 1 + title_count);
}

std::string TitleOfOptions(int options, const std::vector<std::string>& titles,
                           const std::string& fallback) {
    const int packed = options & 0xFFFFFF;
    if (packed < kFirstTitleCode * 256) return fallback;
    const int index = (packed >> 8) - kFirstTitleCode;
    if (index < 0 || index >= static_cast<int>(titles.size())) return fallback;
    return titles[static_cast<std::size_t>(index)];
}

std::string CustomPrinterName(std::size_t entries, std::string_view date_time) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const std::string digest = crypto::Md5(std::to_string(entries) + std::string(date_time));
    std::string name;
    for (char c : digest) {
        name += kDigits[static_cast<unsigned char>(c) >> 4];
        name += kDigits[static_cast<unsigned char>(c) & 0x0F];
    }
    return name;
}

namespace {

std::string LocalDateTime() {
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm local{};
    localtime_r(&now, &local);
    char buffer[32];
    std::strftime(buffer, sizeof buffer, "%Y/%m/%d %H:%M:%S", &local);
    return buffer;
}

// The title of jobs whose options name none.
std::string DefaultJobTitle() { return EngineIdentification(); }

}  // namespace

RenderPrintState& PdfEngine::RenderPrint() {
    if (!render_print_) render_print_ = std::make_shared<RenderPrintState>();
    return *render_print_;
}

std::string PdfEngine::PrintResultText() { return RenderPrint().result_text; }

int PdfEngine::SetRenderFactor(double factor) {
    RenderPrint().render_factor = factor;
    return 1;
}

int PdfEngine::RenderPageFile(int dpi, int page_number, int format, const std::string& file_name) {
    RenderPrintState& state = RenderPrint();
    state.result_text.clear();
    PageImageRequest request;
    request.page_number = page_number;  // clamped to the pages by the writer
    request.dpi = dpi * state.render_factor;
    request.format = format;
    if (SelectedDocumentModel() == nullptr) return 0;
    const int pages = CountPages();
    request.page_number = std::clamp(page_number, 1, std::max(pages, 1));

    // The renderer is handed the page cut out into a document of its own,
    // so a thumbnail of a large file costs one page, not the whole file.
    // The cut-out document is closed again and the source selected as it
    // was, with its own selected page.
    const DocumentId source = CurrentDocument();
    DocumentId single = 0;
    if (pages > 1 && ExtractPageList(std::to_string(request.page_number)) == 1) {
        single = CurrentDocument();
        request.page_number = 1;
    }
    std::string error;
    const RenderFileResult result =
        WritePageImageFile(*SelectedDocumentModel(), request, file_name, error);
    if (single != 0) {
        UseDocument(source);
        CloseDocument(single);
    }
    state.result_text = error;
    return static_cast<int>(result);
}

int PdfEngine::MakePrintOptions(int scaling, int auto_rotate_centre, const std::string& job_title) {
    RenderPrintState& state = RenderPrint();
    state.job_titles.push_back(job_title);
    return PackPrintOptions(scaling, auto_rotate_centre, static_cast<int>(state.job_titles.size()));
}

std::string PdfEngine::RegisterCustomPrinter(const std::string& printer_name) {
    RenderPrintState& state = RenderPrint();
    std::string name = CustomPrinterName(state.custom_printers.size(), LocalDateTime());
    TPDFCustomPrinter printer;
    printer.target_printer = printer_name;
    state.custom_printers[name] = printer;
    return name;
}

int PdfEngine::ConfigureCustomPrinter(const std::string& custom_printer_name, int setting,
                                      int value) {
    RenderPrintState& state = RenderPrint();
    const auto entry = state.custom_printers.find(custom_printer_name);
    if (entry == state.custom_printers.end()) return 0;
    return ConfigureSetting(entry->second, setting, value) ? 1 : 0;
}

int PdfEngine::PrintPages(const std::string& printer_name, int start_page, int end_page,
                          int options) {
    RenderPrintState& state = RenderPrint();
    state.result_text.clear();
    TPDFDocument* selected = SelectedDocumentModel();
    if (selected == nullptr) throw PrintError("The engine has no document to print");
    TPDFDocument& document = *selected;
    const int pages = std::max(1, static_cast<int>(CollectPages(document).size()));

    PrintJobRequest request;
    request.printer_name = printer_name;
    if (const auto entry = state.custom_printers.find(printer_name);
        entry != state.custom_printers.end()) {
        request.printer_name = entry->second.target_printer;
        request.settings = &entry->second;
    }
    // A start beyond the last page prints the last page rather than an
    // empty job.
    request.first_page = std::clamp(start_page, 1, pages);
    request.last_page =
        std::clamp(std::max(end_page, request.first_page), request.first_page, pages);
    request.scaling = ScalingModeOf(options);
    request.auto_rotate_centre = (options & 16) != 0;
    request.title = TitleOfOptions(options, state.job_titles, DefaultJobTitle());
    try {
        SubmitPrintJob(document, request);
    } catch (const PrintError& error) {
        // The selection was never changed, so there is nothing to restore
        // before the error goes to the caller.
        state.result_text = error.what();
        throw;
    }
    return 1;
}

}  // namespace papyrion::pdf
