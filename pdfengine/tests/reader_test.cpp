// Reading files: header, cross-reference tables and streams, repairs, lazy parsing.

#include <gtest/gtest.h>

#include <string>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "support/pdf_fixtures.h"
#include "writer/pdf_text.h"

namespace papyrion::pdf {
namespace {

using testing::BuildClassicPdf;
using testing::ClassicOptions;
using testing::FixtureObject;
using testing::ReplaceOnce;
using testing::SimplePageObjects;
using testing::XrefStreamPdf;

struct ReadCase {
    const char* what;
    std::string pdf;
    int pages;
};

TEST(Reader, ReadsTablesOfEveryEntryWidthAndTheKnownDamage) {
    auto pages = SimplePageObjects(2);
    ClassicOptions nineteen;
    nineteen.entry_end = "\n";
    ClassicOptions twenty_one;
    twenty_one.entry_end = " \r\n";
    ClassicOptions off_by_one;
    off_by_one.first_number = 1;
    ClassicOptions short_junk;
    short_junk.junk = std::string(100, 'J');
    ClassicOptions long_junk;
    long_junk.junk = "garbage line\n" + std::string(3000, '#');
    ClassicOptions postscript;
    postscript.header = "%!PS-Adobe-3.0 PDF-1.3\n";
    std::string plain = BuildClassicPdf(pages);
    std::string startxref_comment = ReplaceOnce(plain, "\n%%EOF", " % the table\n%%EOF");
    std::string truncated_eof = plain.substr(0, plain.size() - 3);  // ends in "%%E"

    const ReadCase cases[] = {
        {"20-byte entries", plain, 2},
        {"19-byte entries", BuildClassicPdf(pages, nineteen), 2},
        {"21-byte entries", BuildClassicPdf(pages, twenty_one), 2},
        {"first subsection numbered from 1", BuildClassicPdf(pages, off_by_one), 2},
        {"100 bytes before the header", BuildClassicPdf(pages, short_junk), 2},
        {"3000 bytes before the header", BuildClassicPdf(pages, long_junk), 2},
        {"PostScript-style header", BuildClassicPdf(pages, postscript), 2},
        {"comment after the startxref number", startxref_comment, 2},
        {"file cut inside %%EOF", truncated_eof, 2},
        {"xref stream and object stream", XrefStreamPdf(), 1},
    };
    for (const auto& c : cases) {
        TPDFDocument document;
        ASSERT_EQ(document.Read(c.pdf, ""), ReadResult::kRead) << c.what;
        EXPECT_EQ(static_cast<int>(CollectPages(document).size()), c.pages) << c.what;
    }
}

TEST(Reader, OffByOneRepairGivesTheRightNumbers) {
    ClassicOptions off_by_one;
    off_by_one.first_number = 1;
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(SimplePageObjects(1), off_by_one), ""),
              ReadResult::kRead);
    ASSERT_NE(document.Catalog(), nullptr);
    EXPECT_TRUE(document.Catalog()->HasName(key::kType, name::kCatalog));
    EXPECT_EQ(document.HighestObjectNumber(), 3);
}

TEST(Reader, ReportsUnreadableFilesAsTwoAndLeavesTheDocumentEmpty) {
    auto objects = SimplePageObjects(1);
    std::string plain = BuildClassicPdf(objects);
    ClassicOptions bad_version;
    bad_version.header = "%PDF-x.y\n";
    std::vector<FixtureObject> no_pages = {{1, "<< /Type /Catalog >>"}};
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"no header", plain.substr(9)},
        {"version is not a number", BuildClassicPdf(objects, bad_version)},
        {"catalog without page tree", BuildClassicPdf(no_pages)},
        {"no catalog anywhere", ReplaceOnce(plain, "/Pages 2 0 R", "/Pagez 2 0 R")},
    };
    for (const auto& [what, pdf] : cases) {
        TPDFDocument document;
        EXPECT_EQ(document.Read(pdf, ""), ReadResult::kNotReadable) << what;
        EXPECT_TRUE(document.IndirectObjects().empty()) << what;
        EXPECT_TRUE(document.FileBytes().empty()) << what;
    }
}

