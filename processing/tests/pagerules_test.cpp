#include "processing/pagerules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace papyrion {
namespace {

// The flagged pages of a table as a range text, for readable failures.
std::string FlaggedPages(const PageFlags::Table& table) {
    std::string out;
    for (std::size_t page = 0; page < table.size(); ++page) {
        if (table[page] == 0) continue;
        std::size_t last = page;
        while (last + 1 < table.size() && table[last + 1] != 0) ++last;
        if (!out.empty()) out += ',';
        out += std::to_string(page) + "-" + std::to_string(last);
        page = last;
    }
    return out;
}

TEST(PageRules, NormalizePageRangeGivesTheCanonicalForm) {
    struct Case {
        const char* text;
        const char* canonical;
    };
    const Case cases[] = {
        {"3,1-2", "1-3"},
        {"9-3", "3-9"},
        {"5", "5-5"},
        {"2, 4 - 6 ,4", "2-2,4-6"},
        {"5-", "1-5"},
        {"-5", "1-5"},
        {"abc", ""},
        {"1-5000", "1-999"},
        {"1-10005", "1-5"},
        {"", "1-99"},  // the empty text stands for 1-99
        {" ", ""},     // a blank is not empty
        {"0", ""},     // page 0 is never written out
        {"999,998", "998-999"},
        {"1000", ""},
        {"3-1", "1-3"},
        {"1--5", "1-1"},  // a second bound with a minus counts as 0
        {"+2-+4", "2-4"},
        {"1a-3b", "1-3"},  // reading stops at the first other character
        {"2-3-9", "2-3"},  // split at the first dash; "3-9" reads as 3
        {"1,3,5", "1-1,3-3,5-5"},
        {"4-6,1-2,3", "1-6"},  // adjacent items join into one run
        {",,7,,", "7-7"},
        {"0007-0009", "7-9"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(NormalizePageRange(c.text), c.canonical) << "text \"" << c.text << "\"";
    }
}

TEST(PageRules, NormalizePageRangeKeepsEveryItemOfALongText) {
    std::string text;
    std::string canonical;
    for (int page = 1; page <= 999; page += 2) {
        text += std::to_string(page) + ",";
        canonical +=
            (canonical.empty() ? "" : ",") + std::to_string(page) + "-" + std::to_string(page);
    }
    EXPECT_EQ(NormalizePageRange(text), canonical);

    // A pasted text of many thousand items is read once, not again per item.
    std::string pasted;
    for (int i = 0; i < 200000; ++i) pasted += "9-7, ";
    EXPECT_EQ(NormalizePageRange(pasted), "7-9");
    PageFlags flags;
    FillPageFlags(flags, StationeryKind::Letterhead, pasted + "12");
    EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), "12-12");  // reversed items set nothing
}

TEST(PageRules, FillPageFlagsWritesOnlyTheTableOfItsKind) {
    struct Case {
        StationeryKind kind;
        const char* text;
        const char* letterhead;
        const char* continuation;
    };
    const Case cases[] = {
        {StationeryKind::Letterhead, "3-1", "", ""},  // reversed items select nothing here
        {StationeryKind::Continuation, "2-999", "", "2-999"},
        {StationeryKind::Letterhead, "1 - 3", "1-3", ""},
        {StationeryKind::Letterhead, "5", "5-5", ""},
        {StationeryKind::Letterhead, "1,3 , 5-6", "1-1,3-3,5-6", ""},
        {StationeryKind::Letterhead, "1-5000", "1-999", ""},
        {StationeryKind::Letterhead, "0-0", "0-0", ""},  // index 0 only: no real page
        {StationeryKind::Letterhead, "1000-2000", "", ""},
        {StationeryKind::Letterhead, "abc", "0-0", ""},
        {StationeryKind::Letterhead, "1--5", "", ""},  // upper bound -5
        {StationeryKind::Letterhead, "+2-+4", "2-4", ""},
        {StationeryKind::Letterhead, "7a-9b", "7-9", ""},
        {StationeryKind::Letterhead, "", "", ""},
        {StationeryKind::Continuation, "1-99999999999999999999", "", "1-999"},
        {static_cast<StationeryKind>(3), "1-999", "", ""},  // any other kind writes nothing
    };
    for (const auto& c : cases) {
        PageFlags flags;
        ClearPageFlags(flags);
        FillPageFlags(flags, c.kind, c.text);
        EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), c.letterhead) << "text \"" << c.text << "\"";
        EXPECT_EQ(FlaggedPages(flags.ContinuationFlags), c.continuation)
            << "text \"" << c.text << "\"";
    }
}

