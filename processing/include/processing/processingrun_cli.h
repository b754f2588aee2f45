#pragma once
// The pieces of a run without windows that the windows otherwise provide:
// the stationery page files and the printer of the configuration window.

#include <functional>
#include <string>

#include "core/runstate.h"
#include "core/settings.h"
#include "core/userinterface.h"
#include "processing/processingrun.h"

namespace papyrion {

// The single-page files of the chosen letterhead and continuation pages, in
// the run's own temporary folder (role + page number + ".pdf"), listed as
// temporary files. A kind whose mode is "Geen" gets no page file; one whose
// stationery file is missing or cannot be read gets none either, and its
// problem names the file.
StampingPageFiles CliStationeryPages(RunState& state, const SettingsModel& settings,
                                     UserInterface& ui, const TranslateFn& translate);

// Prints one output on the printer chosen in the settings (`Opties`/`Printer`,
// a position in the list of CUPS destinations followed by the default-printer
// entry). `settings` and `ui` must outlive the printer.
std::function<bool(const std::string&)> MakeCliPrinter(SettingsModel& settings, UserInterface& ui,
                                                       TranslateFn translate);

}  // namespace papyrion
