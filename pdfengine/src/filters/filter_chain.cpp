#include <utility>

#include "filters/decode.h"

namespace papyrion::pdf {
namespace {

enum class Filter { kFlate, kLzw, kAscii85, kAsciiHex, kUnknown };

Filter Classify(std::string_view name) {
    if (name == "FlateDecode" || name == "Fl") return Filter::kFlate;
    if (name == "LZWDecode" || name == "LZW") return Filter::kLzw;
    if (name == "ASCII85Decode" || name == "A85") return Filter::kAscii85;
    if (name == "ASCIIHexDecode" || name == "AHx") return Filter::kAsciiHex;
    return Filter::kUnknown;
}

DecodeResult RunFilter(Filter filter, std::string_view data, const DecodeParams& params,
                       std::size_t limit) {
    switch (filter) {
        case Filter::kFlate:
        case Filter::kLzw: {
            DecodeResult decoded = filter == Filter::kFlate
                                       ? FlateDecode(data, limit)
                                       : LZWDecode(data, params.earlyChange, limit);
            if (decoded.status == DecodeStatus::kLimitExceeded || params.predictor <= 1) {
                return decoded;
            }
            DecodeResult unpredicted = UndoPredictor(decoded.data, params);
            if (unpredicted.status == DecodeStatus::kBadParameters) return unpredicted;
            if (decoded.status != DecodeStatus::kOk) {
                unpredicted.status = decoded.status;
                unpredicted.message = std::move(decoded.message);
            }
            return unpredicted;
        }
        case Filter::kAscii85:
            return ASCII85Decode(data, limit);
        case Filter::kAsciiHex:
            return ASCIIHexDecode(data, limit);
        case Filter::kUnknown:
            break;
    }
    return {};
}

}  // namespace

bool IsSupportedFilter(std::string_view name) { return Classify(name) != Filter::kUnknown; }

ChainResult DecodeFilters(std::string_view data, const std::vector<FilterStep>& filters,
                          std::size_t limit) {
    ChainResult result;
    result.data.assign(data);
    for (const FilterStep& step : filters) {
        const Filter filter = Classify(step.name);
        if (filter == Filter::kUnknown) {
            result.status = DecodeStatus::kUnsupportedFilter;
            result.message = "filter " + step.name + " is not decoded";
            return result;
        }
        DecodeResult stage = RunFilter(filter, result.data, step.params, limit);
        if (stage.status == DecodeStatus::kBadParameters) {
            // Left encoded, like a filter we do not know.
            result.status = stage.status;
            result.message = step.name + ": " + stage.message;
            return result;
        }
        result.data = std::move(stage.data);
        if (stage.status != DecodeStatus::kOk) {
            result.status = stage.status;
            result.message = step.name + ": " + stage.message;
        }
        if (stage.status == DecodeStatus::kLimitExceeded) return result;
        ++result.filtersApplied;
    }
    return result;
}

}  // namespace papyrion::pdf
