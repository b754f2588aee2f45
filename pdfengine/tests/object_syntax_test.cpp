// Parsing PDF text into objects and writing objects back as PDF text.

#include <gtest/gtest.h>

#include <string>

#include "object/pdf_keys.h"
#include "object/pdf_parser.h"
#include "object/pdf_structure.h"
#include "support/pdf_fixtures.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf {
namespace {

// Parse, then write back in the engine's own layout.
struct RoundTripCase {
    const char* input;
    const char* written;
};

TEST(ObjectSyntax, ParsesAndWritesEveryKind) {
    const RoundTripCase cases[] = {
        {"true", "true"},
        {"false", "false"},
        {"null", "null"},
        {"12", "12"},
        {"-7", "-7"},
        {"0.123456", "0.1235"},  // four decimals, rounded
        {"3.10000", "3.1"},      // no trailing zeros
        {"-.5", "-0.5"},
        {"4.", "4"},                 // no trailing separator
        {"-0.00001", "0"},           // no negative zero
        {"123456789", "123456789"},  // nine digits: a real, still written whole
        {"/Name", "/Name"},
        {"/A#20B", "/A#20B"},  // escape resolved on reading, written again
        {"/A#2", "/A#232"},    // "#" without two hex digits stays a "#"
        {"/Caf\xE9", "/Caf#E9"},
        {"(a (nested) string)", "(a \\(nested\\) string)"},
        {"(esc \\( \\) \\\\ \\n\\t)", "(esc \\( \\) \\\\ \\n\\t)"},
        {"(\\101\\60\\0619)", "(A019)"},  // octal escapes of 1 to 3 digits
        {"(line\\\ncontinued)", "(linecontinued)"},
        {"(cr\r\nlf)", "(cr\\nlf)"},  // an unescaped CR LF reads as one LF
        {"<48656c6C6f>", "<48656C6C6F>"},
        {"<4 8 6>", "<4860>"},  // blanks dropped, odd count padded with 0
        {"12 0 R", "12 0 R"},
        {"[1 2 R 3]", "[ 1 2 R 3 ]"},
        {"[ 1 % comment\n 2 ]", "[ 1 2 ]"},
        {"<< /Type /Page /Count 3 >>", "<<\n/Type /Page\n/Count 3\n>>\n"},
        {"<< /A << /B 1 >> /C 2 >>", "<<\n/A <<\n/B 1\n>>\n/C 2\n>>\n"},
        {"<< /A 1 /A 2 >>", "<<\n/A 1\n>>\n"},  // first of duplicate keys counts
        {"<< /A 1 /B >>", "<<\n/A 1\n>>\n"},    // a key without value ends the dictionary
        // Inner and outer dictionaries keep their own keys and duplicates apart.
        {"<< /A << /A 1 /B 2 /A 5 >> /B 3 /A 4 >>", "<<\n/A <<\n/A 1\n/B 2\n>>\n/B 3\n>>\n"},
        {"<</A/B/C[1]>>", "<<\n/A /B\n/C [ 1 ]\n>>\n"},  // names end at delimiters
        {"[ << /A 1 >> 2 ]", "[ <<\n/A 1\n>>\n2 ]"},
    };
    for (const auto& c : cases) {
        TPDFStructure structure;
        TPDFObject* object = structure.Parse(c.input);
        ASSERT_NE(object, nullptr) << c.input;
        EXPECT_EQ(PdfText(*object), c.written) << "input: " << c.input;
    }
}

TEST(ObjectSyntax, GivesNoObjectForTextWithoutOne) {
    for (const char* input : {"", "   % only a comment", "(unbalanced", "<4142", ")", "endobj"}) {
        TPDFStructure structure;
        EXPECT_EQ(structure.Parse(input), nullptr) << input;
    }
}

TEST(ObjectSyntax, StopsAtTheDepthLimitInsteadOfOverflowingTheStack) {
    TPDFStructure structure;
    std::string deep_arrays(100000, '[');
    EXPECT_EQ(structure.Parse(deep_arrays), nullptr);
    std::string deep_dicts;
    for (int i = 0; i < 50000; ++i) deep_dicts += "<< /A ";
    EXPECT_EQ(structure.Parse(deep_dicts), nullptr);

    std::string fine(TPDFParser::kMaxDepth, '[');
    fine += std::string(TPDFParser::kMaxDepth, ']');
    EXPECT_NE(structure.Parse(fine), nullptr);
}

TEST(ObjectSyntax, NamesEscapeEveryDelimiterAndByteOutsidePrintableAscii) {
    EXPECT_EQ(FormatPdfName("A B"), "/A#20B");
    EXPECT_EQ(FormatPdfName("#%()/<>[]{}"), "/#23#25#28#29#2F#3C#3E#5B#5D#7B#7D");
    EXPECT_EQ(FormatPdfName(std::string("\x00\x7F\xFF", 3)), "/#00#7F#FF");
    EXPECT_EQ(FormatLiteralString("a(b)c\\\b\f\r"), "(a\\(b\\)c\\\\\\b\\f\\r)");
    EXPECT_EQ(FormatHexString(std::string("\x00\xAB", 2)), "<00AB>");
}

TEST(ObjectSyntax, LongArraysBreakTheirLinesAfterEightyCharacters) {
    TPDFStructure structure;
    TPDFArray* array = structure.MakeArray();
    for (int i = 0; i < 100; ++i) array->Append(structure.MakeNumeric(1000000 + i));
    std::string text = PdfText(*array);
    std::size_t start = 0;
    for (std::size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start)) {
        EXPECT_LE(end - start, 81u + 8u);
    }
    TPDFObject* back = structure.Parse(text);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(testing::Deref(back->As<TPDFArray>()).Size(), 100u);
}

