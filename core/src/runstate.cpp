#include "core/runstate.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "core/inifile.h"
#include "core/text_keys.h"
#include "platform/atomicfile.h"

namespace papyrion {
namespace {

namespace fs = std::filesystem;

std::string Counts(const SettingsModel& settings) {
    return std::to_string(settings.Number(setting::kFilesCreated)) + ";" +
           std::to_string(settings.Number(setting::kPagesCreated));
}

// Every run folder is TEMPDIR + kRunFolderPrefix + pid + "-" + a unique
// part, and holds kRunLockName, locked by its run for the run's life.
constexpr std::string_view kRunFolderPrefix = "run-";
constexpr const char* kRunLockName = ".lock";
// In TEMPDIR: held while run folders are made or swept, so a sweep never
// sees a new folder before its run holds the folder's lock.
constexpr const char* kRunFoldersLockName = ".runs.lock";

// Removes the run folders whose run has ended: nobody holds their lock (the
// lock dies with its process, whatever became of the process id since), or
// they have no lock file at all, which a live run always has.
void RemoveEndedRunFolders(const fs::path& temp_dir) {
    std::error_code ec;
    std::vector<fs::path> ended;
    for (fs::directory_iterator it(temp_dir, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& folder = it->path();
        if (!folder.filename().string().starts_with(kRunFolderPrefix)) continue;
        std::error_code status_ec;
        if (!fs::is_directory(fs::symlink_status(folder, status_ec))) continue;
        ended.push_back(folder);
    }
    for (const fs::path& folder : ended) {
        FileLock::Try result = FileLock::Try::kHeldElsewhere;
        // Held while removing, so the lock file goes last.
        const FileLock lock = FileLock::TryAcquire(folder / kRunLockName, result);
        if (result == FileLock::Try::kHeldElsewhere) continue;
        std::error_code remove_ec;
        fs::remove_all(folder, remove_ec);
    }
}

}  // namespace

RunState::RunState(std::string program_folder, RunHooks hooks)
    : program_folder_(std::move(program_folder)),
      hooks_(std::move(hooks)),
      dir_(hooks_.environment("DIR")),
      temp_dir_(hooks_.environment("Tempdir")),
      system_country_(hooks_.environment("LAND")),
      log_file_(dir_ + "Papyrion_Log.csv"),
      settings_file_(dir_ + "Papyrion.ini"),
      backup_file_(dir_ + "Papyrion" + ".ono"),
      settings_(settings_file_, hooks_.translate, hooks_.environment),
      log_(log_file_,
           LogSwitches{[this] { return settings_.LogBoxTicked(); },
                       [this] { return settings_.TraceBoxTicked(); }},
           hooks_.clock) {
    if (!hooks_.sleep) {
        hooks_.sleep = [](std::chrono::milliseconds span) { std::this_thread::sleep_for(span); };
    }
    MakeRunFolder();
}

RunState::~RunState() { RemoveRunFolder(); }

void RunState::MakeRunFolder() {
    run_temp_dir_ = temp_dir_;
    if (temp_dir_.empty()) return;
    std::error_code ec;
    fs::create_directories(temp_dir_, ec);
    const FileLock folders_lock = FileLock::Acquire(fs::path(temp_dir_) / kRunFoldersLockName);
    // Without it a sweep could take a folder that another run is making.
    if (!folders_lock.Held()) return;
    RemoveEndedRunFolders(temp_dir_);
    std::string pattern =
        temp_dir_ + std::string(kRunFolderPrefix) + std::to_string(getpid()) + "-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) return;
    run_lock_ = FileLock::Acquire(fs::path(pattern) / kRunLockName);
    if (!run_lock_.Held()) {
        fs::remove_all(pattern, ec);
        return;
    }
    run_temp_dir_ = pattern + "/";
}

void RunState::RemoveRunFolder() {
    if (!run_lock_.Held()) return;
    std::error_code ec;
    fs::remove_all(run_temp_dir_, ec);
    run_lock_.Release();
}

void RunState::SetCommandLine(std::vector<std::string> arguments) {
    command_line_files_ = std::move(arguments);
    command_line_file_ = command_line_files_.empty() ? "" : command_line_files_.front();
}

void RunState::LoadSettings() {
    settings_.Load();
    if (settings_.Value(setting::kCountryCode).empty())
        settings_.SetValue(setting::kCountryCode, "031");
}

void RunState::CountStart() { settings_.AddToNumber(setting::kProgramStarts, 1); }

void RunState::InitialiseEventLog() { log_.Initialise(settings_.ItemIndex(setting::kLogSize)); }

void RunState::WriteStartEntry() {
    log_.WriteLogLine("00002I", "Program start;" + Counts(settings_) + ";" + program_folder_ +
                                    ";DC" + std::string(kBuildStamp));
}

void RunState::BackupSettings(UserInterface& ui) {
    temp_files_.Add(backup_file_.string());
    std::error_code ec;
    if (!fs::exists(settings_file_, ec)) return;
    ec = ReplaceFileWithCopy(backup_file_, settings_file_);
    if (ec) ui.ShowMessage("Error: " + ec.message());
}

bool RunState::RunStartup(UserInterface& ui) {
    try {
        LoadSettings();
        CountStart();
        InitialiseEventLog();
        WriteStartEntry();
        BackupSettings(ui);
        return true;
    } catch (const std::exception& error) {
        ui.ShowError(error.what());
        return false;
    }
}

void RunState::DeleteTempFiles(bool with_log_entries) {
    for (const std::string& path : temp_files_.Entries()) {
        if (with_log_entries) log_.LogEvent("00901I", "Delete temp files  ;;;" + path);
        // Only files: a folder that got onto the list is never removed.
        std::error_code ec;
        if (!fs::is_directory(fs::symlink_status(path, ec))) fs::remove(path, ec);
    }
    temp_files_.Clear();
}

void RunState::CloseConfiguration() {
    settings_.Save(SaveGroup::kG4);
    hooks_.sleep(std::chrono::seconds(1));
    DeleteTempFiles(true);
}

void RunState::EndProgram(UserInterface& ui) {
    std::string save_error;
    try {
        settings_.AddToNumber(setting::kProgramEnds, 1);
        settings_.Save(SaveGroup::kG4);
    } catch (const std::exception& error) {
        save_error = error.what();
    }
    log_.WriteLogLine("00009I", "Program stop;" + Counts(settings_));
    DeleteTempFiles(false);
    RemoveRunFolder();
    if (!save_error.empty()) ui.ShowError(save_error);
}

void RunState::StoreStationeryMode(bool with_stationery) {
    settings_.SetChecked(setting::kWithStationery, with_stationery);
    settings_.Save(SaveGroup::kG6);
}

void RunState::RestoreStartupSettings() {
    std::error_code ec;
    if (fs::exists(backup_file_, ec)) ReplaceFileWithCopy(settings_file_, backup_file_);
    settings_.Load();
}

bool RunState::ResetSettings(UserInterface& ui, const std::function<void()>& restart) {
    const std::string question = hooks_.translate ? hooks_.translate(text::kResetQuestion)
                                                  : std::string(text::kResetQuestion);
    if (!ui.AskYesNo(question)) return false;
    std::error_code ec;
    fs::remove(settings_file_, ec);
    // The log file by its real name: on Linux a differently cased name would
    // be another file and the log would survive the reset.
    fs::remove(log_file_, ec);
    if (restart) restart();
    return true;
}

}  // namespace papyrion
