#include "core/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "core/inifile.h"
#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
using namespace setting;
using test::ReadText;
using test::TempFolder;
using test::WriteFile;

class SettingsTest : public ::testing::Test {
  protected:
    SettingsModel MakeModel() {
        return SettingsModel(
            ini_, [](std::string_view keyword) { return "<" + std::string(keyword) + ">"; },
            [this](std::string_view name) -> std::string {
                if (name == "DIR") return folder_.Path().string() + "/";
                if (name == "LAND") return "049";
                if (name == "user") return "ann";
                return "";
            });
    }
    SettingsModel LoadFrom(const std::string& content) {
        WriteFile(ini_, content);
        SettingsModel model = MakeModel();
        model.Load();
        return model;
    }

    TempFolder folder_;
    fs::path ini_ = folder_ / "Papyrion.ini";
};

TEST_F(SettingsTest, AMissingFileGivesEveryDefaultAndStaysMissing) {
    SettingsModel model = MakeModel();
    model.Load();
    EXPECT_FALSE(fs::exists(ini_));
    for (const SettingDefinition& d : SettingDefinitions()) {
        const std::string expected = d.translated_default ? "<" + std::string(d.default_value) + ">"
                                                          : std::string(d.default_value);
        EXPECT_EQ(model.Value(d.key), expected) << d.key.section << "/" << d.key.key;
    }
    EXPECT_EQ(model.ItemIndex(kStationeryPlacement), 1);
    EXPECT_EQ(model.ItemIndex(kPrinter), -1);
    EXPECT_TRUE(model.Checked(kShrinkWhileProcessing));
    EXPECT_EQ(model.ConverterItem(), 1);
    EXPECT_EQ(model.ArchiveFolder(), folder_.Path().string() + "/");
    EXPECT_TRUE(model.LoadProblems().empty());
    // An absent archive folder is written back as an empty value at close.
    model.Save(SaveGroup::kG4);
    EXPECT_EQ(IniRead(ini_, kArchiveFolder.section, kArchiveFolder.key, "absent"), "");
}

TEST_F(SettingsTest, ABadNumberKeepsTheDefaultAndIsALoadProblemNamingFileKeyAndValue) {
    struct Case {
        const char* lines;
        SettingKey key;
        const char* value;  // as the file holds it
        const char* live;   // the default the key keeps
    } cases[] = {
        {"[Opties]\nVoorgrond=\n", kStationeryPlacement, "", "1"},
        {"[Overlay]\nBrief papier pagina=abc\n", kLetterheadPage, "abc", "1"},
        {"[Overlay]\nVolg papier pagina=2a\n", kContinuationPage, "2a", "1"},
        {"[Loging]\nSpace=3.0\n", kLogSize, "3.0", "0"},
        {"[Archief Directory]\nOptie=ja\n", kArchiveOutputs, "ja", "0"},
        {"[Statistiek]\nProgramma einde=-\n", kProgramEnds, "-", "0"},
        {"[Opties]\nPrinter=4294967296\n", kPrinter, "4294967296", "-1"},  // wider than 32 bits
        {"[Email]\nEmailModel=Ja\n", kUseMailTemplate, "Ja", "0"},
    };
    for (const auto& c : cases) {
        // Keys before and after the bad one in the file and in the table.
        WriteFile(ini_, std::string("[User]\nUser=bob\n") + c.lines +
                            "[Product]\nEmailAdr=x@example.org\n[Run]\nCheckForUpdates=2\n");
        SettingsModel model = MakeModel();
        model.Load();
        EXPECT_EQ(model.Value(c.key), c.live) << c.lines;
        ASSERT_EQ(model.LoadProblems().size(), 1u) << c.lines;
        const SettingProblem& problem = model.LoadProblems().front();
        EXPECT_EQ(problem.key, c.key);
        EXPECT_EQ(problem.value, c.value);
        EXPECT_EQ(problem.Message(), ini_.string() + ": [" + std::string(c.key.section) + "] " +
                                         std::string(c.key.key) + "=" + c.value +
                                         " is not a valid whole number");
        EXPECT_EQ(model.Value(kUserName), "bob") << c.lines;
        EXPECT_EQ(model.Value(kAccountEmail), "x@example.org") << c.lines;
        EXPECT_EQ(model.ItemIndex(kUpdateCheckInterval), 2) << c.lines;
    }
}

