#include <algorithm>
#include <charconv>
#include <optional>
#include <set>

#include "document/page_operations.h"

namespace papyrion::pdf {

namespace {

std::optional<long long> ReadNumber(std::string_view text) {
    if (text.empty()) return std::nullopt;
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace

std::vector<int> ParsePageList(std::string_view text, int page_count) {
    std::string kept;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || c == ',' || c == '-') kept += c;
    }
    std::set<int> pages;
    std::size_t start = 0;
    while (start <= kept.size()) {
        std::size_t end = kept.find(',', start);
        if (end == std::string::npos) end = kept.size();
        std::string_view item(kept.data() + start, end - start);
        start = end + 1;
        std::size_t dash = item.find('-');
        std::optional<long long> first, last;
        if (dash == std::string_view::npos) {
            first = last = ReadNumber(item);
        } else {
            first = ReadNumber(item.substr(0, dash));
            last = ReadNumber(item.substr(dash + 1));
        }
        if (!first || !last) continue;
        // Only pages of the document count, so a range is clipped to them
        // before it is walked.
        long long low = std::max<long long>(std::min(*first, *last), 1);
        long long high = std::min<long long>(std::max(*first, *last), page_count);
        for (long long page = low; page <= high; ++page) pages.insert(static_cast<int>(page));
    }
    return {pages.begin(), pages.end()};
}

}  // namespace papyrion::pdf
