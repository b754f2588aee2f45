// Writing documents: layout of the file, what is written and what is not,
// and that qpdf accepts the result.

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "object/pdf_keys.h"
#include "support/pdf_fixtures.h"
#include "testsupport/pdf_tools.h"

namespace papyrion::pdf {
namespace {

using testing::BuildClassicPdf;
using testing::SimplePageObjects;

std::string Written(TPDFDocument& document) {
    std::ostringstream out;
    EXPECT_TRUE(document.Write(out));
    return out.str();
}

std::size_t Occurrences(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

// qpdf's verdict on bytes we wrote; empty when it found nothing to complain about.
std::string QpdfProblems(const std::string& pdf) {
    test::TempFolder folder;
    auto file = folder.Write("written.pdf", pdf);
    return test::QpdfProblems(file);
}

// The 20-byte table entry of object `number`; empty when the table is not there.
std::string TableEntryOf(const std::string& pdf, int number) {
    std::size_t table = pdf.rfind("\nxref\n");
    if (table == std::string::npos) return {};
    std::size_t first = pdf.find('\n', table + 6);
    if (first == std::string::npos) return {};
    return pdf.substr(first + 1 + static_cast<std::size_t>(number) * 20, 20);
}

TEST(Writer, NewDocumentHasTheFixedLayout) {
    TPDFDocument document;
    document.MakeNewDocument();
    std::string pdf = Written(document);

    EXPECT_EQ(pdf.substr(0, 15), "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
    std::size_t o1 = pdf.find("1 0 obj\n<<\n/Type /Pages\n/Count 1\n/Kids [ 2 0 R ]\n>>\nendobj\n");
    std::size_t o2 = pdf.find(
        "2 0 obj\n<<\n/Type /Page\n/Parent 1 0 R\n"
        "/MediaBox [ 0 0 612 792 ]\n/CropBox [ 0 0 612 792 ]\n");
    std::size_t o3 = pdf.find("3 0 obj\n<<\n/Type /Catalog\n/Pages 1 0 R\n>>\nendobj\n");
    std::size_t o4 = pdf.find("4 0 obj\n<<\n>>\nendobj\n");
    ASSERT_NE(o1, std::string::npos);
    ASSERT_NE(o2, std::string::npos);
    ASSERT_NE(o3, std::string::npos);
    ASSERT_NE(o4, std::string::npos);
    EXPECT_LT(o1, o2);
    EXPECT_LT(o2, o3);
    EXPECT_LT(o3, o4);
    EXPECT_NE(pdf.find("/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]"), std::string::npos);

    std::size_t xref = pdf.find("xref\n0 5\n0000000000 65535 f \n");
    ASSERT_NE(xref, std::string::npos);
    char entry[32];
    std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", o1);
    EXPECT_EQ(pdf.substr(xref + 29, 20), entry);
    std::size_t trailer = pdf.find("trailer\n<<\n", xref);
    ASSERT_NE(trailer, std::string::npos);
    std::string trailer_text = pdf.substr(trailer);
    for (const char* part : {"/Size 5\n", "/Root 3 0 R\n", "/Info 4 0 R\n", "/ID [ <"}) {
        EXPECT_NE(trailer_text.find(part), std::string::npos) << part;
    }
    EXPECT_TRUE(trailer_text.ends_with("startxref\n" + std::to_string(xref) + "\n%%EOF\n"));
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, WritesNumbersNamesAndStringsInItsOwnText) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "<< /Scale 0.123456 /Key /A#20B /Text (x \\( y) /Raw <0A0B> >>"});
    objects[0].body = "<< /Type /Catalog /Pages 2 0 R /Sample 4 0 R >>";
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    std::string pdf = Written(document);
    EXPECT_NE(pdf.find("/Scale 0.1235\n/Key /A#20B\n/Text (x \\( y)\n/Raw <0A0B>\n"),
              std::string::npos);
}

TEST(Writer, IncrementalUpdateIsWrittenOnceWithOneTable) {
    std::string base = BuildClassicPdf(SimplePageObjects(1));
    std::string updated = testing::AppendIncrementalUpdate(
        base, {{3, "<< /Type /Page /Parent 2 0 R /MediaBox [ 0 0 500 600 ] >>"}}, 4);
    TPDFDocument document;
    ASSERT_EQ(document.Read(updated, ""), ReadResult::kRead);
    std::string pdf = Written(document);
    EXPECT_EQ(Occurrences(pdf, "3 0 obj"), 1u);
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 500 600 ]"), std::string::npos);
    EXPECT_EQ(Occurrences(pdf, "\nxref\n"), 1u);
    EXPECT_EQ(Occurrences(pdf, "trailer"), 1u);
    EXPECT_EQ(pdf.find("/Prev"), std::string::npos);
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, RegisteredObjectsTakeTheNextNumberAndGrowTheTable) {
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(SimplePageObjects(1)), ""), ReadResult::kRead);
    TPDFStructure& s = document.Structure();
    TPDFStream* content = s.MakeStream("0 0 m 10 10 l S");
    IndirectId id = document.RegisterIndirect(*content);
    EXPECT_EQ(id.number, 4);
    EXPECT_EQ(id.generation, 0);
    EXPECT_EQ(document.Trailer().TryNumber(trailer_key::kSize), 5.0);
    auto pages = CollectPages(document);
    ASSERT_EQ(pages.size(), 1u);
    testing::Deref(pages.front()).Set(page_key::kContents, s.MakeReference(id.number, 0));
    std::string pdf = Written(document);
    EXPECT_NE(pdf.find("4 0 obj\n<<\n/Length 15\n>>\nstream\n0 0 m 10 10 l S\nendstream\nendobj\n"),
              std::string::npos);
    EXPECT_NE(pdf.find("xref\n0 5\n"), std::string::npos);
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, ObjectStreamsBecomeOrdinaryObjectsUnderOneClassicTable) {
    TPDFDocument document;
    ASSERT_EQ(document.Read(testing::XrefStreamPdf(), ""), ReadResult::kRead);
    std::string pdf = Written(document);
    for (const char* object : {"1 0 obj\n", "2 0 obj\n", "3 0 obj\n"}) {
        EXPECT_EQ(Occurrences(pdf, object), 1u) << object;
    }
    // Neither the object stream (4) nor the cross-reference stream (5) is written.
    EXPECT_EQ(pdf.find("4 0 obj"), std::string::npos);
    EXPECT_EQ(pdf.find("5 0 obj"), std::string::npos);
    EXPECT_EQ(pdf.find("/ObjStm"), std::string::npos);
    EXPECT_EQ(pdf.find("/XRef"), std::string::npos);
    std::size_t table = pdf.find("\nxref\n0 6\n");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(pdf.substr(table + 10 + 4 * 20, 40), "0000000000 00000 f \n0000000000 00000 f \n");
    EXPECT_NE(pdf.find("/MediaBox [ 0 0 0.1235 842 ]"), std::string::npos);
    std::size_t trailer = pdf.find("trailer\n");
    for (const char* gone : {"/W ", "/Index", "/Filter", "/DecodeParms", "/Type"}) {
        EXPECT_EQ(pdf.find(gone, trailer), std::string::npos) << gone;
    }
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, RemovedObjectsLeaveAFreeEntry) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "(unused)"});
    objects.push_back({5, "(kept)"});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    EXPECT_TRUE(document.RemoveIndirect(4));
    EXPECT_FALSE(document.RemoveIndirect(4));
    EXPECT_EQ(document.ObjectByNumber(4), nullptr);
    std::string pdf = Written(document);
    EXPECT_EQ(pdf.find("(unused)"), std::string::npos);
    std::size_t table = pdf.find("\nxref\n0 6\n");
    ASSERT_NE(table, std::string::npos);
    EXPECT_EQ(pdf.substr(table + 10 + 4 * 20, 20), "0000000000 00000 f \n");
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, OnlyRealObjectStreamsAreLeftOut) {
    // A damaged table claims the page tree holds object 6 like an object
    // stream; the page tree must still be written.
    TPDFDocument document;
    ASSERT_EQ(document.Read(testing::XrefStreamPdf("", false, true), ""), ReadResult::kRead);
    std::string pdf = Written(document);
    EXPECT_EQ(Occurrences(pdf, "2 0 obj\n"), 1u);
    TPDFDocument again;
    ASSERT_EQ(again.Read(pdf, ""), ReadResult::kRead);
    EXPECT_EQ(CollectPages(again).size(), 1u);
}

