// The engine facade driven as its callers drive it: the stamping sequence
// and its exact content streams, the registry and selections, the page
// operations' edge cases, and qpdf's verdict on every file it saves.

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "document/page_lookup.h"
#include "document/page_operations.h"
#include "document/pdf_document.h"
#include "filters/decode.h"
#include "object/pdf_keys.h"
#include "pdfengine/pdfengine.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using test::QpdfProblems;
using test::TempFolder;
using testing::BuildClassicPdf;
using testing::FixtureObject;
using testing::OnePagePdf;
using testing::PagesPdf;
using testing::SavedDocument;

const std::regex kFormName("TessaronXO[0-9a-f]{8}");

// The stamping of one document page with one stationery page, as the
// overlay composition runs it up to its first save: the layer document.
struct LayerCase {
    const char* what;
    const char* stationery_box;
    double page_width;
    double page_height;
    const char* first_matrix;
};

TEST(FacadeStamping, LayerPageHoldsExactlyTheFiveLines) {
    const LayerCase cases[] = {
        {"same size", "[0 0 595 842]", 595, 842, "10 0 0 10 0 0 cm"},
        {"letter into A4", "[0 0 612 792]", 595, 842, "9.7222 0 0 10.6313 0 0 cm"},
        {"stationery origin moved", "[10 20 622 812]", 612, 792, "10 0 0 10 -10 -20 cm"},
    };
    for (const LayerCase& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        const std::string box =
            "[0 0 " + testing::Number(c.page_width) + " " + testing::Number(c.page_height) + "]";
        auto input = folder.Write("in.pdf", PagesPdf(2, box));
        auto stationery =
            folder.Write("lh.pdf", OnePagePdf(c.stationery_box, "0 0 1 rg 0 0 50 50 re f"));
        auto output = folder.Path() / "layer.pdf";

        PdfEngine engine;
        ASSERT_EQ(engine.OpenFile(input.string()), 1);
        const int n = engine.CountPages();
        engine.UsePage(1);
        const double h = engine.GetPageHeight();
        const double w = engine.GetPageWidth();
        const DocumentId layer = engine.CreateDocument();
        ASSERT_NE(layer, 0u);
        ASSERT_EQ(engine.SetPageSize(w, h), 1);
        ASSERT_EQ(engine.AppendPages(n - 1), n);
        for (int p = 1; p <= n; ++p) {
            ASSERT_EQ(engine.OpenFile(stationery.string()), 1);
            const DocumentId s = engine.CurrentDocument();
            ASSERT_EQ(engine.UseDocument(layer), 1);
            ASSERT_EQ(engine.AppendDocument(s), 1);
            const CaptureId cap = engine.CapturePageAsForm(engine.CountPages());
            ASSERT_NE(cap, 0u);
            ASSERT_EQ(engine.CountPages(), n);
            ASSERT_EQ(engine.UsePage(p), 1);
            ASSERT_EQ(engine.PlaceCapturedPage(cap, 0, h, w, h), 1);
        }
        ASSERT_EQ(engine.SaveFile(output.string()), 1);
        EXPECT_EQ(QpdfProblems(output), "");

        SavedDocument saved(output);
        ASSERT_EQ(saved.Pages().size(), 2u);
        for (TPDFDictionary* page : saved.Pages()) {
            const auto contents = saved.ContentStreams(*page);
            ASSERT_EQ(contents.size(), 1u);
            EXPECT_TRUE(contents[0]->Dictionary().HasName("LC", "tKRW"));
            EXPECT_EQ(contents[0]->Dictionary().Get("Filter"), nullptr);
            const std::string& data = contents[0]->Data();
            std::smatch name;
            ASSERT_TRUE(std::regex_search(data, name, kFormName)) << data;
            EXPECT_EQ(data, "q\n" + std::string(c.first_matrix) + "\n0.1 0 0 0.1 0 0 cm\n/" +
                                name.str() + " Do\nQ\n");

            TPDFDictionary* resources = page->TryDictionary("Resources");
            ASSERT_NE(resources, nullptr);
            EXPECT_NE(resources->TryArray("ProcSet"), nullptr);
            TPDFDictionary* xobjects = resources->TryDictionary("XObject");
            ASSERT_NE(xobjects, nullptr);
            ASSERT_EQ(xobjects->Count(), 1u);
            TPDFStream* form = xobjects->TryStream(name.str());
            ASSERT_NE(form, nullptr);
            EXPECT_TRUE(form->Dictionary().HasName("Subtype", "Form"));
            EXPECT_EQ(saved.Decoded(*form), "q\n 0 0 1 rg 0 0 50 50 re f \nQ\n");
        }
    }
}

