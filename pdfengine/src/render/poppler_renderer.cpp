#include "render/poppler_renderer.h"

#include <poppler-document.h>
#include <poppler-global.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <utility>

namespace papyrion::pdf {

namespace {

// A page of 200 x 200 inches at 600 DPI stays below this; anything larger is
// a damaged MediaBox or a mistaken factor, and would eat gigabytes.
constexpr double kMaxPixels = 256.0 * 1024 * 1024;

// poppler reports every repair it makes on stderr; the engine's callers
// judge a page by the picture, and a desktop program has no one reading
// stderr.
void IgnorePopplerMessage(const std::string&, void*) {}

}  // namespace

std::optional<RgbBitmap> RenderPdfPage(std::string_view pdf_bytes, const RenderRequest& request,
                                       std::string& error) {
    if (pdf_bytes.size() > static_cast<std::size_t>(INT_MAX)) {
        error = "document too large for the renderer";
        return std::nullopt;
    }
    if (!(request.dpi > 0) || !std::isfinite(request.dpi)) {
        error = "resolution must be above 0";
        return std::nullopt;
    }
    poppler::set_debug_error_function(IgnorePopplerMessage, nullptr);
    std::unique_ptr<poppler::document> document(poppler::document::load_from_raw_data(
        pdf_bytes.data(), static_cast<int>(pdf_bytes.size()), request.password, request.password));
    if (!document || document->is_locked()) {
        error = "the renderer cannot read the document";
        return std::nullopt;
    }
    if (request.page_number < 1 || request.page_number > document->pages()) {
        error = "no page " + std::to_string(request.page_number);
        return std::nullopt;
    }
    std::unique_ptr<poppler::page> page(document->create_page(request.page_number - 1));
    if (!page) {
        error = "the renderer cannot read page " + std::to_string(request.page_number);
        return std::nullopt;
    }
    const poppler::rectf box = page->page_rect(poppler::crop_box);
    double width = std::ceil(std::abs(box.width()) * request.dpi / 72.0);
    double height = std::ceil(std::abs(box.height()) * request.dpi / 72.0);
    if (page->orientation() == poppler::page::landscape ||
        page->orientation() == poppler::page::seascape) {
        std::swap(width, height);
    }
    if (!(width * height <= kMaxPixels) || width < 1 || height < 1) {
        error = "page too large at this resolution";
        return std::nullopt;
    }

    poppler::page_renderer renderer;
    renderer.set_render_hint(poppler::page_renderer::antialiasing, true);
    renderer.set_render_hint(poppler::page_renderer::text_antialiasing, true);
    renderer.set_image_format(poppler::image::format_rgb24);
    // Whole pixels rounded up, as pdftoppm sizes its pictures: a partly
    // covered last column is drawn rather than dropped.
    poppler::image image = renderer.render_page(page.get(), request.dpi, request.dpi, 0, 0,
                                                static_cast<int>(width), static_cast<int>(height));
    if (!image.is_valid() || image.width() <= 0 || image.height() <= 0 ||
        image.format() != poppler::image::format_rgb24) {
        error = "the renderer drew nothing";
        return std::nullopt;
    }

    RgbBitmap bitmap;
    bitmap.width = image.width();
    bitmap.height = image.height();
    const std::size_t row = static_cast<std::size_t>(bitmap.width) * 3;
    bitmap.pixels.resize(row * static_cast<std::size_t>(bitmap.height));
    const char* source = image.const_data();
    for (int y = 0; y < bitmap.height; ++y) {
        std::memcpy(bitmap.pixels.data() + row * static_cast<std::size_t>(y),
                    source + static_cast<std::ptrdiff_t>(image.bytes_per_row()) * y, row);
    }
    return bitmap;
}

}  // namespace papyrion::pdf
