// The composition on the real engine: page sizes by placement, and one copy
// of each stationery page in the output however many pages get it.
#include "processing/composition_pdfengine.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "pdfengine/pdfengine.h"
#include "processing/composition.h"
#include "processing/composition_sample.h"
#include "processing/pagerules.h"
#include "support/run_fixture.h"
#include "testsupport/pdf_tools.h"
#include "testsupport/program.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::QpdfProblems;
using test::ReadFile;
using test::RunProgram;

// Portrait A4, then landscape A4, then portrait again; page 3, when there is
// one, is shown turned by 90 degrees.
void WriteMixedDocument(const std::string& file, int pages) {
    pdf::PdfEngine engine;
    engine.SetPageSize(kA4Width, kA4Height);
    engine.PlaceText(72, 770, "page one");
    engine.AppendPages(pages - 1);
    for (int p = 2; p <= pages; ++p) {
        engine.UsePage(p);
        if (p == 2) engine.SetPageSize(kA4Height, kA4Width);
        if (p == 3) engine.SetPageRotation(90);
        engine.PlaceText(72, 500, "page " + std::to_string(p));
    }
    ASSERT_EQ(engine.SaveFile(file), 1);
}

class RealCompositionTest : public test::CompositionFixture, public ::testing::Test {
  protected:
    RealCompositionTest()
        : real(CompositionServices{settings, log, ui, test::BracketTranslate,
                                   MakePdfEngineFactory()}) {
        EXPECT_TRUE(WriteSampleLetterhead(letterhead, folder.Path().string()));
    }

    bool Stamp(int placement, const std::string& file) {
        settings.SetItemIndex(setting::kLetterheadMode, kPageModeFirstOrRest);
        settings.SetItemIndex(setting::kContinuationMode, kPageModeFirstOrRest);
        settings.SetItemIndex(setting::kStationeryPlacement, placement);
        const StationeryPages stationery{letterhead, "1-1", letterhead, "2-999"};
        return real.Compose(file, "", &stationery, file).written;
    }

    // What pdfinfo reports of every page, one text a page: "W x H" for
    // PageSizes, the /Rotate degrees for PageTurns.
    std::vector<std::string> PdfInfoPages(const std::string& file, const std::string& pattern) {
        std::vector<std::string> values;
        const std::string text = RunProgram({"pdfinfo", "-f", "1", "-l", "99", file}).out;
        const std::regex line(pattern);
        for (auto it = std::sregex_iterator(text.begin(), text.end(), line);
             it != std::sregex_iterator(); ++it) {
            values.push_back(it->size() > 2 ? (*it)[1].str() + " x " + (*it)[2].str()
                                            : (*it)[1].str());
        }
        return values;
    }
    std::vector<std::string> PageSizes(const std::string& file) {
        return PdfInfoPages(file, R"(Page +\d+ size: +([\d.]+) x ([\d.]+))");
    }
    std::vector<std::string> PageTurns(const std::string& file) {
        return PdfInfoPages(file, R"(Page +\d+ rot: +(\d+))");
    }

    std::string letterhead = folder / "sample1.pdf";
    StationeryComposition real;
};

// A landscape or turned page in a portrait letter keeps its shape and its
// turn in both placements: squeezing it into page 1's box would distort the
// document's own content.
TEST_F(RealCompositionTest, EveryPageKeepsItsSizeAndTurnInBothPlacements) {
    const std::string doc = folder / "mixed.pdf";
    for (const int placement : {1, 0}) {
        SCOPED_TRACE(placement == 1 ? "background" : "foreground");
        WriteMixedDocument(doc, 3);
        ASSERT_TRUE(Stamp(placement, doc));
        EXPECT_EQ(QpdfProblems(doc), "");
        EXPECT_THAT(PageSizes(doc), ::testing::ElementsAre("595.28 x 841.89", "841.89 x 595.28",
                                                           "595.28 x 841.89"));
        EXPECT_THAT(PageTurns(doc), ::testing::ElementsAre("0", "0", "90"));
    }
}

