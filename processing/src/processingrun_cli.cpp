#include "processing/processingrun_cli.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "core/settings_keys.h"
#include "core/text_keys.h"
#include "core/translation.h"
#include "delivery/printing.h"
#include "delivery/printing_printers.h"
#include "processing/composition_pdfengine.h"
#include "processing/pagefiles.h"

namespace papyrion {
namespace fs = std::filesystem;

namespace {

// The page file of one kind, or why the stationery of that kind cannot be
// laid: a run without it would hand on unstamped outputs as results.
struct PageFileResult {
    std::string file;
    std::string problem;
};

PageFileResult PageFile(RunState& state, const SettingsModel& settings,
                        const TranslateFn& translate, SettingKey mode_key, SettingKey file_key,
                        SettingKey page_key, std::string_view name) {
    if (settings.ItemIndex(mode_key) <= 0) return {};
    const std::string source = settings.Value(file_key);
    const auto text = [&translate](std::string_view keyword, std::string_view fallback) {
        std::string found = translate ? translate(keyword) : std::string(kMissingText);
        return IsMissingText(found) ? std::string(fallback) : found;
    };
    std::error_code ec;
    if (source.empty() || !fs::is_regular_file(source, ec)) {
        return {"", text(text::kStationeryMissing, "The stationery file does not exist: ") +
                        (source.empty() ? std::string(file_key.key) : source)};
    }
    long long page = 1;
    try {
        page = std::max<long long>(1, settings.Number(page_key));
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
        return {"",
                text(text::kStationeryUnreadable, "The stationery file cannot be read as a PDF: ") +
                    source};
    }
    return {target, ""};
}

}  // namespace

StampingPageFiles CliStationeryPages(RunState& state, const SettingsModel& settings,
                                     UserInterface& /*ui*/, const TranslateFn& translate) {
    const PageFileResult letterhead =
        PageFile(state, settings, translate, setting::kLetterheadMode, setting::kLetterheadFile,
                 setting::kLetterheadPage, kLetterheadPageName);
    const PageFileResult continuation =
        PageFile(state, settings, translate, setting::kContinuationMode, setting::kContinuationFile,
                 setting::kContinuationPage, kContinuationPageName);
    return StampingPageFiles{letterhead.file, continuation.file, letterhead.problem,
                             continuation.problem};
}

std::function<bool(const std::string&)> MakeCliPrinter(SettingsModel& settings, UserInterface& ui,
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
        return PrintPdfFile(path, setup);
    };
}

}  // namespace papyrion
