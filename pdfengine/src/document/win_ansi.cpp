#include "document/win_ansi.h"

#include <array>
#include <utility>

#include "object/text_string.h"

namespace papyrion::pdf {

namespace {

// Bytes 128..159, where WinAnsiEncoding departs from Latin-1.
constexpr std::array<std::pair<char32_t, unsigned char>, 27> kHighCodes{{
    {U'\u20AC', 0x80}, {U'\u201A', 0x82}, {U'\u0192', 0x83}, {U'\u201E', 0x84}, {U'\u2026', 0x85},
    {U'\u2020', 0x86}, {U'\u2021', 0x87}, {U'\u02C6', 0x88}, {U'\u2030', 0x89}, {U'\u0160', 0x8A},
    {U'\u2039', 0x8B}, {U'\u0152', 0x8C}, {U'\u017D', 0x8E}, {U'\u2018', 0x91}, {U'\u2019', 0x92},
    {U'\u201C', 0x93}, {U'\u201D', 0x94}, {U'\u2022', 0x95}, {U'\u2013', 0x96}, {U'\u2014', 0x97},
    {U'\u02DC', 0x98}, {U'\u2122', 0x99}, {U'\u0161', 0x9A}, {U'\u203A', 0x9B}, {U'\u0153', 0x9C},
    {U'\u017E', 0x9E}, {U'\u0178', 0x9F},
}};

}  // namespace

std::string Utf8ToWinAnsi(std::string_view utf8) {
    std::string out;
    for (char32_t c : Utf8ToUtf32(utf8)) {
        if ((c >= 0x20 && c <= 0x7E) || (c >= 0xA0 && c <= 0xFF) || c == '\t') {
            out += static_cast<char>(c);
            continue;
        }
        char byte = '?';
        for (const auto& [code, value] : kHighCodes) {
            if (code == c) byte = static_cast<char>(value);
        }
        out += byte;
    }
    return out;
}

}  // namespace papyrion::pdf
