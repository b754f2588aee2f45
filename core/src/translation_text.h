#pragma once
// Text helpers of the translation table: UTF-8 character positions and
// letter-case-blind comparison of keywords (ASCII letters only; keywords are
// plain ASCII).

#include <cstddef>
#include <string_view>

namespace papyrion::translation_text {

// Up to `count` characters (code points) from character index `first`
// (0-based); positions beyond the end give a shorter or empty result.
std::string_view Utf8Substring(std::string_view text, std::size_t first, std::size_t count);

bool EqualsIgnoreCase(std::string_view a, std::string_view b);
bool LessIgnoreCase(std::string_view a, std::string_view b);

std::string_view WithoutByteOrderMark(std::string_view text);

}  // namespace papyrion::translation_text
