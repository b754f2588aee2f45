// What a person sees: stationery stamped through the facade, rendered with
// pdftoppm, against the same overlay made by qpdf, and the way rotated
// pages come out.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "pdfengine/pdfengine.h"
#include "support/facade_sequences.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;
using test::QpdfProblems;
using test::Raster;
using test::RenderPage;
using test::TempFolder;
using testing::BuildClassicPdf;
using testing::Number;
using testing::StampOptions;
using testing::StampThroughFacade;

// A letterhead of width x height: a red band across the top right, a green
// footer line, a grey disc and a line of Helvetica.
std::string Letterhead(double width, double height) {
    const std::string w = Number(width);
    const std::string content =
        "1 0 0 rg " + Number(width / 2) + " " + Number(height - 40) + " " + Number(width / 2) +
        " 40 re f 0 0.6 0 rg 30 30 " + Number(width - 60) + " 6 re f 0.5 g " + Number(width - 120) +
        " 120 m " + Number(width - 60) + " 180 " + Number(width - 60) + " 60 " +
        Number(width - 120) + " 120 c f BT /F1 14 Tf 0 0 0.5 rg 40 " + Number(height - 80) +
        " Td (Letterhead Test B.V.) Tj ET";
    return BuildClassicPdf(
        {{1, "<< /Type /Catalog /Pages 2 0 R >>"},
         {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
         {3, "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + Number(height) +
                 "] /Contents 4 0 R /Resources << /Font << /F1 5 0 R >> >> >>"},
         {4, "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                 "\nendstream"},
         {5,
          "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica /Encoding /WinAnsiEncoding "
          ">>"}});
}

bool Copy(const fs::path& from, const fs::path& to) {
    std::error_code error;
    return fs::copy_file(from, to, fs::copy_options::overwrite_existing, error);
}

struct PixelCase {
    const char* what;
    const char* corpus_file;  // nullptr: the fixture text below
    const char* fixture_media_box;
};

TEST(FacadeRendering, StampedPagesLookLikeQpdfOverlayAndUnderlay) {
    const PixelCase cases[] = {
        {"pdfTeX, object streams", "plain/minimal-document.pdf", nullptr},
        {"Google Docs", "plain/google-doc-document.pdf", nullptr},
        {"wkhtmltopdf", "plain/pdfkit.pdf", nullptr},
        {"three pages", "xref-stream/multicolumn.pdf", nullptr},
        {"inherited MediaBox", "pages/page-inherit-mediabox.pdf", nullptr},
        {"MediaBox origin moved", nullptr, "[50 100 645 942]"},
        {"negative MediaBox origin", nullptr, "[-300 -400 312 392]"},
    };
    for (const PixelCase& c : cases) {
        for (bool foreground : {true, false}) {
            SCOPED_TRACE(std::string(c.what) + (foreground ? ", over" : ", under"));
            TempFolder folder;
            const fs::path input = folder.Path() / "input.pdf";
            if (c.corpus_file != nullptr) {
                const fs::path source = fs::path(PAPYRION_SHARED_DIR) / "corpus" / c.corpus_file;
                if (!fs::exists(source)) GTEST_SKIP() << "no corpus at " << source;
                ASSERT_TRUE(Copy(source, input));
            } else {
                const std::string box = c.fixture_media_box;
                // Text and a blue frame just inside the box, wherever it lies.
                std::string lower = box.substr(1, box.find(' ', box.find(' ') + 1));
                const std::string content = "0 0 1 RG 4 w q 1 0 0 1 " + lower +
                                            " cm 10 10 575 772 re S BT /F1 20 Tf 60 600 Td "
                                            "(Moved origin) Tj ET Q";
                folder.Write("input.pdf",
                             BuildClassicPdf({{1, "<< /Type /Catalog /Pages 2 0 R >>"},
                                              {2, "<< /Type /Pages /Kids [3 0 R] /Count 1 >>"},
                                              {3, "<< /Type /Page /Parent 2 0 R /MediaBox " + box +
                                                      " /Contents 4 0 R /Resources << /Font << "
                                                      "/F1 5 0 R >> >> >>"},
                                              {4, "<< /Length " + std::to_string(content.size()) +
                                                      " >>\nstream\n" + content + "\nendstream"},
                                              {5,
                                               "<< /Type /Font /Subtype /Type1 /BaseFont "
                                               "/Helvetica >>"}}));
            }
            PdfEngine probe;
            ASSERT_EQ(probe.OpenFile(input.string()), 1);
            const int pages = probe.CountPages();
            const double width = probe.GetPageWidth();
            const double height = probe.GetPageHeight();
            const fs::path stationery = folder.Write("lh.pdf", Letterhead(width, height));

            const fs::path ours = folder.Path() / "ours.pdf";
            ASSERT_TRUE(Copy(input, ours));
            StampOptions options;
            options.foreground = foreground;
            ASSERT_TRUE(StampThroughFacade(ours.string(), stationery.string(), options));
            EXPECT_EQ(QpdfProblems(ours), "");

            const fs::path theirs = folder.Path() / "qpdf.pdf";
            const auto qpdf =
                test::RunProgram({"qpdf", input.string(), foreground ? "--overlay" : "--underlay",
                                  stationery.string(), "--repeat=1", "--", theirs.string()});
            ASSERT_LE(qpdf.exit_code, 3) << qpdf.err;  // 3: warnings only
            for (int page : {1, pages}) {
                SCOPED_TRACE("page " + std::to_string(page));
                const Raster a = RenderPage(ours, page, 40);
                const Raster b = RenderPage(theirs, page, 40);
                ASSERT_GT(a.width, 0);
                EXPECT_LT(test::DifferingShare(a, b), 0.01);
            }
        }
    }
}

// A portrait page whose /Rotate shows it turned, with a blue square in the
// corner that a viewer shows top left.
struct RotationCase {
    int rotate;
    double width;
    double height;
    const char* blue_square;  // "x y w h" in the page's own space
};

TEST(FacadeRendering, RotatedPagesKeepLetterheadAndContentUpright) {
    const RotationCase cases[] = {
        {90, 595, 842, "0 0 42 100"},
        {180, 595, 842, "495 0 100 42"},
        {270, 595, 842, "553 742 42 100"},
        {90, 842, 595, "0 0 42 100"},  // a landscape sheet shown upright
    };
    for (const RotationCase& c : cases) {
        for (bool foreground : {true, false}) {
            for (bool follow : {false, true}) {
                SCOPED_TRACE("Rotate " + std::to_string(c.rotate) + " " + Number(c.width) + "x" +
                             Number(c.height) + (foreground ? ", over" : ", under") +
                             (follow ? ", layer turned too" : ""));
                TempFolder folder;
                const std::string content = "0 0 1 rg " + std::string(c.blue_square) + " re f";
                const fs::path path = folder.Write(
                    "doc.pdf",
                    testing::OnePagePdf("[0 0 " + Number(c.width) + " " + Number(c.height) + "]",
                                        content, "/Rotate " + std::to_string(c.rotate)));
                const fs::path stationery = folder.Write("lh.pdf", Letterhead(595, 842));
                StampOptions options;
                options.foreground = foreground;
                options.follow_rotation = follow;
                ASSERT_TRUE(StampThroughFacade(path.string(), stationery.string(), options));
                const Raster r = RenderPage(path, 1, 20);
                ASSERT_GT(r.width, 0);
                const bool shown_landscape = (c.rotate % 180 == 0) == (c.width > c.height);
                if (foreground || follow) {
                    // The page keeps the shape the input showed.
                    EXPECT_EQ(r.width > r.height, shown_landscape);
                }
                auto at = [&](double fx, double fy) {
                    return r.At(static_cast<int>(fx * r.width), static_cast<int>(fy * r.height));
                };
                const auto blue = at(0.02, 0.01);
                const auto red = at(0.9, 0.01);
                const auto middle = at(0.5, 0.5);
                EXPECT_TRUE(blue[2] > 200 && blue[0] < 80)
                    << "content corner " << blue[0] << "," << blue[1] << "," << blue[2];
                EXPECT_TRUE(red[0] > 200 && red[2] < 80)
                    << "letterhead band " << red[0] << "," << red[1] << "," << red[2];
                EXPECT_GT(middle[0] + middle[1] + middle[2], 600);
            }
        }
    }
}

}  // namespace
}  // namespace papyrion::pdf
