// The engine's rendering and printing operations: render factor and page
// files, packed print options, custom printers, and printing page ranges on
// the private cups-pdf queue (skipped when the tests run without one).

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>

#include "facade/render_print_state.h"
#include "pdfengine/pdfengine.h"
#include "pdfengine/printers.h"
#include "support/pdf_fixtures.h"
#include "support/render_print_fixtures.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;
using testing::Rgb;

const Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255};

// An engine with the three coloured pages (the third landscape) selected.
void OpenColouredPages(PdfEngine& engine, const test::TempFolder& folder) {
    const fs::path file = folder.Write(
        "pages.pdf",
        testing::ColouredPagesPdf({{200, 300, kRed}, {200, 300, kGreen}, {300, 200, kBlue}}));
    ASSERT_EQ(engine.OpenFile(file.string()), 1);
}

TEST(EngineRendering, RenderPageFileClampsPagesAndAppliesTheFactor) {
    test::TempFolder folder;
    PdfEngine engine;
    OpenColouredPages(engine, folder);
    ASSERT_EQ(engine.UsePage(2), 1);
    EXPECT_EQ(engine.SetRenderFactor(0.5), 1);
    struct Case {
        int page;
        Rgb colour;
        int width;
        int height;
    } cases[] = {// 72 DPI at factor 0.5 is 36 DPI: 200 x 300 points give 100 x 150 pixels.
                 {0, kRed, 100, 150},
                 {2, kGreen, 100, 150},
                 {3, kBlue, 150, 100},
                 {99, kBlue, 150, 100}};
    for (const Case& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.page));
        const fs::path out = folder.Path() / "page.jpg";
        ASSERT_EQ(engine.RenderPageFile(72, c.page, 1, out.string()), 1);
        const auto image = testing::ReadJpegFile(out);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->width, c.width);
        EXPECT_EQ(image->height, c.height);
        EXPECT_TRUE(testing::Near(testing::CentrePixel(*image), c.colour));
    }
    // Rendering leaves the selected page where it was.
    EXPECT_EQ(engine.GetPageHeight(), 300);
    EXPECT_EQ(engine.UsePage(2), 1);
    EXPECT_EQ(engine.RenderPageFile(72, 1, 1, (folder.Path() / "no" / "such.jpg").string()), 2);
    EXPECT_EQ(engine.RenderPageFile(72, 1, 7, (folder.Path() / "tiff.tif").string()), 0);
    EXPECT_FALSE(engine.PrintResultText().empty());
}

TEST(EngineRendering, ThumbnailOfACorpusPageMatchesPdftoppm) {
    test::TempFolder folder;
    const fs::path source = fs::path(PAPYRION_SHARED_DIR) / "corpus/xref-stream/cv.pdf";
    PdfEngine engine;
    ASSERT_EQ(engine.OpenFile(source.string()), 1);
    engine.SetRenderFactor(0.18);
    const fs::path ours = folder.Path() / "ours.jpg";
    ASSERT_EQ(engine.RenderPageFile(75, 2, 1, ours.string()), 1);
    const auto run = test::RunProgram({"pdftoppm", "-jpeg", "-singlefile", "-r", "13.5", "-f", "2",
                                       "-l", "2", source, folder / "theirs"});
    ASSERT_EQ(run.exit_code, 0) << run.err;
    const auto a = testing::ReadJpegFile(ours);
    const auto b = testing::ReadJpegFile(folder.Path() / "theirs.jpg");
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width, 112);
    EXPECT_EQ(a->height, 158);
    ASSERT_EQ(a->width, b->width);
    ASSERT_EQ(a->height, b->height);
    const auto difference = testing::Compare(*a, *b);
    EXPECT_LT(difference.mean, 3.0);
    EXPECT_LT(difference.share_far_off, 0.01);
}

std::vector<std::string> Columns(const std::string& line) {
    std::vector<std::string> columns;
    std::size_t start = 0;
    for (std::size_t tab; (tab = line.find('\t', start)) != std::string::npos; start = tab + 1) {
        columns.push_back(line.substr(start, tab - start));
    }
    columns.push_back(line.substr(start));
    return columns;
}

