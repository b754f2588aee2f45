#include "processing/pagerules.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <set>
#include <string>

namespace papyrion {

namespace {

constexpr std::string_view kNoPages = "0-0";
constexpr std::string_view kFirstPage = "1-1";
constexpr std::string_view kSecondToEnd = "2-999";
// Bounds beyond this are as good as infinite: no document has that many pages.
constexpr long long kBoundLimit = 1'000'000'000LL;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::string WithoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c != ' ') out += c;
    }
    return out;
}

// The last four digits of a bound's leading decimal digits ("+" allowed),
// "0000" when it has none or starts with a minus sign.
std::string FourDigitBound(std::string_view text) {
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    std::string digits;
    for (char c : text) {
        if (!IsDigit(c)) break;
        digits += c;
    }
    if (digits.size() > 4) digits.erase(0, digits.size() - 4);
    return std::string(4 - digits.size(), '0') + digits;
}

// Leading blanks skipped, an optional sign, then decimal digits up to the
// first other character; 0 when no digit was read.
long long ReadBound(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        value = std::min(kBoundLimit, value * 10 + (text[i] - '0'));
    }
    return negative ? -value : value;
}

// The working table of the canonical form: pages 0..999.
using CanonicalTable = std::array<bool, kLastCanonicalPage + 1>;

void SetRange(CanonicalTable& table, long long lower, long long upper) {
    lower = std::max(lower, 0LL);
    upper = std::min(upper, static_cast<long long>(kLastCanonicalPage));
    for (long long page = lower; page <= upper; ++page)
        table[static_cast<std::size_t>(page)] = true;
}

}  // namespace

std::string PageRuleText(StationeryKind kind, int mode, std::string_view rangeText) {
    switch (mode) {
        case kPageModeAllPages:
            return std::string(kDefaultPageRange);
        case kPageModeFirstOrRest:
            return std::string(kind == StationeryKind::Letterhead ? kFirstPage : kSecondToEnd);
        case kPageModeRange:
            return std::string(rangeText);
        default:
            return std::string(kNoPages);
    }
}

std::string NormalizePageRange(std::string_view text) {
    const std::string source = std::string(text.empty() ? std::string_view("01-99") : text) + ",";

    std::set<std::string> items;
    std::string_view remaining = source;
    while (!remaining.empty()) {
        std::string item;
        if (const auto comma = remaining.find(','); comma != std::string_view::npos) {
            item = remaining.substr(0, comma);
            remaining.remove_prefix(comma + 1);
        } else {
            item = remaining;
            remaining = {};
        }
        if (item.find('-') == std::string::npos) item = item + "-" + item;
        item = WithoutBlanks(item);
        const auto dash = item.find('-');
        std::string low = FourDigitBound(std::string_view(item).substr(0, dash));
        std::string high = FourDigitBound(std::string_view(item).substr(dash + 1));
        if (low > high) std::swap(low, high);
        items.insert(low + "-" + high);
    }

    CanonicalTable pages{};
    for (const auto& item : items) {
        SetRange(pages, std::stoll(item.substr(0, 4)), std::stoll(item.substr(5, 4)));
    }

    std::string result;
    for (int page = 1; page <= kLastCanonicalPage; ++page) {
        if (!pages[static_cast<std::size_t>(page)]) continue;
        int last = page;
        while (last < kLastCanonicalPage && pages[static_cast<std::size_t>(last + 1)]) ++last;
        if (!result.empty()) result += ',';
        result += std::to_string(page) + "-" + std::to_string(last);
        page = last;
    }
    return result;
}

void PageSet::Add(std::vector<PageRun> runs) {
    runs.insert(runs.end(), runs_.begin(), runs_.end());
    std::sort(runs.begin(), runs.end(),
              [](const PageRun& a, const PageRun& b) { return a.first < b.first; });
    runs_.clear();
    for (const PageRun& run : runs) {
        // Joins overlapping and touching runs; the end of a run that reaches
        // the document end has no successor to touch.
        if (!runs_.empty() && runs_.back().last != kDocumentEnd &&
            run.first <= runs_.back().last + 1) {
            runs_.back().last = std::max(runs_.back().last, run.last);
        } else if (runs_.empty() || run.first > runs_.back().last) {
            runs_.push_back(run);
        }
    }
}

bool PageSet::Contains(long long page) const {
    const auto after =
        std::upper_bound(runs_.begin(), runs_.end(), page,
                         [](long long p, const PageRun& run) { return p < run.first; });
    return after != runs_.begin() && page <= std::prev(after)->last;
}

void ClearPageFlags(PageFlags& flags) {
    flags.LetterheadFlags.Clear();
    flags.ContinuationFlags.Clear();
}

void FillPageFlags(PageFlags& flags, StationeryKind kind, std::string_view ruleText) {
    std::string text(ruleText);
    if (const auto blank = text.find(' '); blank != std::string::npos) text.erase(blank, 1);

    PageSet* set = nullptr;
    if (kind == StationeryKind::Letterhead) set = &flags.LetterheadFlags;
    if (kind == StationeryKind::Continuation) set = &flags.ContinuationFlags;

    std::vector<PageRun> runs;
    std::string_view rest = text;
    while (!rest.empty()) {
        std::string item;
        if (const auto comma = rest.find(','); comma != std::string_view::npos) {
            item = rest.substr(0, comma);
            rest.remove_prefix(comma + 1);
        } else {
            item = rest;
            rest = {};
        }
        if (item.find('-') == std::string::npos) item = item + "-" + item;
        const auto dash = item.find('-');
        const long long lower = ReadBound(std::string_view(item).substr(0, dash));
        const long long upper = ReadBound(std::string_view(item).substr(dash + 1));
        // Reversed items select nothing; page 0 and below are no real pages.
        if (upper < lower || upper < 1) continue;
        runs.push_back({std::max(lower, 1LL), upper == kLastCanonicalPage ? kDocumentEnd : upper});
    }
    if (set != nullptr) set->Add(std::move(runs));
}

PageFlags BuildPageFlags(int letterheadMode, std::string_view letterheadRange, int continuationMode,
                         std::string_view continuationRange) {
    PageFlags flags;
    ClearPageFlags(flags);
    FillPageFlags(flags, StationeryKind::Letterhead,
                  PageRuleText(StationeryKind::Letterhead, letterheadMode, letterheadRange));
    FillPageFlags(flags, StationeryKind::Continuation,
                  PageRuleText(StationeryKind::Continuation, continuationMode, continuationRange));
    return flags;
}

bool StationeryApplies(const PageFlags& flags, StationeryKind kind, int mode, long long page) {
    if (mode <= 0 || page < 1) return false;
    const PageSet& set =
        kind == StationeryKind::Letterhead ? flags.LetterheadFlags : flags.ContinuationFlags;
    return set.Contains(page);
}

}  // namespace papyrion
