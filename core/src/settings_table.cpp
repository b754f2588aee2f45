// Every key of the settings file with its stored form and default, and the
// keys each save group writes.

#include <array>

#include "core/settings.h"

namespace papyrion {
namespace {

using F = SettingForm;

constexpr SettingDefinition kDefinitions[] = {
    {"Overlay", "Brief papier", F::kText, "Onbekend", true, 0, "Label20"},
    {"Overlay", "Brief papier pagina", F::kInteger, "1", false, 0, "ScrollBar2"},
    {"Overlay", "Volg papier", F::kText, "Onbekend", true, 0, "Label40"},
    {"Overlay", "Volg papier pagina", F::kInteger, "1", false, 0, "ScrollBar3"},
    {"Overlay", "MetofZonder", F::kTickOne, "0", false, 0, "Tform2.CheckBox1"},

    {"Opties", "BriefPapier", F::kItemIndex, "0", false, 4, "ComboBox1"},
    {"Opties", "VolgPapier", F::kItemIndex, "0", false, 4, "ComboBox2"},
    {"Opties", "Voorgrond", F::kItemIndex, "1", false, 2, "ComboBox3"},
    {"Opties", "OverschrijfInput", F::kItemIndex, "0", false, 2, "ComboBox4"},
    {"Opties", "Printer", F::kItemIndex, "-1", false, 0, "cboPrinter"},
    {"Opties", "DirectPrint", F::kItemIndex, "0", false, 2, "ComboBox5"},
    {"Opties", "DirectMail", F::kItemIndex, "0", false, 2, "ComboBox8"},
    {"Opties", "AllinOneMail", F::kItemIndex, "0", false, 2, "ComboBox9"},
    {"Opties", "Directsave", F::kItemIndex, "0", false, 2, "ComboBox10"},
    {"Opties", "Country", F::kText, "031", false, 0, "TForm1 country code"},
    {"Opties", "PDFConverter", F::kConverter, "MS", false, 0, "ComboBox13"},
    {"Opties", "Handbediening", F::kTick01, "0", false, 0, "CheckBox6"},

    {"Pagerange", "BriefPapier", F::kText, "1-999", false, 0, "Edit3"},
    {"Pagerange", "VolgPapier", F::kText, "1-999", false, 0, "Edit5"},

    {"Run", "Desktop voorgrond", F::kTickYN, "n", false, 0, "CheckBox4"},
    {"Run", "Windows StartUp", F::kTickYN, "n", false, 0, "CheckBox5"},
    {"Run", "MiniofMaxi", F::kTickYN, "y", false, 0, "TForm1.CheckBox1"},
    {"Run", "CheckForUpdates", F::kItemIndex, "0", false, 5, "ComboBox12"},
    {"Run", "Checkdate", F::kLenient, "0", false, 0, "update check date"},
    {"Run", "SetUpStatus", F::kText, "0", false, 0, "Setupstatusx"},
    {"Run", "SaveWW", F::kText, "y", false, 0, "remember password"},
    {"Run", "WachtWoord", F::kText, "", false, 0, "password"},
    {"Run", "AutoUpload", F::kText, "y", false, 0, "automatic stationery fetch"},

    {"Archief Directory", "Naam", F::kText, "", false, 0, "Label41"},
    {"Archief Directory", "Optie", F::kItemIndex, "0", false, 2, "ComboBox6"},

    {"Loging", "Space", F::kItemIndex, "0", false, 9, "ComboBox7"},
    {"Loging", "Trace", F::kTick01, "0", false, 0, "CheckBox2"},
    {"Loging", "Log", F::kTick01, "0", false, 0, "CheckBox3"},

    {"Position", "F2Top", F::kLenient, "1", false, 0, "Tform2.Top"},
    {"Position", "F2Left", F::kLenient, "1", false, 0, "Tform2.Left"},
    {"Position", "F2Width", F::kLenient, "270", false, 0, "Tform2.Width"},
    {"Position", "F1Top", F::kInteger, "1", false, 0, "TForm1.Top"},
    {"Position", "F1Left", F::kInteger, "1", false, 0, "TForm1.Left"},

    {"Statistiek", "Aangemaakte bestanden", F::kCounter, "0", false, 0, "Label36"},
    {"Statistiek", "Aangemaakte paginas", F::kCounter, "0", false, 0, "Label37"},
    {"Statistiek", "Programma starts", F::kCounter, "0", false, 0, "start count"},
    {"Statistiek", "Programma einde", F::kCounter, "0", false, 0, "end count"},

    {"Email", "EmailModel", F::kItemIndex, "0", false, 2, "ComboBox11"},

    {"Product", "EmailAdr", F::kText, "", false, 0, "account e-mail address"},

    {"User", "User", F::kText, "Onbekend", true, 0, "user name"},
};

constexpr SettingKey kG1[] = {
    {"Overlay", "Brief papier"}, {"Overlay", "Brief papier pagina"},
    {"Overlay", "Volg papier"},  {"Overlay", "Volg papier pagina"},
    {"Opties", "BriefPapier"},   {"Opties", "VolgPapier"},
    {"Opties", "Voorgrond"},     {"Pagerange", "BriefPapier"},
    {"Pagerange", "VolgPapier"}, {"Run", "Desktop voorgrond"},
    {"Run", "Windows StartUp"},
};
constexpr SettingKey kG2[] = {
    {"Loging", "Space"},         {"Loging", "Trace"},          {"Loging", "Log"},
    {"Opties", "Handbediening"}, {"Run", "Desktop voorgrond"}, {"Run", "Windows StartUp"},
    {"Run", "CheckForUpdates"},
};
constexpr SettingKey kG3[] = {
    {"Archief Directory", "Naam"}, {"Archief Directory", "Optie"}, {"Opties", "Printer"},
    {"Opties", "AllinOneMail"},    {"Opties", "Directsave"},       {"Opties", "DirectMail"},
    {"Opties", "DirectPrint"},     {"Run", "Desktop voorgrond"},   {"Run", "Windows StartUp"},
    {"Email", "EmailModel"},       {"Opties", "Country"},
};
constexpr SettingKey kG4[] = {
    {"Statistiek", "Aangemaakte bestanden"},
    {"Statistiek", "Aangemaakte paginas"},
    {"Statistiek", "Programma starts"},
    {"Statistiek", "Programma einde"},
    {"Product", "EmailAdr"},
    {"Position", "F2Top"},
    {"Position", "F2Left"},
    {"Position", "F1Top"},
    {"Position", "F1Left"},
    {"Archief Directory", "Naam"},
    {"Archief Directory", "Optie"},
    {"Opties", "PDFConverter"},
    {"Run", "Checkdate"},
    {"Run", "SaveWW"},
    {"Run", "AutoUpload"},
};
constexpr SettingKey kG5[] = {{"Position", "F2Width"}};
constexpr SettingKey kG6[] = {{"Overlay", "MetofZonder"}};
constexpr SettingKey kG7[] = {{"Run", "SetUpStatus"}};

}  // namespace

std::span<const SettingDefinition> SettingDefinitions() { return kDefinitions; }

std::span<const SettingKey> SaveGroupKeys(SaveGroup group) {
    switch (group) {
        case SaveGroup::kG1:
            return kG1;
        case SaveGroup::kG2:
            return kG2;
        case SaveGroup::kG3:
            return kG3;
        case SaveGroup::kG4:
            return kG4;
        case SaveGroup::kG5:
            return kG5;
        case SaveGroup::kG6:
            return kG6;
        case SaveGroup::kG7:
            return kG7;
    }
    return {};
}

}  // namespace papyrion
