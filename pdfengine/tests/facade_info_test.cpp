// Document information entries, PDF dates and the XMP packet that mirrors
// them, read back from what the engine saved.

#include <gtest/gtest.h>

#include <pugixml.hpp>
#include <string>

#include "document/doc_info.h"
#include "document/xmp_packet.h"
#include "pdfengine/pdfengine.h"
#include "support/facade_test_support.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using test::QpdfProblems;
using test::TempFolder;
using testing::SavedDocument;

std::string PacketOf(SavedDocument& saved) {
    TPDFDictionary* catalog = saved.Document().Catalog();
    TPDFStream* metadata = catalog != nullptr ? catalog->TryStream("Metadata") : nullptr;
    if (metadata == nullptr) return {};
    EXPECT_TRUE(metadata->Dictionary().HasName("Type", "Metadata"));
    EXPECT_TRUE(metadata->Dictionary().HasName("Subtype", "XML"));
    EXPECT_EQ(metadata->Dictionary().Get("Filter"), nullptr);
    return metadata->Data();
}

pugi::xml_node Description(const pugi::xml_document& xml, const char* property) {
    for (pugi::xml_node d : xml.child("x:xmpmeta").child("rdf:RDF").children("rdf:Description")) {
        if (d.child(property)) return d.child(property);
    }
    return {};
}

TEST(FacadeInfo, SavedPacketHoldsEveryPropertyInItsForm) {
    TempFolder folder;
    auto output = folder.Path() / "info.pdf";
    PdfEngine engine;
    ASSERT_EQ(engine.SetDocInfo(kInfoTitle, "Sample overlay"), 1);
    ASSERT_EQ(engine.SetDocInfo(kInfoAuthor, "Z\xC5\x82oty \xE4\xB8\xAD <&> \"Ann\""), 1);
    ASSERT_EQ(engine.SetDocInfo(kInfoSubject, "www.example.com"), 1);
    ASSERT_EQ(engine.SetDocInfo(kInfoKeywords, "one two"), 1);
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    EXPECT_EQ(QpdfProblems(output), "");

    SavedDocument saved(output);
    TPDFDictionary* info = saved.Document().Trailer().TryDictionary("Info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->TryString("Title")->Bytes(), "Sample overlay");
    EXPECT_EQ(info->TryString("Title")->Mode(), StringMode::kLiteral);
    EXPECT_EQ(info->TryString("Author")->Bytes().substr(0, 2), "\xFE\xFF");

    const std::string packet = PacketOf(saved);
    ASSERT_EQ(packet.rfind("<?xpacket begin=\"?\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>", 0), 0u)
        << packet.substr(0, 80);
    const std::string tail = std::string(1023, ' ') + "\n<?xpacket end=\"w\"?>";
    ASSERT_GE(packet.size(), tail.size());
    EXPECT_EQ(packet.substr(packet.size() - tail.size()), tail);

    pugi::xml_document xml;
    ASSERT_TRUE(
        xml.load_buffer(packet.data(), packet.size(), pugi::parse_default | pugi::parse_pi));
    pugi::xml_node title = Description(xml, "dc:title").child("rdf:Alt").child("rdf:li");
    EXPECT_STREQ(title.attribute("xml:lang").value(), "x-default");
    EXPECT_STREQ(title.text().get(), "Sample overlay");
    EXPECT_STREQ(Description(xml, "dc:creator").child("rdf:Bag").child("rdf:li").text().get(),
                 "Z\xC5\x82oty \xE4\xB8\xAD <&> \"Ann\"");
    EXPECT_STREQ(Description(xml, "dc:description").child("rdf:Alt").child("rdf:li").text().get(),
                 "www.example.com");
    EXPECT_STREQ(Description(xml, "dc:format").text().get(), "application/pdf");
    EXPECT_STREQ(Description(xml, "pdf:Keywords").text().get(), "one two");
    EXPECT_STREQ(Description(xml, "pdf:Producer").text().get(), "Papyrion PDF engine 1.0");
    EXPECT_STREQ(Description(xml, "xmp:CreatorTool").text().get(), "Papyrion PDF engine 1.0");
    const std::string created = Description(xml, "xmp:CreateDate").text().get();
    const std::string modified = Description(xml, "xmp:ModifyDate").text().get();
    EXPECT_EQ(created.size() >= 20 ? created[4] : ' ', '-') << created;
    EXPECT_EQ(PdfDateToXmpDate(engine.GetDocInfo(kInfoModDate)), modified);
    // Each property is there once, however often it was written.
    EXPECT_EQ(packet.find("<pdf:Producer"), packet.rfind("<pdf:Producer"));
}

TEST(FacadeInfo, EmptyValueLeavesThePropertyButEmptiesTheEntry) {
    PdfEngine engine;
    ASSERT_EQ(engine.SetDocInfo(kInfoKeywords, "kept"), 1);
    ASSERT_EQ(engine.SetDocInfo(kInfoKeywords, ""), 1);
    EXPECT_EQ(engine.GetDocInfo(kInfoKeywords), "");
    TempFolder folder;
    auto output = folder.Path() / "k.pdf";
    ASSERT_EQ(engine.SaveFile(output.string()), 1);
    SavedDocument saved(output);
    EXPECT_NE(PacketOf(saved).find(">kept</pdf:Keywords>"), std::string::npos);
}

TEST(FacadeInfo, KeysThatCanAndCannotBeWritten) {
    const struct {
        int key;
        const char* value;
        int result;
        int error;
        const char* read_back;
    } cases[] = {
        {kInfoVersion, "1.8", 0, 0, "1.4"},
        {kInfoVersion, "1.5", 1, 0, "1.5"},
        {kInfoCreationDate, "D:2024", 0, 202, nullptr},
        {kInfoModDate, "x", 0, 202, nullptr},
        {9, "x", 0, 202, ""},
        {-1, "x", 0, 202, ""},
        {kInfoProducer, "me", 1, 0, "me"},
        {kInfoTitle, "\xE2\x82\xAC and \xE4\xB8\xAD", 1, 0, "\xE2\x82\xAC and \xE4\xB8\xAD"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.key) + " " + c.value);
        PdfEngine engine;
        EXPECT_EQ(engine.SetDocInfo(c.key, c.value), c.result);
        EXPECT_EQ(engine.LastError(), c.error);
        if (c.read_back != nullptr) {
            EXPECT_EQ(engine.GetDocInfo(c.key), c.read_back);
        }
    }
}

