#pragma once
// The run-wide state the program owns from start to end, and the start-up,
// close and end steps that involve no window. The windows and papyrion-cli
// call these steps in their own sequences.

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/environment.h"
#include "core/eventlog.h"
#include "core/filelock.h"
#include "core/settings.h"
#include "core/sortedpathlist.h"
#include "core/userinterface.h"

namespace papyrion {

// The build stamp shown in the "about" tab and written with the start entry.
inline constexpr std::string_view kBuildStamp = "2013-09-06_14:23:00";

struct RunHooks {
    TranslateFn translate;  // translated texts (`Onbekend`, `Resetmsg`)
    EnvironmentFn environment = EnvironmentValue;
    Clock clock = std::chrono::system_clock::now;
    std::function<void(std::chrono::milliseconds)> sleep;  // default: really sleep
};

class RunState {
  public:
    // Reads DIR, LAND and TEMPDIR once (which also creates the folders),
    // builds the paths and makes this run's folder (see RunTempDir()).
    // `program_folder` ends in "/" (see ProgramFolder()).
    RunState(std::string program_folder, RunHooks hooks);
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;
    // Removes this run's folder when EndProgram has not.
    ~RunState();

    const std::string& ProgramFolder() const { return program_folder_; }
    const std::string& Dir() const { return dir_; }
    const std::string& TempDir() const { return temp_dir_; }
    // This run's own folder inside TempDir(), ending in "/". Page files and
    // previews go here, so runs that share the data folder never remove or
    // overwrite each other's. A lock on a file inside it is held for the life
    // of the run; at construction the folders of runs that ended without
    // removing theirs (their lock is free) are removed. TempDir() itself when
    // no folder could be made there.
    const std::string& RunTempDir() const { return run_temp_dir_; }
    const std::filesystem::path& LogFile() const { return log_file_; }
    const std::filesystem::path& SettingsFile() const { return settings_file_; }
    const std::filesystem::path& BackupFile() const { return backup_file_; }
    // The country of the user's locale as found at start-up ("LAND"). The
    // configuration window's code is setting::kCountryCode, the drop
    // window's is Settings().DropWindowCountry().
    const std::string& SystemCountry() const { return system_country_; }

    SettingsModel& Settings() { return settings_; }
    const SettingsModel& Settings() const { return settings_; }
    EventLog& Log() { return log_; }
    SortedPathList& TempFiles() { return temp_files_; }
    SortedPathList& MailCollection() { return mail_collection_; }

    // The command-line arguments (file paths). CommandLineFile() is the first
    // one, "" without arguments; it decides whether the first activation of
    // the configuration window processes CommandLineFiles().
    void SetCommandLine(std::vector<std::string> arguments);
    const std::string& CommandLineFile() const { return command_line_file_; }
    const std::vector<std::string>& CommandLineFiles() const { return command_line_files_; }
    void ClearCommandLineFile() { command_line_file_.clear(); }

    // Configuration window creation, in its order (the window interleaves its
    // own steps and shows a raised error, skipping the rest):
    void LoadSettings();        // load all settings; an empty country becomes "031";
                                // values that do not fit stay in Settings().LoadProblems()
    void CountStart();          // setting::kProgramStarts + 1
    void InitialiseEventLog();  // create, delete or cut back the log by setting::kLogSize
    void WriteStartEntry();     // "00002I" Program start
    void BackupSettings(UserInterface& ui);  // DIR + "Papyrion.ono"; listed as a temporary file

    // The steps above in their order, for a run without windows. An error is
    // shown through `ui` and ends the sequence; returns whether all ran. Load
    // problems are no error here: the caller decides what they mean.
    bool RunStartup(UserInterface& ui);

    // Closing the configuration window: G4, wait one second, delete every
    // temporary file with a "00901I" entry, empty the list.
    void CloseConfiguration();

    // Program end: end count + 1, G4, "00009I" Program stop, delete the
    // temporary files and this run's folder. A failing save is shown through `ui` after the rest
    // has run, so the stop entry and the clean-up are never skipped.
    void EndProgram(UserInterface& ui);

    // Closing the drop window: store the stationery mode (G6).
    void StoreStationeryMode(bool with_stationery);

    // Copies the settings backup over the settings file (silently nothing
    // when there is no backup) and loads the settings again.
    void RestoreStartupSettings();

    // Asks the translated `Resetmsg`; on Yes deletes the settings file and the
    // log and calls `restart` (RestartProgram in the program). Returns the answer.
    bool ResetSettings(UserInterface& ui, const std::function<void()>& restart);

    void DeleteTempFiles(bool with_log_entries);

  private:
    void MakeRunFolder();
    void RemoveRunFolder();

    std::string program_folder_;
    RunHooks hooks_;
    std::string dir_;
    std::string temp_dir_;
    std::string run_temp_dir_;
    FileLock run_lock_;  // held while the run folder is this run's
    std::string system_country_;
    std::filesystem::path log_file_;
    std::filesystem::path settings_file_;
    std::filesystem::path backup_file_;
    SettingsModel settings_;
    EventLog log_;
    SortedPathList temp_files_;
    SortedPathList mail_collection_;
    std::string command_line_file_;
    std::vector<std::string> command_line_files_;
};

}  // namespace papyrion
