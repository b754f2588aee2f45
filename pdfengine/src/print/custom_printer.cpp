#include "print/custom_printer.h"

#include <climits>

namespace papyrion::pdf {

namespace {

struct SettingRule {
    int minimum;
    int maximum;
    std::uint32_t field_bit;  // DM_* of wingdi.h
};

// Indexed by setting number - 1.
constexpr SettingRule kRules[kPrinterSettingCount] = {
    {1, 68, 0x2},             // DM_PAPERSIZE
    {1, INT_MAX, 0x4},        // DM_PAPERLENGTH
    {1, INT_MAX, 0x8},        // DM_PAPERWIDTH
    {1, INT_MAX, 0x100},      // DM_COPIES
    {1, 4, 0x400},            // DM_PRINTQUALITY
    {1, 2, 0x800},            // DM_COLOR
    {1, 3, 0x1000},           // DM_DUPLEX
    {0, 1, 0x8000},           // DM_COLLATE
    {1, INT_MAX, 0x200},      // DM_DEFAULTSOURCE
    {1, INT_MAX, 0x8000000},  // DM_MEDIATYPE
    {1, 2, 0x1},              // DM_ORIENTATION
};

}  // namespace

std::uint32_t DeviceModeFieldBit(int setting) {
    if (setting < 1 || setting > kPrinterSettingCount) return 0;
    return kRules[setting - 1].field_bit;
}

int TPDFCustomPrinter::Override(PrinterSetting setting) const {
    const int number = static_cast<int>(setting);
    if ((fields_mask & DeviceModeFieldBit(number)) == 0) return kNotSet;
    return overrides[static_cast<std::size_t>(number - 1)];
}

bool TPDFCustomPrinter::IsSet(PrinterSetting setting) const {
    return (fields_mask & DeviceModeFieldBit(static_cast<int>(setting))) != 0;
}

bool ConfigureSetting(TPDFCustomPrinter& printer, int setting, int value) {
    if (setting < 1 || setting > kPrinterSettingCount) return false;
    const SettingRule& rule = kRules[setting - 1];
    if (value < rule.minimum || value > rule.maximum) return false;
    // The device mode keeps quality as the negative DMRES_* codes.
    if (setting == static_cast<int>(PrinterSetting::kPrintQuality)) value -= 5;
    printer.overrides[static_cast<std::size_t>(setting - 1)] = value;
    printer.fields_mask |= rule.field_bit;
    return true;
}

}  // namespace papyrion::pdf
