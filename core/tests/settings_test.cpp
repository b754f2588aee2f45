#include "core/settings.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "core/inifile.h"
#include "testsupport/files.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;
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
        EXPECT_EQ(model.Value(d.section, d.key), expected) << d.section << "/" << d.key;
    }
    EXPECT_EQ(model.ItemIndex("Opties", "Voorgrond"), 1);
    EXPECT_EQ(model.ItemIndex("Opties", "Printer"), -1);
    EXPECT_TRUE(model.Checked("Run", "MiniofMaxi"));
    EXPECT_EQ(model.ConverterItem(), 1);
    EXPECT_EQ(model.ArchiveFolder(), folder_.Path().string() + "/");
    // An absent archive folder is written back as an empty value at close.
    model.Save(SaveGroup::kG4);
    EXPECT_EQ(IniRead(ini_, "Archief Directory", "Naam", "absent"), "");
}

TEST_F(SettingsTest, StrictConversionStopsTheLoadWithTheValueInTheMessage) {
    struct Case {
        const char* line;
        const char* message;
    } cases[] = {
        {"[Opties]\nVoorgrond=\n", "'' is not a valid integer value"},
        {"[Overlay]\nBrief papier pagina=2a\n", "'2a' is not a valid integer value"},
        {"[Loging]\nSpace=3.0\n", "'3.0' is not a valid integer value"},
        {"[Archief Directory]\nOptie=ja\n", "'ja' is not a valid integer value"},
        {"[Statistiek]\nProgramma einde=-\n", "'-' is not a valid integer value"},
        {"[Opties]\nPrinter=4294967296\n", "'4294967296' is not a valid integer value"},
    };
    for (const auto& c : cases) {
        WriteFile(ini_,
                  std::string("[User]\nUser=bob\n[Product]\nEmailAdr=x@example.org\n") + c.line);
        SettingsModel model = MakeModel();
        try {
            model.Load();
            ADD_FAILURE() << "no error for " << c.line;
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), c.message);
        }
        EXPECT_EQ(model.Value("User", "User"), "bob") << "read before the error";
        EXPECT_EQ(model.Value("Product", "EmailAdr"), "") << "read after the error: skipped";
    }
}

TEST_F(SettingsTest, StrictValuesThatLoad) {
    SettingsModel model = LoadFrom(
        "[Statistiek]\nAangemaakte bestanden= 4294967296 \nProgramma starts=+3\n"
        "[Overlay]\nBrief papier pagina=-2\n");
    EXPECT_EQ(model.Number("Statistiek", "Aangemaakte bestanden"), 4294967296);
    EXPECT_EQ(model.Number("Statistiek", "Programma starts"), 3);
    EXPECT_EQ(model.Number("Overlay", "Brief papier pagina"), -2);
}

TEST_F(SettingsTest, ItemIndicesOutsideTheirListEndAsTheDefaultItem) {
    SettingsModel model = LoadFrom(
        "[Opties]\nBriefPapier=7\nVolgPapier=3\nVoorgrond=-1\nDirectPrint=2\nPrinter=12\n"
        "[Loging]\nSpace=9\n[Run]\nCheckForUpdates=4\n");
    EXPECT_EQ(model.ItemIndex("Opties", "BriefPapier"), 0);
    EXPECT_EQ(model.ItemIndex("Opties", "VolgPapier"), 3);
    EXPECT_EQ(model.ItemIndex("Opties", "Voorgrond"), 1);
    EXPECT_EQ(model.ItemIndex("Opties", "DirectPrint"), 0);
    EXPECT_EQ(model.ItemIndex("Opties", "Printer"), 12);  // the printer list is not known here
    EXPECT_EQ(model.ItemIndex("Loging", "Space"), 0);
    EXPECT_EQ(model.ItemIndex("Run", "CheckForUpdates"), 4);
}

TEST_F(SettingsTest, TextKeysTicksAndConverterTakeTheirForms) {
    struct Case {
        const char* file;
        const char* section;
        const char* key;
        const char* value;
    } cases[] = {
        {"[Run]\nDesktop voorgrond=Y\n", "Run", "Desktop voorgrond", "n"},  // only "y" ticks
        {"[Run]\nDesktop voorgrond=y\n", "Run", "Desktop voorgrond", "y"},
        {"[Opties]\nHandbediening=x\n", "Opties", "Handbediening", "1"},  // all but "0" tick
        {"[Opties]\nHandbediening=0\n", "Opties", "Handbediening", "0"},
        {"[Opties]\nPDFConverter=oo\n", "Opties", "PDFConverter", "OO"},
        {"[Opties]\nPDFConverter=Word\n", "Opties", "PDFConverter", "??"},
        {"[Run]\nSaveWW=Y\n", "Run", "SaveWW", "Y"},  // a text, kept as read
        {"[Run]\nCheckdate=45000abc\n", "Run", "Checkdate", "45000"},
        {"[Run]\nCheckdate=abc\n", "Run", "Checkdate", "0"},
        {"[Run]\nCheckdate=70000\n", "Run", "Checkdate", "4464"},       // low 16 bits
        {"[Overlay]\nBrief papier=\n", "Overlay", "Brief papier", ""},  // empty, not default
        {"[Opties]\nCountry=\n", "Opties", "Country", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadFrom(c.file).Value(c.section, c.key), c.value) << c.file;
    }
}

