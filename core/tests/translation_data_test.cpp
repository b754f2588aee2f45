// The shipped translation table and mail model, read the way the program
// reads them from its program folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_keys.h"
#include "core/translation.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

const fs::path kProgramFolder = PAPYRION_BIN_DIR;

struct LoadedLanguage {
    explicit LoadedLanguage(const std::string& code)
        : table(kProgramFolder, code, ui, [this](const std::string& c) { persisted = c; }) {
        table.Load();
    }
    RecordingUserInterface ui;
    std::string persisted;
    TranslationTable table;
};

std::vector<std::string> ShippedLanguageCodes() {
    LoadedLanguage any("031");
    std::vector<std::string> codes;
    for (const auto& entry : any.table.LanguageList()) codes.push_back(LanguageEntryCode(entry));
    return codes;
}

TEST(ShippedTranslations, OffersDutchAndEnglishEachOnce) {
    LoadedLanguage dutch("031");
    const auto& list = dutch.table.LanguageList();
    const auto has = [&](const std::string& entry) {
        return std::count(list.begin(), list.end(), entry) == 1;
    };
    EXPECT_TRUE(has("Nederlands                     031"));
    EXPECT_TRUE(has("English                     044"));
    // Exactly one entry a language: a keyword line may not add a stray one.
    std::set<std::string> codes;
    for (const auto& entry : list) {
        EXPECT_TRUE(codes.insert(LanguageEntryCode(entry)).second) << entry;
    }
}

TEST(ShippedTranslations, EveryLanguageHasATextForEveryKeywordTheProgramUses) {
    const auto codes = ShippedLanguageCodes();
    ASSERT_NE(std::find(codes.begin(), codes.end(), "031"), codes.end());
    ASSERT_NE(std::find(codes.begin(), codes.end(), "044"), codes.end());
    for (const auto& code : codes) {
        LoadedLanguage language(code);
        EXPECT_EQ(language.table.CountryCode(), code);
        EXPECT_TRUE(language.ui.calls.empty()) << code;
        EXPECT_TRUE(language.persisted.empty()) << code;
        for (const auto& keyword : text::AllKeywords()) {
            EXPECT_FALSE(IsMissingText(language.table.Translate(keyword)))
                << code << " " << keyword;
        }
    }
}

TEST(ShippedTranslations, LanguagesHoldTheSameKeywords) {
    const auto keywordsOf = [](const std::string& code) {
        LoadedLanguage language(code);
        std::set<std::string> keywords;
        for (const auto& use : language.table.KeywordUses()) keywords.insert(use.keyword);
        return keywords;
    };
    const auto dutch = keywordsOf("031");
    const auto missingFrom = [](const std::set<std::string>& a, const std::set<std::string>& b) {
        std::string missing;
        for (const auto& k : a) {
            if (b.count(k) == 0) missing += k + " ";
        }
        return missing;
    };
    for (const auto& code : ShippedLanguageCodes()) {
        const auto other = keywordsOf(code);
        EXPECT_EQ(missingFrom(dutch, other), "") << "missing in " << code;
        EXPECT_EQ(missingFrom(other, dutch), "") << "only in " << code;
    }
}

TEST(ShippedTranslations, TextsThatOtherCodeTakesApart) {
    for (const auto& code : ShippedLanguageCodes()) {
        LoadedLanguage language(code);
        auto& t = language.table;
        const std::string months = t.Translate(text::kMonthNames);
        EXPECT_EQ(std::count(months.begin(), months.end(), ','), 11) << code << " " << months;
        EXPECT_EQ(t.Translate("ZiviRAVSite"), "www.papyrion.example") << code;
        EXPECT_EQ(t.Translate(text::kSupportAddress), "support@papyrion.example") << code;
        EXPECT_EQ(t.Translate("Title"), "Papyrion") << code;
        // Placeholder words become ":WORD:" in the mail templates: one word,
        // no colon or blank.
        for (const std::string_view word :
             {text::kDateWord, text::kMonthWord, text::kTimeWord, text::kAttachmentWord}) {
            const std::string text = t.Translate(word);
            EXPECT_FALSE(text.empty()) << code << " " << word;
            EXPECT_EQ(text.find_first_of(": "), std::string::npos) << code << " " << word;
        }
        // Joined to numbers without added blanks.
        EXPECT_EQ(t.Translate(text::kOf).front(), ' ') << code;
        EXPECT_EQ(t.Translate(text::kOf).back(), ' ') << code;
        EXPECT_EQ(t.Translate(text::kOutputListBefore).back(), ' ') << code;
        EXPECT_EQ(t.Translate(text::kOutputListAfter).front(), ' ') << code;
    }
}

TEST(ShippedTranslations, MailModelFileIsTheDutchSystemModel) {
    std::ifstream in(kProgramFolder / "Email_Model.txt", std::ios::binary);
    ASSERT_TRUE(in) << "Email_Model.txt missing in " << kProgramFolder;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    LoadedLanguage dutch("031");
    std::string expected;
    for (int n = 1; n <= text::kSystemMailModelLines; ++n) {
        expected += dutch.table.Translate(text::SystemMailModelLine(n)) + "\r\n";
    }
    EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace papyrion
