#include "translation_text.h"

#include <algorithm>

namespace papyrion::translation_text {

namespace {

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0U) == 0x80U; }

// Byte offset of the character with index `index`, or text.size().
std::size_t Utf8Offset(std::string_view text, std::size_t index) {
    std::size_t offset = 0;
    for (std::size_t n = 0; n < index && offset < text.size(); ++n) {
        // A lead byte takes up to three continuation bytes along; any other
        // byte, also a stray continuation byte, is a character of its own.
        const bool lead = static_cast<unsigned char>(text[offset]) >= 0xC0U;
        ++offset;
        for (int k = 0; lead && k < 3 && offset < text.size() && IsContinuationByte(text[offset]);
             ++k) {
            ++offset;
        }
    }
    return offset;
}

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string_view Utf8Substring(std::string_view text, std::size_t first, std::size_t count) {
    const std::size_t begin = Utf8Offset(text, first);
    const std::string_view rest = text.substr(begin);
    return rest.substr(0, Utf8Offset(rest, count));
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldCase(x) == FoldCase(y);
           });
}

bool LessIgnoreCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(FoldCase(x)) < static_cast<unsigned char>(FoldCase(y));
    });
}

std::string_view WithoutByteOrderMark(std::string_view text) {
    constexpr std::string_view kBom = "\xEF\xBB\xBF";
    if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
    return text;
}

}  // namespace papyrion::translation_text
