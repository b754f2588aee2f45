#pragma once
// A sorted list of full paths without duplicates, for the run-wide lists
// (temporary files, the mail collection, the command-line files).
//
// Paths are compared with their case: on Linux "A.pdf" and "a.pdf" are two
// files, and folding case would silently drop one of them (a temporary file
// never deleted, an output missing from the collected e-mail). The order
// ignores case first so the list reads naturally, then breaks ties by case.

#include <string>
#include <string_view>
#include <vector>

namespace papyrion {

class SortedPathList {
  public:
    // Adds the path at its place; false (and no change) when it is already there.
    bool Add(std::string path);
    bool Contains(std::string_view path) const;
    bool Remove(std::string_view path);
    void Clear() { entries_.clear(); }
    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }

  private:
    std::vector<std::string> entries_;
};

}  // namespace papyrion
