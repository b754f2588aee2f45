// PDF text strings: PDFDocEncoding when possible, UTF-16 otherwise.

#include "object/text_string.h"

#include <gtest/gtest.h>

#include <string>

namespace papyrion::pdf {
namespace {

struct TextCase {
    const char* what;
    std::u32string text;
    std::string bytes;
};

TEST(TextString, EncodesAndDecodesBothForms) {
    const TextCase cases[] = {
        {"empty", U"", ""},
        {"ASCII", U"Sample overlay", "Sample overlay"},
        {"Latin-1 letters keep their byte", U"caf\u00E9", "caf\xE9"},
        {"characters moved by PDFDocEncoding", U"\u20AC \u2022 \u0141 \u02D8",
         "\xA0 \x80 \x95 \x18"},
        {"outside PDFDocEncoding", U"\u0416", std::string("\xFE\xFF\x04\x16", 4)},
        {"one foreign character switches the whole text", U"A\u03A9",
         std::string("\xFE\xFF\x00\x41\x03\xA9", 6)},
        {"beyond the basic plane", U"\U0001F600", std::string("\xFE\xFF\xD8\x3D\xDE\x00", 6)},
        {"soft hyphen has no PDFDocEncoding byte", U"\u00AD", std::string("\xFE\xFF\x00\xAD", 4)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeTextString(c.text), c.bytes) << c.what;
        EXPECT_EQ(DecodeTextString(c.bytes), c.text) << c.what;
    }
}

TEST(TextString, DecodesDamagedAndOtherForms) {
    EXPECT_EQ(DecodeTextString(std::string("\xFE\xFF\x00\x41\x00", 5)), U"A");   // odd byte dropped
    EXPECT_EQ(DecodeTextString(std::string("\xFE\xFF\xD8\x3D", 4)), U"\uFFFD");  // lone surrogate
    EXPECT_EQ(DecodeTextString("\xEF\xBB\xBF"
                               "caf\xC3\xA9"),
              U"caf\u00E9");                                    // UTF-8 marker
    EXPECT_EQ(DecodeTextStringToUtf8("\x84"), "\xE2\x80\x94");  // em dash
    EXPECT_EQ(EncodeTextStringFromUtf8("h\xC3\xB4tel"), "h\xF4tel");
    EXPECT_EQ(Utf8ToUtf32("\xC0\xAF"), U"\uFFFD\uFFFD");  // overlong "/"
}

}  // namespace
}  // namespace papyrion::pdf
