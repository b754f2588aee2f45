#pragma once
// Locating and reading the cross-reference data of a file: the startxref
// position, classic tables, cross-reference streams, hybrid files and the
// "Prev" chain, merged newest first.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "object/pdf_objects.h"
#include "object/pdf_structure.h"

namespace papyrion::pdf {

// Object numbers beyond this are treated as damage: the table written for
// them would be out of all proportion to the file.
inline constexpr std::int64_t kMaxObjectNumber = 8388607;

struct XrefEntry {
    int number = 0;
    // 'n': byte offset and generation; 'c': object stream number and index.
    std::int64_t field2 = 0;
    std::int64_t field3 = 0;
    char kind = 'n';
};

struct CrossReferenceData {
    // In-use entries, the first one seen for a number only (newest section first).
    std::vector<XrefEntry> entries;
    std::vector<std::int64_t> section_offsets;
    TPDFDictionary* trailer = nullptr;
    int highest_number = 0;
    // A table entry could not be read (it was skipped, its number lost).
    bool damaged = false;
    // More positions that end an object's text (found by a scan).
    std::vector<std::int64_t> boundaries;
};

// The position written after the last "startxref", 0 when there is none.
std::int64_t FindStartXref(std::string_view bytes);

// Reads every section reachable from `start`. nullopt when a section of the
// main chain cannot be read or no trailer was found. Dictionaries are made
// in `structure`.
std::optional<CrossReferenceData> ReadCrossReferences(std::string_view bytes, std::int64_t start,
                                                      TPDFStructure& structure,
                                                      std::vector<std::string>& warnings);

}  // namespace papyrion::pdf