TEST_F(RealCompositionTest, EachStationeryPageIsInTheOutputOnce) {
    const std::string doc = folder / "long.pdf";
    WriteMixedDocument(doc, 60);
    ASSERT_TRUE(Stamp(1, doc));
    // What a reader can reach, as qpdf rewrites it: the sample's raster mark
    // once for the letterhead and once for the continuation page, not once
    // per page.
    const std::string reachable = folder / "reachable.pdf";
    const auto rewritten =
        RunProgram({"qpdf", "--qdf", "--object-streams=disable", doc, reachable});
    ASSERT_EQ(rewritten.exit_code, 0) << rewritten.err;
    const std::string text = ReadFile(reachable);
    std::size_t images = 0;
    for (std::size_t at = text.find("/Subtype /Image"); at != std::string::npos;
         at = text.find("/Subtype /Image", at + 1)) {
        ++images;
    }
    EXPECT_EQ(images, 2u);
    EXPECT_EQ(PageSizes(doc).size(), 60u);
}

// What readers rely on besides the page content: form fields with their
// values, annotations and links, outline entries with their target pages,
// page labels. Stamping keeps every bit of it, in both placements.
TEST_F(RealCompositionTest, FormsLinksOutlinesAndLabelsComeThroughBothPlacements) {
    const std::string summary_tool =
        std::string(PAPYRION_SOURCE_DIR) + "/processing/tests/tools/pdf_summary.py";
    const auto summary = [&](const std::string& file) {
        return test::RunProgram({"python3", summary_tool, file}).out;
    };
    const std::string corpus = std::string(PAPYRION_SHARED_DIR) + "/corpus/";
    for (const char* name :
         {"forms/form-filled-by-acrobat.pdf", "forms/annotation-link-text-popup.pdf",
          "incremental/AcroFormsBasicFields.pdf", "xref-stream/hybrid-xref.pdf",
          "linearized/test_pagelabels.pdf"}) {
        const std::string before = summary(corpus + name);
        ASSERT_THAT(before, ::testing::StartsWith("{")) << name;
        for (const int placement : {1, 0}) {
            SCOPED_TRACE(std::string(name) + (placement == 1 ? " background" : " foreground"));
            const std::string doc = folder / "doc.pdf";
            fs::copy_file(corpus + name, doc, fs::copy_options::overwrite_existing);
            fs::permissions(doc, fs::perms::owner_write, fs::perm_options::add);
            ASSERT_TRUE(Stamp(placement, doc));
            EXPECT_EQ(summary(doc), before);
            EXPECT_EQ(test::QpdfProblems(doc), "");
        }
    }
}

// Damage, a password and a wrong password each get their own words; with the
// right password the document is read and stays encrypted in the foreground.
TEST_F(RealCompositionTest, TellsWhyAnInputCannotBeRead) {
    const std::string plain = folder / "plain.pdf";
    const std::string locked = folder / "locked.pdf";
    WriteMixedDocument(plain, 1);
    ASSERT_EQ(test::RunProgram({"qpdf", "--encrypt", "secret", "owner", "256", "--", plain, locked})
                  .exit_code,
              0);
    const std::string out = folder / "out.pdf";
    EXPECT_EQ(real.Compose(locked, "", nullptr, out).failure, "[Invoerwachtwoord]" + locked);
    EXPECT_EQ(real.Compose(locked, "guess", nullptr, out).failure,
              "[Invoerwachtwoordfout]" + locked);
    EXPECT_FALSE(fs::exists(out));

    settings.SetItemIndex(setting::kLetterheadMode, kPageModeAllPages);
    settings.SetItemIndex(setting::kContinuationMode, kPageModeNone);
    settings.SetItemIndex(setting::kStationeryPlacement, 0);
    const StationeryPages stationery{letterhead, "1-999", "", "0-0"};
    ASSERT_TRUE(real.Compose(locked, "secret", &stationery, out).written);
    EXPECT_EQ(test::RunProgram({"qpdf", "--requires-password", out}).exit_code, 0)
        << "still encrypted";
    EXPECT_EQ(test::QpdfProblems(out, "secret"), "");
}

}  // namespace
}  // namespace papyrion
