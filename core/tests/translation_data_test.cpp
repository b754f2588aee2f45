// The shipped translation table and mail model, read the way the program
// reads them from its program folder.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "core/translation.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

const fs::path kProgramFolder = PAPYRION_BIN_DIR;

// Every keyword the program looks up. Code that adds a lookup adds its
// keyword here, and a text for it to every language of data/Translate.txt.
// The attachment placeholder word of the mail template editor is looked up
// as "bijlage"; a keyword cannot end in ":" in the file format (the first
// colon ends the keyword), so "bijlage:" is not in this list.
const char* const kKeywords[] = {
    // configuration window: captions
    "f11tekst0",
    "f1tab1",
    "f1tab2",
    "f1tab3",
    "f1tab5",
    "f1tab6",
    "Selhuisstijl",
    "Briefpap",
    "volgpap",
    "plaatsing",
    "selecteer",
    "ZiviRAVMsg",
    "download",
    "f11tekst1",
    "f11tekst2",
    "f11tekst3",
    "f11tekst4",
    "overwriteorg",
    "outputmap",
    "knpselect",
    "selprt",
    "allmailto1",
    "allmailto2",
    "emailtemp",
    "knpemailmod",
    "naverwopsl",
    "naverwemail",
    "naverwprt",
    "Convertwith",
    "land",
    "knpinstops",
    "knpsluiten",
    "Startmetwin",
    "altijdvoorgrond",
    "Title",
    "Datecomp",
    "VersHist",
    "ZiviRAVSite",
    "resetknop",
    "infohuisstijl",
    "risico1",
    "risico2",
    "Inststarther",
    "minimise",
    "handbedien",
    "CheckForUpdates1",
    "CheckForUpdates2",
    "F1tekst2",
    "knpstartsel",
    "knpaddmore",
    "uheeft",
    "Invoerbestsel",
    "knpstartproc",
    "F1test1",
    "Invoerbest",
    "F1hint01",
    "f1tekst3",
    "f1tekst4",
    "knpprtall",
    "knpprtfile",
    "knpprtpage",
    "knpmailfile",
    "odtool0",
    "odtool1",
    "odtool2",
    "odtool3",
    "odtool4",
    "odtool5",
    "odtool6",
    // configuration window: combo-box items
    "geen",
    "allepaginas",
    "eerstepagina",
    "kiespagina",
    "p2toteind",
    "Voorgrond",
    "achtegrond",
    "Nee",
    "Ja",
    "logtrace",
    "logtraceNoclup",
    "msOffice",
    "ooOffice",
    // texts kept for later use: placeholder words, messages, dialog titles
    "maanden",
    "bijlage",
    "maand",
    "tijd",
    "datum",
    "WindefPrt",
    "Resetmsg",
    "languagechange",
    "selectdir",
    "YouareUpToDate",
    "van",
    "Bestanden",
    "Paginas",
    "klaarmetwerk",
    "mstartverwerking",
    "Select_input",
    "Select_More_input",
    "weetuzeker",
    "weetuzeker01",
    "Hierstaan1",
    "Hierstaan2",
    "showmsgconv01",
    "showmsgexcel",
    "showmsgcnvOO",
    "Invoerbestaatniet",
    "Invoeronleesbaar",
    "Uitvoerschrijfniet",
    "Stempelenmislukt",
    "Briefpapieronleesbaar",
    "uwbriefpap",
    "uwvolgpap",
    "Onbekend",
    "aangemaaktbest",
    "aangemaaktpag",
    // drop window
    "TITLE",
    "momes1",
    "momes2",
    "momes3",
    "momes4",
    "momes5",
    "momes6",
    "momes7",
    "newvermsg",
    "KNPSTARTPROC",
    "voeresu",
    "sleephier",
    "sleepmes",
    "MARGOLTUIT",
    // mail template editor
    "f3title1",
    "f3title2",
    "f3title3",
    "Onderwerp",
    "Haal_invoer_op",
    "Haal_sysmodel_op",
    "Ververs_resultaat",
    "Knpsluiten",
    "Emailchinp",
    // stationery chooser
    "Uwcomputer",
    // start-up window
    "F5Title",
    "F5Welkom",
    "F5gebrnam",
    "F5wachtw",
    "emailadr",
    "Createact",
    "Gosetup",
    "F5Transfer",
    "f5saveww",
    "DirectUpLoad",
    "f5FilesFound",
    "sitenotavail",
    "f5Accgeldig",
    "f5Accongeldig",
    "f5downlsta",
    "f5downlend",
    "f5logonantw",
    "f5logonchk1",
    "f5allready",
    "f5uwfile",
    "f5datum",
};

// Numbered keyword families: the contact e-mail and the system mail model.
std::vector<std::string> NumberedKeywords() {
    std::vector<std::string> keywords;
    for (const char* stem : {"InfMail", "usremal"}) {
        for (int n = 0; n <= 20; ++n) {
            char number[3];
            std::snprintf(number, sizeof number, "%02d", n);
            keywords.push_back(std::string(stem) + number);
        }
    }
    return keywords;
}

std::vector<std::string> AllKeywords() {
    std::vector<std::string> keywords(std::begin(kKeywords), std::end(kKeywords));
    const auto numbered = NumberedKeywords();
    keywords.insert(keywords.end(), numbered.begin(), numbered.end());
    return keywords;
}

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
        for (const auto& keyword : AllKeywords()) {
            EXPECT_NE(language.table.Translate(keyword), "*") << code << " " << keyword;
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
        const std::string months = t.Translate("maanden");
        EXPECT_EQ(std::count(months.begin(), months.end(), ','), 11) << code << " " << months;
        EXPECT_EQ(t.Translate("ZiviRAVSite"), "www.papyrion.example") << code;
        EXPECT_EQ(t.Translate("infohuisstijl"), "support@papyrion.example") << code;
        EXPECT_EQ(t.Translate("Title"), "Papyrion") << code;
        // Placeholder words become ":WORD:" in the mail templates: one word,
        // no colon or blank.
        for (const char* word : {"datum", "maand", "tijd", "bijlage"}) {
            const std::string text = t.Translate(word);
            EXPECT_FALSE(text.empty()) << code << " " << word;
            EXPECT_EQ(text.find_first_of(": "), std::string::npos) << code << " " << word;
        }
        // Joined to numbers without added blanks.
        EXPECT_EQ(t.Translate("van").front(), ' ') << code;
        EXPECT_EQ(t.Translate("van").back(), ' ') << code;
        EXPECT_EQ(t.Translate("Hierstaan1").back(), ' ') << code;
        EXPECT_EQ(t.Translate("Hierstaan2").front(), ' ') << code;
    }
}

TEST(ShippedTranslations, MailModelFileIsTheDutchSystemModel) {
    std::ifstream in(kProgramFolder / "Email_Model.txt", std::ios::binary);
    ASSERT_TRUE(in) << "Email_Model.txt missing in " << kProgramFolder;
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

    LoadedLanguage dutch("031");
    std::string expected;
    for (int n = 1; n <= 20; ++n) {
        char keyword[16];
        std::snprintf(keyword, sizeof keyword, "usremal%02d", n);
        expected += dutch.table.Translate(keyword) + "\r\n";
    }
    EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace papyrion
