#pragma once
// From a locale name such as "nl_NL.UTF-8" to the country code the program
// keys its languages by (the international calling code, three digits).

#include <string>
#include <string_view>

namespace papyrion {

// The territory part of a POSIX locale name ("nl_NL.UTF-8@euro" -> "NL"),
// upper-cased; "" when the name has none ("C", "POSIX", "nl").
std::string LocaleTerritory(std::string_view locale);

// The calling code of an ISO 3166 territory ("NL" -> "31"), "" when unknown.
std::string_view CallingCodeOfTerritory(std::string_view territory);

// Left-fills a code with "0" to three characters; longer codes stay as they are.
std::string PadCountryCode(std::string code);

// The locale that decides messages: the first set and non-empty one of
// LC_ALL, LC_MESSAGES and LANG; "" when none is set.
std::string MessagesLocaleName();

// The three-digit code for a locale name, "" when it has no known territory.
std::string CountryCodeOfLocale(std::string_view locale);

}  // namespace papyrion