TEST(Writer, WritesOnlyWhatTheTrailerLeadsTo) {
    // 4 is referenced by nothing; 5 only from the trailer's Info, 6 only from
    // an entry of the trailer no reader knows, 8 only from inside a direct
    // array of the page. 7 is only a content stream's Length, which is
    // written in place, so it is needed no more.
    auto objects = SimplePageObjects(1);
    objects[2].body =
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 300] /Contents 9 0 R "
        "/Annots [ << /Subtype /Link /Rect [0 0 1 1] /A 8 0 R >> ] >>";
    objects.push_back({4, "(orphan)"});
    objects.push_back({5, "<< /Title (info) >>"});
    objects.push_back({6, "(extra)"});
    objects.push_back({7, "3"});
    objects.push_back({8, "<< /S /URI /URI (http://example.org/) >>"});
    objects.push_back({9, "<< /Length 7 0 R >>\nstream\n0 g\nendstream"});
    testing::ClassicOptions options;
    options.trailer_extra = "/Info 5 0 R /Extra 6 0 R";
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects, options), ""), ReadResult::kRead);
    std::string pdf = Written(document);

    EXPECT_EQ(pdf.find("(orphan)"), std::string::npos);
    EXPECT_EQ(pdf.find("4 0 obj"), std::string::npos);
    EXPECT_EQ(TableEntryOf(pdf, 4), "0000000000 00000 f \n");
    EXPECT_EQ(TableEntryOf(pdf, 7), "0000000000 00000 f \n");
    EXPECT_NE(pdf.find("<<\n/Length 3\n>>\nstream\n0 g\nendstream"), std::string::npos);
    for (int number : {1, 2, 3, 5, 6, 8, 9}) {
        const std::string heading = std::to_string(number) + " 0 obj\n";
        const std::size_t at = pdf.find(heading);
        ASSERT_NE(at, std::string::npos) << number;
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n \n", at);
        EXPECT_EQ(TableEntryOf(pdf, number), entry) << number;
    }
    // Numbers are kept: the table still runs to the highest one.
    EXPECT_NE(pdf.find("\nxref\n0 10\n"), std::string::npos);
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, CyclesAndDeepChainsAreWalkedOnce) {
    // The catalog leads into the cycle 4 <-> 5 and into a chain of `chain`
    // dictionaries each naming the next; 6 <-> 7 is a cycle nothing leads to,
    // which counting references alone would keep.
    const int chain = 20000;
    const int first_link = 8;
    auto objects = SimplePageObjects(1);
    objects[0].body = "<< /Type /Catalog /Pages 2 0 R /Loop 4 0 R /Chain " +
                      std::to_string(first_link) + " 0 R >>";
    objects.push_back({4, "<< /Next 5 0 R /Tag (loop a) >>"});
    objects.push_back({5, "<< /Next 4 0 R /Self 5 0 R /Tag (loop b) >>"});
    objects.push_back({6, "<< /Next 7 0 R /Tag (dead a) >>"});
    objects.push_back({7, "<< /Next 6 0 R /Tag (dead b) >>"});
    for (int i = 0; i < chain; ++i) {
        const int number = first_link + i;
        objects.push_back({number, i + 1 < chain
                                       ? "<< /Next " + std::to_string(number + 1) + " 0 R >>"
                                       : std::string("<< /Last true >>")});
    }
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    std::string pdf = Written(document);

    EXPECT_EQ(Occurrences(pdf, "(loop a)"), 1u);
    EXPECT_EQ(Occurrences(pdf, "(loop b)"), 1u);
    EXPECT_EQ(pdf.find("(dead a)"), std::string::npos);
    EXPECT_EQ(pdf.find("(dead b)"), std::string::npos);
    EXPECT_EQ(TableEntryOf(pdf, 6), "0000000000 00000 f \n");
    EXPECT_EQ(TableEntryOf(pdf, 7), "0000000000 00000 f \n");
    const int last = first_link + chain - 1;
    EXPECT_EQ(Occurrences(pdf, " 0 obj\n"), static_cast<std::size_t>(3 + 2 + chain));
    EXPECT_EQ(Occurrences(pdf, "\n" + std::to_string(last) + " 0 obj\n<<\n/Last true\n>>"), 1u);
    EXPECT_EQ(QpdfProblems(pdf), "");
}

TEST(Writer, FailingStreamReportsFailure) {
    TPDFDocument document;
    document.MakeNewDocument();
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_FALSE(document.Write(out));
}

}  // namespace
}  // namespace papyrion::pdf
