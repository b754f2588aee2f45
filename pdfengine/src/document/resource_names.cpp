#include "document/resource_names.h"

#include <chrono>

#include "crypto/primitives.h"

namespace papyrion::pdf {

std::string MakeResourceName(std::string_view prefix) {
    static constexpr char kDigits[] = "0123456789abcdef";
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    std::string seed = crypto::RandomBytes(16);
    seed += std::to_string(std::chrono::duration_cast<std::chrono::microseconds>(now).count());
    const std::string digest = crypto::Md5(seed);
    std::string name(prefix);
    for (std::size_t i = 0; i < 4; ++i) {
        const auto byte = static_cast<unsigned char>(digest[i]);
        name += kDigits[byte >> 4];
        name += kDigits[byte & 0x0F];
    }
    return name;
}

}  // namespace papyrion::pdf