TEST(FacadeStamping, SecondStationeryOnAPageAddsABlankAndFiveLines) {
    TempFolder folder;
    auto stationery = folder.Write("lh.pdf", OnePagePdf("[0 0 612 792]", "0 g"));
    auto output = folder.Path() / "out.pdf";
    PdfEngine engine;
    const DocumentId layer = engine.CurrentDocument();
    std::vector<CaptureId> caps;
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(engine.OpenFile(stationery.string()), 1);
        const DocumentId s = engine.CurrentDocument();
        engine.UseDocument(layer);
        ASSERT_EQ(engine.AppendDocument(s), 1);
        caps.push_back(engine.CapturePageAsForm(2));
        ASSERT_NE(caps.back(), 0u);
    }
    engine.UsePage(1);
    ASSERT_EQ(engine.PlaceCapturedPage(caps[0], 0, 792, 612, 792), 1);
    // The composition selects the page again before each drawing.
    engine.UsePage(1);
    ASSERT_EQ(engine.PlaceCapturedPage(caps[1], 0, 792, 612, 792), 1);
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    SavedDocument saved(output);
    const std::string data = saved.ContentStreams(*saved.Pages()[0]).back()->Data();
    const std::regex two(
        "q\n10 0 0 10 0 0 cm\n0\\.1 0 0 0\\.1 0 0 cm\n/TessaronXO[0-9a-f]{8} Do\nQ\n"
        " q\n10 0 0 10 0 0 cm\n0\\.1 0 0 0\\.1 0 0 cm\n/TessaronXO[0-9a-f]{8} Do\nQ\n");
    EXPECT_TRUE(std::regex_match(data, two)) << data;
}

TEST(FacadeEngine, NewEngineHasOneLetterPage) {
    PdfEngine engine;
    EXPECT_NE(engine.CurrentDocument(), 0u);
    EXPECT_EQ(engine.CountPages(), 1);
    EXPECT_EQ(engine.GetPageWidth(), 612);
    EXPECT_EQ(engine.GetPageHeight(), 792);
    EXPECT_EQ(engine.GetDocInfo(kInfoVersion), "1.4");
    EXPECT_EQ(engine.GetDocInfo(kInfoProducer), "Papyrion PDF engine 1.0");
    EXPECT_EQ(engine.GetDocInfo(kInfoCreator), "Papyrion PDF engine 1.0");
    EXPECT_EQ(engine.GetDocInfo(kInfoCreationDate).substr(0, 2), "D:");
}

TEST(FacadeEngine, AppendPagesTakesOneToJustBelowAHundredThousand) {
    const struct {
        int count;
        int result;
    } cases[] = {{0, 0}, {-1, 0}, {100000, 0}, {1, 2}, {99999, 100000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        PdfEngine engine;
        EXPECT_EQ(engine.AppendPages(c.count), c.result);
        EXPECT_EQ(engine.CountPages(), c.result == 0 ? 1 : c.result);
    }
}

TEST(FacadeEngine, UsePageOutsideThePagesKeepsTheCurrentOne) {
    PdfEngine engine;
    engine.AppendPages(2);
    ASSERT_EQ(engine.UsePage(2), 1);
    ASSERT_EQ(engine.SetPageSize(100, 200), 1);
    EXPECT_EQ(engine.UsePage(0), 0);
    EXPECT_EQ(engine.GetPageWidth(), 100);
    EXPECT_EQ(engine.UsePage(4), 0);
    EXPECT_EQ(engine.GetPageHeight(), 200);
    EXPECT_EQ(engine.SetPageSize(0, 200), 0);
    EXPECT_EQ(engine.GetPageWidth(), 100);
}

TEST(FacadeEngine, CaptureDeletesThePageAndSelectsTheOneTakingItsNumber) {
    const struct {
        int pages;
        int captured;
        int selected_after;  // 0: the capture fails
    } cases[] = {{1, 1, 0}, {2, 1, 1}, {5, 5, 4}, {5, 2, 2}, {5, 6, 0}, {5, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.pages) + " pages, capture " + std::to_string(c.captured));
        PdfEngine engine;
        if (c.pages > 1) engine.AppendPages(c.pages - 1);
        // Give each page a width telling which page it was.
        for (int p = 1; p <= c.pages; ++p) {
            engine.UsePage(p);
            engine.SetPageSize(100 + p, 100);
        }
        engine.UsePage(1);
        const CaptureId cap = engine.CapturePageAsForm(c.captured);
        if (c.selected_after == 0) {
            EXPECT_EQ(cap, 0u);
            EXPECT_EQ(engine.CountPages(), c.pages);
            continue;
        }
        EXPECT_NE(cap, 0u);
        EXPECT_EQ(engine.CountPages(), c.pages - 1);
        const int former = c.selected_after >= c.captured ? c.selected_after + 1 : c.selected_after;
        EXPECT_EQ(engine.GetPageWidth(), 100 + former);
    }
}

