#include "core/inifile.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using test::ReadText;
using test::TempFolder;
using test::WriteFile;

TEST(IniRead, MatchesNamesWithoutCaseAndTellsEmptyFromAbsent) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    WriteFile(ini,
              "; Voorgrond=3 is a comment, not a key\r\n"
              "[Options]\r\n"
              "Voorgrond=\r\n"
              "  BriefPapier = 2  \r\n"
              "Printer=4\r\n"
              "Printer=5\r\n"
              "[options]\r\n"
              "Country=044\r\n"
              "[Paper]\r\n"
              "Brief papier=/home/ann/Brief = papier.pdf\n"
              "no equals sign here\n"
              "[Logging]\n"
              "log=1");  // last line without line end
    struct Case {
        const char* section;
        const char* key;
        const char* expected;
    } cases[] = {
        {"Options", "Voorgrond", ""},  // present but empty: not the default
        {"OPTIONS", "briefpapier", "2"},
        {"Options", "Printer", "4"},        // the first of two keys
        {"Options", "Country", "default"},  // only the first section of a name counts
        {"Paper", "Brief papier", "/home/ann/Brief = papier.pdf"},
        {"Paper", "Volg papier", "default"},
        {"Logging", "Log", "1"},
        {"Nowhere", "Log", "default"},
        {"", "Voorgrond", "default"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IniRead(ini, c.section, c.key, "default"), c.expected)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(IniRead(folder / "missing.ini", "Options", "Voorgrond", "1"), "1");
    EXPECT_EQ(IniRead(folder.Path(), "Options", "Voorgrond", "1"), "1");  // a folder
}

TEST(IniRead, CutsValuesAfter2047Characters) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    std::string accents;
    for (int i = 0; i < 3000; ++i) accents += "\xC3\xA9";  // é
    WriteFile(ini, "[A]\nascii=" + std::string(3000, 'x') + "\nutf8=" + accents + "\n");

    EXPECT_EQ(IniRead(ini, "A", "ascii", ""), std::string(2047, 'x'));
    // Characters, not bytes: no é is split in half.
    EXPECT_EQ(IniRead(ini, "A", "utf8", ""), accents.substr(0, 2 * 2047));
}

TEST(IniWrite, TheFirstWriteCreatesTheFileAndReadsSeeWritesAtOnce) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    ASSERT_FALSE(fs::exists(ini));
    IniWrite(ini, "Options", "Voorgrond", "0");
    EXPECT_EQ(ReadText(ini), "[Options]\nVoorgrond=0\n");
    IniWrite(ini, "options", "VOORGROND", "1");
    IniWrite(ini, "Options", "Country", "");
    EXPECT_EQ(IniRead(ini, "Options", "Voorgrond", "x"), "1");
    EXPECT_EQ(IniRead(ini, "Options", "Country", "x"), "");
    EXPECT_EQ(ReadText(ini), "[Options]\nVoorgrond=1\nCountry=\n");
    // Nothing but the file itself is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator{}), 1);
}

TEST(IniWrite, KeepsEveryOtherLineOfTheFile) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    const std::string before =
        "; written by hand\r\n"
        "[Paper]\r\n"
        "Brief papier=/a.pdf\r\n"
        "Unknown key=kept\r\n"
        "\r\n"
        "[Options]\r\n"
        "Voorgrond = 1\r\n"
        "; trailing comment\r\n"
        "\r\n"
        "[Start]\r\n"
        "SaveWW=y";
    WriteFile(ini, before);

    IniWrite(ini, "OPTIONS", "voorgrond", "0");          // existing key: its line only
    IniWrite(ini, "Paper", "Volg papier", "/b.pdf");     // new key: end of its section
    IniWrite(ini, "Counters", "Programma starts", "1");  // new section: end of file

    EXPECT_EQ(ReadText(ini),
              "; written by hand\r\n"
              "[Paper]\r\n"
              "Brief papier=/a.pdf\r\n"
              "Unknown key=kept\r\n"
              "Volg papier=/b.pdf\r\n"
              "\r\n"
              "[Options]\r\n"
              "Voorgrond =0\r\n"
              "; trailing comment\r\n"
              "\r\n"
              "[Start]\r\n"
              "SaveWW=y\r\n"
              "[Counters]\r\n"
              "Programma starts=1\r\n");
}

TEST(IniWrite, ARefusedWriteRaisesUnableToWriteWithThePath) {
    TempFolder folder;
    const fs::path is_folder = folder / "Papyrion.ini";
    fs::create_directories(is_folder);
    const fs::path no_folder = folder / "gone" / "Papyrion.ini";
    for (const fs::path& ini : {is_folder, no_folder}) {
        try {
            IniWrite(ini, "Options", "Voorgrond", "1");
            ADD_FAILURE() << "no error for " << ini;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + ini.string());
        }
    }
    EXPECT_TRUE(fs::is_directory(is_folder));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator{}), 1);
}

TEST(IniFile, AGiantFileIsNeitherReadNorReplaced) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    WriteFile(ini, "[Options]\nVoorgrond=0\n" + std::string(17 * 1024 * 1024, ';'));
    EXPECT_EQ(IniRead(ini, "Options", "Voorgrond", "1"), "1");
    EXPECT_THROW(IniWrite(ini, "Options", "Voorgrond", "1"), std::runtime_error);
    EXPECT_EQ(fs::file_size(ini), 17u * 1024 * 1024 + 22);
}

TEST(IniWrite, RefusesNamesAndValuesThatWouldBreakTheLines) {
    TempFolder folder;
    const fs::path ini = folder / "Papyrion.ini";
    WriteFile(ini, "[Account]\nEmailAdr=ann@example.org\n");
    struct Case {
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"Account", "EmailAdr", "x\n[Start]\nSaveWW=n"},
        {"Account", "EmailAdr", "x\ry"},
        {"Account", "Email=Adr", "x"},
        {"Pro]duct", "EmailAdr", "x"},
        {"Account", "", "x"},
    };
    for (const auto& c : cases) {
        EXPECT_THROW(IniWrite(ini, c.section, c.key, c.value), std::invalid_argument)
            << c.section << "/" << c.key;
    }
    EXPECT_EQ(ReadText(ini), "[Account]\nEmailAdr=ann@example.org\n");
}

TEST(IniWrite, ASymbolicLinkStaysALinkAndItsTargetChanges) {
    TempFolder folder;
    const fs::path real = folder / "real.ini";
    const fs::path link = folder / "Papyrion.ini";
    WriteFile(real, "[A]\nb=1\n");
    fs::create_symlink(real, link);
    IniWrite(link, "A", "b", "2");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadText(real), "[A]\nb=2\n");
}

}  // namespace
}  // namespace papyrion
