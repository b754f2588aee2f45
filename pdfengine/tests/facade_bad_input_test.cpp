// Damaged page trees and contents driven through the facade: every call
// returns, nothing hangs, and what the engine saves still passes qpdf.

#include <gtest/gtest.h>

#include <string>

#include "pdfengine/pdfengine.h"
#include "support/facade_sequences.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using test::TempFolder;
using testing::BuildClassicPdf;
using testing::FixtureObject;

const char* const kCatalog = "<< /Type /Catalog /Pages 2 0 R >>";
const char* const kPage = "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] >>";

struct BadTree {
    const char* what;
    std::vector<FixtureObject> objects;
    int pages;  // what CountPages reports
};

TEST(FacadeBadInput, BrokenPageTreesAndContents) {
    const BadTree cases[] = {
        {"root without Kids", {{1, kCatalog}, {2, "<< /Type /Pages /Count 1 >>"}}, 1},
        {"Count far too high",
         {{1, kCatalog}, {2, "<< /Type /Pages /Kids [3 0 R] /Count 1000000000 >>"}, {3, kPage}},
         1000000000},
        {"Count too low",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 1 >>"},
          {3, kPage},
          {4, kPage},
          {5, kPage}},
         1},
        {"negative Count",
         {{1, kCatalog}, {2, "<< /Type /Pages /Kids [3 0 R] /Count -5 >>"}, {3, kPage}},
         0},
        {"Kids loop back to the root",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [4 0 R] /Count 3 >>"},
          {4, "<< /Type /Pages /Parent 2 0 R /Kids [3 0 R 2 0 R] /Count 3 >>"},
          {3, kPage}},
         3},
        {"Parent loop",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
          {3, "<< /Type /Page /Parent 4 0 R >>"},
          {4, "<< /Type /Pages /Parent 3 0 R /Kids [3 0 R] /Count 1 >>"}},
         1},
        {"Kids holding junk",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [7 (x) 9 0 R << /Type /Page >> 3 0 R] /Count 2 >>"},
          {3, kPage}},
         2},
        {"Contents a number",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
          {3, "<< /Type /Page /Parent 2 0 R /Contents 42 >>"}},
         1},
        {"Contents refers to nothing",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
          {3, "<< /Type /Page /Parent 2 0 R /Contents 99 0 R >>"}},
         1},
        {"Contents array of junk",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
          {3, "<< /Type /Page /Parent 2 0 R /Contents [1 0 R (x) null 4 0 R] >>"},
          {4, "<< /Length 9 >>\nstream\nnot valid\nendstream"}},
         1},
        {"MediaBox of junk",
         {{1, kCatalog},
          {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>"},
          {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 (a) /b] >>"},
          {4, "<< /Type /Page /Parent 2 0 R /MediaBox 5 >>"}},
         2},
    };
    for (const BadTree& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const auto input = folder.Write("in.pdf", BuildClassicPdf(c.objects));
        const auto output = folder.Path() / "out.pdf";
        PdfEngine engine;
        const DocumentId blank = engine.CurrentDocument();
        if (engine.OpenFile(input.string()) != 1) {
            EXPECT_EQ(engine.CurrentDocument(), blank);
            continue;
        }
        const DocumentId doc = engine.CurrentDocument();
        EXPECT_EQ(engine.CountPages(), c.pages);
        engine.UsePage(1);
        engine.UsePage(c.pages);
        (void)engine.GetPageWidth();
        engine.SetPageSize(300, 400);
        engine.AppendPages(1);
        const CaptureId cap = engine.CapturePageAsForm(engine.CountPages());
        engine.UsePage(1);
        engine.PlaceCapturedPage(cap, 0, 300, 200, 300);
        engine.PlaceText(10, 10, "text");
        engine.ExtractPageList("1-3");
        engine.UseDocument(doc);
        const DocumentId fresh = engine.CreateDocument();
        engine.AppendDocument(doc);
        EXPECT_EQ(engine.CurrentDocument(), fresh);
        engine.CapturePageAsForm(2);
        engine.UsePage(1);
        // The merged document carries the pages, not the damage of their tree.
        ASSERT_EQ(engine.SaveFile(output.string()), 1);
        EXPECT_EQ(test::QpdfProblems(output), "");
        testing::RunFacadeSequence(test::ReadFile(input));
    }
}

TEST(FacadeBadInput, WrongIdsChangeNothing) {
    PdfEngine engine;
    const DocumentId only = engine.CurrentDocument();
    EXPECT_EQ(engine.UseDocument(0), 0);
    EXPECT_EQ(engine.UseDocument(only + 7), 0);
    EXPECT_EQ(engine.AppendDocument(0), 0);
    EXPECT_EQ(engine.CloseDocument(12345), 0);
    EXPECT_EQ(engine.PlaceCapturedPage(99, 0, 0, 10, 10), 0);
    EXPECT_EQ(engine.PlaceImage(0, 0, 10, 10), 0);
    EXPECT_EQ(engine.CapturePageAsForm(-3), 0);
    EXPECT_EQ(engine.PlaceCapturedPage(0, 0, 1e308 * 10, 10, 10), 0);
    EXPECT_EQ(engine.CurrentDocument(), only);
    EXPECT_EQ(engine.CountPages(), 1);
}

}  // namespace
}  // namespace papyrion::pdf
