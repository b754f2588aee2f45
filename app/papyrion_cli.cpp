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
#include <system_error>
#include <vector>

#include "cli_options.h"
#include "core/restart.h"
#include "core/runstate.h"
#include "core/translation.h"
#include "core/userinterface.h"
#include "processing/inputlist.h"
#include "processing/processingrun.h"
#include "processing/runwiring.h"

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

// An option that names a folder to write into must name one that exists: the
// saved setting falls back to the input's folder, but a typed option that
// silently did so would put the outputs where nobody looks.
std::string MissingArchiveFolder(const CliOptions& options) {
    for (const SettingOverride& o : options.overrides) {
        std::error_code ec;
        if (o.key == setting::kArchiveFolder && !std::filesystem::is_directory(o.value, ec)) {
            return o.value;
        }
    }
    return std::string();
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
    // The program's own texts speak the language of the drop window's copy
    // of the country, which follows the system's locale.
    TranslationTable table(
        state.ProgramFolder(), settings.LoadDropWindowCountry(), ui,
        [&settings](const std::string& code) { settings.StoreDropWindowCountry(code); });
    table_ref = &table;
    // The stationery switch of the drop window holds for a run without windows too.
    settings.LoadStationerySwitch();
    const std::vector<SettingOverride> previous = ApplyOverrides(settings, options.overrides);
    // A value the settings file holds but that is no number stops the run
    // unless an option of this run replaced it: the run would otherwise use
    // a default the user never chose.
    if (const std::vector<SettingProblem> problems = settings.LoadProblems(); !problems.empty()) {
        for (const SettingProblem& problem : problems) Say(problem.Message());
        Say("mend the settings file or give the option for that setting; nothing was processed");
        RestoreOverrides(settings, previous);
        state.EndProgram(ui);
        return kExitSomeFailed;
    }

    RunWiringOptions wiring;
    wiring.search_path = LookUpEnv("PATH");
    // A password on the command line could be read by every user of the machine.
    wiring.input_password = LookUpEnv("PAPYRION_INPUT_PASSWORD");
    RunAssembly assembly(state, table, ui, wiring);
    ProcessingRun& run = assembly.Run();
    run.SetActionCode(options.action_code);
    std::vector<std::string> paths;
    for (const std::string& path : options.paths) {
        paths.push_back(std::filesystem::absolute(path).lexically_normal().string());
    }
    const DropFill fill = FillFromDrop(run.Inputs(), paths);
    const std::size_t inputs = run.Inputs().Size();
    const std::size_t left_out = fill.files_left_out + fill.folders_left_out;
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
    const SortedPathList& mailed = assembly.Mailed();
    for (const std::string& path : mailed.Entries()) state.TempFiles().Remove(path);
    const std::vector<FileOutcome> outcomes = run.Outcomes();
    std::size_t produced = 0;
    std::size_t failed = 0;
    for (const FileOutcome& outcome : outcomes) {
        if (outcome.Failed()) ++failed;
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
    if (failed > 0) {
        Say(std::to_string(failed) + " of " + std::to_string(inputs) + " input" +
            (inputs == 1 ? "" : "s") + " failed");
    }
    if (left_out > 0) {
        // The list holds at most so many files; the rest were not looked at.
        Say(std::to_string(fill.files_left_out) + " file(s)" +
            (fill.folders_left_out > 0
                 ? " and " + std::to_string(fill.folders_left_out) + " folder(s)"
                 : std::string()) +
            " were left out: one run takes at most " + std::to_string(kDropLimit) + " files");
    }
    if (ended_early) {
        Say("the run ended early; " + std::to_string(run.Inputs().Size()) +
            " file(s) were not processed");
    }
    const bool all_well =
        inputs > 0 && produced == inputs && failed == 0 && !ended_early && left_out == 0;
    return all_well ? kExitAllProduced : kExitSomeFailed;
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
    if (const std::string missing = MissingArchiveFolder(*parse.options); !missing.empty()) {
        Say("--archive: the folder does not exist: " + missing);
        return kExitUsage;
    }
    try {
        return Run(*parse.options);
    } catch (const std::exception& error) {
        Say("error: " + std::string(error.what()));
        return kExitSomeFailed;
    }
}
