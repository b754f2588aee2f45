#pragma once
// A custom-printer entry: a printer name with the device settings a caller
// chose for it. The settings are numbered and valued as a Windows device
// mode (DEVMODE) has them, because stored callers speak that language; the
// CUPS side translates them into job options (cups_job_options.h).

#include <array>
#include <cstdint>
#include <string>

namespace papyrion::pdf {

// Setting numbers of ConfigureCustomPrinter.
enum class PrinterSetting : int {
    kPaperSize = 1,    // DMPAPER_* code, 1 to 68
    kPaperLength = 2,  // tenths of a millimetre
    kPaperWidth = 3,   // tenths of a millimetre
    kCopies = 4,
    kPrintQuality = 5,  // 1 high, 2 medium, 3 low, 4 draft; stored as -4 .. -1
    kColour = 6,        // 1 monochrome, 2 colour
    kDuplex = 7,        // 1 simplex, 2 long edge (vertical), 3 short edge (horizontal)
    kCollate = 8,       // 0 or 1
    kPaperSource = 9,   // DMBIN_* code
    kMediaType = 10,    // DMMEDIA_* code
    kOrientation = 11,  // 1 portrait, 2 landscape
};
inline constexpr int kPrinterSettingCount = 11;
inline constexpr int kNotSet = -1;

struct TPDFCustomPrinter {
    std::string target_printer;
    // Index 0 is setting 1. kNotSet until configured.
    std::array<int, kPrinterSettingCount> overrides = {kNotSet, kNotSet, kNotSet, kNotSet,
                                                       kNotSet, kNotSet, kNotSet, kNotSet,
                                                       kNotSet, kNotSet, kNotSet};
    // The device-mode field bits (DM_*) of the settings that were configured.
    std::uint32_t fields_mask = 0;

    // The configured value, or kNotSet. Whether a setting was configured is
    // read from the fields mask: the stored draft quality is -1 as well.
    int Override(PrinterSetting setting) const;
    bool IsSet(PrinterSetting setting) const;
};

// The DM_* bit that a setting marks in the fields mask; 0 for an unknown setting.
std::uint32_t DeviceModeFieldBit(int setting);

// Stores `value` for `setting` when the value is one the setting accepts;
// false and no change otherwise.
bool ConfigureSetting(TPDFCustomPrinter& printer, int setting, int value);

}  // namespace papyrion::pdf
