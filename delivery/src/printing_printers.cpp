#include "delivery/printing_printers.h"

#include <algorithm>
#include <cctype>

#include "pdfengine/printers.h"

namespace papyrion {

namespace {

class CupsPrinterDirectory : public PrinterDirectory {
  public:
    std::vector<std::string> PrinterNames() override {
        std::vector<std::string> names;
        for (const auto& printer : pdf::ListPrinters()) names.push_back(printer.name);
        return names;
    }
    std::string DefaultDeviceString() override { return pdf::DefaultPrinterDevice(); }
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::unique_ptr<PrinterDirectory> MakeCupsPrinterDirectory() {
    return std::make_unique<CupsPrinterDirectory>();
}

std::string ReadDefaultPrinterDevice(PrinterDirectory& printers) {
    // The profile value was read into a buffer of 255 characters.
    std::string device = printers.DefaultDeviceString();
    if (device.size() > 254) device.resize(254);
    return device;
}

std::string DefaultPrinterName(std::string_view device) {
    return std::string(device.substr(0, device.find(',')));
}

std::vector<std::string> MakePrinterList(const std::vector<std::string>& names,
                                         const std::string& default_entry) {
    std::vector<std::string> list = names;
    list.push_back(default_entry);
    return list;
}

int PreselectPrinter(const std::vector<std::string>& list, int stored_position,
                     std::string_view device) {
    if (stored_position >= 0 && stored_position < static_cast<int>(list.size())) {
        return stored_position;
    }
    int selected = -1;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (device.substr(0, list[i].size()) == list[i]) selected = static_cast<int>(i);
    }
    return selected;
}

std::string ResolvePrinterName(const std::vector<std::string>& list, int selected,
                               std::string_view default_entry, std::string_view device) {
    if (selected < 0 || selected >= static_cast<int>(list.size())) return {};
    std::string name = list[static_cast<std::size_t>(selected)];
    if (EqualIgnoringCase(name, default_entry)) {
        const std::string wanted = DefaultPrinterName(device);
        for (const std::string& entry : list) {
            if (entry == wanted) name = entry;
        }
    }
    return name;
}

PrinterChoice LoadPrinterChoice(PrinterDirectory& printers, const std::string& default_entry,
                                int stored_position) {
    PrinterChoice choice;
    choice.default_entry = default_entry;
    choice.entries = MakePrinterList(printers.PrinterNames(), default_entry);
    choice.selected =
        PreselectPrinter(choice.entries, stored_position, ReadDefaultPrinterDevice(printers));
    return choice;
}

}  // namespace papyrion
