#include "crypto/password_forms.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace papyrion::pdf::crypto {
namespace {

constexpr std::size_t kMaxUnicodePasswordBytes = 127;

// Code points of the text, or nullopt when it is not valid UTF-8.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        int extra = 0;
        char32_t cp = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            extra = 1;
            cp = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            extra = 2;
            cp = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            extra = 3;
            cp = lead & 0x07;
        } else {
            return std::nullopt;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) return std::nullopt;
            cp = cp << 6 | (next & 0x3F);
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | cp >> 6);
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | cp >> 12);
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | cp >> 18);
        out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// The PDFDocEncoding bytes 0x80..0xA0 that differ from Latin-1
// (ISO 32000-1 Annex D, Table D.2).
constexpr std::pair<char32_t, std::uint8_t> kPdfDocSpecials[] = {
    {0x2022, 0x80}, {0x2020, 0x81}, {0x2021, 0x82}, {0x2026, 0x83}, {0x2014, 0x84}, {0x2013, 0x85},
    {0x0192, 0x86}, {0x2044, 0x87}, {0x2039, 0x88}, {0x203A, 0x89}, {0x2212, 0x8A}, {0x2030, 0x8B},
    {0x201E, 0x8C}, {0x201C, 0x8D}, {0x201D, 0x8E}, {0x2018, 0x8F}, {0x2019, 0x90}, {0x201A, 0x91},
    {0x2122, 0x92}, {0xFB01, 0x93}, {0xFB02, 0x94}, {0x0141, 0x95}, {0x0152, 0x96}, {0x0160, 0x97},
    {0x0178, 0x98}, {0x017D, 0x99}, {0x0131, 0x9A}, {0x0142, 0x9B}, {0x0153, 0x9C}, {0x0161, 0x9D},
    {0x017E, 0x9E}, {0x20AC, 0xA0},
};

std::optional<std::uint8_t> PdfDocByte(char32_t cp) {
    for (const auto& [code, byte] : kPdfDocSpecials) {
        if (code == cp) return byte;
    }
    if (cp < 0x80 || (cp > 0xA0 && cp <= 0xFF)) return static_cast<std::uint8_t>(cp);
    return std::nullopt;
}

// RFC 3454 table B.1: characters that SASLprep removes.
bool MapsToNothing(char32_t cp) {
    return cp == 0x00AD || cp == 0x034F || cp == 0x1806 || (cp >= 0x180B && cp <= 0x180D) ||
           (cp >= 0x200B && cp <= 0x200D) || cp == 0x2060 || (cp >= 0xFE00 && cp <= 0xFE0F) ||
           cp == 0xFEFF;
}

// RFC 3454 table C.1.2: non-ASCII spaces, which SASLprep maps to U+0020.
bool IsNonAsciiSpace(char32_t cp) {
    return cp == 0x00A0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200B) || cp == 0x202F ||
           cp == 0x205F || cp == 0x3000;
}

// NFKC of the Latin-1 compatibility characters that a keyboard can produce.
std::u32string Compatibility(char32_t cp) {
    switch (cp) {
        case 0x00AA:
            return U"a";
        case 0x00BA:
            return U"o";
        case 0x00B2:
            return U"2";
        case 0x00B3:
            return U"3";
        case 0x00B9:
            return U"1";
        case 0x00B5:
            return U"\u03BC";
        case 0x00BC:
            return U"1\u20444";
        case 0x00BD:
            return U"1\u20442";
        case 0x00BE:
            return U"3\u20444";
        default:
            return std::u32string(1, cp);
    }
}

std::string Truncate(std::string text) {
    if (text.size() <= kMaxUnicodePasswordBytes) return text;
    std::size_t cut = kMaxUnicodePasswordBytes;
    // Do not split a character.
    while (cut > 0 && (static_cast<std::uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
    text.resize(cut);
    return text;
}

}  // namespace

std::vector<std::string> LegacyPasswordForms(std::string_view utf8) {
    std::vector<std::string> forms{std::string(utf8)};
    const auto codePoints = DecodeUtf8(utf8);
    if (!codePoints) return forms;
    std::string encoded;
    for (char32_t cp : *codePoints) {
        const auto byte = PdfDocByte(cp);
        if (!byte) return forms;
        encoded += static_cast<char>(*byte);
    }
    if (encoded != forms.front()) forms.push_back(std::move(encoded));
    return forms;
}

std::vector<std::string> UnicodePasswordForms(std::string_view utf8) {
    std::vector<std::string> forms;
    const auto codePoints = DecodeUtf8(utf8);
    if (codePoints) {
        std::string prepared;
        for (char32_t cp : *codePoints) {
            if (MapsToNothing(cp)) continue;
            if (IsNonAsciiSpace(cp)) cp = U' ';
            for (char32_t mapped : Compatibility(cp)) AppendUtf8(prepared, mapped);
        }
        forms.push_back(Truncate(std::move(prepared)));
    }
    std::string typed = Truncate(std::string(utf8));
    if (forms.empty() || forms.front() != typed) forms.push_back(std::move(typed));
    return forms;
}

}  // namespace papyrion::pdf::crypto
