// Hostile and broken input: every case must end in a clean result without
// crashing, hanging, overflowing the stack or taking memory out of
// proportion to the file.

#include <gtest/gtest.h>
#include <zlib.h>

#include <string>

#include "document/page_lookup.h"
#include "document/pdf_document.h"
#include "filters/decode.h"
#include "reader/stream_decoding.h"
#include "support/pdf_fixtures.h"

namespace papyrion::pdf {
namespace {

using testing::BuildClassicPdf;
using testing::ClassicOptions;
using testing::FixtureObject;
using testing::ReplaceOnce;
using testing::SimplePageObjects;

std::string TableOffset(const std::string& pdf) {
    std::size_t value = testing::StartXrefValue(pdf);
    return pdf.substr(value, pdf.find('\n', value) - value);
}

// `raw_size` zero bytes deflated without ever holding them in memory.
std::string DeflatedZeros(std::size_t raw_size) {
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    std::string zeros(1 << 20, '\0');
    std::string out;
    char buffer[1 << 16];
    std::size_t left = raw_size;
    int flush = Z_NO_FLUSH;
    do {
        std::size_t chunk = std::min(left, zeros.size());
        left -= chunk;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        z.next_in = reinterpret_cast<Bytef*>(zeros.data());
        z.avail_in = static_cast<uInt>(chunk);
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, sizeof buffer - z.avail_out);
        } while (z.avail_out == 0);
    } while (flush != Z_FINISH);
    deflateEnd(&z);
    return out;
}

TEST(HostileInput, CrossReferenceChainsThatLoopEnd) {
    std::string plain = BuildClassicPdf(SimplePageObjects(1));
    ClassicOptions self_prev;
    std::string offset = TableOffset(plain);
    self_prev.trailer_extra = "/Prev " + offset;
    ClassicOptions self_xrefstm;
    self_xrefstm.trailer_extra = "/XRefStm " + offset;
    // Two tables whose "Prev" point at each other; the placeholder keeps
    // every offset in place when the real value is filled in.
    ClassicOptions placeholder;
    placeholder.trailer_extra = "/Prev 00000000";
    std::string updated =
        testing::AppendIncrementalUpdate(BuildClassicPdf(SimplePageObjects(1), placeholder),
                                         {{3, "<< /Type /Page /Parent 2 0 R >>"}}, 4);
    char newest[16];
    std::snprintf(newest, sizeof newest, "%08d", std::stoi(TableOffset(updated)));
    std::string ping_pong = ReplaceOnce(updated, "/Prev 00000000", std::string("/Prev ") + newest);
    const std::pair<const char*, std::string> cases[] = {
        {"Prev pointing at its own table", BuildClassicPdf(SimplePageObjects(1), self_prev)},
        {"XRefStm pointing at its own table", BuildClassicPdf(SimplePageObjects(1), self_xrefstm)},
        {"two tables whose Prev point at each other", ping_pong},
    };
    for (const auto& [what, pdf] : cases) {
        TPDFDocument document;
        EXPECT_EQ(document.Read(pdf, ""), ReadResult::kRead) << what;
        EXPECT_EQ(CollectPages(document).size(), 1u) << what;
    }
}

TEST(HostileInput, ObjectsThatNeedThemselvesReadAsNullOrRepaired) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "<< /Length 5 0 R >>\nstream\nabc\nendstream"});
    objects.push_back({5, "<< /Length 4 0 R >>\nstream\nxyz\nendstream"});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    const auto* four = testing::Deref(document.ObjectByNumber(4)).As<TPDFStream>();
    ASSERT_NE(four, nullptr);
    EXPECT_EQ(four->Data(), "abc");

    // An object stream listed as held in itself is never read from itself;
    // the rebuild finds it in the file and reads its objects from there.
    TPDFDocument cyclic;
    ASSERT_EQ(cyclic.Read(testing::XrefStreamPdf("", true), ""), ReadResult::kRead);
    EXPECT_FALSE(cyclic.FindIndObj(4)->in_object_stream);
    EXPECT_EQ(CollectPages(cyclic).size(), 1u);
}

TEST(HostileInput, DeepNestingAndDeepPageTrees) {
    auto objects = SimplePageObjects(1);
    objects.push_back({4, std::string(20000, '[') + std::string(20000, ']')});
    std::string dicts;
    for (int i = 0; i < 5000; ++i) dicts += "<< /A ";
    objects.push_back({5, dicts});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    EXPECT_EQ(testing::Deref(document.ObjectByNumber(4)).Kind(), ObjectKind::kNull);
    EXPECT_EQ(testing::Deref(document.ObjectByNumber(5)).Kind(), ObjectKind::kNull);

    // A page tree 3000 levels deep, each level its own object, and a node
    // that lists itself among its kids.
    const int depth = 3000;
    std::vector<FixtureObject> tree = {{1, "<< /Type /Catalog /Pages 2 0 R >>"}};
    for (int level = 0; level < depth; ++level) {
        int number = 2 + level;
        tree.push_back({number, "<< /Type /Pages /Kids [ " + std::to_string(number + 1) + " 0 R " +
                                    std::to_string(number) + " 0 R ] /Count 1 /Parent " +
                                    std::to_string(number - 1) + " 0 R >>"});
    }
    tree.push_back({2 + depth, "<< /Type /Page /Parent " + std::to_string(1 + depth) +
                                   " 0 R /MediaBox [ 0 0 10 20 ] >>"});
    TPDFDocument deep;
    ASSERT_EQ(deep.Read(BuildClassicPdf(tree), ""), ReadResult::kRead);
    auto pages = CollectPages(deep);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_TRUE(InheritedMediaBox(*pages[0]));
}

