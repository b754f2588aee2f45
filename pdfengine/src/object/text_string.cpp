#include "object/text_string.h"

#include <array>

namespace papyrion::pdf {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kUndefined = 0;

// PDFDocEncoding (ISO 32000-1 table D.2): the characters of bytes 0x18 to
// 0x1F and 0x80 to 0xA0; every other defined byte is its own code point.
constexpr std::array<char32_t, 8> kLow = {0x02D8, 0x02C7, 0x02C6, 0x02D9,
                                          0x02DD, 0x02DB, 0x02DA, 0x02DC};
constexpr std::array<char32_t, 33> kHigh = {
    0x2022, 0x2020, 0x2021, 0x2026, 0x2014, 0x2013, 0x0192, 0x2044, 0x2039, 0x203A,     0x2212,
    0x2030, 0x201E, 0x201C, 0x201D, 0x2018, 0x2019, 0x201A, 0x2122, 0xFB01, 0xFB02,     0x0141,
    0x0152, 0x0160, 0x0178, 0x017D, 0x0131, 0x0142, 0x0153, 0x0161, 0x017E, kUndefined, 0x20AC};

// The character of a PDFDocEncoding byte, kUndefined for the bytes the
// encoding leaves out.
char32_t DocEncodingCharacter(unsigned char byte) {
    if (byte == 0x09 || byte == 0x0A || byte == 0x0D) return byte;
    if (byte < 0x18) return kUndefined;
    if (byte < 0x20) return kLow[byte - 0x18];
    if (byte < 0x7F) return byte;
    if (byte == 0x7F) return kUndefined;
    if (byte <= 0xA0) return kHigh[byte - 0x80];
    if (byte == 0xAD) return kUndefined;
    return byte;
}

bool DocEncodingByte(char32_t character, unsigned char& byte) {
    for (unsigned value = 0; value < 256; ++value) {
        char32_t mapped = DocEncodingCharacter(static_cast<unsigned char>(value));
        if (mapped != kUndefined && mapped == character) {
            byte = static_cast<unsigned char>(value);
            return true;
        }
    }
    return false;
}

void AppendUtf16(std::string& out, char16_t unit) {
    out += static_cast<char>(unit >> 8);
    out += static_cast<char>(unit & 0xFF);
}

}  // namespace

std::string EncodeTextString(std::u32string_view text) {
    std::string bytes;
    bool representable = true;
    for (char32_t c : text) {
        unsigned char byte = 0;
        if (!DocEncodingByte(c, byte)) {
            representable = false;
            break;
        }
        bytes += static_cast<char>(byte);
    }
    if (representable) return bytes;
    std::string out = "\xFE\xFF";
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c >= 0x10000) {
            char32_t v = c - 0x10000;
            AppendUtf16(out, static_cast<char16_t>(0xD800 + (v >> 10)));
            AppendUtf16(out, static_cast<char16_t>(0xDC00 + (v & 0x3FF)));
        } else {
            AppendUtf16(out, static_cast<char16_t>(c));
        }
    }
    return out;
}

std::u32string DecodeTextString(std::string_view bytes) {
    std::u32string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) {
            char32_t unit = (static_cast<unsigned char>(bytes[i]) << 8) |
                            static_cast<unsigned char>(bytes[i + 1]);
            if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
                char32_t low = (static_cast<unsigned char>(bytes[i + 2]) << 8) |
                               static_cast<unsigned char>(bytes[i + 3]);
                if (low >= 0xDC00 && low <= 0xDFFF) {
                    text += 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                    i += 2;
                    continue;
                }
            }
            text += (unit >= 0xD800 && unit <= 0xDFFF) ? kReplacement : unit;
        }
        return text;
    }
    if (bytes.starts_with("\xEF\xBB\xBF")) return Utf8ToUtf32(bytes.substr(3));
    for (char c : bytes) {
        char32_t mapped = DocEncodingCharacter(static_cast<unsigned char>(c));
        // Bytes the encoding leaves out are kept as their own code point.
        text +=
            mapped != kUndefined ? mapped : static_cast<char32_t>(static_cast<unsigned char>(c));
    }
    return text;
}

std::u32string Utf8ToUtf32(std::string_view utf8) {
    static constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::u32string out;
    for (std::size_t i = 0; i < utf8.size();) {
        auto lead = static_cast<unsigned char>(utf8[i]);
        std::size_t extra = 0;
        char32_t c = lead;
        if (lead >= 0x80) {
            if ((lead & 0xE0) == 0xC0) {
                extra = 1;
                c = lead & 0x1F;
            } else if ((lead & 0xF0) == 0xE0) {
                extra = 2;
                c = lead & 0x0F;
            } else if ((lead & 0xF8) == 0xF0) {
                extra = 3;
                c = lead & 0x07;
            } else {
                out += kReplacement;
                ++i;
                continue;
            }
        }
        bool valid = i + extra < utf8.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            auto next = static_cast<unsigned char>(utf8[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        // Overlong forms and surrogates are not characters.
        if (!valid || c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        out += c;
        i += extra + 1;
    }
    return out;
}

std::string Utf32ToUtf8(std::u32string_view text) {
    std::string out;
    for (char32_t c : text) {
        if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = kReplacement;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string EncodeTextStringFromUtf8(std::string_view utf8) {
    return EncodeTextString(Utf8ToUtf32(utf8));
}

std::string DecodeTextStringToUtf8(std::string_view bytes) {
    return Utf32ToUtf8(DecodeTextString(bytes));
}

}  // namespace papyrion::pdf
