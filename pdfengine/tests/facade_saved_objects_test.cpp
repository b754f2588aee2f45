// What a saved stamping result carries: the captured pages live on as forms,
// the pages they came from and their content streams are gone.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/pdf_document.h"
#include "pdfengine/pdfengine.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using test::TempFolder;
using testing::FixtureObject;
using testing::SavedDocument;

// Page i (0-based) is object 3 + 2i with content stream 4 + 2i drawing its
// own line, so each content is recognisable in any file.
std::string DistinctPagesPdf(int pages) {
    std::vector<FixtureObject> objects{{1, "<< /Type /Catalog /Pages 2 0 R >>"}};
    std::string kids;
    for (int i = 0; i < pages; ++i) kids += std::to_string(3 + 2 * i) + " 0 R ";
    objects.push_back(
        {2, "<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>"});
    for (int i = 0; i < pages; ++i) {
        const std::string content = "0 0 m " + std::to_string(100 + i) + " 77 l S";
        objects.push_back({3 + 2 * i,
                           "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] "
                           "/Contents " +
                               std::to_string(4 + 2 * i) + " 0 R >>"});
        objects.push_back({4 + 2 * i, "<< /Length " + std::to_string(content.size()) +
                                          " >>\nstream\n" + content + "\nendstream"});
    }
    return testing::BuildClassicPdf(objects);
}

TEST(FacadeSavedObjects, CapturedPagesLeaveNothingOfTheirOldSelvesBehind) {
    const int pages = 6;
    TempFolder folder;
    const auto input = folder.Write("in.pdf", DistinctPagesPdf(pages));
    const auto output = folder.Path() / "stamped.pdf";

    PdfEngine engine;
    ASSERT_EQ(engine.OpenFile(input.string()), 1);
    ASSERT_EQ(engine.AppendPages(pages), 2 * pages);
    std::vector<CaptureId> captures;
    for (int i = 0; i < pages; ++i) {
        captures.push_back(engine.CapturePageAsForm(1));
        ASSERT_NE(captures.back(), 0u);
    }
    ASSERT_EQ(engine.CountPages(), pages);
    for (int p = 1; p <= pages; ++p) {
        ASSERT_EQ(engine.UsePage(p), 1);
        ASSERT_EQ(
            engine.PlaceCapturedPage(captures[static_cast<std::size_t>(p - 1)], 0, 300, 200, 300),
            1);
    }
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(test::QpdfProblems(output), "");

    const std::string bytes = test::ReadFile(output);
    SavedDocument saved(output);
    ASSERT_EQ(saved.Pages().size(), static_cast<std::size_t>(pages));
    for (int i = 0; i < pages; ++i) {
        SCOPED_TRACE(i);
        const std::string line = "0 0 m " + std::to_string(100 + i) + " 77 l S";
        // The old page and its content keep their numbers, free.
        EXPECT_EQ(saved.Document().FindIndObj(3 + 2 * i), nullptr);
        EXPECT_EQ(saved.Document().FindIndObj(4 + 2 * i), nullptr);
        EXPECT_EQ(bytes.find(line), std::string::npos);

        // The drawing itself survives inside the form placed on the new page.
        TPDFDictionary* resources =
            saved.Pages()[static_cast<std::size_t>(i)]->TryDictionary("Resources");
        ASSERT_NE(resources, nullptr);
        TPDFDictionary* xobjects = resources->TryDictionary("XObject");
        ASSERT_NE(xobjects, nullptr);
        ASSERT_EQ(xobjects->Count(), 1u);
        TPDFStream* form = xobjects->TryStream(xobjects->Entries()[0].key);
        ASSERT_NE(form, nullptr);
        EXPECT_NE(saved.Decoded(*form).find(line), std::string::npos);
    }
}

}  // namespace
}  // namespace papyrion::pdf
