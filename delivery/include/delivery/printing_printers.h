#pragma once
// The printer list of the configuration window (`cboPrinter`): the
// platform's printers in the platform's order and, last, the default-printer
// entry; its preselection, and the rule that turns the selected entry into
// the name of the printer a print goes to.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace papyrion {

// The printers the platform knows and its default printer device string.
class PrinterDirectory {
  public:
    virtual ~PrinterDirectory() = default;
    virtual std::vector<std::string> PrinterNames() = 0;
    // "name,driver,port"; "" when there is no default printer.
    virtual std::string DefaultDeviceString() = 0;
};

// CUPS destinations through the PDF engine.
std::unique_ptr<PrinterDirectory> MakeCupsPrinterDirectory();

// The device string of the default printer, read anew at every call.
std::string ReadDefaultPrinterDevice(PrinterDirectory& printers);

// The default printer's name: the device string before its first comma.
std::string DefaultPrinterName(std::string_view device);

// The platform's names, then `default_entry` (the translated `WindefPrt`).
std::vector<std::string> MakePrinterList(const std::vector<std::string>& names,
                                         const std::string& default_entry);

// The entry selected at loading: `stored_position` when it lies in the
// list, else the last entry that equals the start of `device` cut to the
// entry's length (case-sensitive), else -1.
int PreselectPrinter(const std::vector<std::string>& list, int stored_position,
                     std::string_view device);

// The printer name of one print. The default-printer entry (compared
// without regard to case) stands for the entry named like the default
// printer, the last such one; without a match its own text is the name.
// No selection gives "".
std::string ResolvePrinterName(const std::vector<std::string>& list, int selected,
                               std::string_view default_entry, std::string_view device);

// The printer combo box: its entries and selection.
struct PrinterChoice {
    std::vector<std::string> entries;
    int selected = -1;
    std::string default_entry;  // the `WindefPrt` text, the last entry
};

// Fills the list and preselects as the loading of the settings does;
// `stored_position` is `Opties`/`Printer`.
PrinterChoice LoadPrinterChoice(PrinterDirectory& printers, const std::string& default_entry,
                                int stored_position);

}  // namespace papyrion
