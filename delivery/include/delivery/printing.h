#pragma once
// Printing finished PDF files on the printer chosen in the configuration
// window, one fresh PDF engine a print.

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/userinterface.h"
#include "delivery/printing_printers.h"

namespace papyrion {

inline constexpr std::string_view kPrintJobTitle = "Papyrion of Korvendal printing";
inline constexpr std::string_view kPrintFailedMessage = "Printing failed return code=";
// Shown instead of printing a file the engine cannot open; the file's path follows.
inline constexpr std::string_view kNotPrintedUnreadable =
    "Not printed: the file is not a readable PDF: ";
inline constexpr std::string_view kNotPrintedPassword =
    "Not printed: the file is protected by a password: ";

struct PrintSetup {
    UserInterface& ui;
    PrinterDirectory& printers;
    const PrinterChoice& choice;
};

// Prints every page of `path`, fitted to the paper, turned and centred,
// under the program's job title. A missing file is skipped silently; a
// file that does not open as a PDF is reported and nothing is printed; a
// print the engine refuses shows "Printing failed return code=0". Whether
// the job went to the printer; never throws.
bool PrintPdfFile(const std::string& path, PrintSetup& setup);

// Every line of the output list in order: `select_line` with its index
// (the list shows progress), then PrintPdfFile when the file exists.
void PrintAllOutputFiles(const std::vector<std::string>& output_list, PrintSetup& setup,
                         const std::function<void(std::size_t)>& select_line);

}  // namespace papyrion
