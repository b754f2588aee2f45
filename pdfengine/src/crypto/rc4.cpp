#include <array>
#include <cstdint>
#include <utility>

#include "crypto/primitives.h"

namespace papyrion::pdf::crypto {

std::string Rc4(std::string_view key, std::string_view data) {
    std::string out(data);
    if (key.empty()) return out;
    std::array<std::uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    std::uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = static_cast<std::uint8_t>(j + s[i] + static_cast<std::uint8_t>(key[i % key.size()]));
        std::swap(s[i], s[j]);
    }
    std::uint8_t a = 0;
    std::uint8_t b = 0;
    for (char& c : out) {
        a = static_cast<std::uint8_t>(a + 1);
        b = static_cast<std::uint8_t>(b + s[a]);
        std::swap(s[a], s[b]);
        c = static_cast<char>(static_cast<std::uint8_t>(c) ^
                              s[static_cast<std::uint8_t>(s[a] + s[b])]);
    }
    return out;
}

}  // namespace papyrion::pdf::crypto
