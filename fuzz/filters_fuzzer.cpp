// Feeds arbitrary bytes through the stream filters and the password check.
// The first bytes choose the filter chain and its parameters.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "crypto/security_handler.h"
#include "filters/decode.h"

// The replay test gives the entry function its own name, so that several
// fuzz targets can share one test executable.
#ifndef PAPYRION_FUZZ_ENTRY
#define PAPYRION_FUZZ_ENTRY LLVMFuzzerTestOneInput
#endif

namespace {

// Small enough that the sanitizers' overhead stays far below the fuzzer's
// memory limit, large enough to reach the limit path.
constexpr std::size_t kFuzzDecodeLimit = std::size_t{16} << 20;

const char* const kFilterNames[] = {"FlateDecode", "LZWDecode", "ASCII85Decode", "ASCIIHexDecode",
                                    "DCTDecode"};

}  // namespace

extern "C" int PAPYRION_FUZZ_ENTRY(const std::uint8_t* data, std::size_t size) {
    using namespace papyrion::pdf;
    if (size < 6) return 0;
    std::vector<FilterStep> chain;
    const int count = 1 + data[0] % 3;
    for (int i = 0; i < count; ++i) {
        FilterStep step;
        step.name = kFilterNames[(data[1] >> (2 * i)) % 5];
        static const int predictors[] = {1, 2, 10, 11, 12, 13, 14, 15};
        step.params.predictor = predictors[data[2] % 8];
        step.params.colors = 1 + data[3] % 4;
        static const int bits[] = {1, 2, 4, 8, 16, 8, 8, 3};
        step.params.bitsPerComponent = bits[data[3] >> 5];
        step.params.columns = 1 + data[4];
        step.params.earlyChange = data[5] & 1;
        chain.push_back(step);
    }
    const std::string_view payload(reinterpret_cast<const char*>(data) + 6, size - 6);
    const ChainResult result = DecodeFilters(payload, chain, kFuzzDecodeLimit);
    if (result.data.size() > kFuzzDecodeLimit) __builtin_trap();

    // Arbitrary encryption values must be refused or opened, nothing else.
    EncryptionParams params;
    params.v = 1 + data[0] % 5;
    params.r = 2 + data[1] % 5;
    params.lengthBits = 40 + 8 * (data[2] % 12);
    params.streamMethod = static_cast<CryptMethod>(data[3] % 4);
    params.stringMethod = static_cast<CryptMethod>(data[4] % 4);
    const std::string_view rest = payload.substr(0, 48 * 2 + 64);
    params.o = std::string(rest.substr(0, 48));
    params.u = std::string(rest.substr(rest.size() / 2));
    params.oe = params.ue = std::string(rest.substr(0, 32));
    if (const auto handler = StandardSecurityHandler::Open(params, "")) {
        (void)handler->DecryptStream(payload, 1, 0);
        (void)handler->EncryptString(payload.substr(0, 100), 1, 0);
    }
    return 0;
}
