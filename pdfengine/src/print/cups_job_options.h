#pragma once
// The CUPS job options that stand for the device settings of a custom
// printer. A pure function, so the whole table is tested without a queue.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "print/custom_printer.h"

namespace papyrion::pdf {

using JobOption = std::pair<std::string, std::string>;

// The PWG media name of a DMPAPER_* code; nullopt for codes without a
// standard counterpart (those leave the printer's default paper).
std::optional<std::string> MediaNameOfPaperSize(int dmpaper);

// Options in a fixed order: media, copies, sides, print-color-mode,
// orientation-requested, print-quality, collate, media-source, media-type.
// A paper width and length both set give a custom media size, which wins
// over the paper size code, as in a device mode. Settings without a CUPS
// counterpart give no option.
std::vector<JobOption> CupsJobOptions(const TPDFCustomPrinter& printer);

}  // namespace papyrion::pdf
