#include "processing/processingrun_cli.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "core/settings_keys.h"
#include "core/text_keys.h"
#include "delivery/printing.h"
#include "delivery/printing_printers.h"
#include "processing/composition_pdfengine.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

std::string PageFile(RunState& state, const SettingsModel& settings, UserInterface& ui,
                     SettingKey mode_key, SettingKey file_key, SettingKey page_key) {
    if (settings.ItemIndex(mode_key) <= 0) return std::string();
    const std::string source = settings.Value(file_key);
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(source, ec)) {
        // The composition goes on without this stationery; say so, since no
        // thumbnail shows it here.
        ui.ShowMessage("Stationery file not found, stamping without it: " + source);
        return std::string();
    }
    long long page = 1;
    try {
        page = std::max<long long>(1, settings.Number(page_key));
    } catch (const std::exception&) {
        page = 1;
    }
    const std::string target =
        state.TempDir() + fs::path(source).stem().string() + std::to_string(page) + ".pdf";
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
    return StampingPageFiles{PageFile(state, settings, ui, setting::kLetterheadMode,
                                      setting::kLetterheadFile, setting::kLetterheadPage),
                             PageFile(state, settings, ui, setting::kContinuationMode,
                                      setting::kContinuationFile, setting::kContinuationPage)};
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
            loaded.choice = LoadPrinterChoice(*loaded.directory, translate(text::kDefaultPrinter),
                                              settings.ItemIndex(setting::kPrinter));
            printer->emplace(std::move(loaded));
        }
        PrintSetup setup{ui, *(*printer)->directory, (*printer)->choice};
        PrintPdfFile(path, setup);
    };
}

}  // namespace papyrion
