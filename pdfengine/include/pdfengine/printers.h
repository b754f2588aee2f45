#pragma once
// The printers the engine can print on (CUPS destinations) and the error
// that printing raises. Printing is the one place where the engine raises:
// a printer that is not known or a job that is refused.

#include <stdexcept>
#include <string>
#include <vector>

namespace papyrion::pdf {

class PrintError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct PrinterEntry {
    std::string name;  // "queue" or "queue/instance", as CUPS names it
    bool is_default = false;
    std::string driver;  // printer-make-and-model
    std::string uri;     // device-uri
};

// Every destination in the order CUPS lists them; empty when there is no
// scheduler. Never throws.
std::vector<PrinterEntry> ListPrinters();

// The default destination as "name,driver,uri" (the name is what callers
// use), or "" when there is none. Never throws.
std::string DefaultPrinterDevice();

}  // namespace papyrion::pdf