TEST(Reader, RebuildsDamagedCrossReferencesByScanningForObjects) {
    // Three pages painted red, green and blue, each with its own content stream.
    std::vector<FixtureObject> objects = {
        {1, "<< /Type /Catalog /Pages 2 0 R >>"},
        {2, "<< /Type /Pages /Kids [ 3 0 R 4 0 R 5 0 R ] /Count 3 >>"}};
    const char* colours[] = {"1 0 0", "0 1 0", "0 0 1"};
    for (int i = 0; i < 3; ++i) {
        objects.push_back(
            {3 + i, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 200 300 ] /Contents " +
                        std::to_string(6 + i) + " 0 R >>"});
    }
    for (int i = 0; i < 3; ++i) {
        std::string data = std::string(colours[i]) + " rg 0 0 200 300 re f";
        objects.push_back({6 + i, "<< /Length " + std::to_string(data.size()) + " >>\nstream\n" +
                                      data + "\nendstream"});
    }
    const std::string plain = BuildClassicPdf(objects);
    const std::size_t table = plain.find("xref\n");
    // Entry 4 (the second page) made unreadable.
    const std::size_t entry4 = table + 5 + 5 + 4 * 20;
    std::string invalid_entry = plain;
    invalid_entry.replace(entry4, 10, "00000abcde");
    std::string wrong_entry = plain;
    wrong_entry.replace(entry4, 10, "0000000009");
    ClassicOptions junk;
    junk.junk = "junk\n";
    const std::pair<const char*, std::string> cases[] = {
        {"invalid entry", invalid_entry},
        {"entry pointing at the wrong place", wrong_entry},
        {"wrong startxref", ReplaceOnce(plain, "startxref\n", "startxref\n9")},
        {"no startxref", ReplaceOnce(plain, "startxref", "startxrex")},
        {"junk before the header", BuildClassicPdf(objects, junk)},
        {"truncated end: no table, trailer or %%EOF", plain.substr(0, table)},
        {"trailer names no catalog", ReplaceOnce(plain, "/Root 1 0 R", "/Root 9 0 R")},
        {"page tree count too high", ReplaceOnce(plain.substr(0, table), "/Count 3", "/Count 7")},
    };
    for (const auto& [what, pdf] : cases) {
        TPDFDocument document;
        ASSERT_EQ(document.Read(pdf, ""), ReadResult::kRead) << what;
        auto pages = CollectPages(document);
        ASSERT_EQ(pages.size(), 3u) << what;
        EXPECT_EQ(testing::Deref(document.Catalog()->TryDictionary(page_key::kPages))
                      .TryInteger(page_key::kCount),
                  3)
            << what;
        for (int i = 0; i < 3; ++i) {
            const auto* content = pages[i]->Resolve(page_key::kContents);
            const auto* stream = content != nullptr ? content->As<TPDFStream>() : nullptr;
            ASSERT_NE(stream, nullptr) << what << " page " << i + 1;
            EXPECT_EQ(stream->Data(), std::string(colours[i]) + " rg 0 0 200 300 re f") << what;
        }
        EXPECT_FALSE(document.Warnings().empty()) << what;
    }
    // A sound file takes the table as it is and reports nothing.
    TPDFDocument sound;
    ASSERT_EQ(sound.Read(plain, ""), ReadResult::kRead);
    EXPECT_TRUE(sound.Warnings().empty());
}

TEST(Reader, ScanTakesTheLastDefinitionAndObjectsFromObjectStreams) {
    // An update appended without a table: the scan takes the newer page.
    std::string base = BuildClassicPdf(SimplePageObjects(1));
    std::string updated =
        ReplaceOnce(base, "startxref", "startxrex") +
        "3 0 obj\n<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 500 600 ] >>\nendobj\n";
    TPDFDocument document;
    ASSERT_EQ(document.Read(updated, ""), ReadResult::kRead);
    auto box = InheritedMediaBox(testing::Deref(CollectPages(document).at(0)));
    ASSERT_TRUE(box);
    EXPECT_EQ((*box)[2], 500);

    // Objects held in an object stream, with the cross-reference stream gone.
    std::string streamed = XrefStreamPdf();
    streamed = ReplaceOnce(streamed, "/Type /XRef", "/Type /XRaf");
    TPDFDocument from_stream;
    // No trailer names the catalog: it is found by its type.
    ASSERT_EQ(from_stream.Read(streamed, ""), ReadResult::kRead);
    EXPECT_EQ(CollectPages(from_stream).size(), 1u);
    EXPECT_TRUE(from_stream.FindIndObj(3)->in_object_stream);
}

