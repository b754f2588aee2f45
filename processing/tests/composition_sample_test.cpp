#include "processing/composition_sample.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "support/run_test_support.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::Quoted;
using test::ReadFile;
using test::RunFolder;
using test::Shell;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;

const std::string kShipped = std::string(PAPYRION_SOURCE_DIR) + "/data/Sample_Letterhead.pdf";

std::string Text(const RunFolder& folder, const std::string& pdf) {
    const std::string out = folder / "text.txt";
    Shell("pdftotext -layout " + Quoted(pdf) + " " + Quoted(out) + " 2>/dev/null");
    return ReadFile(out);
}

// The RGB pixels of page 1 at 24 dots per inch.
std::string Pixels(const RunFolder& folder, const std::string& pdf, int& width) {
    const std::string prefix = folder / "page";
    Shell("pdftoppm -r 24 -singlefile " + Quoted(pdf) + " " + Quoted(prefix) + " 2>/dev/null");
    std::istringstream in(ReadFile(prefix + ".ppm"));
    std::string magic;
    int height = 0, maximum = 0;
    in >> magic >> width >> height >> maximum;
    in.get();
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(SampleLetterhead, IsOneA4PageWithLogoAndAddress) {
    RunFolder folder;
    const std::string made = folder / "sample.pdf";
    ASSERT_TRUE(WriteSampleLetterhead(made, folder.Path().string()));
    EXPECT_EQ(Shell("qpdf --check " + Quoted(made) + " >/dev/null"), 0);
    const std::string info = folder / "info.txt";
    Shell("pdfinfo " + Quoted(made) + " >" + Quoted(info));
    EXPECT_THAT(ReadFile(info), ContainsRegex("Pages: +1\n"));
    EXPECT_THAT(ReadFile(info), HasSubstr("595.28 x 841.89 pts (A4)"));
    const std::string text = Text(folder, made);
    EXPECT_THAT(text, HasSubstr("Papyrion Sample Stationery B.V."));
    EXPECT_THAT(text, HasSubstr("1015 AA Amsterdam"));

    // The dark blue disc of the logo is where it was drawn (78, 778 points).
    int width = 0;
    const std::string pixels = Pixels(folder, made, width);
    const int x = 78 * 24 / 72;
    const int y = static_cast<int>((kA4Height - 778) * 24 / 72);
    const std::size_t at = (static_cast<std::size_t>(y) * width + x) * 3;
    ASSERT_LT(at + 2, pixels.size());
    EXPECT_LT(static_cast<unsigned char>(pixels[at]), 60);      // red
    EXPECT_GT(static_cast<unsigned char>(pixels[at + 2]), 80);  // blue

    // Run with PAPYRION_WRITE_SAMPLE_LETTERHEAD=1 to renew the shipped copy.
    if (std::getenv("PAPYRION_WRITE_SAMPLE_LETTERHEAD"))
        fs::copy_file(made, kShipped, fs::copy_options::overwrite_existing);
}

TEST(SampleLetterhead, ShippedCopyIsTheEngineDrawing) {
    RunFolder folder;
    ASSERT_TRUE(fs::exists(kShipped));
    const std::string made = folder / "sample.pdf";
    ASSERT_TRUE(WriteSampleLetterhead(made, folder.Path().string()));
    EXPECT_EQ(Shell("qpdf --check " + Quoted(kShipped) + " >/dev/null"), 0);
    int shipped_width = 0, made_width = 0;
    const std::string shipped = Pixels(folder, kShipped, shipped_width);
    EXPECT_EQ(Pixels(folder, made, made_width), shipped);
}

}  // namespace
}  // namespace papyrion
