#include "locale_country.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <utility>

namespace papyrion {
namespace {

// ISO 3166 alpha-2 territory -> international calling code. Every country of
// Europe and of North America (with Central America and the Caribbean), and the
// larger countries elsewhere. Kept sorted by territory for the binary search.
constexpr std::pair<std::string_view, std::string_view> kCallingCodes[] = {
    {"AD", "376"}, {"AE", "971"}, {"AG", "1"},   {"AI", "1"},   {"AL", "355"}, {"AM", "374"},
    {"AR", "54"},  {"AT", "43"},  {"AU", "61"},  {"AW", "297"}, {"AX", "358"}, {"AZ", "994"},
    {"BA", "387"}, {"BB", "1"},   {"BD", "880"}, {"BE", "32"},  {"BG", "359"}, {"BL", "590"},
    {"BM", "1"},   {"BO", "591"}, {"BQ", "599"}, {"BR", "55"},  {"BS", "1"},   {"BY", "375"},
    {"BZ", "501"}, {"CA", "1"},   {"CH", "41"},  {"CL", "56"},  {"CN", "86"},  {"CO", "57"},
    {"CR", "506"}, {"CU", "53"},  {"CW", "599"}, {"CY", "357"}, {"CZ", "420"}, {"DE", "49"},
    {"DK", "45"},  {"DM", "1"},   {"DO", "1"},   {"DZ", "213"}, {"EC", "593"}, {"EE", "372"},
    {"EG", "20"},  {"ES", "34"},  {"ET", "251"}, {"FI", "358"}, {"FO", "298"}, {"FR", "33"},
    {"GB", "44"},  {"GD", "1"},   {"GE", "995"}, {"GG", "44"},  {"GH", "233"}, {"GI", "350"},
    {"GL", "299"}, {"GP", "590"}, {"GR", "30"},  {"GT", "502"}, {"HK", "852"}, {"HN", "504"},
    {"HR", "385"}, {"HT", "509"}, {"HU", "36"},  {"ID", "62"},  {"IE", "353"}, {"IL", "972"},
    {"IM", "44"},  {"IN", "91"},  {"IQ", "964"}, {"IR", "98"},  {"IS", "354"}, {"IT", "39"},
    {"JE", "44"},  {"JM", "1"},   {"JO", "962"}, {"JP", "81"},  {"KE", "254"}, {"KN", "1"},
    {"KR", "82"},  {"KW", "965"}, {"KY", "1"},   {"KZ", "7"},   {"LB", "961"}, {"LC", "1"},
    {"LI", "423"}, {"LK", "94"},  {"LT", "370"}, {"LU", "352"}, {"LV", "371"}, {"MA", "212"},
    {"MC", "377"}, {"MD", "373"}, {"ME", "382"}, {"MF", "590"}, {"MK", "389"}, {"MQ", "596"},
    {"MS", "1"},   {"MT", "356"}, {"MX", "52"},  {"MY", "60"},  {"NG", "234"}, {"NI", "505"},
    {"NL", "31"},  {"NO", "47"},  {"NZ", "64"},  {"PA", "507"}, {"PE", "51"},  {"PH", "63"},
    {"PK", "92"},  {"PL", "48"},  {"PM", "508"}, {"PR", "1"},   {"PT", "351"}, {"PY", "595"},
    {"QA", "974"}, {"RO", "40"},  {"RS", "381"}, {"RU", "7"},   {"SA", "966"}, {"SE", "46"},
    {"SG", "65"},  {"SI", "386"}, {"SJ", "47"},  {"SK", "421"}, {"SM", "378"}, {"SR", "597"},
    {"SV", "503"}, {"SX", "1"},   {"TC", "1"},   {"TH", "66"},  {"TN", "216"}, {"TR", "90"},
    {"TT", "1"},   {"TW", "886"}, {"UA", "380"}, {"US", "1"},   {"UY", "598"}, {"VA", "379"},
    {"VC", "1"},   {"VE", "58"},  {"VG", "1"},   {"VI", "1"},   {"VN", "84"},  {"XK", "383"},
    {"ZA", "27"},  {"ZW", "263"},
};

static_assert(std::is_sorted(std::begin(kCallingCodes), std::end(kCallingCodes)),
              "the calling-code table must stay sorted by territory");

}  // namespace

std::string LocaleTerritory(std::string_view locale) {
    const auto underscore = locale.find('_');
    if (underscore == std::string_view::npos) return {};
    auto rest = locale.substr(underscore + 1);
    rest = rest.substr(0, rest.find_first_of(".@"));
    std::string territory;
    for (char c : rest) {
        if (!std::isalpha(static_cast<unsigned char>(c))) return {};
        territory += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return territory;
}

std::string_view CallingCodeOfTerritory(std::string_view territory) {
    const auto it = std::lower_bound(
        std::begin(kCallingCodes), std::end(kCallingCodes), territory,
        [](const auto& entry, std::string_view wanted) { return entry.first < wanted; });
    if (it == std::end(kCallingCodes) || it->first != territory) return {};
    return it->second;
}

std::string PadCountryCode(std::string code) {
    if (code.size() < 3) code.insert(0, 3 - code.size(), '0');
    return code;
}

std::string MessagesLocaleName() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return value;
    }
    return {};
}

std::string CountryCodeOfLocale(std::string_view locale) {
    const auto code = CallingCodeOfTerritory(LocaleTerritory(locale));
    if (code.empty()) return {};
    return PadCountryCode(std::string(code));
}

}  // namespace papyrion
