#include "delivery/printing.h"

#include <exception>
#include <filesystem>
#include <system_error>

#include "pdfengine/pdfengine.h"

namespace papyrion {

namespace {

bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

}  // namespace

bool PrintPdfFile(const std::string& path, PrintSetup& setup) {
    setup.ui.ActivityTick();
    const std::string printer =
        ResolvePrinterName(setup.choice.entries, setup.choice.selected, setup.choice.default_entry,
                           ReadDefaultPrinterDevice(setup.printers));
    pdf::PdfEngine engine;
    if (!FileExists(path)) return false;
    const std::string custom_printer = engine.RegisterCustomPrinter(printer);
    // Printing the engine's blank start page in place of a file it could
    // not open would hand the user an empty sheet as if all went well.
    if (engine.OpenFile(path, "") != 1) {
        const bool password = engine.LastError() == pdf::kErrorWrongPassword;
        setup.ui.ShowMessage(std::string(password ? kNotPrintedPassword : kNotPrintedUnreadable) +
                             path);
        return false;
    }
    const int pages = engine.CountPages();
    const int options = engine.MakePrintOptions(1, 1, std::string(kPrintJobTitle));
    int code = 0;
    try {
        code = engine.PrintPages(custom_printer, 1, pages, options);
    } catch (const std::exception&) {
        setup.ui.ShowMessage(std::string(kPrintFailedMessage) + std::to_string(code));
        return false;
    }
    return true;
}

void PrintAllOutputFiles(const std::vector<std::string>& output_list, PrintSetup& setup,
                         const std::function<void(std::size_t)>& select_line) {
    for (std::size_t i = 0; i < output_list.size(); ++i) {
        if (select_line) select_line(i);
        if (FileExists(output_list[i])) PrintPdfFile(output_list[i], setup);
    }
}

}  // namespace papyrion