TEST(FacadeInfo, PdfDatesWithTheirZone) {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 0;
    t.tm_mday = 31;
    t.tm_hour = 12;
    t.tm_min = 34;
    t.tm_sec = 56;
    const struct {
        long offset;
        const char* pdf;
        const char* xmp;
    } cases[] = {
        {60, "D:20240131123456+01'00'", "2024-01-31T12:34:56+01:00"},
        {-60, "D:20240131123456-01'00'", "2024-01-31T12:34:56-01:00"},
        {0, "D:20240131123456Z", "2024-01-31T12:34:56Z"},
        {330, "D:20240131123456+05'30'", "2024-01-31T12:34:56+05:30"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pdf);
        EXPECT_EQ(FormatPdfDate(t, c.offset), c.pdf);
        EXPECT_EQ(PdfDateToXmpDate(c.pdf), c.xmp);
    }
    EXPECT_EQ(PdfDateToXmpDate("yesterday"), "yesterday");
}

TEST(FacadeInfo, ExistingPacketKeepsForeignPropertiesAndBadXmlIsLeftAlone) {
    const std::string foreign =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
        "<rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
        "<dc:rights>mine</dc:rights><dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Old"
        "</rdf:li></rdf:Alt></dc:title></rdf:Description></rdf:RDF></x:xmpmeta>"
        "<?xpacket end=\"w\"?>";
    auto updated = UpdatedXmpPacket(foreign, "Title", "New");
    ASSERT_TRUE(updated.has_value());
    EXPECT_NE(updated->find("<dc:rights>mine</dc:rights>"), std::string::npos);
    EXPECT_NE(updated->find(">New</rdf:li>"), std::string::npos);
    EXPECT_EQ(updated->find(">Old</rdf:li>"), std::string::npos);
    EXPECT_FALSE(UpdatedXmpPacket("<x:xmpmeta><broken", "Title", "New").has_value());
}

}  // namespace
}  // namespace papyrion::pdf
