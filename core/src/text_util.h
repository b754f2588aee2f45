#pragma once
// Small text helpers shared by the core sources.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace papyrion {

// Without leading and trailing blanks (space, tab, CR, LF).
std::string_view Trim(std::string_view text);

// ASCII case-insensitive equality; names in the settings file and the
// environment names are ASCII.
bool EqualsNoCase(std::string_view a, std::string_view b);

std::string UpperCaseAscii(std::string_view text);

// A whole decimal number, optionally signed and surrounded by blanks, that fits
// in int64; nullopt otherwise (also for "").
std::optional<std::int64_t> ParseStrictInteger(std::string_view text);

// The value of the text's leading integer part ("12abc" -> 12), 0 when there
// is none; out-of-range values are clamped.
std::int64_t ParseLeadingInteger(std::string_view text);

}  // namespace papyrion
