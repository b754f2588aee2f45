#include "processing/composition.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "processing/pagerules.h"
#include "support/run_fixture.h"

namespace papyrion {
namespace {
namespace fs = std::filesystem;
using test::FakePages;
using test::FakePdf;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

class CompositionTest : public test::CompositionFixture, public ::testing::Test {
  protected:
    CompositionTest() {
        WriteFile(letterhead, FakePdf({"L"}));
        WriteFile(continuation, FakePdf({"C"}));
        WriteFile(output, FakePdf({"a", "b", "c"}));
    }

    void Modes(int letterhead_mode, int continuation_mode, int placement) {
        settings.SetItemIndex(setting::kLetterheadMode, letterhead_mode);
        settings.SetItemIndex(setting::kContinuationMode, continuation_mode);
        settings.SetItemIndex(setting::kStationeryPlacement, placement);
    }

    bool Compose(const std::string& letterhead_file, const std::string& continuation_file,
                 const std::string& range = "1-999") {
        const int lm = settings.ItemIndex(setting::kLetterheadMode);
        const int cm = settings.ItemIndex(setting::kContinuationMode);
        return composition.ComposeStationery(
            letterhead_file, PageRuleText(StationeryKind::Letterhead, lm, range), continuation_file,
            PageRuleText(StationeryKind::Continuation, cm, range), output);
    }