TEST(FacadeEngine, AppendDocumentChecksTheIdAndConsumesTheSource) {
    PdfEngine engine;
    const DocumentId first = engine.CurrentDocument();
    EXPECT_EQ(engine.AppendDocument(first), 0);
    EXPECT_EQ(engine.AppendDocument(first + 1000), 0);
    EXPECT_EQ(engine.CountPages(), 1);

    const DocumentId second = engine.CreateDocument();
    engine.AppendPages(2);
    ASSERT_EQ(engine.UseDocument(first), 1);
    ASSERT_EQ(engine.AppendDocument(second), 1);
    EXPECT_EQ(engine.CurrentDocument(), first);
    EXPECT_EQ(engine.CountPages(), 4);
    EXPECT_EQ(engine.UseDocument(second), 0);
    EXPECT_EQ(engine.CurrentDocument(), first);
}

TEST(FacadeEngine, ClosingTheOnlyDocumentLeavesABlankOneSelected) {
    PdfEngine engine;
    const DocumentId only = engine.CurrentDocument();
    ASSERT_EQ(engine.CloseDocument(only), 1);
    EXPECT_NE(engine.CurrentDocument(), only);
    EXPECT_NE(engine.CurrentDocument(), 0u);
    EXPECT_EQ(engine.CountPages(), 1);
    EXPECT_EQ(engine.CloseDocument(only), 0);
}

TEST(FacadeEngine, PlaceCapturedPageAcceptsOnlyCapturesOfTheSelectedDocument) {
    PdfEngine engine;
    const DocumentId first = engine.CurrentDocument();
    engine.AppendPages(1);
    const CaptureId cap = engine.CapturePageAsForm(2);
    ASSERT_NE(cap, 0u);
    engine.CreateDocument();
    EXPECT_EQ(engine.PlaceCapturedPage(cap, 0, 792, 612, 792), 0);
    EXPECT_EQ(engine.PlaceCapturedPage(0, 0, 792, 612, 792), 0);
    engine.UseDocument(first);
    EXPECT_EQ(engine.PlaceCapturedPage(cap, 0, 792, 612, 792), 1);
}

TEST(FacadeEngine, OneCapturedPageDrawsOnManyPages) {
    TempFolder folder;
    auto output = folder.Path() / "many.pdf";
    PdfEngine engine;
    engine.AppendPages(50);
    const CaptureId cap = engine.CapturePageAsForm(51);
    ASSERT_NE(cap, 0u);
    for (int p = 1; p <= 50; ++p) {
        ASSERT_EQ(engine.UsePage(p), 1);
        ASSERT_EQ(engine.PlaceCapturedPage(cap, 0, 792, 612, 792), 1);
    }
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(QpdfProblems(output), "");
    SavedDocument saved(output);
    ASSERT_EQ(saved.Pages().size(), 50u);
    // One form, referenced from every page.
    int forms = 0;
    for (const auto& entry : saved.Document().IndirectObjects()) {
        TPDFObject* object = saved.Document().ObjectByNumber(entry->number);
        auto* stream = object != nullptr ? object->As<TPDFStream>() : nullptr;
        if (stream != nullptr && stream->Dictionary().HasName("Subtype", "Form")) ++forms;
    }
    EXPECT_EQ(forms, 1);
}

