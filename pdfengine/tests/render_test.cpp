// Rendering a page of an engine document to a JPEG file: the picture
// matches poppler's own pdftoppm, pages are clamped to the document, and a
// file that cannot be created is told apart from a failed rendering.

#include <gtest/gtest.h>

#include <filesystem>

#include "document/pdf_document.h"
#include "render/jpeg_codec.h"
#include "render/page_image_file.h"
#include "support/pdf_fixtures.h"
#include "support/render_print_fixtures.h"
#include "testsupport/program.h"

namespace papyrion::pdf {
namespace {

namespace fs = std::filesystem;
using testing::Rgb;

const fs::path kCorpus = fs::path(PAPYRION_SHARED_DIR) / "corpus";

std::unique_ptr<TPDFDocument> ReadDocument(std::string bytes) {
    auto document = std::make_unique<TPDFDocument>();
    if (document->Read(std::move(bytes), "") != ReadResult::kRead) return nullptr;
    return document;
}

struct CorpusPage {
    const char* file;
    int page;
    double dpi;
};

// Text, vector graphics, images and cropped pages, at the thumbnail
// resolution (75 DPI at factor 0.18) and above.
const CorpusPage kCorpusPages[] = {
    {"plain/minimal-document.pdf", 1, 13.5},
    {"fonts/standard_fonts.pdf", 1, 36},
    {"images/pdflatex-image.pdf", 1, 36},
    {"xref-stream/multicolumn.pdf", 2, 24},
    {"pages/cropbox.pdf", 1, 30},
    {"stationery/template.pdf", 1, 13.5},
    {"multipage/tracemonkey.pdf", 1, 13.5},
    {"pages/habibi-rotated.pdf", 1, 20},
    {"pages/PDFBOX-2984-rotations.pdf", 2, 20},
    // A CropBox inside the MediaBox: the picture is the MediaBox, as pdftoppm's.
    {"pages/boxes.pdf", 1, 20},
};

TEST(RenderPageFile, MatchesPdftoppmOfTheSamePage) {
    test::TempFolder folder;
    for (const CorpusPage& entry : kCorpusPages) {
        SCOPED_TRACE(std::string(entry.file) + " page " + std::to_string(entry.page) + " at " +
                     std::to_string(entry.dpi) + " DPI");
        const fs::path source = kCorpus / entry.file;
        ASSERT_TRUE(fs::exists(source));
        auto document = ReadDocument(test::ReadFile(source));
        ASSERT_NE(document, nullptr);

        const fs::path ours = folder.Path() / "ours.jpg";
        std::string error;
        PageImageRequest request{entry.page, entry.dpi, kRenderFormatJpeg};
        ASSERT_EQ(WritePageImageFile(*document, request, ours, error), RenderFileResult::kWritten)
            << error;

        const fs::path theirs = folder.Path() / "theirs";
        char dpi[32];
        std::snprintf(dpi, sizeof dpi, "%g", entry.dpi);
        const auto run = test::RunProgram({"pdftoppm", "-jpeg", "-singlefile", "-r", dpi, "-f",
                                           std::to_string(entry.page), "-l",
                                           std::to_string(entry.page), source, theirs});
        ASSERT_EQ(run.exit_code, 0) << run.err;

        const auto a = testing::ReadJpegFile(ours);
        const auto b = testing::ReadJpegFile(folder.Path() / "theirs.jpg");
        ASSERT_TRUE(a && b);
        ASSERT_EQ(a->width, b->width);
        ASSERT_EQ(a->height, b->height);
        const auto difference = testing::Compare(*a, *b);
        EXPECT_LT(difference.mean, 3.0);
        EXPECT_LT(difference.share_far_off, 0.01);
    }
}

TEST(RenderPageFile, ThumbnailOfAnA4Page) {
    test::TempFolder folder;
    auto document = ReadDocument(test::ReadFile(kCorpus / "plain/minimal-document.pdf"));
    ASSERT_NE(document, nullptr);
    std::string error;
    const fs::path out = folder.Path() / "thumb.jpg";
    ASSERT_EQ(WritePageImageFile(*document, {1, 75 * 0.18, kRenderFormatJpeg}, out, error),
              RenderFileResult::kWritten);
    const auto image = testing::ReadJpegFile(out);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->width, 112);
    EXPECT_EQ(image->height, 158);
}

TEST(RenderPageFile, PageNumbersAreClampedToTheDocument) {
    test::TempFolder folder;
    const Rgb red{255, 0, 0}, green{0, 255, 0}, blue{0, 0, 255};
    auto document = ReadDocument(
        testing::ColouredPagesPdf({{200, 300, red}, {200, 300, green}, {300, 200, blue}}));
    ASSERT_NE(document, nullptr);
    struct Case {
        int asked;
        Rgb colour;
    } cases[] = {{0, red}, {-5, red}, {2, green}, {3, blue}, {4, blue}, {999, blue}};
    for (const Case& c : cases) {
        SCOPED_TRACE("page " + std::to_string(c.asked));
        const fs::path out = folder.Path() / "page.jpg";
        std::string error;
        ASSERT_EQ(WritePageImageFile(*document, {c.asked, 36, kRenderFormatJpeg}, out, error),
                  RenderFileResult::kWritten)
            << error;
        const auto image = testing::ReadJpegFile(out);
        ASSERT_TRUE(image);
        EXPECT_TRUE(testing::Near(testing::CentrePixel(*image), c.colour));
    }
}

TEST(RenderPageFile, FileThatCannotBeCreatedAndFailedRendering) {
    test::TempFolder folder;
    auto document = ReadDocument(testing::ColouredPagesPdf({{200, 300, {10, 20, 30}}}));
    ASSERT_NE(document, nullptr);
    std::string error;
    EXPECT_EQ(WritePageImageFile(*document, {1, 36, kRenderFormatJpeg},
                                 folder.Path() / "missing" / "page.jpg", error),
              RenderFileResult::kCannotCreateFile);

    // A format this engine does not write, and an absurd resolution: the file
    // made in step one must not stay behind as an empty "picture".
    const fs::path out = folder.Path() / "page.jpg";
    EXPECT_EQ(WritePageImageFile(*document, {1, 36, 5}, out, error), RenderFileResult::kFailed);
    EXPECT_FALSE(fs::exists(out));
    EXPECT_EQ(WritePageImageFile(*document, {1, 1e7, kRenderFormatJpeg}, out, error),
              RenderFileResult::kFailed);
    EXPECT_FALSE(fs::exists(out));
}

TEST(JpegCodec, RoundTripKeepsSizeAndColour) {
    RgbBitmap bitmap;
    bitmap.width = 17;
    bitmap.height = 9;
    for (int i = 0; i < 17 * 9; ++i) {
        bitmap.pixels.insert(bitmap.pixels.end(), {200, 40, 90});
    }
    const std::string jpeg = EncodeJpeg(bitmap, 75);
    ASSERT_GT(jpeg.size(), 4u);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
    EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
    const auto back = DecodeJpeg(jpeg);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->width, 17);
    EXPECT_EQ(back->height, 9);
    EXPECT_TRUE(testing::Near(testing::CentrePixel(*back), {200, 40, 90}, 8));
    EXPECT_FALSE(DecodeJpeg("not a jpeg"));
    EXPECT_FALSE(DecodeJpeg(jpeg.substr(0, 20)));
}

}  // namespace
}  // namespace papyrion::pdf
