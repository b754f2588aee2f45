#include "reader/object_scan.h"

#include <algorithm>
#include <unordered_map>

#include "object/pdf_parser.h"

namespace papyrion::pdf {

namespace {

// Blanks allowed between the parts of a header; more is not a header.
constexpr std::size_t kMaxHeaderGap = 32;
constexpr std::size_t kMaxNumberDigits = 10;
constexpr std::size_t kMaxGenerationDigits = 5;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// Steps back from `end` over at most `limit` characters that pass `test`;
// returns how many.
template <class Test>
std::size_t StepBack(std::string_view bytes, std::size_t end, std::size_t limit, Test test) {
    std::size_t n = 0;
    while (n < end && n <= limit && test(bytes[end - n - 1])) ++n;
    return n;
}

std::int64_t DecimalValue(std::string_view digits) {
    std::int64_t value = 0;
    for (char c : digits) value = value * 10 + (c - '0');
    return value;
}

// "N G obj" ending at `keyword` (the position of "obj"), with N at a line
// start when `line_start`; fills number, generation and the header's offset.
bool HeaderBefore(std::string_view bytes, std::size_t keyword, bool line_start, XrefEntry& entry) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\0'; };
    auto gap = [&](char c) { return blank(c) || IsLineEnd(c); };
    std::size_t pos = keyword;
    std::size_t n = StepBack(bytes, pos, kMaxHeaderGap, gap);
    if (n == 0 || n > kMaxHeaderGap) return false;
    pos -= n;
    n = StepBack(bytes, pos, kMaxGenerationDigits, IsDigit);
    if (n == 0 || n > kMaxGenerationDigits) return false;
    const std::int64_t generation = DecimalValue(bytes.substr(pos - n, n));
    pos -= n;
    n = StepBack(bytes, pos, kMaxHeaderGap, gap);
    if (n == 0 || n > kMaxHeaderGap) return false;
    pos -= n;
    n = StepBack(bytes, pos, kMaxNumberDigits, IsDigit);
    if (n == 0 || n > kMaxNumberDigits) return false;
    const std::int64_t number = DecimalValue(bytes.substr(pos - n, n));
    pos -= n;
    const std::size_t start = pos;
    pos -= StepBack(bytes, pos, kMaxHeaderGap, blank);
    if (line_start && pos != 0 && !IsLineEnd(bytes[pos - 1])) return false;
    if (number <= 0 || number > kMaxObjectNumber || generation > 65535) return false;
    entry = XrefEntry{static_cast<int>(number), static_cast<std::int64_t>(start), generation, 'n'};
    return true;
}

// Every occurrence of `word`, in order.
template <class Found>
void EachOccurrence(std::string_view bytes, std::string_view word, Found found) {
    for (std::size_t at = bytes.find(word); at != std::string_view::npos;
         at = bytes.find(word, at + word.size())) {
        found(at);
    }
}

}  // namespace

ScannedObjects ScanForObjects(std::string_view bytes) {
    ScannedObjects scan;
    std::unordered_map<int, XrefEntry> last;
    EachOccurrence(bytes, "obj", [&](std::size_t at) {
        const std::size_t after = at + 3;
        // "objects", "obj1": not the keyword.
        if (after < bytes.size() && !IsPdfWhitespace(bytes[after]) &&
            !IsPdfDelimiter(bytes[after])) {
            return;
        }
        XrefEntry entry;
        if (!HeaderBefore(bytes, at, true, entry)) return;
        scan.boundaries.push_back(entry.field2);
        last[entry.number] = entry;  // file order: a later definition wins
    });
    EachOccurrence(bytes, "trailer", [&](std::size_t at) {
        scan.boundaries.push_back(static_cast<std::int64_t>(at));
        scan.trailers.push_back(at + 7);
    });
    EachOccurrence(bytes, "xref", [&](std::size_t at) {
        scan.boundaries.push_back(static_cast<std::int64_t>(at));
    });
    scan.entries.reserve(last.size());
    for (const auto& [number, entry] : last) scan.entries.push_back(entry);
    std::sort(scan.entries.begin(), scan.entries.end(),
              [](const XrefEntry& a, const XrefEntry& b) { return a.number < b.number; });
    std::sort(scan.boundaries.begin(), scan.boundaries.end());
    return scan;
}

bool HeaderAt(std::string_view bytes, std::int64_t offset, int number, int generation) {
    if (offset < 0 || offset >= static_cast<std::int64_t>(bytes.size())) return false;
    auto pos = static_cast<std::size_t>(offset);
    std::size_t skipped = 0;
    while (pos < bytes.size() && IsPdfWhitespace(bytes[pos]) && skipped++ < kMaxHeaderGap) ++pos;
    std::size_t keyword = bytes.substr(pos, 2 * kMaxHeaderGap + 16).find("obj");
    if (keyword == std::string_view::npos) return false;
    XrefEntry entry;
    return HeaderBefore(bytes, pos + keyword, false, entry) &&
           entry.field2 == static_cast<std::int64_t>(pos) && entry.number == number &&
           entry.field3 == generation;
}

const XrefEntry* FindEntry(const std::vector<XrefEntry>& sorted, int number) {
    auto it = std::lower_bound(sorted.begin(), sorted.end(), number,
                               [](const XrefEntry& e, int n) { return e.number < n; });
    return it != sorted.end() && it->number == number ? &*it : nullptr;
}

}  // namespace papyrion::pdf