TEST(FacadeFiles, OpenFileResultsAndErrorCodes) {
    TempFolder folder;
    const std::string plain = PagesPdf(3, "[0 0 200 300]");
    auto junk = folder.Write("junk.pdf", std::string(100, 'x') + plain);
    auto broken = folder.Write("broken.pdf", "this is no PDF at all");

    PdfEngine engine;
    const DocumentId blank = engine.CurrentDocument();
    EXPECT_EQ(engine.OpenFile((folder.Path() / "missing.pdf").string()), 0);
    EXPECT_EQ(engine.LastError(), 0);
    EXPECT_EQ(engine.OpenFile(broken.string()), 0);
    EXPECT_EQ(engine.LastError(), 401);
    EXPECT_EQ(engine.CurrentDocument(), blank);
    EXPECT_EQ(engine.OpenFile((folder.Path() / "missing.pdf").string()), 0);
    EXPECT_EQ(engine.LastError(), 401);
    ASSERT_EQ(engine.OpenFile(junk.string()), 1);
    EXPECT_EQ(engine.LastError(), 0);
    EXPECT_EQ(engine.CountPages(), 3);
    EXPECT_NE(engine.CurrentDocument(), blank);

    const std::string encrypted =
        std::string(PAPYRION_SHARED_DIR) + "/corpus/encrypted/r6-both-passwords.pdf";
    if (!std::filesystem::exists(encrypted)) GTEST_SKIP() << "no corpus at " << encrypted;
    const DocumentId before = engine.CurrentDocument();
    EXPECT_EQ(engine.OpenFile(encrypted, "certainly-wrong"), 0);
    EXPECT_EQ(engine.LastError(), 404);
    EXPECT_EQ(engine.CurrentDocument(), before);
}

TEST(FacadeFiles, SaveFileReplacesTheFileAndKeepsTheDocumentOpen) {
    TempFolder folder;
    auto input = folder.Write("in.pdf", PagesPdf(2, "[0 0 200 300]"));
    PdfEngine engine;
    ASSERT_EQ(engine.OpenFile(input.string()), 1);
    engine.UsePage(2);
    ASSERT_EQ(engine.SaveFile(input.string()), 1);
    ASSERT_EQ(engine.SaveFile(input.string()), 1);
    EXPECT_EQ(engine.CountPages(), 2);
    EXPECT_EQ(QpdfProblems(input), "");
    EXPECT_EQ(engine.SaveFile((folder.Path() / "no-such-folder" / "x.pdf").string()), 0);
    EXPECT_FALSE(engine.GetDocInfo(kInfoModDate).empty());
    // Only the finished file is left in the folder.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 1);
}

TEST(FacadeFiles, ExtractPageListMakesADocumentOfTheListedPages) {
    TempFolder folder;
    auto input = folder.Write("in.pdf", PagesPdf(3, "", /*distinct_widths=*/true));
    const struct {
        const char* list;
        int result;
        int pages;
        double first_width;
    } cases[] = {
        {"0", 0, 3, 0}, {"abc", 0, 3, 0}, {"2", 1, 1, 202}, {"3-1", 1, 3, 201}, {"3, 9", 1, 1, 203},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.list);
        PdfEngine engine;
        ASSERT_EQ(engine.OpenFile(input.string()), 1);
        const DocumentId source = engine.CurrentDocument();
        EXPECT_EQ(engine.ExtractPageList(c.list), c.result);
        EXPECT_EQ(engine.CountPages(), c.pages);
        if (c.result == 0) {
            EXPECT_EQ(engine.LastError(), 412);
            EXPECT_EQ(engine.CurrentDocument(), source);
            continue;
        }
        EXPECT_NE(engine.CurrentDocument(), source);
        engine.UsePage(1);
        EXPECT_EQ(engine.GetPageWidth(), c.first_width);
        auto out = folder.Path() / "extract.pdf";
        ASSERT_EQ(engine.SaveFile(out.string()), 1);
        EXPECT_EQ(QpdfProblems(out), "");
        ASSERT_EQ(engine.UseDocument(source), 1);
        EXPECT_EQ(engine.CountPages(), 3);
    }
}

