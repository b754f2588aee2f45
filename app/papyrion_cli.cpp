// papyrion-cli: the processing run without windows, for scripts and servers.
// The paths are taken like a drop on the drop window (accepted suffixes,
// folders searched breadth first), processed with the saved settings and the
// options of this run, and every output is printed on a line of its own.

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "core/restart.h"
#include "core/runstate.h"
#include "core/translation.h"
#include "core/userinterface.h"
#include "delivery/mailcomposition.h"
#include "delivery/mailsetup.h"
#include "platform/officeautomation_libreoffice.h"
#include "processing/composition.h"
#include "processing/composition_pdfengine.h"
#include "processing/conversion.h"
#include "processing/inputlist.h"
#include "processing/processingrun.h"
#include "processing/processingrun_cli.h"
#include "processing/processingrun_options.h"

#ifndef PAPYRION_VERSION
#define PAPYRION_VERSION "0"
#endif

namespace papyrion {
namespace {

constexpr int kExitAllProduced = 0;
constexpr int kExitSomeFailed = 1;
constexpr int kExitUsage = 2;

void Say(const std::string& text) { std::fprintf(stderr, "papyrion-cli: %s\n", text.c_str()); }

// What the windows would show, on stderr: message boxes, errors, and the
// status strip as progress when the run has more than one file.
class StderrUserInterface : public UserInterface {
  public:
    void ShowStatus(int line, const std::string& text) override {
        if (line == 1 && show_progress && !text.empty()) Say(text);
    }
    void ActivityTick() override {}
    void ShowMessage(const std::string& text) override { Say(text); }
    void ShowError(const std::string& text) override { Say("error: " + text); }
    bool AskYesNo(const std::string& text) override {
        Say(text + " (no one to answer: no)");
        return false;
    }
    void ProcessPendingMessages() override {}

    bool show_progress = false;
};

std::string LookUpEnv(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

int Run(const CliOptions& options) {
    StderrUserInterface ui;
    TranslationTable* table_ref = nullptr;
    RunHooks hooks;
    hooks.translate = [&table_ref](std::string_view keyword) {
        return table_ref ? table_ref->Translate(keyword) : std::string("*");
    };
    RunState state(ProgramFolder(), hooks);
    if (!state.RunStartup(ui)) return kExitSomeFailed;
    SettingsModel& settings = state.Settings();
    TranslationTable table(
        state.ProgramFolder(), settings.Value("Opties", "Country"), ui,
        [&settings](const std::string& code) { settings.StoreDropWindowCountry(code); });
    table_ref = &table;
    const TranslateFn translate = [&table](std::string_view keyword) {
        return table.Translate(keyword);
    };
    const std::vector<SettingOverride> previous = ApplyOverrides(settings, options.overrides);

    LibreOfficeOptions office_options;
    office_options.temp_dir = state.TempDir();
    office_options.search_path = LookUpEnv("PATH");
    LibreOfficeAutomation office(office_options);
    OfficeConversion conversion(ConversionServices{office, settings, state.Log(), table, ui});

    std::unique_ptr<MailComposer> composer = MakeDesktopMailComposer(state);
    MailComposition mail(MailServicesOf(state, table, ui, *composer),
                         MailPlaceholders::FromTranslations(translate));

    StationeryComposition composition(
        CompositionServices{settings, state.Log(), ui, translate, MakePdfEngineFactory()});

    RunHandOffs hand_offs;
    hand_offs.refresh_stationery_tab = [&] { return CliStationeryPages(state, settings, ui); };
    hand_offs.convert_document = [&](const std::string& in) {
        return conversion.ConvertDocument(in);
    };
    hand_offs.convert_spreadsheet = [&](const std::string& in) {
        return conversion.ConvertSpreadsheet(in);
    };
    hand_offs.quit_office = [&] { conversion.QuitWord(); };
    hand_offs.print_pdf_file = MakeCliPrinter(settings, ui, translate);
    // The mail program may read an attachment only when the user sends the
    // message, long after this run has ended: mailed outputs stay on disk.
    SortedPathList mailed;
    hand_offs.mail_output_file = [&](const std::string& what) {
        try {
            if (what == kMailInOne) {
                for (const std::string& path : state.MailCollection().Entries()) mailed.Add(path);
            } else {
                mailed.Add(what);
            }
            return mail.MailOutputFile(what);
        } catch (const std::exception& error) {
            // Kept, not discarded: the mail program never got it.
            ui.ShowError(error.what());
            return false;
        }
    };

    ProcessingRun run(RunServices{settings,
                                  state.Log(),
                                  ui,
                                  translate,
                                  state.TempFiles(),
                                  state.MailCollection(),
                                  composition,
                                  hand_offs,
                                  {}});
    run.SetActionCode(options.action_code);
    std::vector<std::string> paths;
    for (const std::string& path : options.paths) {
        paths.push_back(std::filesystem::absolute(path).lexically_normal().string());
    }
    FillFromDrop(run.Inputs(), paths);
    const std::size_t inputs = run.Inputs().Size();
    ui.show_progress = inputs > 1;

    bool ended_early = false;
    if (inputs == 0) {
        Say("no file to process: give PDF, office files or folders that hold them");
    } else {
        try {
            run.ProcessInputList();
        } catch (const std::exception& error) {
            ui.ShowError(error.what());
            ended_early = true;
        }
    }

    RestoreOverrides(settings, previous);
    for (const std::string& path : mailed.Entries()) state.TempFiles().Remove(path);
    const std::vector<FileOutcome> outcomes = run.Outcomes();
    std::size_t produced = 0;
    for (const FileOutcome& outcome : outcomes) {
        if (!outcome.produced) continue;
        ++produced;
        const char* note = "";
        if (mailed.Contains(outcome.output)) {
            note = "\t(mailed)";
        } else if (state.TempFiles().Contains(outcome.output)) {
            note = "\t(handed on, removed at the end)";
        }
        std::printf("%s%s\n", outcome.output.c_str(), note);
    }
    state.EndProgram(ui);
    std::printf("%zu of %zu input%s gave an output\n", produced, inputs, inputs == 1 ? "" : "s");
    if (ended_early) {
        Say("the run ended early; " + std::to_string(run.Inputs().Size()) +
            " file(s) were not processed");
    }
    return (inputs > 0 && produced == inputs && !ended_early) ? kExitAllProduced : kExitSomeFailed;
}

}  // namespace
}  // namespace papyrion

int main(int argc, char** argv) {
    using namespace papyrion;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const CliParse parse = ParseCliArguments(arguments);
    if (!parse.options) {
        Say(parse.error);
        std::fputs(std::string(kCliUsage).c_str(), stderr);
        return kExitUsage;
    }
    if (parse.options->help) {
        std::fputs(std::string(kCliUsage).c_str(), stdout);
        return 0;
    }
    if (parse.options->version) {
        std::printf("papyrion-cli %s\n", PAPYRION_VERSION);
        return 0;
    }
    try {
        return Run(*parse.options);
    } catch (const std::exception& error) {
        Say("error: " + std::string(error.what()));
        return kExitSomeFailed;
    }
}
