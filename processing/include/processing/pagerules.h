#pragma once
// Page rules: which pages of a document get the letterhead and which the
// continuation paper. Pure text and integer work.
//
// A page range text is a list of items separated by ",", each a page number
// ("7" stands for 7-7) or a run "a-b"; pages count from 1. Only pages 1..999
// can be flagged.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace papyrion {

enum class StationeryKind {
    Letterhead = 1,    // briefpapier
    Continuation = 2,  // vervolgpapier
};

// Combo-box item indices of the two mode boxes; any other index (also -1,
// nothing selected) means none.
enum PageMode : int {
    kPageModeNone = 0,
    kPageModeAllPages = 1,
    kPageModeFirstOrRest = 2,  // letterhead: page 1 only; continuation: page 2 to the end
    kPageModeRange = 3,
};

inline constexpr int kLastFlaggablePage = 999;
inline constexpr std::string_view kDefaultPageRange = "1-999";

// The rule text of a mode; `rangeText` is used for the range mode only.
std::string PageRuleText(StationeryKind kind, int mode, std::string_view rangeText);

// The canonical form of a page range text: ascending runs of flagged pages
// "a-b" joined by "," (a single page as "5-5"), "" when no page is selected.
// The empty text stands for "1-99".
std::string NormalizePageRange(std::string_view text);

// The two page flag tables, indexed directly by page number 0..999; 0 means
// the stationery is not laid on that page. Index 0 is never a real page.
struct PageFlags {
    using Table = std::array<std::int32_t, kLastFlaggablePage + 1>;
    Table LetterheadFlags{};
    Table ContinuationFlags{};
};

void ClearPageFlags(PageFlags& flags);

// Sets the flag of every page a rule text selects in the table of `kind`.
// Reversed items ("9-3") select nothing here, unlike NormalizePageRange.
void FillPageFlags(PageFlags& flags, StationeryKind kind, std::string_view ruleText);

// Clear, then fill both tables from the modes and the range texts: the
// preparation of every composition.
PageFlags BuildPageFlags(int letterheadMode, std::string_view letterheadRange, int continuationMode,
                         std::string_view continuationRange);

// The page test of the composition: does the stationery of `kind` go on
// 1-based `page`? Pages above 999 never do.
bool StationeryApplies(const PageFlags& flags, StationeryKind kind, int mode, long long page);

}  // namespace papyrion