TEST(FacadeFiles, ExtractedPageKeepsWhatItRefersTo) {
    TempFolder folder;
    // Page 3 carries a link annotation pointing back at itself (/P) and at
    // page 4 (/Dest), and a font shared with page 4.
    auto input = folder.Write(
        "links.pdf",
        BuildClassicPdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                         {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>"},
                         {3,
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Annots [5 0 R] "
                          "/Resources << /Font << /F1 6 0 R >> >> >>"},
                         {4,
                          "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 400 300] "
                          "/Resources << /Font << /F1 6 0 R >> >> >>"},
                         {5,
                          "<< /Type /Annot /Subtype /Link /Rect [0 0 10 10] /P 3 0 R "
                          "/Dest [4 0 R /Fit] >>"},
                         {6, "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>"}}));
    PdfEngine engine;
    ASSERT_EQ(engine.OpenFile(input.string()), 1);
    ASSERT_EQ(engine.ExtractPageList("1"), 1);
    auto output = folder.Path() / "one.pdf";
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(QpdfProblems(output), "");
    SavedDocument saved(output);
    ASSERT_EQ(saved.Pages().size(), 1u);
    TPDFDictionary* page = saved.Pages()[0];
    TPDFArray* annots = page->TryArray("Annots");
    ASSERT_NE(annots, nullptr);
    TPDFObject* first = annots->Resolve(0);
    auto* link = first != nullptr ? first->As<TPDFDictionary>() : nullptr;
    ASSERT_NE(link, nullptr);
    // Back to its own page, which is now the copy.
    EXPECT_EQ(link->TryDictionary("P"), page);
    // The page left behind is replaced by the page tree root.
    TPDFArray* dest = link->TryArray("Dest");
    ASSERT_NE(dest, nullptr);
    EXPECT_EQ(dest->Resolve(0), saved.Document().Catalog()->TryDictionary("Pages"));
    TPDFDictionary* resources = page->TryDictionary("Resources");
    TPDFDictionary* fonts = resources != nullptr ? resources->TryDictionary("Font") : nullptr;
    TPDFDictionary* font = fonts != nullptr ? fonts->TryDictionary("F1") : nullptr;
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(font->HasName("BaseFont", "Helvetica"));
}

