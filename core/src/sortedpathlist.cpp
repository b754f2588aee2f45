#include "core/sortedpathlist.h"

#include <algorithm>
#include <cctype>

namespace papyrion {
namespace {

bool Before(std::string_view a, std::string_view b) {
    const auto folded = [](unsigned char c) { return std::tolower(c); };
    const auto mismatch =
        std::mismatch(a.begin(), a.end(), b.begin(), b.end(), [&](char x, char y) {
            return folded(static_cast<unsigned char>(x)) == folded(static_cast<unsigned char>(y));
        });
    if (mismatch.first != a.end() && mismatch.second != b.end()) {
        return folded(static_cast<unsigned char>(*mismatch.first)) <
               folded(static_cast<unsigned char>(*mismatch.second));
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

bool SortedPathList::Add(std::string path) {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), path, Before);
    if (at != entries_.end() && *at == path) return false;
    entries_.insert(at, std::move(path));
    return true;
}

bool SortedPathList::Contains(std::string_view path) const {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), path, Before);
    return at != entries_.end() && *at == path;
}

bool SortedPathList::Remove(std::string_view path) {
    const auto at = std::lower_bound(entries_.begin(), entries_.end(), path, Before);
    if (at == entries_.end() || *at != path) return false;
    entries_.erase(at);
    return true;
}

}  // namespace papyrion
