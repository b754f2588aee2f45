#pragma once
// The processing run: every file of the input list in turn is converted to a
// PDF when it is an office file, copied and stamped, named and placed, and
// handed to the action the drop point chose (keep, print, mail, or as
// configured). Every step goes to the event log.
//
// The run talks to conversion, page files, printing and mail through the
// hand-offs below, so the windows, papyrion-cli and the tests can each wire
// in their own.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "core/eventlog.h"
#include "core/settings.h"
#include "core/settings_keys.h"
#include "core/sortedpathlist.h"
#include "core/userinterface.h"
#include "processing/composition.h"
#include "processing/inputlist.h"

namespace papyrion {

// The action codes of the drop icons.
inline constexpr std::string_view kActionPreview = "0";
inline constexpr std::string_view kActionKeep = "1";
inline constexpr std::string_view kActionMail = "2";
inline constexpr std::string_view kActionPrint = "3";
inline constexpr std::string_view kActionConfigured = "4";

// The single-page PDFs the stationery is stamped with ("" when none). A
// problem (the stationery file is missing or cannot be read) is the message
// naming the file: every input that is to get that stationery fails with it,
// rather than coming out without it.
struct StampingPageFiles {
    std::string letterhead;
    std::string continuation;
    std::string letterhead_problem;
    std::string continuation_problem;
};

struct RunHandOffs {
    // Cuts the chosen stationery pages into their page files.
    std::function<StampingPageFiles()> refresh_stationery_tab;
    // Both convert the input (first) into the PDF named second and give the
    // PDF made, or another path on failure.
    std::function<std::string(const std::string&, const std::string&)> convert_document;
    std::function<std::string(const std::string&, const std::string&)> convert_spreadsheet;
    // Tells the word processor this program started to quit.
    std::function<void()> quit_office;
    // Whether the file went to the printer.
    std::function<bool(const std::string&)> print_pdf_file;
    // Whether the mail program got the message; the argument is an output
    // or "MailinOne" for the whole mail collection.
    std::function<bool(const std::string&)> mail_output_file;
    std::function<void(std::chrono::milliseconds)> sleep;
};

// The configuration window's displays; any may be left empty.
struct RunDisplay {
    std::function<void(int position, int maximum)> progress;      // PB1
    std::function<void(const std::string&)> button_caption;       // Button2
    std::function<void(const std::string&)> output_list_caption;  // Label30
    std::function<void(int position, bool visible)> activity_bar;
};

struct RunServices {
    SettingsModel& settings;
    EventLog& log;
    UserInterface& ui;
    TranslateFn translate;
    SortedPathList& temp_files;
    SortedPathList& mail_collection;
    StationeryComposition& composition;
    RunHandOffs hand_offs;
    RunDisplay display;
    Clock clock = std::chrono::system_clock::now;
    // Where converted office files are written (the run's own temporary
    // folder); "" puts them in a hidden folder beside the output.
    std::string work_folder;
    // Opens encrypted inputs; "" for none.
    std::string input_password;
};

// What became of one input of the last run.
struct FileOutcome {
    std::string input;   // the entry as it was taken from the input list
    std::string output;  // the final output path; "" when none was produced
    bool produced = false;
    // Why the file, or the hand-off of its output, failed; "" when nothing did.
    // An output that was produced stays, also when its hand-off failed.
    std::string failure;
    int pages = 0;
    bool Failed() const { return !failure.empty(); }
};

// (counter + 1) * 100 / total to the nearest integer, halves to the even one.
int RunPercent(int file_counter, int total);

// The activity bar position after `position`: 1 to 99, then 1 again.
int NextActivityPosition(int position);

// `output` with every "_output" (any letter case) removed from its file name.
std::string WithoutOutputMarker(const std::string& output);

class ProcessingRun {
  public:
    explicit ProcessingRun(RunServices services);

    InputList& Inputs() { return inputs_; }
    const SortedPathList& OutputList() const { return outputs_; }
    void ClearOutputList() { outputs_.Clear(); }
    // "0" to "4"; any other text keeps every output and does nothing more.
    void SetActionCode(std::string code) { action_code_ = std::move(code); }
    const std::string& ActionCode() const { return action_code_; }
    // The number of files of the last dialog selection or of the command
    // line; it sets the progress bar's maximum when not 0.
    void SetSelectedFileCount(int count) { selected_file_count_ = count; }

    // Runs over the input list until it is empty. An error that escapes a
    // step (a conversion error raised by the suite) ends the run, leaving the
    // current and later entries in the list. A call made while a run is going
    // on (a drop handled while pending messages run) returns at once: the
    // going run takes the entries added to the list as well.
    void ProcessInputList();
    bool Running() const { return running_; }

    void AddOutputEntry(const std::string& path);
    void TraceSettings();
    void ActivityTick();

    const std::vector<FileOutcome>& Outcomes() const { return outcomes_; }

  private:
    struct Current {
        std::string entry;   // the input as listed
        std::string source;  // the PDF that is stamped (the converted file for office inputs)
        std::string output;
        bool office = false;
    };

    std::string Tr(std::string_view keyword) const;
    std::string ItemText(SettingKey key, std::initializer_list<std::string_view> items) const;
    int Item(SettingKey key) const;
    void ShowProgress(int percent);
    std::string ProcessEntry(Current& current, FileOutcome& outcome);
    std::string Convert(Current& current);
    std::string OutputName(const Current& current) const;
    std::string StationeryProblem() const;
    std::string WriteOutput(Current& current, FileOutcome& outcome);
    void Fail(FileOutcome& outcome, const std::string& reason);
    std::string HandOff(const std::string& output);
    std::string Mail(const std::string& output, bool discard_when_mailed);
    void FinishRun();

    RunServices services_;
    InputList inputs_;
    SortedPathList outputs_;
    std::string action_code_ = std::string(kActionKeep);
    int selected_file_count_ = 0;
    bool running_ = false;
    int activity_position_ = 0;
    int file_counter_ = 0;
    int total_ = 0;
    long long pages_done_ = 0;
    StampingPageFiles page_files_;
    std::vector<FileOutcome> outcomes_;
    // Outputs this run has written; no later input of the run may take their names.
    std::vector<std::string> written_;
    // Folders this run has cleared of side folders left by killed runs.
    std::vector<std::string> swept_;
};

}  // namespace papyrion