TEST_F(SettingsTest, ALoadProblemStandsUntilItsKeyIsSetOrTheFileIsFixed) {
    WriteFile(ini_, "[Overlay]\nBrief papier pagina=abc\nVolg papier pagina=x\n");
    SettingsModel model = MakeModel();
    model.Load();
    EXPECT_EQ(model.LoadProblems().size(), 2u);
    // Setting the key to the value it already has counts: an override with
    // the default still settles the question.
    model.SetValue(kLetterheadPage, "1");
    ASSERT_EQ(model.LoadProblems().size(), 1u);
    EXPECT_EQ(model.LoadProblems().front().key, kContinuationPage);
    // Loading again finds the same problem once, not twice.
    model.Load();
    EXPECT_EQ(model.LoadProblems().size(), 2u);
    WriteFile(ini_, "[Overlay]\nBrief papier pagina=3\n");
    model.Load();
    EXPECT_TRUE(model.LoadProblems().empty());
    EXPECT_EQ(model.Number(kLetterheadPage), 3);
}

TEST_F(SettingsTest, StrictValuesThatLoad) {
    SettingsModel model = LoadFrom(
        "[Statistiek]\nAangemaakte bestanden= 4294967296 \nProgramma starts=+3\n"
        "[Overlay]\nBrief papier pagina=-2\n");
    EXPECT_EQ(model.Number(kFilesCreated), 4294967296);
    EXPECT_EQ(model.Number(kProgramStarts), 3);
    EXPECT_EQ(model.Number(kLetterheadPage), -2);
}

TEST_F(SettingsTest, ItemIndicesOutsideTheirListEndAsTheDefaultItem) {
    SettingsModel model = LoadFrom(
        "[Opties]\nBriefPapier=7\nVolgPapier=3\nVoorgrond=-1\nDirectPrint=2\nPrinter=12\n"
        "[Loging]\nSpace=9\n[Run]\nCheckForUpdates=4\n");
    EXPECT_EQ(model.ItemIndex(kLetterheadMode), 0);
    EXPECT_EQ(model.ItemIndex(kContinuationMode), 3);
    EXPECT_EQ(model.ItemIndex(kStationeryPlacement), 1);
    EXPECT_EQ(model.ItemIndex(kDirectPrint), 0);
    EXPECT_EQ(model.ItemIndex(kPrinter), 12);  // the printer list is not known here
    EXPECT_EQ(model.ItemIndex(kLogSize), 0);
    EXPECT_EQ(model.ItemIndex(kUpdateCheckInterval), 4);
}

TEST_F(SettingsTest, TextKeysTicksAndConverterTakeTheirForms) {
    struct Case {
        const char* file;
        SettingKey key;
        const char* value;
    } cases[] = {
        {"[Run]\nDesktop voorgrond=Y\n", kStayOnTop, "n"},  // only "y" ticks
        {"[Run]\nDesktop voorgrond=y\n", kStayOnTop, "y"},
        {"[Opties]\nHandbediening=x\n", kShowManualInput, "1"},  // all but "0" tick
        {"[Opties]\nHandbediening=0\n", kShowManualInput, "0"},
        {"[Opties]\nPDFConverter=oo\n", kPdfConverter, "OO"},
        {"[Opties]\nPDFConverter=Word\n", kPdfConverter, "??"},
        {"[Run]\nSaveWW=Y\n", kRememberPassword, "Y"},  // a text, kept as read
        {"[Run]\nCheckdate=45000abc\n", kLastUpdateCheck, "45000"},
        {"[Run]\nCheckdate=abc\n", kLastUpdateCheck, "0"},
        {"[Run]\nCheckdate=70000\n", kLastUpdateCheck, "4464"},  // low 16 bits
        {"[Overlay]\nBrief papier=\n", kLetterheadFile, ""},     // empty, not default
        {"[Opties]\nCountry=\n", kCountryCode, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadFrom(c.file).Value(c.key), c.value) << c.file;
    }
}

TEST_F(SettingsTest, PasswordIsReadOnlyWhenItIsToBeRemembered) {
    EXPECT_EQ(LoadFrom("[Run]\nSaveWW=y\nWachtWoord=abc\n").Value(kPassword), "abc");
    EXPECT_EQ(LoadFrom("[Run]\nSaveWW=n\nWachtWoord=abc\n").Value(kPassword), "");
}

TEST_F(SettingsTest, LogKeysAreCrossedAndLoggingOffUnticksBothBoxes) {
    SettingsModel on = LoadFrom("[Loging]\nSpace=3\nTrace=1\nLog=0\n");
    EXPECT_TRUE(on.LogBoxTicked());
    EXPECT_FALSE(on.TraceBoxTicked());
    EXPECT_TRUE(on.LogBoxesVisible());

    SettingsModel off = LoadFrom("[Loging]\nSpace=0\nTrace=1\nLog=1\n");
    EXPECT_FALSE(off.LogBoxTicked());
    EXPECT_FALSE(off.TraceBoxTicked());
    EXPECT_FALSE(off.LogBoxesVisible());
}

