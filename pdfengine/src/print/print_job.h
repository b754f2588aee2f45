#pragma once
// One print: a page range of a document laid out on the printer's sheets
// and handed to CUPS under a title, with the custom printer's settings as
// job options.

#include <string>

#include "print/custom_printer.h"
#include "print/print_layout.h"

namespace papyrion::pdf {

class TPDFDocument;

struct PrintJobRequest {
    std::string printer_name;                     // the CUPS destination
    const TPDFCustomPrinter* settings = nullptr;  // overrides, or none
    int first_page = 1;                           // within the document
    int last_page = 1;
    ScalingMode scaling = ScalingMode::kFit;
    bool auto_rotate_centre = true;
    std::string title;
};

// Returns the CUPS job id. Throws PrintError for a printer CUPS does not
// know, a document that cannot be laid out, or a refused job.
int SubmitPrintJob(TPDFDocument& document, const PrintJobRequest& request);

}  // namespace papyrion::pdf
