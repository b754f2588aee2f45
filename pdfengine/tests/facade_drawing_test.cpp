// The sample drawing: text in standard Helvetica, bitmap images, colours and
// circles, as content-stream text and as rendered pixels.

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <regex>
#include <string>

#include "document/bmp_image.h"
#include "pdfengine/pdfengine.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using test::QpdfProblems;
using test::RenderPage;
using test::TempFolder;
using testing::SavedDocument;

void PutU32(std::string& s, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void PutU16(std::string& s, std::uint16_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>(v >> 8);
}

// A bottom-up BMP with a 40-byte header; `pixel(x, y)` gives the stored
// value of the pixel in row y from the top (an index, or 0xRRGGBB for 24 bits).
std::string Bmp(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
                const std::function<std::uint32_t(int, int)>& pixel) {
    const int row = ((width * bits + 31) / 32) * 4;
    std::string data;
    for (int y = height - 1; y >= 0; --y) {
        std::string line(static_cast<std::size_t>(row), '\0');
        for (int x = 0; x < width; ++x) {
            const std::uint32_t v = pixel(x, y);
            if (bits == 24) {
                line[static_cast<std::size_t>(x * 3)] = static_cast<char>(v & 0xFF);
                line[static_cast<std::size_t>(x * 3 + 1)] = static_cast<char>((v >> 8) & 0xFF);
                line[static_cast<std::size_t>(x * 3 + 2)] = static_cast<char>((v >> 16) & 0xFF);
            } else if (bits == 8) {
                line[static_cast<std::size_t>(x)] = static_cast<char>(v);
            } else {
                const auto at = static_cast<std::size_t>(x * bits / 8);
                const int shift = 8 - bits - (x * bits) % 8;
                line[at] = static_cast<char>(static_cast<unsigned char>(line[at]) | (v << shift));
            }
        }
        data += line;
    }
    std::string bmp = "BM";
    const auto offset = static_cast<std::uint32_t>(54 + palette.size() * 4);
    PutU32(bmp, offset + static_cast<std::uint32_t>(data.size()));
    PutU32(bmp, 0);
    PutU32(bmp, offset);
    PutU32(bmp, 40);
    PutU32(bmp, static_cast<std::uint32_t>(width));
    PutU32(bmp, static_cast<std::uint32_t>(height));
    PutU16(bmp, 1);
    PutU16(bmp, static_cast<std::uint16_t>(bits));
    PutU32(bmp, 0);
    PutU32(bmp, static_cast<std::uint32_t>(data.size()));
    PutU32(bmp, 3780);  // 96 dpi
    PutU32(bmp, 2835);  // 72 dpi
    PutU32(bmp, static_cast<std::uint32_t>(palette.size()));
    PutU32(bmp, 0);
    for (std::uint32_t c : palette) PutU32(bmp, c);
    return bmp + data;
}

TEST(FacadeDrawing, BitmapFormsBecomeTheirImageForms) {
    std::vector<std::uint32_t> grey(256);
    for (std::uint32_t i = 0; i < 256; ++i) grey[i] = i << 16 | i << 8 | i;
    std::vector<std::uint32_t> reds(256);
    for (std::uint32_t i = 0; i < 256; ++i) reds[i] = i << 16;
    const struct {
        const char* what;
        std::string file;
        int bits;
        bool gray;
        bool zero_is_black;
        std::string samples;
    } cases[] = {
        {"1 bit, black first",
         Bmp(3, 2, 1, {0x000000, 0xFFFFFF}, [](int x, int y) { return (x + y) % 2u; }), 1, true,
         true, std::string("\x40\xA0", 2)},
        {"1 bit, white first",
         Bmp(3, 2, 1, {0xFFFFFF, 0x000000}, [](int x, int) { return x == 0 ? 1u : 0u; }), 1, true,
         false, std::string("\x80\x80", 2)},
        {"8 bit grey palette", Bmp(2, 2, 8, grey, [](int x, int y) { return 10u * x + 100u * y; }),
         8, true, true, std::string("\x00\x0A\x64\x6E", 4)},
        {"8 bit other palette", Bmp(1, 1, 8, reds, [](int, int) { return 7u; }), 8, false, true,
         std::string("\x07\x00\x00", 3)},
        {"4 bit", Bmp(2, 1, 4, {0x000000, 0x00FF00}, [](int x, int) { return x == 1 ? 1u : 0u; }),
         8, false, true, std::string("\x00\x00\x00\x00\xFF\x00", 6)},
        {"24 bit, rows top first",
         Bmp(1, 2, 24, {}, [](int, int y) { return y == 0 ? 0x112233u : 0x445566u; }), 8, false,
         true, "\x11\x22\x33\x44\x55\x66"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto image = DecodeBmp(c.file);
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->bits_per_component, c.bits);
        EXPECT_EQ(image->gray, c.gray);
        if (c.bits == 1) {
            EXPECT_EQ(image->zero_is_black, c.zero_is_black);
        }
        EXPECT_EQ(image->samples, c.samples);
        EXPECT_EQ(image->dpi_x, 96);
        EXPECT_EQ(image->dpi_y, 72);
    }
    // Damaged files are refused, not read past their end.
    const std::string good = Bmp(40, 40, 24, {}, [](int, int) { return 0u; });
    EXPECT_FALSE(DecodeBmp(good.substr(0, good.size() - 1)).has_value());
    EXPECT_FALSE(DecodeBmp("BM").has_value());
    std::string huge = good;
    huge[18] = '\xFF', huge[19] = '\xFF', huge[20] = '\xFF', huge[21] = '\x7F';
    EXPECT_FALSE(DecodeBmp(huge).has_value());
}

TEST(FacadeDrawing, SampleOverlayContentAndLook) {
    TempFolder folder;
    const auto bmp =
        folder.Write("image.bmp", Bmp(20, 10, 24, {}, [](int, int) { return 0xFF0000u; }));
    const auto output = folder.Path() / "Sample.pdf";
    PdfEngine engine;
    engine.CreateDocument();
    ASSERT_EQ(engine.PlaceText(85, 650, "Visit (our) site \\ now"), 1);
    ASSERT_EQ(engine.PlaceText(117, 620, "WWW.EXAMPLE.COM \xE2\x82\xAC"), 1);
    ASSERT_NE(engine.LoadImageFile(bmp.string(), 0), 0u);
    EXPECT_EQ(engine.GetImageWidth(), 20);
    EXPECT_EQ(engine.GetImageHeight(), 10);
    EXPECT_EQ(engine.GetImageColorKey(), 0xFFFFFF);
    ASSERT_EQ(engine.PlaceImage(110, 580, 200, 100), 1);
    engine.SetFillRGB(0.3, 0.4, 0.5);
    engine.SetStrokeRGB(0.3, 0.4, 0.5);
    for (int i = 1; i <= 10; ++i) {
        engine.SetStrokeRGB(0.3 + 0.06 * i, 0.4, 0.5);
        ASSERT_EQ(engine.PaintCircle(185, 305, 76 + 3 * i, 0), 1);
    }
    ASSERT_EQ(engine.PaintCircle(450, 150, 40, 1), 1);
    EXPECT_EQ(engine.GetFieldBound(1, 1), 0);
    EXPECT_EQ(engine.LoadImageFile((folder.Path() / "missing.bmp").string(), 0), 0u);
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(QpdfProblems(output), "");

    SavedDocument saved(output);
    const std::string data = saved.ContentStreams(*saved.Pages().at(0)).back()->Data();
    const std::string font = "TessaronF[0-9a-f]{8}";
    const std::regex expected("0 Tr\n/" + font +
                              " 12 Tf\n0 0 0 rg\n100 Tz\n0 Ts\n0 Tw 0 Tc\nBT\n1 0 0 1 85 650 Tm\n"
                              "\\(Visit \\\\\\(our\\\\\\) site \\\\\\\\ now\\) Tj\n   "
                              "1 0 0 1 117 620 Tm\n\\(WWW\\.EXAMPLE\\.COM \x80\\) Tj\nET\n"
                              "q\n200 0 0 100 110 480 cm\n/TessaronIm[0-9a-f]{8} Do\nQ\n"
                              "0\\.36 0\\.4 0\\.5 RG\n1 w\n\\[\\] 0 d\n106 305 m\n106 261\\.3695 "
                              "141\\.3695 226 185 226 c\n"
                              "[^]*S\n0\\.42 0\\.4 0\\.5 RG\n103 305 m\n[^]*"
                              "0\\.3 0\\.4 0\\.5 rg\n410 150 m\n[^]*f\n");
    EXPECT_TRUE(std::regex_match(data, expected)) << data;
    TPDFDictionary* fonts = saved.Pages().at(0)->TryDictionary("Resources")->TryDictionary("Font");
    ASSERT_NE(fonts, nullptr);
    ASSERT_EQ(fonts->Count(), 1u);
    TPDFObject* helvetica = fonts->Resolve(fonts->Entries().at(0).key);
    ASSERT_NE(helvetica, nullptr);
    EXPECT_EQ(SavedDocument::Text(*helvetica),
              "<<\n/Type /Font\n/Subtype /Type1\n/BaseFont /Helvetica\n"
              "/Encoding /WinAnsiEncoding\n>>\n");

    const auto raster = RenderPage(output, 1, 72);
    ASSERT_GT(raster.width, 0);
    const auto red = raster.At(210, 792 - 530);
    EXPECT_TRUE(red[0] > 200 && red[1] < 60 && red[2] < 60);
    const auto disc = raster.At(450, 792 - 150);
    EXPECT_NEAR(disc[0], 77, 12);
    EXPECT_NEAR(disc[2], 128, 12);
}

}  // namespace
}  // namespace papyrion::pdf