TEST_F(SettingsTest, DropWindowSizeAndPlaceFollowTheScreen) {
    struct Case {
        const char* position;
        int width, top, left;
    } cases[] = {
        // Height is half the width; the centre of 1920x1080 with ties to even.
        {"F2Width=5000\n", 270, 472, 825},     {"F2Width=300\nF2Top=1\nF2Left=1\n", 300, 465, 810},
        {"F2Width=abc\n", 270, 472, 825},  // lenient 0: no window without a width
        {"F2Left=1\nF2Top=2\n", 270, 2, 1},    {"F2Left=40px\nF2Top=2000\n", 270, 1, 40},
        {"F2Left=3000\nF2Top=5\n", 270, 5, 1}, {"F2Left=-100\nF2Top=-5\n", 270, -5, -100},
    };
    for (const auto& c : cases) {
        WriteFile(ini_, std::string("[Position]\n") + c.position);
        SettingsModel model = MakeModel();
        const DropWindowSettings applied =
            model.ApplyDropWindowSettings({1920, 1080}, [](int width) { return width / 2; });
        EXPECT_EQ(applied.width, c.width) << c.position;
        EXPECT_EQ(applied.top, c.top) << c.position;
        EXPECT_EQ(applied.left, c.left) << c.position;
        EXPECT_EQ(model.Number(kDropWindowTop), c.top);
        EXPECT_EQ(model.Number(kDropWindowLeft), c.left);
    }
}

TEST_F(SettingsTest, DropWindowReadsCountryOnTopSetUpStatusAndStationeryMode) {
    auto apply = [this](const std::string& content) {
        WriteFile(ini_, content);
        SettingsModel model = MakeModel();
        return model.ApplyDropWindowSettings({1920, 1080}, [](int) { return 100; });
    };
    const DropWindowSettings none = apply("");
    EXPECT_EQ(none.country, "049");  // the system country
    EXPECT_FALSE(none.stay_on_top);
    EXPECT_EQ(none.setup_status, "0");
    EXPECT_FALSE(none.with_stationery);

    const DropWindowSettings set = apply(
        "[Opties]\nCountry=044\n[Run]\nDesktop voorgrond=y\nSetUpStatus=1\n"
        "[Overlay]\nMetofZonder=1\n");
    EXPECT_EQ(set.country, "044");
    EXPECT_TRUE(set.stay_on_top);
    EXPECT_EQ(set.setup_status, "1");
    EXPECT_TRUE(set.with_stationery);

    EXPECT_FALSE(apply("[Run]\nDesktop voorgrond=Y\n[Overlay]\nMetofZonder=2\n").stay_on_top);
}

TEST_F(SettingsTest, TheFallbackCountryReachesTheFileAndOnlyTheDropWindowCopy) {
    WriteFile(ini_, "[Opties]\nCountry=999\n");
    SettingsModel model = MakeModel();
    model.Load();
    model.ApplyDropWindowSettings({1920, 1080}, [](int) { return 100; });
    model.StoreDropWindowCountry("044");
    EXPECT_EQ(model.DropWindowCountry(), "044");
    EXPECT_EQ(model.Value(kCountryCode), "999");
    EXPECT_EQ(IniRead(ini_, kCountryCode.section, kCountryCode.key, ""), "044");
}

TEST_F(SettingsTest, ConfigurationWindowIsCentredOnlyForOneOne) {
    WriteFile(ini_, "");
    EXPECT_EQ(MakeModel().ConfigurationWindowPlace({1920, 1080}, 601, 400).left, 660);
    WriteFile(ini_, "[Position]\nF1Top=1\nF1Left=2\n");
    const WindowPlace kept = MakeModel().ConfigurationWindowPlace({1920, 1080}, 601, 400);
    EXPECT_EQ(kept.left, 2);
    EXPECT_EQ(kept.top, 1);
    // A bad value reads as the default, as in the load, and is a problem.
    WriteFile(ini_, "[Position]\nF1Top=top\n");
    SettingsModel model = MakeModel();
    const WindowPlace centred = model.ConfigurationWindowPlace({1920, 1080}, 600, 400);
    EXPECT_EQ(centred.top, 340);
    EXPECT_EQ(centred.left, 660);
    ASSERT_EQ(model.LoadProblems().size(), 1u);
    EXPECT_EQ(model.LoadProblems().front().key, kConfigurationWindowTop);
    EXPECT_EQ(model.LoadProblems().front().value, "top");
}

