// Printing: the device settings of a custom printer and the CUPS job
// options they become, where a page goes on the sheet, and real jobs on the
// private cups-pdf queue (skipped when the tests run without one).

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <sstream>

#include "document/pdf_document.h"
#include "pdfengine/printers.h"
#include "print/cups_job_options.h"
#include "print/custom_printer.h"
#include "print/print_job.h"
#include "print/print_layout.h"
#include "render/page_image_file.h"
#include "support/pdf_fixtures.h"
#include "support/render_print_fixtures.h"
#include "testsupport/pdf_tools.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;
using testing::Rgb;

TEST(CustomPrinter, AcceptsOnlyTheValuesOfEachSetting) {
    struct Case {
        int setting;
        int value;
        bool accepted;
        int stored;
        std::uint32_t bit;
    } cases[] = {
        {1, 1, true, 1, 2},       {1, 68, true, 68, 2},     {1, 0, false, -1, 0},
        {1, 69, false, -1, 0},    {2, 2970, true, 2970, 4}, {2, 0, false, -1, 0},
        {3, 2100, true, 2100, 8}, {4, 3, true, 3, 256},     {4, 0, false, -1, 0},
        {5, 1, true, -4, 1024},   {5, 2, true, -3, 1024},   {5, 4, true, -1, 1024},
        {5, 5, false, -1, 0},     {5, 0, false, -1, 0},     {6, 2, true, 2, 2048},
        {6, 3, false, -1, 0},     {7, 3, true, 3, 4096},    {7, 4, false, -1, 0},
        {8, 0, true, 0, 32768},   {8, 1, true, 1, 32768},   {8, 2, false, -1, 0},
        {9, 7, true, 7, 512},     {9, 0, false, -1, 0},     {10, 2, true, 2, 134217728},
        {11, 2, true, 2, 1},      {11, 3, false, -1, 0},    {0, 1, false, -1, 0},
        {12, 1, false, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("setting " + std::to_string(c.setting) + " value " + std::to_string(c.value));
        TPDFCustomPrinter printer;
        EXPECT_EQ(ConfigureSetting(printer, c.setting, c.value), c.accepted);
        EXPECT_EQ(printer.fields_mask, c.bit);
        if (c.setting >= 1 && c.setting <= kPrinterSettingCount) {
            EXPECT_EQ(printer.overrides[static_cast<std::size_t>(c.setting - 1)], c.stored);
        }
    }
    TPDFCustomPrinter printer;
    ConfigureSetting(printer, 4, 2);
    ConfigureSetting(printer, 11, 2);
    EXPECT_EQ(printer.fields_mask, 256u | 1u);
}

TEST(CupsJobOptions, DeviceSettingsBecomeJobOptions) {
    struct Case {
        std::vector<std::pair<int, int>> settings;
        std::vector<JobOption> options;
    } cases[] = {
        {{}, {}},
        {{{1, 9}}, {{"media", "iso_a4_210x297mm"}}},
        {{{1, 1}, {4, 3}}, {{"media", "na_letter_8.5x11in"}, {"copies", "3"}}},
        // A width and a length make a custom size that wins over the code.
        {{{1, 9}, {2, 2159}, {3, 1480}}, {{"media", "custom_148x215.9mm_148x215.9mm"}}},
        // Only one of the two leaves the code in charge.
        {{{1, 11}, {2, 2100}}, {{"media", "iso_a5_148x210mm"}}},
        {{{7, 1}}, {{"sides", "one-sided"}}},
        {{{7, 2}}, {{"sides", "two-sided-long-edge"}}},
        {{{7, 3}}, {{"sides", "two-sided-short-edge"}}},
        {{{6, 1}}, {{"print-color-mode", "monochrome"}}},
        {{{6, 2}}, {{"print-color-mode", "color"}}},
        {{{11, 1}}, {{"orientation-requested", "3"}}},
        {{{11, 2}}, {{"orientation-requested", "4"}}},
        {{{5, 1}}, {{"print-quality", "5"}}},
        {{{5, 2}}, {{"print-quality", "4"}}},
        {{{5, 3}}, {{"print-quality", "3"}}},
        {{{5, 4}}, {{"print-quality", "3"}}},
        {{{8, 0}}, {{"collate", "false"}}},
        {{{8, 1}}, {{"collate", "true"}}},
        {{{9, 1}}, {{"media-source", "top"}}},
        {{{9, 7}}, {{"media-source", "auto"}}},
        {{{9, 260}}, {}},  // a driver's own bin number has no standard name
        {{{10, 2}}, {{"media-type", "transparency"}}},
        {{{10, 300}}, {}},
        {{{1, 48}}, {}},  // a reserved paper code keeps the printer's paper
        // Everything at once comes out in one fixed order.
        {{{11, 2}, {10, 1}, {9, 2}, {8, 1}, {7, 2}, {6, 1}, {5, 4}, {4, 2}, {1, 8}},
         {{"media", "iso_a3_297x420mm"},
          {"copies", "2"},
          {"sides", "two-sided-long-edge"},
          {"print-color-mode", "monochrome"},
          {"orientation-requested", "4"},
          {"print-quality", "3"},
          {"collate", "true"},
          {"media-source", "bottom"},
          {"media-type", "stationery"}}},
    };
    for (const Case& c : cases) {
        TPDFCustomPrinter printer;
        std::string trace;
        for (auto [setting, value] : c.settings) {
            ASSERT_TRUE(ConfigureSetting(printer, setting, value));
            trace += std::to_string(setting) + "=" + std::to_string(value) + " ";
        }
        SCOPED_TRACE(trace);
        EXPECT_EQ(CupsJobOptions(printer), c.options);
    }
}

// A4 with 10 point margins, except at the top (20).
SheetGeometry A4Sheet() { return {595, 842, 10, 10, 10, 20}; }

std::array<double, 2> Corner(const Placement& p, double x, double y) {
    return p.matrix.Apply(x, y);
}

TEST(PrintLayout, PlacesPagesByScalingAndRotation) {
    const SheetGeometry sheet = A4Sheet();  // printable 575 x 812
    struct Case {
        const char* what;
        PdfBox box;
        int rotate;
        ScalingMode scaling;
        bool auto_rotate;
        bool turned;
        double scale;
        // Where the page's lower-left and upper-right corners land.
        std::array<double, 4> corners;
    } cases[] = {
        {"portrait page fitted",
         {0, 0, 297.5, 421},
         0,
         ScalingMode::kFit,
         true,
         false,
         812.0 / 421,
         {0, 0, 0, 0}},
        {"landscape page fitted is turned and centred",
         {0, 0, 842, 595},
         0,
         ScalingMode::kFit,
         true,
         true,
         std::min(575.0 / 595, 812.0 / 842),
         {0, 0, 0, 0}},
        {"landscape page without rotation only shrinks",
         {0, 0, 842, 595},
         0,
         ScalingMode::kFit,
         false,
         false,
         575.0 / 842,
         {0, 0, 0, 0}},
        {"small page is never enlarged in shrink mode",
         {0, 0, 200, 300},
         0,
         ScalingMode::kShrinkOnly,
         true,
         false,
         1,
         {0, 0, 0, 0}},
        {"actual size at the printable area's upper-left",
         {100, 100, 300, 400},
         0,
         ScalingMode::kActualSize,
         false,
         false,
         1,
         {10, 822 - 300, 210, 822}},
        {"actual size with rotation is centred",
         {0, 0, 200, 300},
         0,
         ScalingMode::kActualSize,
         true,
         false,
         1,
         {197.5, 271, 397.5, 571}},
        {"a page that turns itself by /Rotate 90 is already portrait",
         {0, 0, 842, 595},
         90,
         ScalingMode::kFit,
         true,
         false,
         std::min(575.0 / 595, 812.0 / 842),
         {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const Placement p = PlacePage({c.box, c.rotate, c.scaling, c.auto_rotate}, sheet);
        EXPECT_EQ(p.turned, c.turned);
        EXPECT_NEAR(p.scale, c.scale, 1e-9);
        // The placed page's bounding box on the sheet.
        double x_min = 1e9, y_min = 1e9, x_max = -1e9, y_max = -1e9;
        for (auto [x, y] : {std::pair{c.box[0], c.box[1]}, std::pair{c.box[2], c.box[1]},
                            std::pair{c.box[0], c.box[3]}, std::pair{c.box[2], c.box[3]}}) {
            auto q = Corner(p, x, y);
            x_min = std::min(x_min, q[0]);
            y_min = std::min(y_min, q[1]);
            x_max = std::max(x_max, q[0]);
            y_max = std::max(y_max, q[1]);
        }
        if (c.scaling != ScalingMode::kActualSize || c.auto_rotate) {
            // Centred on the paper.
            EXPECT_NEAR((x_min + x_max) / 2, sheet.width / 2, 1e-6);
            EXPECT_NEAR((y_min + y_max) / 2, sheet.height / 2, 1e-6);
        }
        // Fitting never leaves the printable area.
        if (c.scaling == ScalingMode::kFit) {
            EXPECT_LE(x_max - x_min, sheet.PrintableWidth() + 1e-6);
            EXPECT_LE(y_max - y_min, sheet.PrintableHeight() + 1e-6);
        }
        if (c.corners != std::array<double, 4>{0, 0, 0, 0}) {
            EXPECT_NEAR(x_min, c.corners[0], 1e-6);
            EXPECT_NEAR(y_min, c.corners[1], 1e-6);
            EXPECT_NEAR(x_max, c.corners[2], 1e-6);
            EXPECT_NEAR(y_max, c.corners[3], 1e-6);
        }
    }
}

TEST(PrintLayout, TurnKeepsTheTopOfTheLandscapePageOnTheLeft) {
    const Placement p =
        PlacePage({{0, 0, 842, 595}, 0, ScalingMode::kFit, true}, {595, 842, 0, 0, 0, 0});
    ASSERT_TRUE(p.turned);
    // The top-left corner of the page goes to the bottom-left of the sheet area.
    const auto top_left = p.matrix.Apply(0, 595);
    const auto bottom_right = p.matrix.Apply(842, 0);
    EXPECT_LT(top_left[0], bottom_right[0]);
    EXPECT_LT(top_left[1], bottom_right[1]);
}

std::unique_ptr<TPDFDocument> ReadDocument(std::string bytes) {
    auto document = std::make_unique<TPDFDocument>();
    if (document->Read(std::move(bytes), "") != ReadResult::kRead) return nullptr;
    return document;
}

TEST(PrintLayout, PrintDocumentHoldsTheRangeOnSheets) {
    test::TempFolder folder;
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
    auto document = ReadDocument(
        testing::ColouredPagesPdf({{200, 300, red}, {842, 595, green}, {300, 200, blue}}));
    ASSERT_NE(document, nullptr);
    const std::string before = [&] {
        std::ostringstream out;
        document->Write(out);
        return out.str();
    }();
    const std::string pdf =
        BuildPrintDocument(*document, 2, 3, {595, 842, 0, 0, 0, 0}, ScalingMode::kFit, true);
    const fs::path file = folder.Write("sheets.pdf", pdf);
    EXPECT_EQ(test::QpdfPageCount(file), 2);
    EXPECT_EQ(test::QpdfProblems(file), "");

    // The landscape page fills the width of the portrait sheet, turned.
    auto sheets = ReadDocument(pdf);
    ASSERT_NE(sheets, nullptr);
    std::string error;
    const fs::path jpeg = folder.Path() / "sheet.jpg";
    ASSERT_EQ(WritePageImageFile(*sheets, {1, 36, kRenderFormatJpeg}, jpeg, error),
              RenderFileResult::kWritten);
    const auto image = testing::ReadJpegFile(jpeg);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 298);
    EXPECT_EQ(image->height, 421);
    EXPECT_TRUE(testing::Near(testing::CentrePixel(*image), green));
    // Scale 595/595 = 1: the turned page is 595 wide and 842 high, filling the sheet.
    auto pixel = [&](int x, int y) {
        const std::size_t at =
            (static_cast<std::size_t>(y) * static_cast<std::size_t>(image->width) +
             static_cast<std::size_t>(x)) *
            3;
        return Rgb{image->pixels[at], image->pixels[at + 1], image->pixels[at + 2]};
    };
    EXPECT_TRUE(testing::Near(pixel(5, 5), green));
    EXPECT_TRUE(testing::Near(pixel(image->width - 5, image->height - 5), green));

    // The blue 300 x 200 page: turned to 200 x 300, scaled 595/200 = 2.975 (842/300 = 2.8067
    // is smaller), so 561 x 842: white bands left and right.
    ASSERT_EQ(WritePageImageFile(*sheets, {2, 36, kRenderFormatJpeg}, jpeg, error),
              RenderFileResult::kWritten);
    const auto second = testing::ReadJpegFile(jpeg);
    ASSERT_TRUE(second);
    EXPECT_TRUE(testing::Near(testing::CentrePixel(*second), blue));
    EXPECT_TRUE(
        testing::Near({second->pixels[3 * 3], second->pixels[3 * 3 + 1], second->pixels[3 * 3 + 2]},
                      {255, 255, 255}));

    // The document given to the layout is unchanged.
    std::ostringstream after;
    document->Write(after);
    EXPECT_EQ(after.str(), before);
}

TEST(PrintJob, UnknownPrinterRaises) {
    if (test::TestPrinter().empty()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    auto document = ReadDocument(testing::ColouredPagesPdf({{200, 300, {0, 0, 0}}}));
    ASSERT_NE(document, nullptr);
    PrintJobRequest request;
    request.printer_name = "NoSuchPrinter-papyrion";
    request.title = "unknown";
    EXPECT_THROW(SubmitPrintJob(*document, request), PrintError);
    request.printer_name = "";
    EXPECT_THROW(SubmitPrintJob(*document, request), PrintError);
}

TEST(PrintJob, ThreePagesReachTheQueueWithTitleAndOptions) {
    if (test::TestPrinter().empty()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    auto document = ReadDocument(testing::ColouredPagesPdf(
        {{200, 300, {255, 0, 0}}, {842, 595, {0, 255, 0}}, {300, 200, {0, 0, 255}}}));
    ASSERT_NE(document, nullptr);
    TPDFCustomPrinter settings;
    settings.target_printer = test::TestPrinter();
    ASSERT_TRUE(ConfigureSetting(settings, 4, 2));  // copies
    ASSERT_TRUE(ConfigureSetting(settings, 1, 9));  // A4
    PrintJobRequest request;
    request.printer_name = test::TestPrinter();
    request.settings = &settings;
    request.first_page = 1;
    request.last_page = 3;
    request.title = "three pages";
    const int job = SubmitPrintJob(*document, request);
    ASSERT_GT(job, 0);
    const auto finished = test::WaitForJob(job);
    EXPECT_EQ(finished.state, 9);
    EXPECT_EQ(finished.title, "three pages");
    EXPECT_EQ(finished.copies, 2);
    EXPECT_EQ(finished.media, "iso_a4_210x297mm");
    ASSERT_FALSE(finished.output.empty());
    EXPECT_EQ(test::QpdfPageCount(finished.output), 3);
}

}  // namespace
}  // namespace papyrion::pdf

namespace papyrion::pdf {
namespace {

// The colour of the printed sheet at (x, y) points from its upper-left
// corner, rendered at 36 DPI by the engine's own renderer.
struct PrintedSheet {
    double width = 0;
    double height = 0;
    RgbBitmap image;
    Rgb At(double x, double y) const {
        const int px = std::clamp(static_cast<int>(x / 2), 0, image.width - 1);
        const int py = std::clamp(static_cast<int>(y / 2), 0, image.height - 1);
        const std::size_t at =
            (static_cast<std::size_t>(py) * static_cast<std::size_t>(image.width) +
             static_cast<std::size_t>(px)) *
            3;
        return {image.pixels[at], image.pixels[at + 1], image.pixels[at + 2]};
    }
};

std::optional<PrintedSheet> ReadPrintedSheet(const fs::path& pdf, const fs::path& folder) {
    auto document = ReadDocument(test::ReadFile(pdf));
    if (!document) return std::nullopt;
    const auto pages = CollectPages(*document);
    if (pages.empty()) return std::nullopt;
    const auto box = InheritedMediaBox(*pages[0]);
    if (!box) return std::nullopt;
    std::string error;
    const fs::path jpeg = folder / "printed.jpg";
    if (WritePageImageFile(*document, {1, 36, kRenderFormatJpeg}, jpeg, error) !=
        RenderFileResult::kWritten) {
        return std::nullopt;
    }
    auto image = testing::ReadJpegFile(jpeg);
    if (!image) return std::nullopt;
    return PrintedSheet{std::abs((*box)[2] - (*box)[0]), std::abs((*box)[3] - (*box)[1]), *image};
}

const Rgb kWhite{255, 255, 255};

TEST(PrintJob, LandscapePageIsTurnedAndCentredOnAPortraitSheet) {
    if (test::TestPrinter().empty()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    test::TempFolder folder;
    const Rgb colour{200, 0, 120};
    auto document = ReadDocument(testing::ColouredPagesPdf({{400, 300, colour}}));
    ASSERT_NE(document, nullptr);
    TPDFCustomPrinter settings;
    ASSERT_TRUE(ConfigureSetting(settings, 1, 9));  // A4, 595 x 842
    PrintJobRequest request;
    request.printer_name = test::TestPrinter();
    request.settings = &settings;
    request.title = "turned and centred";
    const auto finished = test::WaitForJob(SubmitPrintJob(*document, request));
    ASSERT_FALSE(finished.output.empty());
    const auto sheet = ReadPrintedSheet(finished.output, folder.Path());
    ASSERT_TRUE(sheet);
    EXPECT_NEAR(sheet->width, 595, 1);
    EXPECT_NEAR(sheet->height, 842, 1);
    // Turned to 300 x 400 and fitted: 595 x 793.3, bands of 24.3 above and
    // below. Unturned it would be 595 x 446 with bands of 198.
    EXPECT_TRUE(testing::Near(sheet->At(297, 421), colour));
    EXPECT_TRUE(testing::Near(sheet->At(297, 60), colour));
    EXPECT_TRUE(testing::Near(sheet->At(297, 782), colour));
    EXPECT_TRUE(testing::Near(sheet->At(4, 421), colour));
    EXPECT_TRUE(testing::Near(sheet->At(590, 421), colour));
    EXPECT_TRUE(testing::Near(sheet->At(297, 8), kWhite));
    EXPECT_TRUE(testing::Near(sheet->At(297, 834), kWhite));
}

TEST(PrintJob, LandscapeOrientationAndSidesReachTheJob) {
    if (test::TestPrinter().empty()) GTEST_SKIP() << "no test print queue (PAPYRION_TEST_PRINTER)";
    test::TempFolder folder;
    const Rgb colour{0, 200, 0};
    auto document = ReadDocument(testing::ColouredPagesPdf({{842, 595, colour}}));
    ASSERT_NE(document, nullptr);
    TPDFCustomPrinter settings;
    ASSERT_TRUE(ConfigureSetting(settings, 11, 2));  // landscape
    ASSERT_TRUE(ConfigureSetting(settings, 7, 2));   // long edge
    ASSERT_TRUE(ConfigureSetting(settings, 1, 9));   // A4
    PrintJobRequest request;
    request.printer_name = test::TestPrinter();
    request.settings = &settings;
    request.title = "landscape job";
    const auto finished = test::WaitForJob(SubmitPrintJob(*document, request));
    EXPECT_EQ(finished.state, 9);
    EXPECT_EQ(finished.orientation, 4);
    EXPECT_EQ(finished.sides, "two-sided-long-edge");
    ASSERT_FALSE(finished.output.empty());
    // Laid out on the landscape sheet, the page fills it; CUPS feeds it
    // turned onto the portrait paper.
    const auto sheet = ReadPrintedSheet(finished.output, folder.Path());
    ASSERT_TRUE(sheet);
    for (auto [x, y] : {std::pair{4.0, 4.0}, std::pair{sheet->width / 2, sheet->height / 2},
                        std::pair{sheet->width - 4, sheet->height - 4}}) {
        EXPECT_TRUE(testing::Near(sheet->At(x, y), colour));
    }
}

}  // namespace
}  // namespace papyrion::pdf
