#include <cstdint>
#include <utility>

#include "filters/decode.h"

namespace papyrion::pdf {
namespace {

bool IsPdfWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\0';
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Appends bytes while honouring the limit; false once the limit is reached.
bool Append(DecodeResult& result, const char* bytes, std::size_t count, std::size_t limit) {
    if (result.data.size() + count > limit) {
        result.data.append(bytes, limit - result.data.size());
        result.status = DecodeStatus::kLimitExceeded;
        result.message = "decoded data exceeds the limit of " + std::to_string(limit) + " bytes";
        return false;
    }
    result.data.append(bytes, count);
    return true;
}

void Fail(DecodeResult& result, std::string message) {
    result.status = DecodeStatus::kDataError;
    result.message = std::move(message);
}

}  // namespace

DecodeResult ASCII85Decode(std::string_view data, std::size_t limit) {
    DecodeResult result;
    std::size_t pos = 0;
    while (pos < data.size() && IsPdfWhitespace(data[pos])) ++pos;
    // Tolerate the PostScript-style opening bracket.
    if (data.substr(pos, 2) == "<~") pos += 2;

    std::uint64_t group = 0;
    int count = 0;
    for (; pos < data.size(); ++pos) {
        const char c = data[pos];
        if (IsPdfWhitespace(c)) continue;
        if (c == '~') break;
        if (c == 'z' && count == 0) {
            if (!Append(result, "\0\0\0\0", 4, limit)) return result;
            continue;
        }
        if (c < '!' || c > 'u') {
            Fail(result, "invalid character in ASCII85 data at offset " + std::to_string(pos));
            return result;
        }
        group = group * 85 + static_cast<std::uint64_t>(c - '!');
        if (++count == 5) {
            if (group > 0xFFFFFFFFu) {
                Fail(result, "ASCII85 group out of range at offset " + std::to_string(pos));
                return result;
            }
            const char bytes[4] = {static_cast<char>(group >> 24), static_cast<char>(group >> 16),
                                   static_cast<char>(group >> 8), static_cast<char>(group)};
            if (!Append(result, bytes, 4, limit)) return result;
            group = 0;
            count = 0;
        }
    }
    if (count == 1) {
        Fail(result, "ASCII85 data ends with a single character");
    } else if (count > 1) {
        // A final partial group of n characters stands for n-1 bytes; the
        // missing characters count as the highest digit.
        for (int i = count; i < 5; ++i) group = group * 85 + 84;
        if (group > 0xFFFFFFFFu) {
            Fail(result, "ASCII85 final group out of range");
            return result;
        }
        const char bytes[4] = {static_cast<char>(group >> 24), static_cast<char>(group >> 16),
                               static_cast<char>(group >> 8), static_cast<char>(group)};
        Append(result, bytes, static_cast<std::size_t>(count - 1), limit);
    }
    return result;
}

DecodeResult ASCIIHexDecode(std::string_view data, std::size_t limit) {
    DecodeResult result;
    int high = -1;
    for (std::size_t pos = 0; pos < data.size(); ++pos) {
        const char c = data[pos];
        if (IsPdfWhitespace(c)) continue;
        if (c == '>') break;
        const int value = HexValue(c);
        if (value < 0) {
            Fail(result, "invalid character in hexadecimal data at offset " + std::to_string(pos));
            return result;
        }
        if (high < 0) {
            high = value;
            continue;
        }
        const char byte = static_cast<char>(high << 4 | value);
        if (!Append(result, &byte, 1, limit)) return result;
        high = -1;
    }
    if (high >= 0) {
        const char byte = static_cast<char>(high << 4);
        Append(result, &byte, 1, limit);
    }
    return result;
}

}  // namespace papyrion::pdf
