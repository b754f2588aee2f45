#include "processing/pagefiles.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <system_error>

#include "pdfengine/pdfengine.h"

namespace papyrion {

namespace {

constexpr int kRenderDpi = 75;
constexpr int kRenderFormatJpeg = 1;
constexpr int kDefaultSize = 17;
constexpr const char* kThumbnailSize = "18";

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The whole text as a decimal integer (an optional sign and digits), else 0.
int IntegerOrZero(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return 0;
    return value;
}

}  // namespace

std::string DisplayFileName(std::string_view path) {
    std::size_t at = path.rfind('/');
    if (at == std::string_view::npos) at = path.rfind('\\');
    if (at == std::string_view::npos) return {};
    return std::string(path.substr(at + 1, 255));
}

std::string PathStem(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        name = name.substr(0, dot);
    }
    return std::string(name);
}

int CountStationeryPages(const std::string& path) {
    pdf::PdfEngine engine;
    if (!FileExists(path)) return 1;
    engine.OpenFile(path, "");
    engine.CurrentDocument();
    return engine.CountPages();
}

PageFiles::PageFiles(UserInterface& ui, std::string temp_dir, SortedPathList& temp_files)
    : ui_(ui), temp_dir_(std::move(temp_dir)), temp_files_(temp_files) {}

int PageFiles::ExtractPageToTemp(const std::string& path, int page, std::string_view name) {
    ui_.ActivityTick();
    const int name_number = page < 1 ? 1 : page;
    const std::string target = temp_dir_ + (name.empty() ? PathStem(path) : std::string(name)) +
                               std::to_string(name_number) + ".pdf";
    current_extraction_ = target;
    temp_files_.Add(target);
    std::error_code ignored;
    std::filesystem::remove(target, ignored);

    if (FileExists(path)) {
        pdf::PdfEngine engine;
        // An unreadable file leaves the engine's blank start document
        // selected, and its one page is what is extracted.
        engine.OpenFile(path, "");
        engine.CurrentDocument();
        const int pages = engine.CountPages();
        preview_page_count_ = pages;
        if (on_preview_page_count) on_preview_page_count(pages);
        if (page > pages) page = pages;
        if (engine.ExtractPageList(std::to_string(page)) == 1) engine.SaveFile(target);
    }
    return name_number;
}

std::string PageFiles::RenderPageToJpeg(const std::string& path, const std::string& page_text,
                                        const std::string& size_text, std::string_view name) {
    ui_.ActivityTick();
    int page = IntegerOrZero(page_text);
    if (page == 0) page = 1;
    int size = IntegerOrZero(size_text);
    if (size == 0) size = kDefaultSize;

    ExtractPageToTemp(path, page, name);
    const std::string source = current_extraction_;
    if (!FileExists(source)) return {};

    pdf::PdfEngine engine;
    engine.OpenFile(source, "");
    engine.CurrentDocument();
    const std::string source_name = DisplayFileName(source);
    const std::string jpeg = temp_dir_ + source_name.substr(0, source_name.size() - 4) + ".jpg";
    if (page > preview_page_count_) page = preview_page_count_;
    engine.SetRenderFactor(size / 100.0);
    engine.UsePage(page);
    // The engine clamps the page to the single page of the extraction.
    engine.RenderPageFile(kRenderDpi, page, kRenderFormatJpeg, jpeg);
    temp_files_.Add(jpeg);
    return jpeg;
}

void RefreshStationeryPageFiles(PageFiles& page_files, const StationeryChoice& letterhead,
                                const StationeryChoice& continuation, StationeryPageFiles& files) {
    files.letterhead_pages = std::max(1, CountStationeryPages(letterhead.file));
    files.continuation_pages = std::max(1, CountStationeryPages(continuation.file));
    if (letterhead.mode > 0) {
        files.letterhead_jpeg = page_files.RenderPageToJpeg(
            letterhead.file, std::to_string(letterhead.page), kThumbnailSize, kLetterheadPageName);
        files.letterhead_page_file = page_files.CurrentExtraction();
    }
    if (continuation.mode > 0) {
        files.continuation_jpeg =
            page_files.RenderPageToJpeg(continuation.file, std::to_string(continuation.page),
                                        kThumbnailSize, kContinuationPageName);
        files.continuation_page_file = page_files.CurrentExtraction();
    }
}

}  // namespace papyrion