TEST(FacadePageList, ItemsRangesAndJunk) {
    const struct {
        const char* text;
        int count;
        std::vector<int> pages;
    } cases[] = {
        {"5-3,1", 9, {1, 3, 4, 5}},
        {"1, 3", 9, {1, 3}},
        {"", 9, {}},
        {"x", 9, {}},
        {"2-,4", 9, {4}},
        {"0,10", 9, {}},
        {"1-99999999999999999999", 3, {}},
        {"1-2000000000", 3, {1, 2, 3}},
        {"2,2,2-2", 9, {2}},
        {"1-2-3,4", 9, {4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParsePageList(c.text, c.count), c.pages);
    }
}

TEST(FacadePages, SelectingAPageAddsOneMarkedStreamOnce) {
    const struct {
        const char* what;
        const char* contents;
    } cases[] = {{"single reference", "4 0 R"}, {"array", "[4 0 R]"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        auto input = folder.Write(
            "in.pdf", BuildClassicPdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                       {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                                       {3, std::string("<< /Type /Page /Parent 2 0 R /MediaBox "
                                                       "[0 0 200 300] /Contents ") +
                                               c.contents + " >>"},
                                       {4, "<< /Length 3 >>\nstream\n0 g\nendstream"}}));
        auto output = folder.Path() / "out.pdf";
        PdfEngine engine;
        ASSERT_EQ(engine.OpenFile(input.string()), 1);
        engine.UsePage(1);
        engine.UsePage(1);
        ASSERT_EQ(engine.SaveFile(output.string()), 1);
        SavedDocument saved(output);
        TPDFDictionary* page = saved.Pages().at(0);
        TPDFArray* contents = page->TryArray("Contents");
        ASSERT_NE(contents, nullptr);
        ASSERT_EQ(contents->Size(), 2u);
        EXPECT_EQ(contents->At(0)->Kind(), ObjectKind::kIndRef);
        auto streams = saved.ContentStreams(*page);
        EXPECT_FALSE(streams[0]->Dictionary().Contains("LC"));
        EXPECT_TRUE(streams[1]->Dictionary().HasName("LC", "tKRW"));
        EXPECT_EQ(streams[1]->Data(), "");
    }
}

TEST(FacadePages, LookupFindsEveryPageOfANestedTree) {
    auto page = [](int parent, int width) {
        return "<< /Type /Page /Parent " + std::to_string(parent) + " 0 R /MediaBox [0 0 " +
               std::to_string(width) + " 300] >>";
    };
    // Root: page 1, a node (page 2, a node (pages 3, 4)), page 5.
    auto input = BuildClassicPdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                  {2, "<< /Type /Pages /Kids [3 0 R 4 0 R 5 0 R] /Count 5 >>"},
                                  {3, page(2, 201)},
                                  {4,
                                   "<< /Type /Pages /Parent 2 0 R /Kids [6 0 R 7 0 R] "
                                   "/Count 3 >>"},
                                  {5, page(2, 205)},
                                  {6, page(4, 202)},
                                  {7,
                                   "<< /Type /Pages /Parent 4 0 R /Kids [8 0 R 9 0 R] "
                                   "/Count 2 >>"},
                                  {8, page(7, 203)},
                                  {9, page(7, 204)}});
    TempFolder folder;
    auto path = folder.Write("nested.pdf", input);
    PdfEngine engine;
    ASSERT_EQ(engine.OpenFile(path.string()), 1);
    // Forward and backward, so both ends of the walk are used.
    for (int p : {1, 2, 3, 4, 5, 4, 3, 2, 1}) {
        SCOPED_TRACE(p);
        ASSERT_EQ(engine.UsePage(p), 1);
        EXPECT_EQ(engine.GetPageWidth(), 200 + p);
    }
}

