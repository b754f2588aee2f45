#pragma once
// The translation table: every text the user sees is looked up here by
// keyword for the current country code.
//
// File format of "Translate.txt" (UTF-8, one entry a line, character
// positions counted from 1):
//   language line  "031 LAND Nederlands"   code, any char, "LAND" (any case),
//                                          any char, language name
//   text line      "031 keyword:text"      code, any char, keyword up to the
//                                          first ":", the text after it as is
// A text line whose characters 5 to 8 read "land" in any case is a language
// line as well.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "core/userinterface.h"

namespace papyrion {

// The country whose texts are used when the wanted one has no language line.
inline constexpr std::string_view kFallbackCountryCode = "044";
inline constexpr std::string_view kLanguageNotFoundMessage =
    "Language not found UK assumed, restart program";

// A missing text. Translate returns kMissingText when the current country has
// no text for a keyword, never "" (an empty text is one the table holds), and
// a TranslateFn used before a table is loaded does the same. Captions and
// messages show it as it is, so the gap is visible and the keyword shows in
// MissingKeywords(). Code that builds something from a text (placeholder
// words, month names, mail lines) tests it with IsMissingText and keeps its
// own fallback.
inline constexpr std::string_view kMissingText = "*";
inline bool IsMissingText(std::string_view text) { return text == kMissingText; }

// A language list entry is the name followed by 21 blanks, cut to this many
// characters, and then the three-character country code: the last three
// characters of an entry are its code.
inline constexpr std::size_t kLanguageNameWidth = 35;

// The code at the end of a language list entry ("" for a too short entry).
std::string LanguageEntryCode(std::string_view entry);
// The entry without the code and without the blanks that pad the name.
std::string LanguageEntryName(std::string_view entry);

class TranslationTable {
  public:
    // Called with the new code when the table falls back to the fallback
    // country, so that the choice survives a restart. May throw; the error
    // is shown and loading goes on.
    using PersistCountry = std::function<void(const std::string& code)>;

    struct KeywordUse {
        std::string keyword;  // as spelled on its first line
        std::string text;
        long long uses = 0;
    };

    // Nothing is read until the first lookup. `ui` must outlive the table.
    TranslationTable(std::filesystem::path programFolder, std::string countryCode,
                     UserInterface& ui, PersistCountry persistCountry);

    // The text of `keyword` (any letter case) for the current country,
    // kMissingText when there is none. Loads the table on the first call.
    std::string Translate(std::string_view keyword);

    // Reads the file now unless done already; a missing or unreadable file
    // counts as loaded (empty). Translate calls this itself.
    void Load();
    bool IsLoaded() const { return loaded_; }

    // The country whose texts are served; after loading it may have become
    // the fallback country.
    const std::string& CountryCode() const { return countryCode_; }

    // One entry per language line (identical entries once), sorted without
    // regard to case (loads).
    const std::vector<std::string>& LanguageList();

    // The keywords of the current country in keyword order with their use
    // counts.
    std::vector<KeywordUse> KeywordUses() const;
    // Keywords of failed lookups, in order of failure, as the caller spelled
    // them, one entry per failure.
    const std::vector<std::string>& MissingKeywords() const { return missing_; }

    // The report lines (without line ends) as WriteReport writes them.
    std::vector<std::string> ReportLines() const;

    // Writes `dataFolder` + "Translate_Cnt.csv" when "Translator.exe" exists
    // in the program folder. Returns true when the report was written; a
    // failure to write is silent by design (the report only feeds a
    // translator's tool).
    bool WriteReport(const std::filesystem::path& dataFolder) const;

    static constexpr std::string_view kFileName = "Translate.txt";
    static constexpr std::string_view kReportFileName = "Translate_Cnt.csv";
    static constexpr std::string_view kTranslatorToolName = "Translator.exe";

  private:
    // Keyword order: ASCII letters compared without regard to case.
    struct KeywordLess {
        using is_transparent = void;
        bool operator()(std::string_view a, std::string_view b) const;
    };
    struct Entry {
        std::string keyword;
        std::string text;
        long long uses = 0;
    };

    std::filesystem::path programFolder_;
    std::string countryCode_;
    UserInterface& ui_;
    PersistCountry persistCountry_;
    bool loaded_ = false;
    std::map<std::string, Entry, KeywordLess> entries_;
    std::vector<std::string> missing_;
    std::vector<std::string> languages_;
};

}  // namespace papyrion
