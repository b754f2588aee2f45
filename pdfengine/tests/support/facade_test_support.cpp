#include "support/facade_test_support.h"

#include <cctype>
#include <cstdlib>
#include <stdexcept>

#include "document/page_lookup.h"
#include "support/pdf_fixtures.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf::testing {

std::string Number(double value) { return FormatPdfNumber(value); }

std::string OnePagePdf(std::string_view media_box, std::string_view content,
                       std::string_view page_extra) {
    return BuildClassicPdf(
        {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
         {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
         {3, "<< /Type /Page /Parent 2 0 R /MediaBox " + std::string(media_box) +
                 " /Contents 4 0 R /Resources << >> " + std::string(page_extra) + " >>"},
         {4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" +
                 std::string(content) + "\nendstream"}});
}

std::string PagesPdf(int pages, std::string_view media_box, bool distinct_widths) {
    std::vector<FixtureObject> objects{{1, "<< /Type /Catalog /Pages 2 0 R >>"}};
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back(
        {2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>"});
    for (int i = 0; i < pages; ++i) {
        const std::string box = distinct_widths
                                    ? "[0 0 " + std::to_string(201 + i) + " 300]"
                                    : std::string(media_box);
        objects.push_back({3 + 2 * i, "<< /Type /Page /Parent 2 0 R /MediaBox " + box +
                                          " /Contents " + std::to_string(4 + 2 * i) +
                                          " 0 R >>"});
        objects.push_back({4 + 2 * i, "<< /Length 3 >>\nstream\n0 g\nendstream"});
    }
    return BuildClassicPdf(objects);
}

std::string QpdfProblems(const std::filesystem::path& file) {
    auto result = RunCommand("qpdf --check " + ShellQuote(file.string()));
    if (result.exit_code == 0 &&
        result.output.find("No syntax or stream encoding errors") != std::string::npos) {
        return {};
    }
    return result.output.empty() ? "qpdf exit " + std::to_string(result.exit_code) : result.output;
}

std::array<int, 3> Raster::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height) return {0, 0, 0};
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    return {static_cast<unsigned char>(rgb[at]), static_cast<unsigned char>(rgb[at + 1]),
            static_cast<unsigned char>(rgb[at + 2])};
}

Raster RenderPage(const std::filesystem::path& file, int page, int dpi) {
    TempFolder folder;
    const auto prefix = folder.Path() / "page";
    auto result = RunCommand("pdftoppm -r " + std::to_string(dpi) + " -f " +
                             std::to_string(page) + " -l " + std::to_string(page) +
                             " -singlefile " + ShellQuote(file.string()) + " " +
                             ShellQuote(prefix.string()));
    Raster raster;
    if (result.exit_code != 0) return raster;
    const std::string ppm = ReadFileBytes(prefix.string() + ".ppm");
    // "P6\n<width> <height>\n255\n" and the samples.
    std::size_t at = 0;
    auto token = [&]() {
        while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        std::size_t start = at;
        while (at < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        return ppm.substr(start, at - start);
    };
    if (token() != "P6") return raster;
    const int width = std::stoi(token());
    const int height = std::stoi(token());
    token();
    ++at;
    const std::size_t size = static_cast<std::size_t>(width) * height * 3;
    if (ppm.size() < at + size) return raster;
    raster.width = width;
    raster.height = height;
    raster.rgb = ppm.substr(at, size);
    return raster;
}

double DifferingShare(const Raster& a, const Raster& b, int tolerance) {
    if (a.width != b.width || a.height != b.height || a.width == 0) return 1;
    std::size_t differing = 0;
    const std::size_t pixels = static_cast<std::size_t>(a.width) * a.height;
    for (std::size_t i = 0; i < pixels; ++i) {
        for (std::size_t k = 0; k < 3; ++k) {
            const int da = static_cast<unsigned char>(a.rgb[i * 3 + k]);
            const int db = static_cast<unsigned char>(b.rgb[i * 3 + k]);
            if (std::abs(da - db) > tolerance) {
                ++differing;
                break;
            }
        }
    }
    return static_cast<double>(differing) / static_cast<double>(pixels);
}

SavedDocument::SavedDocument(const std::filesystem::path& file) {
    if (document_.Read(ReadFileBytes(file), "") != ReadResult::kRead) {
        throw std::runtime_error("the saved file does not read: " + file.string());
    }
    pages_ = CollectPages(document_);
}

std::vector<TPDFStream*> SavedDocument::ContentStreams(const TPDFDictionary& page) {
    std::vector<TPDFStream*> streams;
    TPDFObject* contents = page.Resolve("Contents");
    if (contents == nullptr) return streams;
    if (auto* stream = contents->As<TPDFStream>()) {
        streams.push_back(stream);
    } else if (auto* array = contents->As<TPDFArray>()) {
        for (std::size_t i = 0; i < array->Size(); ++i) {
            TPDFObject* item = array->Resolve(i);
            if (auto* s = item != nullptr ? item->As<TPDFStream>() : nullptr) streams.push_back(s);
        }
    }
    return streams;
}

std::string SavedDocument::Decoded(const TPDFStream& stream) {
    return document_.DecodedStreamData(stream);
}

std::string SavedDocument::Text(const TPDFObject& object) { return PdfText(object); }

}  // namespace papyrion::pdf::testing