TEST(PageRules, FillPageFlagsAddsToWhatIsSetAndClearEmptiesBothTables) {
    PageFlags flags;
    FillPageFlags(flags, StationeryKind::Letterhead, "1-2");
    FillPageFlags(flags, StationeryKind::Letterhead, "5");
    FillPageFlags(flags, StationeryKind::Continuation, "3");
    EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), "1-2,5-5");
    ClearPageFlags(flags);
    EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), "");
    EXPECT_EQ(FlaggedPages(flags.ContinuationFlags), "");
}

TEST(PageRules, RuleTextOfEachMode) {
    struct Case {
        int mode;
        const char* letterhead;
        const char* continuation;
    };
    const Case cases[] = {
        {0, "0-0", "0-0"}, {1, "1-999", "1-999"}, {2, "1-1", "2-999"},
        {3, "4-7", "8-9"}, {-1, "0-0", "0-0"},    {4, "0-0", "0-0"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(PageRuleText(StationeryKind::Letterhead, c.mode, "4-7"), c.letterhead)
            << "mode " << c.mode;
        EXPECT_EQ(PageRuleText(StationeryKind::Continuation, c.mode, "8-9"), c.continuation)
            << "mode " << c.mode;
    }
}

// Which of the two stationery pages goes on pages 1, 2, 3, 999 and 1000:
// "L" letterhead, "C" continuation, "LC" both, "-" none.
TEST(PageRules, PageTestCombinesModeAndFlags) {
    struct Case {
        int letterheadMode;
        const char* letterheadRange;
        int continuationMode;
        const char* continuationRange;
        std::vector<std::string> pages;  // for 1, 2, 3, 999, 1000
    };
    const Case cases[] = {
        {2, "", 2, "", {"L", "C", "C", "C", "-"}},      // first page, then page 2 to end
        {1, "", 1, "", {"LC", "LC", "LC", "LC", "-"}},  // all pages, up to 999
        {0, "", 0, "", {"-", "-", "-", "-", "-"}},
        {-1, "1-999", 4, "1-999", {"-", "-", "-", "-", "-"}},
        {3, "2", 3, "1,3-999", {"C", "L", "C", "C", "-"}},
        {3, "3-1", 0, "", {"-", "-", "-", "-", "-"}},  // unswapped range selects nothing
    };
    const long long pages[] = {1, 2, 3, 999, 1000};
    for (const auto& c : cases) {
        const PageFlags flags = BuildPageFlags(c.letterheadMode, c.letterheadRange,
                                               c.continuationMode, c.continuationRange);
        for (std::size_t i = 0; i < std::size(pages); ++i) {
            std::string got;
            if (StationeryApplies(flags, StationeryKind::Letterhead, c.letterheadMode, pages[i]))
                got += "L";
            if (StationeryApplies(flags, StationeryKind::Continuation, c.continuationMode,
                                  pages[i]))
                got += "C";
            if (got.empty()) got = "-";
            EXPECT_EQ(got, c.pages[i]) << "modes " << c.letterheadMode << "/" << c.continuationMode
                                       << " page " << pages[i];
        }
    }
}

TEST(PageRules, PageTestNeedsAPositiveModeEvenWithFlagsSet) {
    PageFlags flags;
    FillPageFlags(flags, StationeryKind::Letterhead, "1-999");
    EXPECT_TRUE(StationeryApplies(flags, StationeryKind::Letterhead, 1, 1));
    EXPECT_FALSE(StationeryApplies(flags, StationeryKind::Letterhead, 0, 1));
    EXPECT_FALSE(StationeryApplies(flags, StationeryKind::Letterhead, -1, 1));
    EXPECT_FALSE(StationeryApplies(flags, StationeryKind::Letterhead, 1, -5));
}

}  // namespace
}  // namespace papyrion