// Gives every setting a value that differs from its default.
void ChangeEverything(SettingsModel& model) {
    for (const SettingDefinition& d : SettingDefinitions()) {
        switch (d.form) {
            case SettingForm::kText:
                model.SetValue(d.key, "changed");
                break;
            case SettingForm::kItemIndex:
                model.SetItemIndex(d.key, 1);
                break;
            case SettingForm::kConverter:
                model.SetValue(d.key, "OO");
                break;
            case SettingForm::kTick01:
            case SettingForm::kTickOne:
            case SettingForm::kTickYN:
                model.SetChecked(d.key, !model.Checked(d.key));
                break;
            default:
                model.SetNumber(d.key, 7);
                break;
        }
    }
}

TEST_F(SettingsTest, EachSaveGroupWritesExactlyItsKeysAndKeepsTheRestOfTheFile) {
    const std::string kept_lines = "; my notes\n[Extra]\nOwn key=own value\n";
    for (int g = 1; g <= 7; ++g) {
        const auto group = static_cast<SaveGroup>(g);
        WriteFile(ini_, kept_lines);
        SettingsModel model = MakeModel();
        ChangeEverything(model);
        model.Save(group);

        const auto keys = SaveGroupKeys(group);
        for (const SettingDefinition& d : SettingDefinitions()) {
            const bool in_group = std::find(keys.begin(), keys.end(), d.key) != keys.end();
            EXPECT_EQ(IniRead(ini_, d.key.section, d.key.key, "absent"),
                      in_group ? model.Value(d.key) : "absent")
                << "G" << g << " " << d.key.section << "/" << d.key.key;
        }
        EXPECT_THAT(ReadText(ini_), ::testing::StartsWith(kept_lines)) << "G" << g;
        // The user name is refreshed from the environment by G1 to G4, never stored.
        EXPECT_EQ(model.Value(kUserName), g <= 4 ? "ann" : "changed");
    }
}

TEST_F(SettingsTest, ASaveKeepsWhatTheFileHoldsForKeysThatWereNotReadOrDidNotLoad) {
    const std::string file =
        "[Statistiek]\nAangemaakte bestanden=12x\nProgramma starts=7\n"
        "[Position]\nF2Top=40\nF2Left=50\n[Product]\nEmailAdr=ann@example.org\n";
    WriteFile(ini_, file);
    SettingsModel model = MakeModel();
    // Nothing read yet (a start that failed early): the end's save writes nothing.
    model.Save(SaveGroup::kG4);
    EXPECT_EQ(ReadText(ini_), file);

    model.Load();
    ASSERT_EQ(model.LoadProblems().size(), 1u);
    model.AddToNumber(kProgramStarts, 1);
    model.Save(SaveGroup::kG4);
    // The bad count stays for the user to see; the drop window never read
    // its place here, so that stays too; what was read or changed is written.
    EXPECT_EQ(IniRead(ini_, "Statistiek", "Aangemaakte bestanden", ""), "12x");
    EXPECT_EQ(IniRead(ini_, "Position", "F2Top", ""), "40");
    EXPECT_EQ(IniRead(ini_, "Position", "F2Left", ""), "50");
    EXPECT_EQ(IniRead(ini_, "Statistiek", "Programma starts", ""), "8");
    EXPECT_EQ(IniRead(ini_, "Product", "EmailAdr", ""), "ann@example.org");
    EXPECT_EQ(IniRead(ini_, "Statistiek", "Programma einde", "absent"), "0");
    // Once the count is set it is the user's choice and is saved.
    model.SetNumber(kFilesCreated, 3);
    model.Save(SaveGroup::kG4);
    EXPECT_EQ(IniRead(ini_, "Statistiek", "Aangemaakte bestanden", ""), "3");
}

TEST_F(SettingsTest, SaveGroupsWriteTheStoredForms) {
    SettingsModel model = MakeModel();
    model.Load();
    model.SetChecked(kStayOnTop, true);
    model.SetChecked(kLogBox, true);
    model.SetItemIndex(kLogSize, 3);
    model.Save(SaveGroup::kG2);
    EXPECT_EQ(ReadText(ini_),
              "[Loging]\nSpace=3\nTrace=1\nLog=0\n[Opties]\nHandbediening=0\n"
              "[Run]\nDesktop voorgrond=y\nWindows StartUp=n\nCheckForUpdates=0\n");
}