TEST(ObjectSyntax, StreamsWriteTheirRealLengthAndMustBeIndirect) {
    TPDFStructure structure;
    TPDFStream* stream = structure.MakeStream("abc");
    stream->Dictionary().Set(key::kLength, structure.MakeNumeric(99));  // stale value
    EXPECT_EQ(PdfText(*stream), "<<\n/Length 3\n>>\nstream\nabc\nendstream");

    // Embedding a stream in a dictionary cannot be written; the entry says so.
    TPDFDictionary* holder = structure.MakeDictionary();
    holder->Set("Good", structure.MakeNumeric(1));
    TPDFObject* as_object = stream;
    holder->Set("Bad", as_object);
    EXPECT_EQ(PdfText(*holder), "<<\n/Good 1\n% bug \n>>\n");
}

TEST(ObjectSyntax, DictionaryEditingKeepsOrderAndReplacesInPlace) {
    TPDFStructure structure;
    auto* dictionary = structure.Parse("<< /A 1 /B 2 /C 3 >>")->As<TPDFDictionary>();
    ASSERT_NE(dictionary, nullptr);
    dictionary->Set("B", structure.MakeName("X"));
    dictionary->Set("D", structure.MakeNumeric(4));
    EXPECT_TRUE(dictionary->Remove("A"));
    EXPECT_FALSE(dictionary->Remove("A"));
    EXPECT_EQ(PdfText(*dictionary), "<<\n/B /X\n/C 3\n/D 4\n>>\n");
    EXPECT_EQ(dictionary->TryName("B"), "X");
    EXPECT_EQ(dictionary->TryNumber("C"), 3.0);
    EXPECT_EQ(dictionary->TryNumber("B"), std::nullopt);
    EXPECT_EQ(dictionary->TryDictionary("C"), nullptr);
}

TEST(ObjectSyntax, IndirectObjectsInsideOthersAreWrittenAsReferences) {
    TPDFStructure structure;
    TPDFDictionary* font = structure.MakeDictionary();
    font->MarkIndirect(7, 0);
    TPDFDictionary* resources = structure.MakeDictionary();
    resources->Set("F1", font);
    EXPECT_EQ(PdfText(*resources), "<<\n/F1 7 0 R\n>>\n");
}

}  // namespace
}  // namespace papyrion::pdf
