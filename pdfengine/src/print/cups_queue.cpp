#include "print/cups_queue.h"

#include "pdfengine/printers.h"

namespace papyrion::pdf {

namespace {

// CUPS sizes are hundredths of a millimetre.
double Points(int hundredths_of_mm) { return hundredths_of_mm * 72.0 / 2540.0; }

struct OptionsFree {
    int count = 0;
    cups_option_t* options = nullptr;
    ~OptionsFree() { cupsFreeOptions(count, options); }
};

const char* OptionValue(const cups_dest_t& dest, const char* name) {
    const char* value = cupsGetOption(name, dest.num_options, dest.options);
    return value ? value : "";
}

std::string FullName(const cups_dest_t& dest) {
    std::string name = dest.name ? dest.name : "";
    if (dest.instance) name += std::string("/") + dest.instance;
    return name;
}

}  // namespace

std::vector<PrinterEntry> ListPrinters() {
    cups_dest_t* dests = nullptr;
    const int count = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    std::vector<PrinterEntry> printers;
    for (int i = 0; i < count; ++i) {
        const cups_dest_t& dest = dests[i];
        printers.push_back({FullName(dest), dest.is_default != 0,
                            OptionValue(dest, "printer-make-and-model"),
                            OptionValue(dest, "device-uri")});
    }
    cupsFreeDests(count, dests);
    return printers;
}

std::string DefaultPrinterDevice() {
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, nullptr, nullptr);
    if (dest == nullptr) return {};
    std::string device = FullName(*dest) + "," + OptionValue(*dest, "printer-make-and-model") +
                         "," + OptionValue(*dest, "device-uri");
    cupsFreeDests(1, dest);
    return device;
}

CupsQueue::CupsQueue(const std::string& printer_name) : name_(printer_name) {
    std::string queue = printer_name;
    std::string instance;
    if (auto slash = queue.find('/'); slash != std::string::npos) {
        instance = queue.substr(slash + 1);
        queue.resize(slash);
    }
    // An empty name would make CUPS pick its default destination; a print
    // meant for a named printer must never land somewhere else.
    if (!queue.empty()) {
        dest_.reset(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.c_str(),
                                     instance.empty() ? nullptr : instance.c_str()));
    }
    if (!dest_) throw PrintError("The printer \"" + printer_name + "\" is not known to CUPS");
    info_.reset(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest_.get()));
}

CupsQueue::~CupsQueue() = default;

SheetGeometry CupsQueue::Sheet(const std::optional<std::string>& media_name) const {
    cups_size_t size{};
    bool found = false;
    if (info_ && media_name) {
        found = cupsGetDestMediaByName(CUPS_HTTP_DEFAULT, dest_.get(), info_.get(),
                                       media_name->c_str(), CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
    }
    if (info_ && !found) {
        found = cupsGetDestMediaDefault(CUPS_HTTP_DEFAULT, dest_.get(), info_.get(),
                                        CUPS_MEDIA_FLAGS_DEFAULT, &size) != 0;
    }
    SheetGeometry sheet;
    if (!found || size.width <= 0 || size.length <= 0) return sheet;
    sheet.width = Points(size.width);
    sheet.height = Points(size.length);
    sheet.left = Points(size.left);
    sheet.bottom = Points(size.bottom);
    sheet.right = Points(size.right);
    sheet.top = Points(size.top);
    // Margins that leave nothing to print on are a driver's mistake.
    if (sheet.PrintableWidth() <= 0 || sheet.PrintableHeight() <= 0) {
        sheet.left = sheet.bottom = sheet.right = sheet.top = 0;
    }
    return sheet;
}

int CupsQueue::Submit(const std::string& pdf, const std::string& title,
                      const std::vector<JobOption>& options) {
    OptionsFree job_options;
    for (const auto& [name, value] : options) {
        job_options.count =
            cupsAddOption(name.c_str(), value.c_str(), job_options.count, &job_options.options);
    }
    int job_id = 0;
    if (cupsCreateDestJob(CUPS_HTTP_DEFAULT, dest_.get(), info_.get(), &job_id, title.c_str(),
                          job_options.count, job_options.options) != IPP_STATUS_OK ||
        job_id <= 0) {
        throw PrintError("The printer \"" + name_ + "\" refused the job: " + cupsLastErrorString());
    }
    bool sent =
        cupsStartDestDocument(CUPS_HTTP_DEFAULT, dest_.get(), info_.get(), job_id, title.c_str(),
                              CUPS_FORMAT_PDF, 0, nullptr, 1) == HTTP_STATUS_CONTINUE;
    if (sent) {
        sent =
            cupsWriteRequestData(CUPS_HTTP_DEFAULT, pdf.data(), pdf.size()) == HTTP_STATUS_CONTINUE;
        // The document must be finished even after a failed write, or the
        // connection stays in the middle of a request.
        const bool finished =
            cupsFinishDestDocument(CUPS_HTTP_DEFAULT, dest_.get(), info_.get()) == IPP_STATUS_OK;
        sent = sent && finished;
    }
    if (!sent) {
        const std::string reason = cupsLastErrorString();
        cupsCancelDestJob(CUPS_HTTP_DEFAULT, dest_.get(), job_id);
        throw PrintError("The printer \"" + name_ + "\" refused the job: " + reason);
    }
    return job_id;
}

}  // namespace papyrion::pdf
