#include "core/translation.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;

// A small table in the shipped format, with the traps that matter: a
// duplicate keyword, colons inside a text, a "land" keyword line, "049"
// texts without a "049" language line, a line too short to hold anything.
constexpr const char* kTable =
    "031 LAND Nederlands\n"
    "044 land English\n"
    "031 Title:Papyrion NL\n"
    "031 sleepmes:Sleep hier\n"
    "031 SLEEPMES:tweede keer\n"
    "031 tijdtekst:Tijd: 10:00\n"
    "031 leeg:\n"
    "031 spaties:  met blanks  \n"
    "031 land:Taal\n"
    "044 Title:Papyrion UK\n"
    "044 sleepmes:Drop here\n"
    "049 Title:Papyrion DE\n"
    "04\n"
    "\n";

struct Fixture {
    explicit Fixture(std::string code, const char* table = kTable) {
        if (table != nullptr) WriteFile(folder.Path() / "Translate.txt", table);
        translations = std::make_unique<TranslationTable>(
            folder.Path(), std::move(code), ui,
            [this](const std::string& c) { persisted.push_back(c); });
    }
    TempFolder folder;
    RecordingUserInterface ui;
    std::vector<std::string> persisted;
    std::unique_ptr<TranslationTable> translations;
};

TEST(TranslationTable, LooksUpTextsOfTheCurrentCountry) {
    Fixture f("031");
    struct Case {
        const char* keyword;
        const char* text;
    };
    const Case cases[] = {
        {"Title", "Papyrion NL"},
        {"TITLE", "Papyrion NL"},  // letter case of the keyword is free
        {"title", "Papyrion NL"},
        {"sleepmes", "Sleep hier"},     // the first of two lines counts
        {"tijdtekst", "Tijd: 10:00"},   // only the first colon separates
        {"leeg", ""},                   // an empty text is a text, not missing
        {"spaties", "  met blanks  "},  // texts are not trimmed
        {"land", "Taal"},
        {"Drop", "*"},  // unknown keyword
    };
    for (const auto& c : cases) {
        EXPECT_EQ(f.translations->Translate(c.keyword), c.text) << "keyword " << c.keyword;
    }
    EXPECT_EQ(f.translations->CountryCode(), "031");
    EXPECT_TRUE(f.ui.calls.empty());
    EXPECT_TRUE(f.persisted.empty());
}

TEST(TranslationTable, NothingIsReadBeforeTheFirstLookup) {
    Fixture f("031", nullptr);
    EXPECT_FALSE(f.translations->IsLoaded());
    // The file appears after construction, before the first lookup.
    WriteFile(f.folder.Path() / "Translate.txt", kTable);
    EXPECT_EQ(f.translations->Translate("title"), "Papyrion NL");
    // Later changes of the file do not matter for this run.
    WriteFile(f.folder.Path() / "Translate.txt", "031 LAND Nederlands\n031 title:anders\n");
    EXPECT_EQ(f.translations->Translate("title"), "Papyrion NL");
}

TEST(TranslationTable, LanguageListHoldsPaddedSortedEntriesOfAllLanguageLines) {
    Fixture f("044");
    // "044 land English" is a language line although its text is not
    // "LAND"; "031 land:Taal" is a text line that names a language too.
    // A short name keeps all 21 padding blanks; the code is always last.
    const std::vector<std::string> expected = {
        "English                     044",
        "Nederlands                     031",
        "Taal                     031",
    };
    EXPECT_EQ(f.translations->LanguageList(), expected);
    EXPECT_EQ(LanguageEntryCode(expected[1]), "031");
    EXPECT_EQ(LanguageEntryName(expected[1]), "Nederlands");
    EXPECT_EQ(f.translations->Translate("sleepmes"), "Drop here");
}

TEST(TranslationTable, LanguageEntriesCutLongAndWideNamesByCharacters) {
    Fixture f("031",
              "031 LAND Nederlands\n"
              "031 LAND Nederlands\n"  // the same language twice is offered once
              "250 LAND Fran\xC3\xA7"
              "ais\r\n"
              "999 LAND A language name that is far too long to fit\n"
              "\xEF\xBB\xBF"
              "007 LAND not a BOM at the start of a line\n");
    const auto& list = f.translations->LanguageList();
    ASSERT_EQ(list.size(), 3U);
    EXPECT_EQ(list[0], "A language name that is far too lon999");
    // Eight characters, nine bytes: the padding counts characters.
    EXPECT_EQ(list[1],
              "Fran\xC3\xA7"
              "ais                     250");
    EXPECT_EQ(list[2], "Nederlands                     031");
}

TEST(TranslationTable, ByteOrderMarkAndWindowsLineEndsAreIgnored) {
    Fixture f("031",
              "\xEF\xBB\xBF"
              "031 LAND Nederlands\r\n031 Title:Papyrion\r\n");
    EXPECT_EQ(f.translations->Translate("Title"), "Papyrion");
    EXPECT_EQ(f.translations->LanguageList(),
              std::vector<std::string>{"Nederlands                     031"});
}

TEST(TranslationTable, CountryWithoutLanguageLineFallsBackToEnglish) {
    Fixture f("049");
    EXPECT_EQ(f.translations->Translate("Title"), "Papyrion UK");  // not the 049 line
    EXPECT_EQ(f.translations->CountryCode(), "044");
    EXPECT_EQ(f.ui.calls,
              std::vector<std::string>{"message: Language not found UK assumed, restart program"});
    EXPECT_EQ(f.persisted, std::vector<std::string>{"044"});
    // Loading happens once: no second message, no second write.
    f.translations->Translate("sleepmes");
    EXPECT_EQ(f.ui.calls.size(), 1U);
    EXPECT_EQ(f.persisted.size(), 1U);
}

