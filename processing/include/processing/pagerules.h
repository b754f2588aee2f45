#pragma once
// Page rules: which pages of a document get the letterhead and which the
// continuation paper. Pure text and integer work.
//
// A page range text is a list of items separated by ",", each a page number
// ("7" stands for 7-7) or a run "a-b"; pages count from 1. The canonical form
// names pages 1..999 only ("1-5000" becomes "1-999"), so 999 as an upper
// bound means "to the end": the rule texts of the modes and a range saved as
// "5-999" reach the last page of a document of any length.

#include <limits>
#include <string>
#include <string_view>
#include <vector>

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

// The highest page the canonical form names; as an upper bound it reaches
// the end of the document.
inline constexpr int kLastCanonicalPage = 999;
inline constexpr std::string_view kDefaultPageRange = "1-999";

// The last page of a run that reaches the end of any document.
inline constexpr long long kDocumentEnd = std::numeric_limits<long long>::max();

// The rule text of a mode; `rangeText` is used for the range mode only.
std::string PageRuleText(StationeryKind kind, int mode, std::string_view rangeText);

// The canonical form of a page range text: ascending runs of flagged pages
// "a-b" joined by "," (a single page as "5-5"), "" when no page is selected.
// The empty text stands for "1-99". Pages above 999 are not written.
std::string NormalizePageRange(std::string_view text);

struct PageRun {
    long long first = 0;
    long long last = 0;  // kDocumentEnd: to the end
    bool operator==(const PageRun&) const = default;
};

// The flagged pages of one stationery kind as ascending runs that neither
// overlap nor touch, so a document of any length is covered without a table
// per page.
class PageSet {
  public:
    void Clear() { runs_.clear(); }
    // Adds the runs to those already held (in any order, overlaps allowed).
    void Add(std::vector<PageRun> runs);
    bool Contains(long long page) const;
    const std::vector<PageRun>& Runs() const { return runs_; }

  private:
    std::vector<PageRun> runs_;
};

// The pages of a document that get each stationery kind.
struct PageFlags {
    PageSet LetterheadFlags;
    PageSet ContinuationFlags;
};

void ClearPageFlags(PageFlags& flags);

// Flags every page a rule text selects in the set of `kind`, in addition to
// those already flagged; page 0 and below are never flagged. Reversed items
// ("9-3") select nothing here, unlike NormalizePageRange. An upper bound of
// 999 reaches the end; any other bound is taken as written.
void FillPageFlags(PageFlags& flags, StationeryKind kind, std::string_view ruleText);

// Clear, then fill both tables from the modes and the range texts: the
// preparation of every composition.
PageFlags BuildPageFlags(int letterheadMode, std::string_view letterheadRange, int continuationMode,
                         std::string_view continuationRange);

// The page test of the composition: does the stationery of `kind` go on
// 1-based `page`?
bool StationeryApplies(const PageFlags& flags, StationeryKind kind, int mode, long long page);

}  // namespace papyrion
