#pragma once
// Rebuilding the cross-reference data of a damaged file from the file
// itself: every "N G obj" at a line start, and every "trailer". The scan is
// one linear pass; nothing found in it is parsed here.

#include <cstdint>
#include <string_view>
#include <vector>

#include "reader/xref_reader.h"

namespace papyrion::pdf {

struct ScannedObjects {
    // The last definition of each number ('n' entries), sorted by number.
    std::vector<XrefEntry> entries;
    // Every header found (overridden definitions too) and every "trailer"
    // and "xref" keyword: where the text of the object before them ends.
    std::vector<std::int64_t> boundaries;
    // Positions just after each "trailer" keyword, in file order.
    std::vector<std::size_t> trailers;
};

ScannedObjects ScanForObjects(std::string_view bytes);

// True when the text at `offset` (after blanks and line ends) is the header
// "number generation obj".
bool HeaderAt(std::string_view bytes, std::int64_t offset, int number, int generation);

// The entry of `number` in entries sorted by number, nullptr when absent.
const XrefEntry* FindEntry(const std::vector<XrefEntry>& sorted, int number);

}  // namespace papyrion::pdf
