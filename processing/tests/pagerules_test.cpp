#include "processing/pagerules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace papyrion {
namespace {

// The flagged pages of a set as a range text, for readable failures.
std::string FlaggedPages(const PageSet& set) {
    std::string out;
    for (const PageRun& run : set.Runs()) {
        if (!out.empty()) out += ',';
        out += std::to_string(run.first) + "-" +
               (run.last == kDocumentEnd ? std::string("end") : std::to_string(run.last));
    }
    return out;
}

// The pages of an n-page document that get each stationery, as the page test
// of the composition sees them: "L 1-1 C 2-5".
std::string StampedPages(const PageFlags& flags, int letterheadMode, int continuationMode,
                         long long pageCount) {
    std::string out;
    const auto runs = [&](StationeryKind kind, int mode) {
        std::string text;
        for (long long page = 1; page <= pageCount; ++page) {
            if (!StationeryApplies(flags, kind, mode, page)) continue;
            long long last = page;
            while (last < pageCount && StationeryApplies(flags, kind, mode, last + 1)) ++last;
            if (!text.empty()) text += ',';
            text += std::to_string(page) + "-" + std::to_string(last);
            page = last;
        }
        return text;
    };
    return "L " + runs(StationeryKind::Letterhead, letterheadMode) + " C " +
           runs(StationeryKind::Continuation, continuationMode);
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

TEST(PageRules, FillPageFlagsWritesOnlyTheSetOfItsKind) {
    struct Case {
        StationeryKind kind;
        const char* text;
        const char* letterhead;
        const char* continuation;
    };
    const Case cases[] = {
        {StationeryKind::Letterhead, "3-1", "", ""},           // reversed items select nothing here
        {StationeryKind::Continuation, "2-999", "", "2-end"},  // 999 reaches the end
        {StationeryKind::Letterhead, "999", "999-end", ""},
        {StationeryKind::Letterhead, "1-998", "1-998", ""},
        {StationeryKind::Letterhead, "5-99999", "5-99999", ""},  // other bounds as written
        {StationeryKind::Letterhead, "1 - 3", "1-3", ""},
        {StationeryKind::Letterhead, "5", "5-5", ""},
        {StationeryKind::Letterhead, "1,3 , 5-6", "1-1,3-3,5-6", ""},
        {StationeryKind::Letterhead, "1-5000", "1-5000", ""},
        {StationeryKind::Letterhead, "0-0", "", ""},  // page 0 only: no real page
        {StationeryKind::Letterhead, "-5", "1-5", ""},
        {StationeryKind::Letterhead, "1000-2000", "1000-2000", ""},
        {StationeryKind::Letterhead, "4-6,1-2,3,20-30,25", "1-6,20-30", ""},  // runs join
        {StationeryKind::Letterhead, "7-9,1-999,2000", "1-end", ""},
        {StationeryKind::Letterhead, "abc", "", ""},
        {StationeryKind::Letterhead, "1--5", "", ""},  // upper bound -5
        {StationeryKind::Letterhead, "+2-+4", "2-4", ""},
        {StationeryKind::Letterhead, "7a-9b", "7-9", ""},
        {StationeryKind::Letterhead, "", "", ""},
        {StationeryKind::Continuation, "1-99999999999999999999", "", "1-1000000000"},
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

TEST(PageRules, FillPageFlagsAddsToWhatIsSetAndClearEmptiesBothSets) {
    PageFlags flags;
    FillPageFlags(flags, StationeryKind::Letterhead, "1-2");
    FillPageFlags(flags, StationeryKind::Letterhead, "5");
    FillPageFlags(flags, StationeryKind::Continuation, "3");
    EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), "1-2,5-5");
    FillPageFlags(flags, StationeryKind::Letterhead, "3-4,9");
    EXPECT_EQ(FlaggedPages(flags.LetterheadFlags), "1-5,9-9");
    EXPECT_EQ(FlaggedPages(flags.ContinuationFlags), "3-3");
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
        {2, "", 2, "", {"L", "C", "C", "C", "C"}},       // first page, then page 2 to end
        {1, "", 1, "", {"LC", "LC", "LC", "LC", "LC"}},  // all pages
        {0, "", 0, "", {"-", "-", "-", "-", "-"}},
        {-1, "1-999", 4, "1-999", {"-", "-", "-", "-", "-"}},
        {3, "2", 3, "1,3-999", {"C", "L", "C", "C", "C"}},
        {3, "999", 3, "1000", {"-", "-", "-", "L", "LC"}},
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

// Long documents: every mode covers the pages it names to the document's end,
// with no limit at 999 pages.
TEST(PageRules, PageTestCoversDocumentsOfAnyLength) {
    struct Case {
        int letterheadMode;
        const char* letterheadRange;
        int continuationMode;
        const char* continuationRange;
        std::vector<std::string> stamped;  // for 999, 1000, 1001 and 5000 pages
    };
    const std::string saved = NormalizePageRange("5-99999");  // what the settings file gets
    const Case cases[] = {
        {kPageModeAllPages,
         "",
         kPageModeAllPages,
         "",
         {"L 1-999 C 1-999", "L 1-1000 C 1-1000", "L 1-1001 C 1-1001", "L 1-5000 C 1-5000"}},
        {kPageModeFirstOrRest,
         "",
         kPageModeFirstOrRest,
         "",
         {"L 1-1 C 2-999", "L 1-1 C 2-1000", "L 1-1 C 2-1001", "L 1-1 C 2-5000"}},
        {kPageModeRange,
         "5-99999",
         kPageModeRange,
         saved.c_str(),
         {"L 5-999 C 5-999", "L 5-1000 C 5-1000", "L 5-1001 C 5-1001", "L 5-5000 C 5-5000"}},
        {kPageModeRange,
         kDefaultPageRange.data(),
         kPageModeRange,
         "1000-1001,4000",
         {"L 1-999 C ", "L 1-1000 C 1000-1000", "L 1-1001 C 1000-1001",
          "L 1-5000 C 1000-1001,4000-4000"}},
        {kPageModeRange,
         "1-500,998-999",
         kPageModeNone,
         "1-999",
         {"L 1-500,998-999 C ", "L 1-500,998-1000 C ", "L 1-500,998-1001 C ",
          "L 1-500,998-5000 C "}},
        {kPageModeNone, "", kPageModeNone, "", {"L  C ", "L  C ", "L  C ", "L  C "}},
    };
    const long long counts[] = {999, 1000, 1001, 5000};
    for (const auto& c : cases) {
        const PageFlags flags = BuildPageFlags(c.letterheadMode, c.letterheadRange,
                                               c.continuationMode, c.continuationRange);
        for (std::size_t i = 0; i < std::size(counts); ++i) {
            EXPECT_EQ(StampedPages(flags, c.letterheadMode, c.continuationMode, counts[i]),
                      c.stamped[i])
                << "modes " << c.letterheadMode << " \"" << c.letterheadRange << "\" / "
                << c.continuationMode << " \"" << c.continuationRange << "\", " << counts[i]
                << " pages";
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
    EXPECT_FALSE(StationeryApplies(flags, StationeryKind::Letterhead, 1, 0));
}

}  // namespace
}  // namespace papyrion