TEST_F(SettingsTest, PasswordIsReadOnlyWhenItIsToBeRemembered) {
    EXPECT_EQ(LoadFrom("[Run]\nSaveWW=y\nWachtWoord=abc\n").Value("Run", "WachtWoord"), "abc");
    EXPECT_EQ(LoadFrom("[Run]\nSaveWW=n\nWachtWoord=abc\n").Value("Run", "WachtWoord"), "");
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
        EXPECT_EQ(model.Number("Position", "F2Top"), c.top);
        EXPECT_EQ(model.Number("Position", "F2Left"), c.left);
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
    EXPECT_EQ(model.Value("Opties", "Country"), "999");
    EXPECT_EQ(IniRead(ini_, "Opties", "Country", ""), "044");
}

TEST_F(SettingsTest, ConfigurationWindowIsCentredOnlyForOneOne) {
    WriteFile(ini_, "");
    EXPECT_EQ(MakeModel().ConfigurationWindowPlace({1920, 1080}, 601, 400).left, 660);
    WriteFile(ini_, "[Position]\nF1Top=1\nF1Left=2\n");
    const WindowPlace kept = MakeModel().ConfigurationWindowPlace({1920, 1080}, 601, 400);
    EXPECT_EQ(kept.left, 2);
    EXPECT_EQ(kept.top, 1);
    WriteFile(ini_, "[Position]\nF1Top=top\n");
    EXPECT_THROW(MakeModel().ConfigurationWindowPlace({1920, 1080}, 600, 400), std::runtime_error);
}

// Gives every setting a value that differs from its default.
void ChangeEverything(SettingsModel& model) {
    for (const SettingDefinition& d : SettingDefinitions()) {
        switch (d.form) {
            case SettingForm::kText:
                model.SetValue(d.section, d.key, "changed");
                break;
            case SettingForm::kItemIndex:
                model.SetItemIndex(d.section, d.key, 1);
                break;
            case SettingForm::kConverter:
                model.SetValue(d.section, d.key, "OO");
                break;
            case SettingForm::kTick01:
            case SettingForm::kTickOne:
            case SettingForm::kTickYN:
                model.SetChecked(d.section, d.key, !model.Checked(d.section, d.key));
                break;
            default:
                model.SetNumber(d.section, d.key, 7);
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
            const bool in_group = std::any_of(keys.begin(), keys.end(), [&](const SettingKey& k) {
                return k.section == d.section && k.key == d.key;
            });
            EXPECT_EQ(IniRead(ini_, d.section, d.key, "absent"),
                      in_group ? model.Value(d.section, d.key) : "absent")
                << "G" << g << " " << d.section << "/" << d.key;
        }
        EXPECT_THAT(ReadText(ini_), ::testing::StartsWith(kept_lines)) << "G" << g;
        // The user name is refreshed from the environment by G1 to G4, never stored.
        EXPECT_EQ(model.Value("User", "User"), g <= 4 ? "ann" : "changed");
    }
}

TEST_F(SettingsTest, SaveGroupsWriteTheStoredForms) {
    SettingsModel model = MakeModel();
    model.SetChecked("Run", "Desktop voorgrond", true);
    model.SetChecked("Loging", "Trace", true);
    model.SetItemIndex("Loging", "Space", 3);
    model.Save(SaveGroup::kG2);
    EXPECT_EQ(ReadText(ini_),
              "[Loging]\nSpace=3\nTrace=1\nLog=0\n[Opties]\nHandbediening=0\n"
              "[Run]\nDesktop voorgrond=y\nWindows StartUp=n\nCheckForUpdates=0\n");
}

TEST_F(SettingsTest, ARefusedSaveRaisesUnableToWrite) {
    fs::create_directories(ini_);
    SettingsModel model = MakeModel();
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
    model.AddListener([&](std::string_view section, std::string_view key) {
        changes.push_back(std::string(section) + "/" + std::string(key));
    });
    model.SetValue("opties", "pdfconverter", "oo");
    model.SetValue("Opties", "Voorgrond", "5");   // outside the list: no selection
    model.SetValue("Opties", "Voorgrond", "-1");  // unchanged: no call
    model.AddToNumber("Statistiek", "Programma starts", 2);

    EXPECT_EQ(model.Value("Opties", "PDFConverter"), "OO");
    EXPECT_EQ(model.ItemIndex("Opties", "Voorgrond"), -1);
    EXPECT_EQ(model.Value("Statistiek", "Programma starts"), "2");
    EXPECT_THAT(changes, ::testing::ElementsAre("Opties/PDFConverter", "Opties/Voorgrond",
                                                "Statistiek/Programma starts"));
    EXPECT_THROW(model.SetValue("Opties", "Voorgrond", "front"), std::invalid_argument);
    EXPECT_THROW(model.Value("Opties", "Nothing"), std::out_of_range);
    EXPECT_THROW(model.Checked("Opties", "Voorgrond"), std::invalid_argument);
}

}  // namespace
}  // namespace papyrion
