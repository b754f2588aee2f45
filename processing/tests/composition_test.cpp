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

    // Stamps `output` in place.
    bool Compose(const std::string& letterhead_file, const std::string& continuation_file,
                 const std::string& range = "1-999") {
        const int lm = settings.ItemIndex(setting::kLetterheadMode);
        const int cm = settings.ItemIndex(setting::kContinuationMode);
        const StationeryPages stationery{
            letterhead_file, PageRuleText(StationeryKind::Letterhead, lm, range), continuation_file,
            PageRuleText(StationeryKind::Continuation, cm, range)};
        const ComposeResult result = composition.Compose(output, "", &stationery, output);
        failure = result.failure;
        return result.written;
    }

    std::string letterhead = folder / "briefpapier1.pdf";
    std::string continuation = folder / "vervolg1.pdf";
    std::string output = folder / "x_output.pdf";
    std::string failure;
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
        {kPageModeFirstOrRest, kPageModeFirstOrRest, kOver, {"a{L}", "b{C}", "c{C}"}},
        {kPageModeFirstOrRest, kPageModeFirstOrRest, kUnder, {"{L}a", "{C}b", "{C}c"}},
        // both on every page: the continuation is drawn over the letterhead
        {kPageModeAllPages, kPageModeAllPages, kUnder, {"{L}{C}a", "{L}{C}b", "{L}{C}c"}},
        // no stationery: the pages stay as they are
        {kPageModeNone, kPageModeNone, kOver, {"a", "b", "c"}},
        {kPageModeNone, kPageModeNone, kUnder, {"a", "b", "c"}},
        // an index outside the list counts as none
        {7, kPageModeAllPages, kOver, {"a{C}", "b{C}", "c{C}"}},
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
    EXPECT_EQ(FakePages(output)[39], "{C}p39");
}

TEST_F(CompositionTest, StationeryGoesOnEveryPageOfALongDocument) {
    std::vector<std::string> pages;
    for (int i = 1; i <= 1001; ++i) pages.push_back("p" + std::to_string(i));
    WriteFile(output, FakePdf(pages));
    Modes(kPageModeAllPages, kPageModeFirstOrRest, 1);
    ASSERT_TRUE(Compose(letterhead, continuation));
    const std::vector<std::string> stamped = FakePages(output);
    ASSERT_EQ(stamped.size(), 1001u);
    EXPECT_EQ(stamped[998], "{L}{C}p999");
    EXPECT_EQ(stamped[999], "{L}{C}p1000");
    EXPECT_EQ(stamped[1000], "{L}{C}p1001");
}

TEST_F(CompositionTest, StationeryThatNoPageGetsIsNotRead) {
    settings.SetItemIndex(setting::kLetterheadMode, kPageModeRange);
    settings.SetItemIndex(setting::kContinuationMode, kPageModeNone);
    ASSERT_TRUE(Compose(letterhead, continuation, "5-9"));
    EXPECT_EQ(engine_log.opens.count(letterhead), 0u);
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b", "c"));
}

TEST_F(CompositionTest, MissingPageFileSwitchesItsModeToNone) {
    Modes(kPageModeAllPages, kPageModeFirstOrRest, 0);
    ASSERT_TRUE(Compose(folder / "gone.pdf", continuation));
    EXPECT_EQ(settings.ItemIndex(setting::kLetterheadMode), kPageModeNone);
    EXPECT_EQ(settings.ItemIndex(setting::kContinuationMode), kPageModeFirstOrRest);
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b{C}", "c{C}"));
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(CompositionTest, OneOutputPageGetsNoBlankPages) {
    WriteFile(output, FakePdf({"only"}));
    Modes(kPageModeFirstOrRest, kPageModeFirstOrRest, 1);
    ASSERT_TRUE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("{L}only"));
}

TEST_F(CompositionTest, FailuresLeaveTheOutputAsItWasAndNameTheFile) {
    Modes(kPageModeAllPages, kPageModeAllPages, 1);
    WriteFile(letterhead, "not a pdf");
    EXPECT_FALSE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b", "c"));
    EXPECT_THAT(failure, HasSubstr(letterhead));

    WriteFile(letterhead, FakePdf({"L"}));
    engine_log.fail_save_of = "x_output.pdf";
    EXPECT_FALSE(Compose(letterhead, continuation));
    EXPECT_THAT(FakePages(output), ElementsAre("a", "b", "c"));
    EXPECT_THAT(failure, HasSubstr(output));
    // Nothing else was left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 4);
    // The composition tells; showing it is the caller's.
    EXPECT_THAT(Messages(), IsEmpty());
}

TEST_F(CompositionTest, WithoutStationeryTheInputIsWrittenAsItIs) {
    const std::string in5 = folder / "five.pdf";
    WriteFile(in5, FakePdf({"1", "2", "3", "4", "5"}));
    const ComposeResult result = composition.Compose(in5, "", nullptr, folder / "five_output.pdf");
    EXPECT_TRUE(result.written);
    EXPECT_EQ(result.pages, 5);
    EXPECT_THAT(FakePages(folder / "five_output.pdf"), ElementsAre("1", "2", "3", "4", "5"));
    EXPECT_THAT(LogTexts("00800I"),
                ElementsAre("Copy In to Out PDF;;;" + in5 + ";" + folder / "five_output.pdf"));
    EXPECT_EQ(FilesCreatedCaption(12), "Aangemaakte bestanden : 12");
    EXPECT_EQ(PagesCreatedCaption(108), "Aangemaakte pagina\"s  : 108");
}

TEST_F(CompositionTest, AMissingOrUnreadableInputWritesNothingAndSaysWhich) {
    const std::string missing = folder / "missing.pdf";
    const std::string damaged = folder / "damaged.pdf";
    WriteFile(damaged, "%PDF-1.4 garbage");
    const ComposeResult gone = composition.Compose(missing, "", nullptr, folder / "m_output.pdf");
    const ComposeResult bad = composition.Compose(damaged, "", nullptr, folder / "d_output.pdf");
    EXPECT_FALSE(gone.written);
    EXPECT_FALSE(bad.written);
    EXPECT_FALSE(fs::exists(folder / "m_output.pdf"));
    EXPECT_FALSE(fs::exists(folder / "d_output.pdf"));
    EXPECT_EQ(gone.failure, "[Invoerbestaatniet]" + missing);
    EXPECT_EQ(bad.failure, "[Invoerbeschadigd]" + damaged);
    // The missing input is not logged as copied; the unreadable one is.
    EXPECT_EQ(LogTexts("00800I").size(), 1u);
}

}  // namespace
}  // namespace papyrion
