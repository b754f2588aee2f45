#pragma once
// Stream decoding: the filters named by a stream dictionary undone in order,
// each with its own "DecodeParms" (or "DP") entry.

#include <cstddef>
#include <string_view>
#include <vector>

#include "filters/decode.h"
#include "object/pdf_objects.h"

namespace papyrion::pdf {

// The "Filter" chain of a stream dictionary with the parameters of each step.
std::vector<FilterStep> FilterChainOf(const TPDFDictionary& dictionary);

// The output cap for decoding `encoded_size` bytes. No filter we decode
// expands genuine data by more than a few thousand times, so anything beyond
// that is a decompression bomb; the cap keeps memory in proportion to the file.
std::size_t DecodeLimitFor(std::size_t encoded_size);

// Undoes the filters; unsupported filters leave the data encoded from there on.
ChainResult DecodeStreamData(std::string_view data, const TPDFDictionary& dictionary);

}  // namespace papyrion::pdf
