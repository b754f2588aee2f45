#pragma once
// Every key of the settings file, once. The section and key names are those
// stored files already use (and other programs read), so they stay as they
// are; the constant names say what the value is.

#include <string_view>

namespace papyrion {

struct SettingKey {
    std::string_view section;
    std::string_view key;

    friend constexpr bool operator==(const SettingKey&, const SettingKey&) = default;
};

namespace setting {

// Stationery files and the page of each that is used.
inline constexpr SettingKey kLetterheadFile{"Overlay", "Brief papier"};
inline constexpr SettingKey kLetterheadPage{"Overlay", "Brief papier pagina"};
inline constexpr SettingKey kContinuationFile{"Overlay", "Volg papier"};
inline constexpr SettingKey kContinuationPage{"Overlay", "Volg papier pagina"};
// The drop window stamps with stationery or passes files through.
inline constexpr SettingKey kWithStationery{"Overlay", "MetofZonder"};

// Which pages get the letterhead and the continuation page, and the ranges
// used by the range modes.
inline constexpr SettingKey kLetterheadMode{"Opties", "BriefPapier"};
inline constexpr SettingKey kContinuationMode{"Opties", "VolgPapier"};
inline constexpr SettingKey kLetterheadPages{"Pagerange", "BriefPapier"};
inline constexpr SettingKey kContinuationPages{"Pagerange", "VolgPapier"};
// Stationery in front of (0) or behind (1) the page content.
inline constexpr SettingKey kStationeryPlacement{"Opties", "Voorgrond"};
inline constexpr SettingKey kOverwriteInput{"Opties", "OverschrijfInput"};
inline constexpr SettingKey kPrinter{"Opties", "Printer"};
inline constexpr SettingKey kDirectPrint{"Opties", "DirectPrint"};
inline constexpr SettingKey kDirectMail{"Opties", "DirectMail"};
inline constexpr SettingKey kAllInOneMail{"Opties", "AllinOneMail"};
inline constexpr SettingKey kDirectSave{"Opties", "Directsave"};
// The configuration window's country code (language of the texts).
inline constexpr SettingKey kCountryCode{"Opties", "Country"};
inline constexpr SettingKey kPdfConverter{"Opties", "PDFConverter"};
inline constexpr SettingKey kShowManualInput{"Opties", "Handbediening"};

inline constexpr SettingKey kStayOnTop{"Run", "Desktop voorgrond"};
inline constexpr SettingKey kStartAtLogin{"Run", "Windows StartUp"};
inline constexpr SettingKey kShrinkWhileProcessing{"Run", "MiniofMaxi"};
inline constexpr SettingKey kUpdateCheckInterval{"Run", "CheckForUpdates"};
inline constexpr SettingKey kLastUpdateCheck{"Run", "Checkdate"};
inline constexpr SettingKey kSetupStatus{"Run", "SetUpStatus"};
inline constexpr SettingKey kRememberPassword{"Run", "SaveWW"};
inline constexpr SettingKey kPassword{"Run", "WachtWoord"};
inline constexpr SettingKey kFetchStationeryAutomatically{"Run", "AutoUpload"};

inline constexpr SettingKey kArchiveFolder{"Archief Directory", "Naam"};
inline constexpr SettingKey kArchiveOutputs{"Archief Directory", "Optie"};

// Logging on or off and the size limit of the log file.
inline constexpr SettingKey kLogSize{"Loging", "Space"};
// The key names are crossed on purpose, stored files depend on it: the box
// captioned "Log" is stored under "Trace" and the box captioned "Trace"
// under "Log".
inline constexpr SettingKey kLogBox{"Loging", "Trace"};
inline constexpr SettingKey kTraceBox{"Loging", "Log"};

inline constexpr SettingKey kDropWindowTop{"Position", "F2Top"};
inline constexpr SettingKey kDropWindowLeft{"Position", "F2Left"};
inline constexpr SettingKey kDropWindowWidth{"Position", "F2Width"};
inline constexpr SettingKey kConfigurationWindowTop{"Position", "F1Top"};
inline constexpr SettingKey kConfigurationWindowLeft{"Position", "F1Left"};

inline constexpr SettingKey kFilesCreated{"Statistiek", "Aangemaakte bestanden"};
inline constexpr SettingKey kPagesCreated{"Statistiek", "Aangemaakte paginas"};
inline constexpr SettingKey kProgramStarts{"Statistiek", "Programma starts"};
inline constexpr SettingKey kProgramEnds{"Statistiek", "Programma einde"};

// Item 0 ("Ja") builds mails from the user's template, item 1 sends the bare
// message.
inline constexpr SettingKey kUseMailTemplate{"Email", "EmailModel"};

inline constexpr SettingKey kAccountEmail{"Product", "EmailAdr"};

inline constexpr SettingKey kUserName{"User", "User"};

}  // namespace setting

}  // namespace papyrion