TEST(HostileInput, AbsurdCountsWidthsAndOffsetsAreRefused) {
    std::string plain = BuildClassicPdf(SimplePageObjects(1));
    const std::pair<const char*, std::string> tables[] = {
        {"subsection count of a billion", ReplaceOnce(plain, "xref\n0 4\n", "xref\n0 999999999\n")},
        {"first number near the integer limit",
         ReplaceOnce(plain, "xref\n0 4\n", "xref\n999999999999999 4\n")},
        {"offsets beyond the file", ReplaceOnce(plain, "0000000009 00000 n", "9999999999 00000 n")},
    };
    for (const auto& [what, pdf] : tables) {
        TPDFDocument document;
        ReadResult result = document.Read(pdf, "");
        EXPECT_TRUE(result == ReadResult::kRead || result == ReadResult::kNotReadable) << what;
        EXPECT_LE(document.HighestObjectNumber(), 8388607) << what;
    }

    std::string stream = testing::XrefStreamPdf();
    const std::pair<const char*, std::string> streams[] = {
        {"field width of 9 bytes", ReplaceOnce(stream, "/W [ 1 4 2 ]", "/W [ 1 9 2 ]")},
        {"field width of a billion", ReplaceOnce(stream, "/W [ 1 4 2 ]", "/W [ 1 1000000000 2 ]")},
        {"index count of two billion",
         ReplaceOnce(stream, "/Size 6", "/Size 6 /Index [ 0 2147483647 ]")},
        {"index start beyond every number",
         ReplaceOnce(stream, "/Size 6", "/Size 6 /Index [ 1e308 6 ]")},
        {"size of 10^15", ReplaceOnce(stream, "/Size 6", "/Size 999999999999999")},
    };
    for (const auto& [what, pdf] : streams) {
        TPDFDocument document;
        ReadResult result = document.Read(pdf, "");
        EXPECT_TRUE(result == ReadResult::kRead || result == ReadResult::kNotReadable) << what;
        EXPECT_LE(document.HighestObjectNumber(), 8388607) << what;
    }
}

TEST(HostileInput, DecompressionBombsStopAtTheCap) {
    // 256 MB of zeros deflated twice: a few hundred bytes on disk.
    std::string bomb = FlateEncode(DeflatedZeros(std::size_t{256} << 20));
    ASSERT_LT(bomb.size(), 4096u);
    auto objects = SimplePageObjects(1);
    objects.push_back({4, "<< /Filter [ /FlateDecode /FlateDecode ] /Length " +
                              std::to_string(bomb.size()) + " >>\nstream\n" + bomb +
                              "\nendstream"});
    TPDFDocument document;
    ASSERT_EQ(document.Read(BuildClassicPdf(objects), ""), ReadResult::kRead);
    const auto* stream = testing::Deref(document.ObjectByNumber(4)).As<TPDFStream>();
    ASSERT_NE(stream, nullptr);
    std::string decoded = document.DecodedStreamData(*stream);
    EXPECT_LE(decoded.size(), DecodeLimitFor(bomb.size()));
    EXPECT_LE(DecodeLimitFor(bomb.size()), std::size_t{16} << 20);
}

TEST(HostileInput, ArbitraryDamageNeverCrashes) {
    // Every prefix and a spread of single-byte changes of two real layouts.
    const std::string sources[] = {BuildClassicPdf(SimplePageObjects(2)), testing::XrefStreamPdf()};
    for (const std::string& source : sources) {
        for (std::size_t cut = 0; cut < source.size(); cut += 7) {
            TPDFDocument document;
            ReadResult result = document.Read(source.substr(0, cut), "");
            if (result == ReadResult::kRead) {
                CollectPages(document);
                std::ostringstream out;
                document.Write(out);
            }
        }
        for (std::size_t at = 0; at < source.size(); at += 3) {
            for (char replacement : {'\0', '(', '[', '9', '<'}) {
                std::string damaged = source;
                damaged[at] = replacement;
                TPDFDocument document;
                if (document.Read(damaged, "") == ReadResult::kRead) {
                    CollectPages(document);
                    std::ostringstream out;
                    document.Write(out);
                }
            }
        }
    }
}

}  // namespace
}  // namespace papyrion::pdf
