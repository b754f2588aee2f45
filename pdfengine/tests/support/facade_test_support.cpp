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
        const std::string box =
            distinct_widths ? "[0 0 " + std::to_string(201 + i) + " 300]" : std::string(media_box);
        objects.push_back({3 + 2 * i, "<< /Type /Page /Parent 2 0 R /MediaBox " + box +
                                          " /Contents " + std::to_string(4 + 2 * i) + " 0 R >>"});
        objects.push_back({4 + 2 * i, "<< /Length 3 >>\nstream\n0 g\nendstream"});
    }
    return BuildClassicPdf(objects);
}

SavedDocument::SavedDocument(const std::filesystem::path& file) {
    if (document_.Read(test::ReadFile(file), "") != ReadResult::kRead) {
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
