#pragma once
// One CUPS destination, held open for one print: its paper and printable
// area, and the submission of a print-ready PDF under a job title.

#include <cups/cups.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "print/cups_job_options.h"

namespace papyrion::pdf {

// A sheet in PDF points: its size and the printable area within it.
struct SheetGeometry {
    double width = 612;
    double height = 792;
    double left = 0;  // margins
    double bottom = 0;
    double right = 0;
    double top = 0;
    double PrintableWidth() const { return width - left - right; }
    double PrintableHeight() const { return height - bottom - top; }
};

class CupsQueue {
  public:
    // Throws PrintError naming the printer when CUPS does not know it.
    explicit CupsQueue(const std::string& printer_name);
    ~CupsQueue();
    CupsQueue(const CupsQueue&) = delete;
    CupsQueue& operator=(const CupsQueue&) = delete;

    const std::string& Name() const { return name_; }

    // The named media when the printer has it, else its default media; the
    // US letter sheet without margins when CUPS tells nothing.
    SheetGeometry Sheet(const std::optional<std::string>& media_name) const;

    // Creates the job, sends the document and closes the job. Returns the
    // job id; throws PrintError with CUPS's reason when the job is refused
    // (a job that was created is cancelled first).
    int Submit(const std::string& pdf, const std::string& title,
               const std::vector<JobOption>& options);

  private:
    struct DestFree {
        void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
    };
    struct InfoFree {
        void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
    };
    std::string name_;
    std::unique_ptr<cups_dest_t, DestFree> dest_;
    std::unique_ptr<cups_dinfo_t, InfoFree> info_;
};

}  // namespace papyrion::pdf