// Page 1 of every corpus file that opens without a password, through the
// engine (which hands the renderer the page cut out of its document).
TEST(EngineRendering, CorpusFirstPagesMatchPdftoppm) {
    const fs::path corpus = fs::path(PAPYRION_SHARED_DIR) / "corpus";
    std::ifstream manifest(corpus / "MANIFEST.tsv");
    ASSERT_TRUE(manifest);
    std::string line;
    std::getline(manifest, line);
    test::TempFolder folder;
    int compared = 0;
    while (std::getline(manifest, line)) {
        const auto columns = Columns(line);
        ASSERT_GE(columns.size(), 8u);
        // Damaged files are the reader's business; a password is not given here.
        if (!columns[7].empty() || columns[0].rfind("malformed/", 0) == 0) continue;
        SCOPED_TRACE(columns[0]);
        const fs::path source = corpus / columns[0];
        PdfEngine engine;
        if (engine.OpenFile(source.string()) != 1) continue;
        const fs::path ours = folder.Path() / "ours.jpg";
        ASSERT_EQ(engine.RenderPageFile(36, 1, 1, ours.string()), 1) << engine.PrintResultText();
        const auto run = test::RunProgram({"pdftoppm", "-q", "-jpeg", "-singlefile", "-r", "36",
                                           "-f", "1", "-l", "1", source, folder / "theirs"});
        ASSERT_EQ(run.exit_code, 0) << run.err;
        const auto a = testing::ReadJpegFile(ours);
        const auto b = testing::ReadJpegFile(folder.Path() / "theirs.jpg");
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->width, b->width);
        ASSERT_EQ(a->height, b->height);
        const auto difference = testing::Compare(*a, *b);
        EXPECT_LT(difference.mean, 3.0);
        EXPECT_LT(difference.share_far_off, 0.01);
        ++compared;
    }
    EXPECT_GT(compared, 40);
}

TEST(EngineRendering, StampedPageRendersWithItsStationery) {
    test::TempFolder folder;
    const fs::path stationery =
        folder.Write("stationery.pdf", testing::ColouredPagesPdf({{612, 792, {0, 90, 200}}}));
    PdfEngine engine;
    const DocumentId document = engine.CurrentDocument();  // the blank start page
    ASSERT_EQ(engine.OpenFile(stationery.string()), 1);
    const DocumentId paper = engine.CurrentDocument();
    ASSERT_EQ(engine.UseDocument(document), 1);
    ASSERT_EQ(engine.AppendDocument(paper), 1);
    const CaptureId capture = engine.CapturePageAsForm(2);
    ASSERT_NE(capture, 0u);
    ASSERT_EQ(engine.UsePage(1), 1);
    // The stationery in the upper half of the page only.
    ASSERT_EQ(engine.PlaceCapturedPage(capture, 0, 792, 612, 396), 1);
    const fs::path out = folder.Path() / "stamped.jpg";
    ASSERT_EQ(engine.RenderPageFile(36, 1, 1, out.string()), 1);
    const auto image = testing::ReadJpegFile(out);
    ASSERT_TRUE(image);
    auto at = [&](int x, int y) {
        const std::size_t i =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(image->width) +
             static_cast<std::size_t>(x)) *
            3;
        return Rgb{image->pixels[i], image->pixels[i + 1], image->pixels[i + 2]};
    };
    EXPECT_TRUE(testing::Near(at(image->width / 2, image->height / 4), {0, 90, 200}));
    EXPECT_TRUE(testing::Near(at(image->width / 2, image->height * 3 / 4), {255, 255, 255}));
}

TEST(EnginePrinting, PrintOptionsPackScalingRotationAndTitle) {
    PdfEngine engine;
    EXPECT_EQ(engine.MakePrintOptions(1, 1, "first"), 1 + 16 + 450 * 256);
    EXPECT_EQ(engine.MakePrintOptions(1, 1, "second"), 1 + 16 + 451 * 256);
    EXPECT_EQ(engine.MakePrintOptions(2, 0, "third"), 2 + 452 * 256);
    EXPECT_EQ(engine.MakePrintOptions(31, 2, "fourth"), 15 + 453 * 256);

    const std::vector<std::string> titles = {"first", "second"};
    struct Case {
        int options;
        const char* title;
    } cases[] = {
        {17, "default"},  // no title index
        {1 + 16 + 450 * 256, "first"},
        {1 + 16 + 451 * 256, "second"},
        {1 + 16 + 452 * 256, "default"},   // no such entry
        {449 * 256 + 255, "default"},      // below the first title code
        {(1 << 24) + 450 * 256, "first"},  // bits above 23 do not count
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.options);
        EXPECT_EQ(TitleOfOptions(c.options, titles, "default"), c.title);
    }
}

