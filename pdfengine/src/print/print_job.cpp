#include "print/print_job.h"

#include <utility>

#include "print/cups_job_options.h"
#include "print/cups_queue.h"

namespace papyrion::pdf {

int SubmitPrintJob(TPDFDocument& document, const PrintJobRequest& request) {
    CupsQueue queue(request.printer_name);
    const TPDFCustomPrinter none;
    const TPDFCustomPrinter& settings = request.settings ? *request.settings : none;
    const std::vector<JobOption> options = CupsJobOptions(settings);

    std::optional<std::string> media;
    for (const auto& [name, value] : options) {
        if (name == "media") media = value;
    }
    SheetGeometry sheet = queue.Sheet(media);
    // Landscape paper: the page is laid out on the turned sheet, and CUPS
    // is told the orientation so the driver feeds it the same way.
    if (settings.Override(PrinterSetting::kOrientation) == 2 && sheet.height > sheet.width) {
        sheet = {sheet.height, sheet.width, sheet.bottom, sheet.right, sheet.top, sheet.left};
    }
    const std::string pdf = BuildPrintDocument(document, request.first_page, request.last_page,
                                               sheet, request.scaling, request.auto_rotate_centre);
    return queue.Submit(pdf, request.title, options);
}

}  // namespace papyrion::pdf
