#include "cli_options.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "core/inifile.h"

namespace papyrion {
namespace {

// A settings model over a settings file of its own.
struct SettingsInAFolder {
    SettingsInAFolder()
        : folder(std::filesystem::path(::testing::TempDir()) /
                 ("cli-options-" + std::to_string(::getpid()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name())),
          settings((std::filesystem::create_directories(folder), folder / "Papyrion.ini"),
                   [](std::string_view) { return std::string("*"); },
                   [](std::string_view) { return std::string(); }) {}
    ~SettingsInAFolder() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
    std::filesystem::path folder;
    SettingsModel settings;
};
using ::testing::HasSubstr;

std::string Describe(const CliOptions& options) {
    std::string text = "action=" + options.action_code;
    for (const SettingOverride& o : options.overrides) {
        text += " " + std::string(o.key.section) + "/" + std::string(o.key.key) + "=" + o.value;
    }
    for (const std::string& path : options.paths) text += " [" + path + "]";
    return text;
}

TEST(CliOptions, ParsesEveryOptionIntoActionAndSettings) {
    const std::string cwd = std::filesystem::current_path().string();
    struct Case {
        std::vector<std::string> arguments;
        std::string parsed;
    };
    const Case cases[] = {
        {{"a.pdf"}, "action=1 [a.pdf]"},
        {{"--action", "print", "a.pdf", "b"}, "action=3 [a.pdf] [b]"},
        {{"--action=preview", "a.pdf"}, "action=0 [a.pdf]"},
        {{"--action", "configured", "--action", "mail", "x"}, "action=2 [x]"},
        {{"--letterhead", "/s/lh.pdf", "--letterhead-page", "2", "x"},
         "action=1 Overlay/Brief papier=/s/lh.pdf Overlay/Brief papier pagina=2 [x]"},
        {{"--continuation=rel/c.pdf", "--continuation-page=3", "x"},
         "action=1 Overlay/Volg papier=" + cwd + "/rel/c.pdf Overlay/Volg papier pagina=3 [x]"},
        {{"--letterhead-rule", "first", "--continuation-rule", "rest", "x"},
         "action=1 Opties/BriefPapier=2 Opties/VolgPapier=2 [x]"},
        {{"--letterhead-rule", "none", "--continuation-rule", "all", "x"},
         "action=1 Opties/BriefPapier=0 Opties/VolgPapier=1 [x]"},
        {{"--letterhead-rule", "3,1-2", "x"},
         "action=1 Pagerange/BriefPapier=1-3 Opties/BriefPapier=3 [x]"},
        {{"--placement", "over", "--placement=under", "x"},
         "action=1 Opties/Voorgrond=0 Opties/Voorgrond=1 [x]"},
        {{"--stationery", "off", "--overwrite", "x"},
         "action=1 Overlay/MetofZonder=0 Opties/OverschrijfInput=1 [x]"},
        {{"--archive", "/out", "x"},
         "action=1 Archief Directory/Naam=/out Archief Directory/Optie=1 [x]"},
        {{"--", "--help", "-"}, "action=1 [--help] [-]"},
    };
    for (const Case& c : cases) {
        const CliParse parse = ParseCliArguments(c.arguments);
        ASSERT_TRUE(parse.options) << parse.error << " for " << c.parsed;
        EXPECT_EQ(Describe(*parse.options), c.parsed);
    }
}

TEST(CliOptions, RefusesWhatItCannotUseWithAReason) {
    struct Case {
        std::vector<std::string> arguments;
        std::string reason;
    };
    const Case cases[] = {
        {{}, "no file"},
        {{"--action", "fax", "x"}, "--action"},
        {{"x", "--action"}, "--action"},
        {{"--letterhead-page", "0", "x"}, "--letterhead-page"},
        {{"--continuation-page", "2a", "x"}, "--continuation-page"},
        {{"--letterhead-rule", "rest", "x"}, "--letterhead-rule"},
        {{"--continuation-rule", "first", "x"}, "--continuation-rule"},
        {{"--letterhead-rule", "0", "x"}, "page range"},
        {{"--letterhead-rule", "1-a", "x"}, "page range"},
        {{"--placement", "left", "x"}, "--placement"},
        {{"--stationery", "yes", "x"}, "--stationery"},
        {{"--archive", "", "x"}, "--archive"},
        {{"--overwrite=yes", "x"}, "--overwrite"},
        {{"--colour", "x"}, "unknown option --colour"},
    };
    for (const Case& c : cases) {
        const CliParse parse = ParseCliArguments(c.arguments);
        EXPECT_FALSE(parse.options) << c.reason;
        EXPECT_THAT(parse.error, HasSubstr(c.reason));
    }
    EXPECT_TRUE(ParseCliArguments({"--help"}).options->help);
    EXPECT_TRUE(ParseCliArguments({"--version"}).options->version);
}

TEST(CliOptions, OverridesArePutBackAsTheyWere) {
    SettingsInAFolder fixture;
    SettingsModel& settings = fixture.settings;
    settings.SetValue(setting::kArchiveFolder, "/kept");
    const auto parse = ParseCliArguments(
        {"--archive", "/tmp/a", "--placement", "over", "--placement", "under", "x"});
    const auto previous = ApplyOverrides(settings, parse.options->overrides);
    EXPECT_EQ(settings.Value(setting::kArchiveFolder), "/tmp/a");
    EXPECT_EQ(settings.ItemIndex(setting::kStationeryPlacement), 1);
    settings.SetItemIndex(setting::kStationeryPlacement, 0);
    RestoreOverrides(settings, previous);
    EXPECT_EQ(settings.Value(setting::kArchiveFolder), "/kept");
    EXPECT_EQ(settings.ItemIndex(setting::kArchiveOutputs), 0);
    EXPECT_EQ(settings.ItemIndex(setting::kStationeryPlacement), 1);  // the default
}

TEST(CliOptions, AnOverrideEndsTheLoadProblemOfItsKey) {
    SettingsInAFolder fixture;
    SettingsModel& settings = fixture.settings;
    IniWrite(settings.File(), setting::kLetterheadPage.section, setting::kLetterheadPage.key,
             "one");
    IniWrite(settings.File(), setting::kContinuationPage.section, setting::kContinuationPage.key,
             "two");
    settings.Load();
    ASSERT_EQ(settings.LoadProblems().size(), 2u);
    const auto parse = ParseCliArguments({"--letterhead-page", "3", "x"});
    ApplyOverrides(settings, parse.options->overrides);
    ASSERT_EQ(settings.LoadProblems().size(), 1u);
    EXPECT_EQ(settings.LoadProblems().front().key, setting::kContinuationPage);
}

}  // namespace
}  // namespace papyrion