TEST(EnginePrinting, CustomPrintersAreNamedByDigestAndConfiguredByName) {
    PdfEngine engine;
    const std::string first = engine.RegisterCustomPrinter("Office");
    const std::string second = engine.RegisterCustomPrinter("Office");
    for (const std::string& name : {first, second}) {
        ASSERT_EQ(name.size(), 32u);
        for (char c : name)
            EXPECT_TRUE(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'A' && c <= 'F'));
    }
    EXPECT_NE(first, second);  // the entry count is part of the digest
    // MD5 of "0" followed by the time, upper case.
    EXPECT_EQ(CustomPrinterName(0, "2026/12/10 12:00:00"),
              CustomPrinterName(0, "2026/12/10 12:00:00"));
    EXPECT_EQ(CustomPrinterName(0, ""), "CFCD208495D565EF66E7DFF9F98764DA");  // md5("0")

    std::string lower = first;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(engine.ConfigureCustomPrinter(lower, 5, 2), 1);  // names match without case
    EXPECT_EQ(engine.ConfigureCustomPrinter(first, 5, 5), 0);
    EXPECT_EQ(engine.ConfigureCustomPrinter(first, 12, 1), 0);
    EXPECT_EQ(engine.ConfigureCustomPrinter("0123456789ABCDEF0123456789ABCDEF", 4, 2), 0);
}

bool HaveQueue() { return !test::TestPrinter().empty(); }

int PrintedPages(const std::string& title) {
    const int job = test::LatestJobTitled(title);
    if (job == 0) return -1;
    const auto finished = test::WaitForJob(job);
    return finished.output.empty() ? -1 : test::QpdfPageCount(finished.output);
}

TEST(EnginePrinting, PageRangesAreClampedToTheDocument) {
    if (!HaveQueue()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    test::TempFolder folder;
    struct Case {
        const char* title;
        int start;
        int end;
        int pages;
    } cases[] = {
        {"range 0 to 0", 0, 0, 1},
        {"range 2 to 99", 2, 99, 2},
        {"range 3 to 1", 3, 1, 1},
        {"range 1 to 3", 1, 3, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        PdfEngine engine;
        OpenColouredPages(engine, folder);
        const std::string title = std::string(c.title) + " " + folder.Path().filename().string();
        const int options = engine.MakePrintOptions(1, 1, title);
        EXPECT_EQ(engine.PrintPages(test::TestPrinter(), c.start, c.end, options), 1);
        EXPECT_EQ(PrintedPages(title), c.pages);
    }
}

TEST(EnginePrinting, OptionsWithoutTitleIndexPrintUnderTheDefaultTitle) {
    if (!HaveQueue()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    test::TempFolder folder;
    PdfEngine engine;
    OpenColouredPages(engine, folder);
    const std::string custom = engine.RegisterCustomPrinter(test::TestPrinter());
    ASSERT_EQ(engine.ConfigureCustomPrinter(custom, 4, 3), 1);
    const int before = test::LatestJobTitled(EngineIdentification());
    EXPECT_EQ(engine.PrintPages(custom, 1, 1, 17), 1);
    const int job = test::LatestJobTitled(EngineIdentification());
    ASSERT_GT(job, before);
    const auto finished = test::WaitForJob(job);
    EXPECT_EQ(finished.copies, 3);
}

TEST(EnginePrinting, UnknownPrinterRaisesAndLeavesTheEngineAsItWas) {
    if (!HaveQueue()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    test::TempFolder folder;
    PdfEngine engine;
    OpenColouredPages(engine, folder);
    ASSERT_EQ(engine.UsePage(3), 1);
    const DocumentId document = engine.CurrentDocument();
    const int options = engine.MakePrintOptions(1, 1, "never printed");
    EXPECT_THROW(engine.PrintPages("NoSuchPrinter-papyrion", 1, 3, options), PrintError);
    EXPECT_FALSE(engine.PrintResultText().empty());
    EXPECT_EQ(engine.CurrentDocument(), document);
    EXPECT_EQ(engine.GetPageWidth(), 300);  // still page 3
    // A custom printer that stands for an unknown printer raises the same way.
    const std::string custom = engine.RegisterCustomPrinter("NoSuchPrinter-papyrion");
    EXPECT_THROW(engine.PrintPages(custom, 1, 1, options), PrintError);
}

}  // namespace
}  // namespace papyrion::pdf
