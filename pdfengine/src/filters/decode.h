#pragma once
// Stream filters of the reader and writer: pure functions from bytes to a
// result. None of them throws; damage is reported in DecodeResult::status and
// whatever could be decoded before it is kept.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace papyrion::pdf {

// Upper bound on the bytes one decoder may produce. A few kilobytes of
// deflate data can expand to gigabytes; no genuine page content, font or
// object stream comes near this size.
inline constexpr std::size_t kDefaultDecodeLimit = std::size_t{256} * 1024 * 1024;

enum class DecodeStatus {
    kOk,
    // The input is corrupt or ends early; `data` holds what decoded before.
    kDataError,
    // The output reached the limit; `data` holds at most `limit` bytes, the
    // ones decoded before.
    kLimitExceeded,
    // Parameters the decoder cannot honour (e.g. 3 bits per component);
    // `data` holds the input unchanged.
    kBadParameters,
    // A filter of the chain is not one we decode; `data` is still encoded
    // with that filter and the ones after it.
    kUnsupportedFilter,
};

struct DecodeResult {
    std::string data;
    DecodeStatus status = DecodeStatus::kOk;
    // Short English explanation when status is not kOk (for warnings).
    std::string message;

    bool ok() const { return status == DecodeStatus::kOk; }
};

// The "DecodeParms" entries that the decoders understand; the defaults are
// those of a missing entry.
struct DecodeParams {
    int predictor = 1;
    int colors = 1;
    int bitsPerComponent = 8;
    int columns = 1;
    int earlyChange = 1;  // LZWDecode only
};

// zlib inflate. A truncated or damaged stream keeps the bytes inflated before
// the damage (kDataError). Raw deflate data without the zlib header is
// accepted too.
DecodeResult FlateDecode(std::string_view data, std::size_t limit = kDefaultDecodeLimit);

// zlib deflate at the default level. Never fails for in-memory data.
std::string FlateEncode(std::string_view data);

// ASCII base-85; whitespace is ignored, "z" stands for four zero bytes,
// "~>" ends the data (a missing end marker is accepted).
DecodeResult ASCII85Decode(std::string_view data, std::size_t limit = kDefaultDecodeLimit);

// ASCII hexadecimal; whitespace is ignored, ">" ends the data, an odd final
// digit is followed by an implied 0.
DecodeResult ASCIIHexDecode(std::string_view data, std::size_t limit = kDefaultDecodeLimit);

// LZW with 9-bit initial codes; earlyChange 1 (the default) switches code
// width one code early, 0 exactly at the boundary.
DecodeResult LZWDecode(std::string_view data, int earlyChange = 1,
                       std::size_t limit = kDefaultDecodeLimit);

// Undoes a TIFF (2) or PNG (10..15, type given per row) predictor. Predictor
// 1 or less returns the data unchanged. The output never exceeds the input.
DecodeResult UndoPredictor(std::string_view data, const DecodeParams& params);

// One filter of a "Filter" chain with its "DecodeParms" dictionary.
struct FilterStep {
    std::string name;  // "FlateDecode", "Fl", "ASCII85Decode", "A85", "LZWDecode", "LZW", ...
    DecodeParams params;
};

// True for the filter names that DecodeFilters undoes.
bool IsSupportedFilter(std::string_view name);

// Undoes `filters` in order. Stops at the first filter it does not know or
// whose parameters it cannot honour (kUnsupportedFilter or kBadParameters;
// `data` is then encoded from that filter on, `filtersApplied` tells how
// many were undone) and at the output limit. Damaged data (kDataError) does
// not stop the chain: the partial output goes through the remaining filters
// and the status stays kDataError. `limit` bounds every stage.
struct ChainResult : DecodeResult {
    std::size_t filtersApplied = 0;
};
ChainResult DecodeFilters(std::string_view data, const std::vector<FilterStep>& filters,
                          std::size_t limit = kDefaultDecodeLimit);

}  // namespace papyrion::pdf
