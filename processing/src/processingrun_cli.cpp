#include "processing/processingrun_cli.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "delivery/printing.h"
#include "delivery/printing_printers.h"
#include "processing/composition_pdfengine.h"
#include "processing/pagefiles.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

std::string PageFile(RunState& state, const SettingsModel& settings, UserInterface& ui,
                     std::string_view mode_key, std::string_view file_key,
                     std::string_view page_key, std::string_view name) {
    if (settings.ItemIndex("Opties", mode_key) <= 0) return std::string();
    const std::string source = settings.Value("Overlay", file_key);
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(source, ec)) {
        // The composition goes on without this stationery; say so, since no
        // thumbnail shows it here.
        ui.ShowMessage("Stationery file not found, stamping without it: " + source);
        return std::string();
    }
    long long page = 1;
    try {
        page = std::max<long long>(1, settings.Number("Overlay", page_key));
    } catch (const std::exception&) {
        page = 1;
    }
    // In this run's own folder and named by role: a run ending beside this one
    // removes only its own files, and a letterhead and a continuation file of
    // one name make two page files.
    const std::string target =
        state.RunTempDir() + std::string(name) + std::to_string(page) + ".pdf";
    state.TempFiles().Add(target);
    if (!ExtractSinglePage(source, static_cast<int>(page), target)) {
        ui.ShowMessage("The stationery file cannot be read as a PDF: " + source);
        return std::string();
    }
    return target;
}

}  // namespace

StampingPageFiles CliStationeryPages(RunState& state, const SettingsModel& settings,
                                     UserInterface& ui) {
    return StampingPageFiles{PageFile(state, settings, ui, "BriefPapier", "Brief papier",
                                      "Brief papier pagina", kLetterheadPageName),
                             PageFile(state, settings, ui, "VolgPapier", "Volg papier",
                                      "Volg papier pagina", kContinuationPageName)};
}

std::function<void(const std::string&)> MakeCliPrinter(SettingsModel& settings, UserInterface& ui,
                                                       TranslateFn translate) {
    // The printer list is read once, at the first print, as the windows read
    // it when the settings are loaded.
    struct Printer {
        std::unique_ptr<PrinterDirectory> directory;
        PrinterChoice choice;
    };
    auto printer = std::make_shared<std::optional<Printer>>();
    return [printer, &settings, &ui, translate](const std::string& path) {
        if (!*printer) {
            Printer loaded{MakeCupsPrinterDirectory(), {}};
            loaded.choice = LoadPrinterChoice(*loaded.directory, translate("WindefPrt"),
                                              settings.ItemIndex("Opties", "Printer"));
            printer->emplace(std::move(loaded));
        }
        PrintSetup setup{ui, *(*printer)->directory, (*printer)->choice};
        PrintPdfFile(path, setup);
    };
}

}  // namespace papyrion