TEST_F(SettingsTest, ARefusedSaveRaisesUnableToWrite) {
    fs::create_directories(ini_);
    SettingsModel model = MakeModel();
    model.SetNumber(kDropWindowWidth, 300);
    EXPECT_THROW(
        {
            try {
                model.Save(SaveGroup::kG5);
            } catch (const std::runtime_error& error) {
                EXPECT_EQ(std::string(error.what()), "Unable to write to " + ini_.string());
                throw;
            }
        },
        std::runtime_error);
}

TEST_F(SettingsTest, SetValueBringsTextsToTheStoredFormAndTellsListeners) {
    SettingsModel model = MakeModel();
    std::vector<std::string> changes;
    model.AddListener([&](SettingKey key) {
        changes.push_back(std::string(key.section) + "/" + std::string(key.key));
    });
    model.SetValue(SettingKey{"opties", "pdfconverter"}, "oo");  // names match in any case
    model.SetValue(kStationeryPlacement, "5");                   // outside the list: no selection
    model.SetValue(kStationeryPlacement, "-1");                  // unchanged: no call
    model.AddToNumber(kProgramStarts, 2);

    EXPECT_EQ(model.Value(kPdfConverter), "OO");
    EXPECT_EQ(model.ItemIndex(kStationeryPlacement), -1);
    EXPECT_EQ(model.Value(kProgramStarts), "2");
    EXPECT_THAT(changes, ::testing::ElementsAre("Opties/PDFConverter", "Opties/Voorgrond",
                                                "Statistiek/Programma starts"));
    EXPECT_THROW(model.SetValue(kStationeryPlacement, "front"), std::invalid_argument);
    EXPECT_THROW(model.Value(SettingKey{kPdfConverter.section, "Nothing"}), std::out_of_range);
    EXPECT_THROW(model.Checked(kStationeryPlacement), std::invalid_argument);
}

TEST_F(SettingsTest, RunsSharingTheFileAddTheirCountsToWhatItHolds) {
    WriteFile(ini_, "[Statistiek]\nAangemaakte bestanden=10\nProgramma starts=4\n");
    SettingsModel a = MakeModel();
    SettingsModel b = MakeModel();
    a.Load();
    b.Load();
    const auto files = [this] {
        return IniRead(ini_, setting::kFilesCreated.section, setting::kFilesCreated.key, "");
    };
    const auto pages = [this] {
        return IniRead(ini_, setting::kPagesCreated.section, setting::kPagesCreated.key, "");
    };

    a.AddToNumber(setting::kFilesCreated, 2);
    a.AddToNumber(setting::kPagesCreated, 7);  // not in the file yet
    b.AddToNumber(setting::kFilesCreated, 3);
    b.AddToNumber(setting::kPagesCreated, 5);
    a.Save(SaveGroup::kG4);
    EXPECT_EQ(files(), "12");
    EXPECT_EQ(pages(), "7");
    b.Save(SaveGroup::kG4);
    EXPECT_EQ(files(), "15");
    EXPECT_EQ(pages(), "12");
    EXPECT_EQ(IniRead(ini_, setting::kProgramStarts.section, setting::kProgramStarts.key, ""), "4");
    EXPECT_EQ(b.Number(setting::kFilesCreated), 15);  // the model shows the total

    // What a save wrote is not added again by the next one.
    a.AddToNumber(setting::kFilesCreated, 1);
    a.Save(SaveGroup::kG4);
    b.Save(SaveGroup::kG4);
    EXPECT_EQ(files(), "16");
    EXPECT_EQ(a.Number(setting::kFilesCreated), 16);

    // A reset file starts again with the totals the ending run knows.
    fs::remove(ini_);
    b.Save(SaveGroup::kG4);
    EXPECT_EQ(files(), "16");
    EXPECT_EQ(pages(), "12");
}

TEST_F(SettingsTest, ConcurrentSavesLoseNoCounts) {
    constexpr int kRuns = 4;
    constexpr int kSavesEach = 5;
    std::vector<pid_t> children;
    for (int run = 0; run < kRuns; ++run) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            int code = 0;
            try {
                SettingsModel model = MakeModel();
                model.Load();
                for (int save = 0; save < kSavesEach; ++save) {
                    model.AddToNumber(setting::kFilesCreated, 1);
                    model.Save(SaveGroup::kG4);
                }
            } catch (...) {
                code = 1;
            }
            _exit(code);
        }
        children.push_back(child);
    }
    for (const pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(IniRead(ini_, setting::kFilesCreated.section, setting::kFilesCreated.key, ""),
              std::to_string(kRuns * kSavesEach));
}

}  // namespace
}  // namespace papyrion
