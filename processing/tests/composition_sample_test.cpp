#include "processing/composition_sample.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "support/run_test_support.h"
#include "testsupport/pdf_tools.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::PdfText;
using test::QpdfProblems;
using test::Raster;
using test::RenderPage;
using test::RunFolder;
using test::RunProgram;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

const std::string kShipped = std::string(PAPYRION_SOURCE_DIR) + "/data/Sample_Letterhead.pdf";

TEST(SampleLetterhead, IsOneA4PageWithLogoAndAddress) {
    RunFolder folder;
    const std::string made = folder / "sample.pdf";
    ASSERT_TRUE(WriteSampleLetterhead(made, folder.Path().string()));
    EXPECT_EQ(QpdfProblems(made), "");
    const std::string info = RunProgram({"pdfinfo", made}).out;
    EXPECT_THAT(info, ContainsRegex("Pages: +1\n"));
    EXPECT_THAT(info, HasSubstr("595.28 x 841.89 pts (A4)"));
    const std::string text = PdfText(made);
    EXPECT_THAT(text, HasSubstr("Papyrion Sample Stationery B.V."));
    EXPECT_THAT(text, HasSubstr("1015 AA Amsterdam"));

    // The dark blue disc of the logo is where it was drawn (78, 778 points).
    const Raster page = RenderPage(made, 1, 24);
    ASSERT_GT(page.width, 0);
    const int x = 78 * 24 / 72;
    const int y = static_cast<int>((kA4Height - 778) * 24 / 72);
    ASSERT_LT(y, page.height);
    EXPECT_LT(page.At(x, y)[0], 60);  // red
    EXPECT_GT(page.At(x, y)[2], 80);  // blue

    // Run with PAPYRION_WRITE_SAMPLE_LETTERHEAD=1 to renew the shipped copy.
    if (std::getenv("PAPYRION_WRITE_SAMPLE_LETTERHEAD"))
        fs::copy_file(made, kShipped, fs::copy_options::overwrite_existing);
}

TEST(SampleLetterhead, ShippedCopyIsTheEngineDrawing) {
    RunFolder folder;
    ASSERT_TRUE(fs::exists(kShipped));
    const std::string made = folder / "sample.pdf";
    ASSERT_TRUE(WriteSampleLetterhead(made, folder.Path().string()));
    EXPECT_EQ(QpdfProblems(kShipped), "");
    const Raster shipped = RenderPage(kShipped, 1, 24);
    ASSERT_GT(shipped.width, 0);
    EXPECT_EQ(RenderPage(made, 1, 24).samples, shipped.samples);
}

}  // namespace
}  // namespace papyrion