TEST(FacadePages, LongEngineStreamGetsASiblingUntilTheFirstCapture) {
    const std::string big(500001, ' ');
    auto pdf = [&](bool two_pages) {
        std::vector<FixtureObject> objects = {
            {1, "<< /Type /Catalog /Pages 2 0 R >>"},
            {2, two_pages ? "<< /Type /Pages /Kids [5 0 R 3 0 R] /Count 2 >>"
                          : "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
            {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents [4 0 R] >>"},
            {4, "<< /LC /tKRW /Length " + std::to_string(big.size()) + " >>\nstream\n" + big +
                    "\nendstream"},
            {5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] >>"}};
        return BuildClassicPdf(objects);
    };
    const struct {
        const char* what;
        bool capture_first;
        std::size_t streams;
    } cases[] = {{"plain selection", false, 2}, {"after a capture", true, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        auto input = folder.Write("in.pdf", pdf(c.capture_first));
        auto output = folder.Path() / "out.pdf";
        PdfEngine engine;
        ASSERT_EQ(engine.OpenFile(input.string()), 1);
        // The page with the long stream becomes page 1 once page 1 is captured.
        if (c.capture_first) {
            ASSERT_NE(engine.CapturePageAsForm(1), 0u);
        }
        engine.UsePage(1);
        ASSERT_EQ(engine.SaveFile(output.string()), 1);
        SavedDocument saved(output);
        EXPECT_EQ(saved.ContentStreams(*saved.Pages().at(0)).size(), c.streams);
    }
}

TEST(FacadeCapture, FormDataAndBoxOfUnusualPages) {
    const struct {
        const char* what;
        const char* media_box;
        const char* content;  // nullptr: no "Contents"
        const char* form_text;
        const char* bbox;
    } cases[] = {
        {"no content", "[0 0 200 300]", nullptr, "q\n \nQ\n", "[ 0 0 200 300 ]"},
        {"reversed box", "[612 792 0 0]", "0 g", "q\n 0 g \nQ\n", "[ 612 792 0 0 ]"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempFolder folder;
        std::vector<FixtureObject> objects = {
            {1, "<< /Type /Catalog /Pages 2 0 R >>"},
            {2, "<< /Type /Pages /Kids [3 0 R 4 0 R] /Count 2 >>"},
            {3, std::string("<< /Type /Page /Parent 2 0 R /MediaBox ") + c.media_box +
                    (c.content != nullptr ? " /Contents 5 0 R" : "") + " >>"},
            {4, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] >>"}};
        if (c.content != nullptr) {
            objects.push_back({5, "<< /Length " + std::to_string(std::string(c.content).size()) +
                                      " >>\nstream\n" + c.content + "\nendstream"});
        }
        auto input = folder.Write("in.pdf", BuildClassicPdf(objects));
        auto output = folder.Path() / "out.pdf";
        PdfEngine engine;
        ASSERT_EQ(engine.OpenFile(input.string()), 1);
        const CaptureId cap = engine.CapturePageAsForm(1);
        ASSERT_NE(cap, 0u);
        ASSERT_EQ(engine.PlaceCapturedPage(cap, 0, 792, 612, 792), 1);
        ASSERT_EQ(engine.SaveFile(output.string()), 1);
        EXPECT_EQ(QpdfProblems(output), "");
        SavedDocument saved(output);
        TPDFDictionary* xobjects =
            saved.Pages().at(0)->TryDictionary("Resources")->TryDictionary("XObject");
        ASSERT_NE(xobjects, nullptr);
        TPDFStream* form = xobjects->Resolve(xobjects->Entries().at(0).key)->As<TPDFStream>();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(saved.Decoded(*form), c.form_text);
        EXPECT_EQ(saved.Text(*form->Dictionary().Get("BBox")), c.bbox);
        // The box is normalised for the placement: 612 x 792 fills the page.
        const std::string data = saved.ContentStreams(*saved.Pages().at(0)).back()->Data();
        if (std::string(c.media_box) == "[612 792 0 0]") {
            EXPECT_NE(data.find("q\n10 0 0 10 0 0 cm\n"), std::string::npos) << data;
        }
    }
}

TEST(FacadeMerge, SourcePagesFollowAndGapsBecomeNulls) {
    TempFolder folder;
    // Source with objects 1..3, 5..7: number 4 is missing.
    auto source = folder.Write(
        "s.pdf", BuildClassicPdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                  {2, "<< /Type /Pages /Kids [3 0 R 5 0 R 6 0 R] /Count 3 >>"},
                                  {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 301 300] >>"},
                                  {5, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 302 300] >>"},
                                  {6, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 303 300] >>"},
                                  {7, "(unreferenced)"}}));
    auto output = folder.Path() / "out.pdf";
    PdfEngine engine;
    const DocumentId d = engine.CurrentDocument();
    engine.AppendPages(1);
    ASSERT_EQ(engine.OpenFile(source.string()), 1);
    const DocumentId s = engine.CurrentDocument();
    engine.UseDocument(d);
    ASSERT_EQ(engine.AppendDocument(s), 1);
    EXPECT_EQ(engine.CountPages(), 5);
    engine.UsePage(3);
    EXPECT_EQ(engine.GetPageWidth(), 301);
    engine.UsePage(5);
    EXPECT_EQ(engine.GetPageWidth(), 303);
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(QpdfProblems(output), "");

    SavedDocument saved(output);
    TPDFDictionary* root = saved.Document().Catalog()->TryDictionary("Pages");
    EXPECT_EQ(root->TryArray("Kids")->Size(), 3u);  // two pages and the source's tree
    EXPECT_EQ(saved.Pages().size(), 5u);
    // The source's numbers keep their distances in the destination; the gap
    // at source number 4 is filled by a null that nothing refers to, so it is
    // saved as a free entry, like the unreferenced source object 7.
    const int shift = saved.Pages()[2]->ObjectNumber() - 3;
    EXPECT_EQ(saved.Pages()[3]->ObjectNumber(), shift + 5);
    EXPECT_EQ(saved.Pages()[4]->ObjectNumber(), shift + 6);
    EXPECT_EQ(saved.Document().FindIndObj(shift + 4), nullptr);
    EXPECT_EQ(saved.Document().FindIndObj(shift + 7), nullptr);
    EXPECT_GE(saved.Document().HighestObjectNumber(), shift + 6);
}

}  // namespace
}  // namespace papyrion::pdf
