// Every key of the settings file with its stored form and default, and the
// keys each save group writes.

#include <array>

#include "core/settings.h"
#include "core/settings_keys.h"
#include "core/text_keys.h"

namespace papyrion {

using namespace setting;
namespace {

using F = SettingForm;
using R = SettingReader;

constexpr SettingDefinition kDefinitions[] = {
    {kLetterheadFile, F::kText, text::kUnknown, true, 0, "Label20"},
    {kLetterheadPage, F::kInteger, "1", false, 0, "ScrollBar2"},
    {kContinuationFile, F::kText, text::kUnknown, true, 0, "Label40"},
    {kContinuationPage, F::kInteger, "1", false, 0, "ScrollBar3"},
    {kWithStationery, F::kTickOne, "0", false, 0, "Tform2.CheckBox1", R::kDropWindow},

    {kLetterheadMode, F::kItemIndex, "0", false, 4, "ComboBox1"},
    {kContinuationMode, F::kItemIndex, "0", false, 4, "ComboBox2"},
    {kStationeryPlacement, F::kItemIndex, "1", false, 2, "ComboBox3"},
    {kOverwriteInput, F::kItemIndex, "0", false, 2, "ComboBox4"},
    {kPrinter, F::kItemIndex, "-1", false, 0, "cboPrinter"},
    {kDirectPrint, F::kItemIndex, "0", false, 2, "ComboBox5"},
    {kDirectMail, F::kItemIndex, "0", false, 2, "ComboBox8"},
    {kAllInOneMail, F::kItemIndex, "0", false, 2, "ComboBox9"},
    {kDirectSave, F::kItemIndex, "0", false, 2, "ComboBox10"},
    {kCountryCode, F::kText, "031", false, 0, "TForm1 country code"},
    {kPdfConverter, F::kConverter, "MS", false, 0, "ComboBox13"},
    {kShowManualInput, F::kTick01, "0", false, 0, "CheckBox6"},

    {kLetterheadPages, F::kText, "1-999", false, 0, "Edit3"},
    {kContinuationPages, F::kText, "1-999", false, 0, "Edit5"},

    {kStayOnTop, F::kTickYN, "n", false, 0, "CheckBox4"},
    {kStartAtLogin, F::kTickYN, "n", false, 0, "CheckBox5"},
    {kShrinkWhileProcessing, F::kTickYN, "y", false, 0, "TForm1.CheckBox1"},
    {kUpdateCheckInterval, F::kItemIndex, "0", false, 5, "ComboBox12"},
    {kLastUpdateCheck, F::kLenient, "0", false, 0, "update check date"},
    {kSetupStatus, F::kText, "0", false, 0, "Setupstatusx", R::kDropWindow},
    {kRememberPassword, F::kText, "y", false, 0, "remember password"},
    {kPassword, F::kText, "", false, 0, "password"},
    {kFetchStationeryAutomatically, F::kText, "y", false, 0, "automatic stationery fetch"},

    {kArchiveFolder, F::kText, "", false, 0, "Label41"},
    {kArchiveOutputs, F::kItemIndex, "0", false, 2, "ComboBox6"},

    {kLogSize, F::kItemIndex, "0", false, 9, "ComboBox7"},
    {kLogBox, F::kTick01, "0", false, 0, "CheckBox2"},
    {kTraceBox, F::kTick01, "0", false, 0, "CheckBox3"},

    {kDropWindowTop, F::kLenient, "1", false, 0, "Tform2.Top", R::kDropWindow},
    {kDropWindowLeft, F::kLenient, "1", false, 0, "Tform2.Left", R::kDropWindow},
    {kDropWindowWidth, F::kLenient, "270", false, 0, "Tform2.Width", R::kDropWindow},
    {kConfigurationWindowTop, F::kInteger, "1", false, 0, "TForm1.Top", R::kConfigurationWindow},
    {kConfigurationWindowLeft, F::kInteger, "1", false, 0, "TForm1.Left", R::kConfigurationWindow},

    {kFilesCreated, F::kCounter, "0", false, 0, "Label36"},
    {kPagesCreated, F::kCounter, "0", false, 0, "Label37"},
    {kProgramStarts, F::kCounter, "0", false, 0, "start count"},
    {kProgramEnds, F::kCounter, "0", false, 0, "end count"},

    {kUseMailTemplate, F::kItemIndex, "0", false, 2, "ComboBox11"},

    {kAccountEmail, F::kText, "", false, 0, "account e-mail address"},

    {kUserName, F::kText, text::kUnknown, true, 0, "user name"},
};

constexpr SettingKey kG1[] = {
    kLetterheadFile,    kLetterheadPage,   kContinuationFile,    kContinuationPage,
    kLetterheadMode,    kContinuationMode, kStationeryPlacement, kLetterheadPages,
    kContinuationPages, kStayOnTop,        kStartAtLogin,
};
constexpr SettingKey kG2[] = {
    kLogSize, kLogBox, kTraceBox, kShowManualInput, kStayOnTop, kStartAtLogin, kUpdateCheckInterval,
};
constexpr SettingKey kG3[] = {
    kArchiveFolder, kArchiveOutputs, kPrinter,      kAllInOneMail,    kDirectSave,  kDirectMail,
    kDirectPrint,   kStayOnTop,      kStartAtLogin, kUseMailTemplate, kCountryCode,
};
constexpr SettingKey kG4[] = {
    kFilesCreated,    kPagesCreated,           kProgramStarts,
    kProgramEnds,     kAccountEmail,           kDropWindowTop,
    kDropWindowLeft,  kConfigurationWindowTop, kConfigurationWindowLeft,
    kArchiveFolder,   kArchiveOutputs,         kPdfConverter,
    kLastUpdateCheck, kRememberPassword,       kFetchStationeryAutomatically,
};
constexpr SettingKey kG5[] = {kDropWindowWidth};
constexpr SettingKey kG6[] = {kWithStationery};
constexpr SettingKey kG7[] = {kSetupStatus};

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
