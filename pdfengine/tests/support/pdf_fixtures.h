#pragma once
// Small PDF files built by the tests, with offsets and table entries filled
// in, so each fixture shows one fault and nothing else.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "testsupport/files.h"

namespace papyrion::pdf::testing {

struct FixtureObject {
    int number;
    std::string body;  // the text between "N 0 obj\n" and "\nendobj"
};

struct ClassicOptions {
    std::string header = "%PDF-1.4\n";
    // Added after each entry's 18 bytes: " \n" gives 20-byte entries, "\n" 19, " \r\n" 21.
    std::string entry_end = " \n";
    // Numbers the first subsection from this object (1 shows the off-by-one fault).
    int first_number = 0;
    // Extra trailer entries, e.g. "/Prev 123".
    std::string trailer_extra;
    // Written before the header.
    std::string junk;
};

// Objects numbered 1..n in order, one subsection from 0, trailer with /Size
// and /Root 1 0 R unless the extra entries say otherwise.
std::string BuildClassicPdf(const std::vector<FixtureObject>& objects,
                            const ClassicOptions& options = {});

// Appends an incremental update with `objects` to `base`; its table lists
// only those objects and "Prev" points at the base's table.
std::string AppendIncrementalUpdate(const std::string& base,
                                    const std::vector<FixtureObject>& objects, int size);

// The catalog, page tree and pages of a plain document with `pages` pages of
// 200 x 300 points, as objects 1 (catalog), 2 (pages) and 3.. (pages).
std::vector<FixtureObject> SimplePageObjects(int pages);

// Catalog 1, pages 2 and page 3 (MediaBox [0 0 0.123456 842] plus
// `page_extra`) inside object stream 4, described by the cross-reference
// stream 5 (W [1 4 2], Flate with a PNG predictor). Version 1.5.
// `objstm_in_itself` lists object 4 as held in object stream 4;
// `stray_claim` adds object 6 as held in "object stream" 2, the page tree.
std::string XrefStreamPdf(const std::string& page_extra = "", bool objstm_in_itself = false,
                          bool stray_claim = false);

// The offset of "startxref"'s number, for fixtures that edit it.
std::size_t StartXrefValue(const std::string& pdf);

// `text` with the first `from` replaced by `to`; throws when `from` is not
// there, so a fixture edit that misses fails loudly.
std::string ReplaceOnce(std::string text, const std::string& from, const std::string& to);

// The object behind a pointer the test expects to be there; a missing one
// fails the test through an exception instead of crashing it.
template <class T>
T& Deref(T* pointer) {
    if (pointer == nullptr) throw std::runtime_error("expected object is missing");
    return *pointer;
}

}  // namespace papyrion::pdf::testing
