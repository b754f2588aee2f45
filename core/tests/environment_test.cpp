#include "core/environment.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "locale_country.h"
#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using test::ScopedEnv;
using test::TempFolder;

TEST(EnvironmentValue, NamesMatchWithoutCaseAndOthersAreEmpty) {
    TempFolder home;
    ScopedEnv xdg("XDG_DATA_HOME", home.Path().string() + "/");
    const std::string local = home.Path().string();

    EXPECT_EQ(EnvironmentValue("LocalDir"), local);  // no trailing "/"
    EXPECT_EQ(EnvironmentValue("DIR"), local + "/Papyrion/");
    EXPECT_EQ(EnvironmentValue("dir"), local + "/Papyrion/");
    EXPECT_EQ(EnvironmentValue("tempdir"), local + "/Papyrion/Temp/");
    EXPECT_EQ(EnvironmentValue("TEMPDIR"), EnvironmentValue("Tempdir"));
    EXPECT_EQ(EnvironmentValue("HOME"), "");
    EXPECT_EQ(EnvironmentValue(""), "");
    EXPECT_EQ(EnvironmentValue("DIR "), "");
}

TEST(EnvironmentValue, FallsBackToHomeWhenXdgDataHomeIsUnsetOrRelative) {
    TempFolder home;
    ScopedEnv home_env("HOME", home.Path().string());
    const std::string expected = home.Path().string() + "/.local/share";
    {
        ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
        EXPECT_EQ(EnvironmentValue("LOCALDIR"), expected);
    }
    ScopedEnv xdg("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(EnvironmentValue("LOCALDIR"), expected);
    // A fresh account has no ~/.local/share yet; the folders are made anyway.
    EXPECT_TRUE(fs::is_directory(expected + "/Papyrion/Temp"));
}

TEST(EnvironmentValue, EveryCallRecreatesTheFolders) {
    TempFolder home;
    ScopedEnv xdg("XDG_DATA_HOME", home.Path().string());
    const fs::path temp = EnvironmentValue("TEMPDIR");
    ASSERT_TRUE(fs::is_directory(temp));

    fs::remove_all(home.Path() / "Papyrion");
    EXPECT_EQ(EnvironmentValue("user"), EnvironmentValue("USER"));  // any name will do
    EXPECT_TRUE(fs::is_directory(temp));
}

TEST(EnvironmentValue, UserAndComputerNameComeFromTheSystem) {
    passwd* entry = getpwuid(getuid());
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(EnvironmentValue("USER"), entry->pw_name);
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);
    EXPECT_EQ(EnvironmentValue("computername"), host);
}

TEST(EnvironmentValue, ConvNeedsAnExecutableSpreadsheetProgramOnPath) {
    TempFolder folder;
    const fs::path with = folder / "with";
    const fs::path without = folder / "without";
    fs::create_directories(with);
    fs::create_directories(without);
    test::WriteFile(with / "localc", "#!/bin/sh\n");
    fs::permissions(with / "localc", fs::perms::owner_all);
    test::WriteFile(without / "soffice", "not a program\n");
    fs::permissions(without / "soffice", fs::perms::owner_read | fs::perms::owner_write);

    struct Case {
        std::string path;
        const char* conv;
    } cases[] = {
        {without.string() + ":" + with.string(), "MS"},
        {without.string(), "??"},  // present but not executable
        {"", "??"},
    };
    for (const auto& c : cases) {
        ScopedEnv path("PATH", c.path);
        EXPECT_EQ(EnvironmentValue("CONV"), c.conv) << "PATH=" << c.path;
    }
}

TEST(EnvironmentValue, LandFollowsLcAllThenLcMessagesThenLang) {
    struct Case {
        const char* lc_all;
        const char* lc_messages;
        const char* lang;
        const char* land;
    } cases[] = {
        {"", "", "nl_NL.UTF-8", "031"},
        {"", "", "en_US.UTF-8", "001"},
        {"", "", "en_GB", "044"},
        {"", "", "de_DE@euro", "049"},
        {"", "de_AT.UTF-8", "nl_NL.UTF-8", "043"},       // LC_MESSAGES before LANG
        {"fi_FI.UTF-8", "de_DE", "nl_NL.UTF-8", "358"},  // LC_ALL before both
        {"C", "", "nl_NL.UTF-8", ""},                    // set but without territory
        {"", "", "POSIX", ""},
        {"", "", "", ""},
        {"", "", "xx_QQ.UTF-8", ""},  // territory not in the table
    };
    for (const auto& c : cases) {
        ScopedEnv all("LC_ALL", c.lc_all);
        ScopedEnv messages("LC_MESSAGES", c.lc_messages);
        ScopedEnv lang("LANG", c.lang);
        EXPECT_EQ(EnvironmentValue("LAND"), c.land)
            << c.lc_all << " | " << c.lc_messages << " | " << c.lang;
    }
}

TEST(LocaleCountry, TerritoriesOfEuropeAndNorthAmerica) {
    struct Case {
        const char* locale;
        const char* code;
    } cases[] = {
        {"nl_BE.UTF-8", "032"},
        {"fr_FR", "033"},
        {"es_ES", "034"},
        {"it_IT", "039"},
        {"pl_PL", "048"},
        {"sv_SE", "046"},
        {"cs_CZ", "420"},
        {"ga_IE", "353"},
        {"is_IS", "354"},
        {"sr_RS@latin", "381"},
        {"uk_UA", "380"},
        {"tr_TR", "090"},
        {"ru_RU", "007"},
        {"fr_CA", "001"},
        {"es_MX", "052"},
        {"kl_GL", "299"},
        {"es_CR", "506"},
        {"pt_BR", "055"},
        {"nl_nl", "031"},  // lower case territory
        {"nl", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(CountryCodeOfLocale(c.locale), c.code) << c.locale;
}

TEST(LocaleCountry, PaddingFillsToThreeAndKeepsLongerCodes) {
    EXPECT_EQ(PadCountryCode("31"), "031");
    EXPECT_EQ(PadCountryCode("1"), "001");
    EXPECT_EQ(PadCountryCode("358"), "358");
    EXPECT_EQ(PadCountryCode("1234"), "1234");
}

}  // namespace
}  // namespace papyrion
