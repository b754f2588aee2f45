#pragma once
// One way to build a processing run on the real services: LibreOffice for
// conversion, the stationery page files, CUPS for printing and the desktop's
// mail composer. papyrion-cli and the windows assemble their runs with it;
// each passes its own user interface, and the windows their live printer.

#include <functional>
#include <memory>
#include <string>

#include "core/runstate.h"
#include "core/translation.h"
#include "core/userinterface.h"
#include "delivery/mailcomposition.h"
#include "platform/mailcomposer.h"
#include "platform/officeautomation_libreoffice.h"
#include "processing/composition.h"
#include "processing/conversion.h"
#include "processing/processingrun.h"

namespace papyrion {

struct RunWiringOptions {
    // Prints one output; the printer chosen in the settings when empty.
    std::function<bool(const std::string&)> print_pdf_file;
    // The stationery page files of the run; cut from the chosen stationery
    // files when empty.
    std::function<StampingPageFiles()> refresh_stationery_tab;
    // Opens encrypted inputs (all of a run share it); "" for none.
    std::string input_password;
    // PATH for finding the office suite.
    std::string search_path;
};

class RunAssembly {
  public:
    RunAssembly(RunState& state, TranslationTable& table, UserInterface& ui,
                RunWiringOptions options = {});
    RunAssembly(const RunAssembly&) = delete;
    RunAssembly& operator=(const RunAssembly&) = delete;

    ProcessingRun& Run() { return *run_; }
    // Outputs handed to the mail program in this run. The mail program may
    // read an attachment only when the user sends the message, long after
    // the run: a caller that ends the program keeps these on disk.
    const SortedPathList& Mailed() const { return mailed_; }

  private:
    LibreOfficeAutomation office_;
    OfficeConversion conversion_;
    std::unique_ptr<MailComposer> composer_;
    MailComposition mail_;
    StationeryComposition composition_;
    SortedPathList mailed_;
    std::unique_ptr<ProcessingRun> run_;
};

}  // namespace papyrion
