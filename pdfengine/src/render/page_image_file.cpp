#include "render/page_image_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <sstream>
#include <system_error>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "render/jpeg_codec.h"
#include "render/poppler_renderer.h"

namespace papyrion::pdf {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

RenderFileResult Fail(UniqueFile& file, const std::filesystem::path& path, std::string& error,
                      std::string reason) {
    file.reset();
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    error = std::move(reason);
    return RenderFileResult::kFailed;
}

// The renderer draws a page's CropBox; the engine's pages are as large as
// their MediaBox (GetPageWidth, printing), and so are pdftoppm's pictures.
// A copy of the written document gets the MediaBox as its CropBox on the
// page to draw; when anything about that fails the bytes go as they are.
std::string ShowingMediaBox(std::string bytes, int page_number) {
    TPDFDocument copy;
    if (copy.Read(bytes, "") != ReadResult::kRead) return bytes;
    const auto pages = CollectPages(copy);
    if (page_number < 1 || page_number > static_cast<int>(pages.size())) return bytes;
    TPDFDictionary& page = *pages[static_cast<std::size_t>(page_number - 1)];
    const auto media_box = InheritedMediaBox(page);
    if (!media_box) return bytes;
    TPDFStructure& s = copy.Structure();
    TPDFArray* box = s.MakeArray();
    for (double value : *media_box) box->Append(s.MakeNumeric(value));
    page.Set(page_key::kCropBox, box);
    std::ostringstream out;
    if (!copy.Write(out)) return bytes;
    return out.str();
}

// Whether the page shows less than its MediaBox: a CropBox of its own or
// inherited that is not the MediaBox.
bool CropsItsMediaBox(const TPDFDictionary& page) {
    constexpr int kMaxParentSteps = 256;
    const TPDFArray* crop = nullptr;
    const TPDFDictionary* node = &page;
    for (int step = 0; node != nullptr && crop == nullptr && step < kMaxParentSteps; ++step) {
        crop = node->TryArray(page_key::kCropBox);
        node = node->TryDictionary(page_key::kParent);
    }
    const auto media = InheritedMediaBox(page);
    if (crop == nullptr || !media) return false;
    if (crop->Size() < 4) return true;
    for (std::size_t i = 0; i < 4; ++i) {
        const auto value = crop->TryNumber(i);
        if (!value || *value != (*media)[i]) return true;
    }
    return false;
}

}  // namespace

RenderFileResult WritePageImageFile(TPDFDocument& document, const PageImageRequest& request,
                                    const std::filesystem::path& file, std::string& error) {
    const auto page_list = CollectPages(document);
    const int pages = static_cast<int>(page_list.size());
    const int page = std::clamp(request.page_number, 1, std::max(pages, 1));

    UniqueFile out(std::fopen(file.c_str(), "wb"));
    if (!out) {
        error = "cannot create " + file.string();
        return RenderFileResult::kCannotCreateFile;
    }
    if (request.format != kRenderFormatJpeg) {
        return Fail(
            out, file, error,
            "image format " + std::to_string(request.format) + " is not written by this engine");
    }
    if (pages < 1) return Fail(out, file, error, "the document has no pages");

    std::ostringstream written;
    if (!document.Write(written)) return Fail(out, file, error, "the document cannot be written");
    const std::string bytes = CropsItsMediaBox(*page_list[static_cast<std::size_t>(page - 1)])
                                  ? ShowingMediaBox(written.str(), page)
                                  : written.str();

    RenderRequest render;
    render.page_number = page;
    render.dpi = request.dpi;
    std::string render_error;
    const auto bitmap = RenderPdfPage(bytes, render, render_error);
    if (!bitmap) return Fail(out, file, error, render_error);

    const std::string jpeg = EncodeJpeg(*bitmap, kJpegQuality);
    if (jpeg.empty()) return Fail(out, file, error, "the JPEG encoder failed");
    if (std::fwrite(jpeg.data(), 1, jpeg.size(), out.get()) != jpeg.size() ||
        std::fclose(out.release()) != 0) {
        return Fail(out, file, error, "cannot write " + file.string());
    }
    return RenderFileResult::kWritten;
}

}  // namespace papyrion::pdf