    std::string letterhead = folder / "briefpapier1.pdf";
    std::string continuation = folder / "vervolg1.pdf";
    std::string output = folder / "x_output.pdf";
};

TEST_F(CompositionTest, LaysTheStationeryByPlacementAndPageRules) {
    constexpr int kOver = 0;
    constexpr int kUnder = 1;
    struct Case {
        int letterhead_mode, continuation_mode, placement;
        std::vector<std::string> pages;
    };
    const Case cases[] = {
        // first page letterhead, pages 2 to the end continuation
        {kPageModeFirstOrRest, kPageModeFirstOrRest, kOver, {"a{{L}}", "b{{C}}", "c{{C}}"}},
        {kPageModeFirstOrRest, kPageModeFirstOrRest, kUnder, {"{L}{a}", "{C}{b}", "{C}{c}"}},
        // both on every page: the continuation is drawn over the letterhead
        {kPageModeAllPages, kPageModeAllPages, kUnder, {"{L}{C}{a}", "{L}{C}{b}", "{L}{C}{c}"}},
        // no stationery: every page still goes through the layering
        {kPageModeNone, kPageModeNone, kOver, {"a{}", "b{}", "c{}"}},
        {kPageModeNone, kPageModeNone, kUnder, {"{a}", "{b}", "{c}"}},
        // an index outside the list counts as none
        {7, kPageModeAllPages, kOver, {"a{{C}}", "b{{C}}", "c{{C}}"}},
    };
    for (const Case& c : cases) {
        WriteFile(output, FakePdf({"a", "b", "c"}));
        Modes(c.letterhead_mode, c.continuation_mode, c.placement);
        ASSERT_TRUE(Compose(letterhead, continuation));
        EXPECT_THAT(FakePages(output), ElementsAreArray(c.pages))
            << c.letterhead_mode << "/" << c.continuation_mode << "/" << c.placement;
    }
}

TEST_F(CompositionTest, ReadsEachStationeryFileOncePerOutput) {
    std::vector<std::string> pages;
    for (int i = 0; i < 40; ++i) pages.push_back("p" + std::to_string(i));
    WriteFile(output, FakePdf(pages));
    Modes(kPageModeFirstOrRest, kPageModeFirstOrRest, 1);
    ASSERT_TRUE(Compose(letterhead, continuation));
    EXPECT_EQ(engine_log.opens[letterhead], 1);
    EXPECT_EQ(engine_log.opens[continuation], 1);
    EXPECT_EQ(FakePages(output).size(), 40u);
    EXPECT_EQ(FakePages(output)[39], "{C}{p39}");
}

TEST_F(CompositionTest, StationeryThatNoPageGetsIsNotRead) {
    settings.SetItemIndex(setting::kLetterheadMode, kPageModeRange);
    settings.SetItemIndex(setting::kContinuationMode, kPageModeNone);
    ASSERT_TRUE(Compose(letterhead, continuation, "5-9"));
    EXPECT_EQ(engine_log.opens.count(letterhead), 0u);
    EXPECT_THAT(FakePages(output), ElementsAre("{a}", "{b}", "{c}"));
}

TEST_F(CompositionTest, MissingPageFileSwitchesItsModeToNone) {
    Modes(kPageModeAllPages, kPageModeFirstOrRest, 0);
    ASSERT_TRUE(Compose(folder / "gone.pdf", continuation));
    EXPECT_EQ(settings.ItemIndex(setting::kLetterheadMode), kPageModeNone);
    EXPECT_EQ(settings.ItemIndex(setting::kContinuationMode), kPageModeFirstOrRest);
    EXPECT_THAT(FakePages(output), ElementsAre("a{}", "b{{C}}", "c{{C}}"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(CompositionTest, OneOutputPageGetsNoBlankPages) {
    WriteFile(output, FakePdf({"only"}));
    Modes(kPageModeFirstOrRest, kPageModeFirstOrRest, 1);
    ASSERT_TRUE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("{L}{only}"));
}

TEST_F(CompositionTest, FailuresLeaveTheOutputAsItWasAndNameTheFile) {
    Modes(kPageModeAllPages, kPageModeAllPages, 1);
    WriteFile(letterhead, "not a pdf");
    EXPECT_FALSE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b", "c"));
    ASSERT_EQ(Messages().size(), 1u);
    EXPECT_THAT(Messages()[0], HasSubstr(letterhead));

    WriteFile(letterhead, FakePdf({"L"}));
    engine_log.fail_save_of = "x_output.pdf";
    EXPECT_FALSE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b", "c"));
    EXPECT_THAT(Messages().back(), HasSubstr(output));
    // The half-written side file is gone too.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 4);
}

TEST_F(CompositionTest, CopyWritesTheOutputAndCountsFilesAndPages) {
    const std::string in3 = folder / "three.pdf";
    const std::string in5 = folder / "five.pdf";
    WriteFile(in3, FakePdf({"1", "2", "3"}));
    WriteFile(in5, FakePdf({"1", "2", "3", "4", "5"}));
    settings.SetNumber(setting::kFilesCreated, 10);
    settings.SetNumber(setting::kPagesCreated, 100);

    const CopyResult first = composition.CopyInToOut(in3, folder / "three_output.pdf");
    const CopyResult second = composition.CopyInToOut(in5, folder / "five_output.pdf");
    EXPECT_TRUE(first.written);
    EXPECT_EQ(second.pages, 5);
    EXPECT_THAT(FakePages(second.output), ElementsAre("1", "2", "3", "4", "5"));
    EXPECT_EQ(settings.Number(setting::kFilesCreated), 12);
    EXPECT_EQ(PagesCreatedCaption(settings.Number(setting::kPagesCreated)),
              "Aangemaakte pagina\"s  : 108");
    EXPECT_EQ(FilesCreatedCaption(12), "Aangemaakte bestanden : 12");
    EXPECT_THAT(LogTexts("00800I"),
                ElementsAre("Copy In to Out PDF;;;" + in3 + ";" + folder / "three_output.pdf",
                            "Copy In to Out PDF;;;" + in5 + ";" + folder / "five_output.pdf"));
}

TEST_F(CompositionTest, CopyOfAMissingOrUnreadableInputWritesNothing) {
    const std::string missing = folder / "missing.pdf";
    const std::string damaged = folder / "damaged.pdf";
    WriteFile(damaged, "%PDF-1.4 garbage");
    const CopyResult gone = composition.CopyInToOut(missing, folder / "missing_output.pdf");
    const CopyResult bad = composition.CopyInToOut(damaged, folder / "damaged_output.pdf");
    EXPECT_FALSE(gone.written);
    EXPECT_FALSE(bad.written);
    EXPECT_FALSE(fs::exists(folder / "missing_output.pdf"));
    EXPECT_FALSE(fs::exists(folder / "damaged_output.pdf"));
    EXPECT_THAT(Messages(), ElementsAre("[Invoerbestaatniet]" + missing, HasSubstr(damaged)));
    EXPECT_EQ(settings.Number(setting::kFilesCreated), 0);
    // The missing input is not logged as copied; the unreadable one is.
    EXPECT_EQ(LogTexts("00800I").size(), 1u);
}

TEST_F(CompositionTest, CopyGoesIntoAnExistingArchiveFolder) {
    const std::string input = folder / "in.pdf";
    WriteFile(input, FakePdf({"1"}));
    const std::string archive = folder / "archive";
    settings.SetItemIndex(setting::kArchiveOutputs, 1);
    settings.SetValue(setting::kArchiveFolder, archive);

    const CopyResult no_folder = composition.CopyInToOut(input, folder / "in_output.pdf");
    EXPECT_EQ(no_folder.output, folder / "in_output.pdf");
    fs::create_directories(archive);
    const CopyResult archived = composition.CopyInToOut(input, folder / "in_output.pdf");
    EXPECT_EQ(archived.output, archive + "/in_output.pdf");
    EXPECT_TRUE(fs::exists(archived.output));
}

}  // namespace
}  // namespace papyrion