TEST(TranslationTable, MissingFileFallsBackAndAnswersStarForEverything) {
    Fixture f("031", nullptr);
    EXPECT_EQ(f.translations->Translate("Title"), "*");
    EXPECT_EQ(f.translations->Translate("sleepmes"), "*");
    EXPECT_TRUE(f.translations->IsLoaded());
    EXPECT_TRUE(f.translations->LanguageList().empty());
    EXPECT_EQ(f.translations->CountryCode(), "044");
    EXPECT_EQ(f.persisted, std::vector<std::string>{"044"});
    EXPECT_EQ(f.ui.calls,
              std::vector<std::string>{"message: Language not found UK assumed, restart program"});
    EXPECT_EQ(f.translations->MissingKeywords(), (std::vector<std::string>{"Title", "sleepmes"}));
}

TEST(TranslationTable, FailingToStoreTheFallbackIsShownAndTextsStillLoad) {
    TempFolder folder;
    WriteFile(folder.Path() / "Translate.txt", kTable);
    RecordingUserInterface ui;
    TranslationTable translations(folder.Path(), "049", ui, [](const std::string&) {
        throw std::runtime_error("Unable to write to /nowhere/Papyrion.ini");
    });
    EXPECT_EQ(translations.Translate("Title"), "Papyrion UK");
    EXPECT_EQ(ui.calls,
              (std::vector<std::string>{"message: Language not found UK assumed, restart program",
                                        "error: Unable to write to /nowhere/Papyrion.ini"}));
}

TEST(TranslationTable, ReportListsKeywordsOnceWithUseCountsAndEveryFailure) {
    Fixture f("031");
    WriteFile(f.folder.Path() / "Translator.exe", "");
    TempFolder data;
    f.translations->Translate("TITLE");
    f.translations->Translate("title");
    f.translations->Translate("SleepMes");
    for (int i = 0; i < 3; ++i) f.translations->Translate("Ontbreekt");
    f.translations->Translate("ander");

    ASSERT_TRUE(f.translations->WriteReport(data.Path()));
    EXPECT_EQ(ReadFile(data.Path() / "Translate_Cnt.csv"),
              "#;Keyword;used;Vertaling voor 031\r\n"
              "0;;0;\r\n"  // the language line has no colon: the empty keyword
              "1;land;0;Taal\r\n"
              "2;leeg;0;\r\n"
              "3;sleepmes;1;Sleep hier\r\n"
              "4;spaties;0;  met blanks  \r\n"
              "5;tijdtekst;0;Tijd: 10:00\r\n"
              "6;Title;2;Papyrion NL\r\n"
              ";Ontbreekt is missing\r\n"
              ";Ontbreekt is missing\r\n"
              ";Ontbreekt is missing\r\n"
              ";ander is missing\r\n");

    // Rewritten completely at each writing.
    WriteFile(data.Path() / "Translate_Cnt.csv", std::string(5000, 'x'));
    ASSERT_TRUE(f.translations->WriteReport(data.Path()));
    EXPECT_EQ(ReadFile(data.Path() / "Translate_Cnt.csv").substr(0, 35),
              "#;Keyword;used;Vertaling voor 031\r\n");
    EXPECT_LT(ReadFile(data.Path() / "Translate_Cnt.csv").size(), 5000U);
}

TEST(TranslationTable, NoReportWithoutTheTranslatorToolOrWritableFolder) {
    Fixture f("031");
    TempFolder data;
    f.translations->Translate("nergens");

    EXPECT_FALSE(f.translations->WriteReport(data.Path()));
    EXPECT_FALSE(fs::exists(data.Path() / "Translate_Cnt.csv"));
    WriteFile(data.Path() / "Translate_Cnt.csv", "old report");
    EXPECT_FALSE(f.translations->WriteReport(data.Path()));
    EXPECT_EQ(ReadFile(data.Path() / "Translate_Cnt.csv"), "old report");

    // With the tool present, a folder that does not exist fails quietly.
    WriteFile(f.folder.Path() / "Translator.exe", "");
    EXPECT_FALSE(f.translations->WriteReport(data.Path() / "missing"));
    EXPECT_TRUE(f.ui.calls.empty());
}

TEST(TranslationTable, LongLinesKeepTheirFirst255CharactersAfterTheCode) {
    const std::string keyword = "lang";
    const std::string text(400, 'x');
    Fixture f("031", nullptr);
    WriteFile(f.folder.Path() / "Translate.txt",
              "031 LAND Nederlands\n031 " + keyword + ":" + text + "\n");
    EXPECT_EQ(f.translations->Translate(keyword), std::string(255 - keyword.size() - 1, 'x'));
}

TEST(TranslationTable, DamagedFileIsReadWithoutTrustingIt) {
    // Stray UTF-8 bytes, a NUL, and a last line of a megabyte without a
    // line end.
    using namespace std::string_literals;
    std::string table =
        "031 LAND Neder\x80\xFFlands\n"
        "031 kapot:\xC3\n"
        "031 nul:a\0b\n"
        "\x80\x80\x80 LAND x\n"
        "031 groot:"s;
    table += std::string(1 << 20, 'y');
    Fixture f("031", nullptr);
    WriteFile(f.folder.Path() / "Translate.txt", table);
    EXPECT_EQ(f.translations->Translate("kapot"), "\xC3");
    EXPECT_EQ(f.translations->Translate("nul"), std::string("a\0b", 3));
    EXPECT_EQ(f.translations->Translate("groot").size(), 255U - 6U);
    EXPECT_EQ(f.translations->CountryCode(), "031");
    EXPECT_EQ(f.translations->LanguageList().size(), 2U);
}

}  // namespace
}  // namespace papyrion
