#include "reader/stream_decoding.h"

#include <algorithm>

#include "object/pdf_keys.h"

namespace papyrion::pdf {

namespace {

// Deflate cannot expand data more than 1032 times and LZW about 1400 times,
// so a stage that outgrows this factor is undoing a nested bomb.
constexpr std::size_t kExpansionFactor = 2048;
constexpr std::size_t kMinimumLimit = std::size_t{1} << 20;

int IntegerOr(const TPDFDictionary* parms, std::string_view key, int fallback) {
    if (parms == nullptr) return fallback;
    auto value = parms->TryInteger(key);
    if (!value || *value < -1000000 || *value > 1000000) return fallback;
    return static_cast<int>(*value);
}

DecodeParams ParamsOf(const TPDFDictionary* parms) {
    DecodeParams params;
    params.predictor = IntegerOr(parms, filter_key::kPredictor, params.predictor);
    params.colors = IntegerOr(parms, filter_key::kColors, params.colors);
    params.bitsPerComponent =
        IntegerOr(parms, filter_key::kBitsPerComponent, params.bitsPerComponent);
    params.columns = IntegerOr(parms, filter_key::kColumns, params.columns);
    params.earlyChange = IntegerOr(parms, filter_key::kEarlyChange, params.earlyChange);
    return params;
}

const TPDFDictionary* AsDictionary(TPDFObject* object) {
    object = ResolveObject(object);
    return object != nullptr ? object->As<TPDFDictionary>() : nullptr;
}

}  // namespace

std::vector<FilterStep> FilterChainOf(const TPDFDictionary& dictionary) {
    std::vector<FilterStep> steps;
    TPDFObject* filter = dictionary.Resolve(key::kFilter);
    TPDFObject* parms = dictionary.Contains(key::kDecodeParms)
                            ? dictionary.Resolve(key::kDecodeParms)
                            : dictionary.Resolve(key::kDecodeParmsShort);
    const TPDFArray* parms_array = parms != nullptr ? parms->As<TPDFArray>() : nullptr;
    const TPDFDictionary* parms_single = parms != nullptr ? parms->As<TPDFDictionary>() : nullptr;
    auto add = [&](const TPDFObject* item, std::size_t index) {
        const auto* name = item != nullptr ? item->As<TPDFName>() : nullptr;
        if (name == nullptr) return;
        const TPDFDictionary* step_parms = nullptr;
        if (parms_array != nullptr) {
            step_parms = AsDictionary(parms_array->At(index));
        } else if (index == 0) {
            step_parms = parms_single;
        }
        steps.push_back(FilterStep{name->Bytes(), ParamsOf(step_parms)});
    };
    if (filter == nullptr) return steps;
    if (const auto* array = filter->As<TPDFArray>()) {
        for (std::size_t i = 0; i < array->Size(); ++i) add(array->Resolve(i), i);
    } else {
        add(filter, 0);
    }
    return steps;
}

std::size_t DecodeLimitFor(std::size_t encoded_size) {
    std::size_t scaled = encoded_size > kDefaultDecodeLimit / kExpansionFactor
                             ? kDefaultDecodeLimit
                             : encoded_size * kExpansionFactor;
    return std::clamp(scaled, kMinimumLimit, kDefaultDecodeLimit);
}

ChainResult DecodeStreamData(std::string_view data, const TPDFDictionary& dictionary) {
    return DecodeFilters(data, FilterChainOf(dictionary), DecodeLimitFor(data.size()));
}

}  // namespace papyrion::pdf