TEST(Reader, IncrementalUpdateNewestObjectWins) {
    std::string base = BuildClassicPdf(SimplePageObjects(1));
    std::string updated = testing::AppendIncrementalUpdate(
        base, {{3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 500 600 ] >>"}}, 4);
    TPDFDocument document;
    ASSERT_EQ(document.Read(updated, ""), ReadResult::kRead);
    auto pages = CollectPages(document);
    ASSERT_EQ(pages.size(), 1u);
    auto box = InheritedMediaBox(*pages[0]);
    ASSERT_TRUE(box);
    EXPECT_EQ((*box)[2], 500);
    EXPECT_EQ(document.SectionOffsets().size(), 2u);
    EXPECT_FALSE(document.Trailer().Contains(trailer_key::kPrev));
}

TEST(Reader, RepairsStreamLengthsByLookingForEndstream) {
    const std::pair<const char*, const char*> lengths[] = {
        {"too short", "/Length 3"},
        {"too long", "/Length 5000"},
        {"missing", ""},
        {"negative", "/Length -4"},
        {"indirect", "/Length 5 0 R"},
        {"indirect, pointing at itself", "/Length 4 0 R"},
    };
    for (const auto& [what, length] : lengths) {
        auto objects = SimplePageObjects(1);
        objects.push_back(
            {4, std::string("<< ") + length + " >>\nstream\nBT 1 2 Td ET\nendstream"});
        objects.push_back({5, "12"});
        TPDFDocument document;
        ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead) << what;
        TPDFObject* object = document.ObjectByNumber(4);
        ASSERT_NE(object, nullptr) << what;
        const auto* stream = object->As<TPDFStream>();
        ASSERT_NE(stream, nullptr) << what;
        EXPECT_EQ(stream->Data(), "BT 1 2 Td ET") << what;
        EXPECT_EQ(stream->Dictionary().TryNumber(key::kLength), 12.0) << what;
    }
}

TEST(Reader, ParsesOnlyWhatIsNeeded) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "<< /Big [ 1 2 3 ] >>"});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    EXPECT_EQ(CollectPages(document).size(), 1u);
    EXPECT_FALSE(document.FindIndObj(4)->parsed);
    ASSERT_NE(document.ObjectByNumber(4), nullptr);
    EXPECT_TRUE(document.FindIndObj(4)->parsed);
}

TEST(Reader, ObjectsWithWrongHeadersReadAsNull) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "(fine)"});
    std::string pdf = ReplaceOnce(BuildClassicPdf(objects), "4 0 obj", "7 0 obj");
    TPDFDocument document;
    ASSERT_EQ(document.Read(pdf, ""), ReadResult::kRead);
    ASSERT_NE(document.ObjectByNumber(4), nullptr);
    EXPECT_EQ(testing::Deref(document.ObjectByNumber(4)).Kind(), ObjectKind::kNull);
}

TEST(Reader, RemovesLinearisationParameters) {
    auto objects = SimplePageObjects(1);
    objects.insert(objects.begin(), {9, "<< /Linearized 1 /L 1000 /O 3 /N 1 >>"});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    EXPECT_TRUE(document.IsLinearised());
    EXPECT_EQ(
        testing::Deref(testing::Deref(document.ObjectByNumber(9)).As<TPDFDictionary>()).Count(),
        0u);
}

TEST(Reader, HybridFileTakesObjectStreamEntriesFromXRefStm) {
    // The classic table lists the object stream itself; the page objects
    // are only in the stream section named by "XRefStm".
    std::string pdf = XrefStreamPdf();
    std::size_t xref_stream = pdf.find("5 0 obj");
    std::size_t objstm = pdf.find("4 0 obj");
    char entry[64];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", objstm);
    std::string table = "xref\n0 1\n0000000000 65535 f \n4 1\n" + std::string(entry) +
                        "trailer\n<< /Size 6 /Root 1 0 R /XRefStm " + std::to_string(xref_stream) +
                        " >>\n";
    std::size_t cut = pdf.find("startxref");
    std::string hybrid = pdf.substr(0, cut);
    const std::size_t table_offset = hybrid.size();
    hybrid += table + "startxref\n" + std::to_string(table_offset) + "\n%%EOF\n";
    TPDFDocument document;
    ASSERT_EQ(document.Read(hybrid, ""), ReadResult::kRead);
    EXPECT_EQ(CollectPages(document).size(), 1u);
    EXPECT_TRUE(document.FindIndObj(3)->in_object_stream);
}

}  // namespace
}  // namespace papyrion::pdf
