#pragma once
// The desktop program: the windows created in their fixed order, the run
// they share, and the end steps, which run once however the program ends.

#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/runstate.h"
#include "core/translation.h"
#include "processing/runwiring.h"
#include "ui/qtuserinterface.h"

class QWidget;
class QDialog;

namespace papyrion::ui {

class DropWindow;
class ConfigurationWindow;

inline constexpr std::string_view kApplicationTitle = "Papyrion (Drag-n-Drop)";

struct ProgramOptions {
    // The command line: file and folder paths to process at the first activation.
    std::vector<std::string> arguments;
    RunHooks hooks;
    RunWiringOptions wiring;
    // Starts the program anew; by default the running executable. Called
    // after the end steps, as the last thing this process does.
    std::function<void()> start_again;
    // Shows the start-up window and returns when it closes; by default modally.
    std::function<void(QDialog&)> show_startup_window;
    // Replaces the modal message boxes from the first step on (tests).
    QtUserInterface::BoxHandler box_handler;
};

class Program {
  public:
    // Sets the application title and creates the windows: drop window
    // (Tform2), web functions (TForm4), configuration window (TForm1), mail
    // template editor (TForm3), start-up window (TForm5), stationery chooser
    // (TForm6). A QApplication must exist.
    explicit Program(ProgramOptions options);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Runs the end steps when Exec has not.
    ~Program();

    // Shows the drop window, runs the message loop until the program ends,
    // then the end steps (and a requested restart). Returns the exit code.
    int Exec();
    // Shows the drop window and queues its first activation (Exec does this).
    void Show();

    // Configuration window destruction: end count, G4, "00009I", the
    // temporary files. Once; outputs handed to the mail program stay.
    void End();
    bool Ended() const { return ended_; }

    // Ends the message loop (the drop window's close does this).
    void Quit();
    bool QuitRequested() const { return quit_requested_; }
    // The end steps, then a new instance; the drop window's close steps do
    // not run. Waits for a going run.
    void Restart();
    bool RestartRequested() const { return restart_requested_; }

    RunState& State() { return *state_; }
    TranslationTable& Table() { return *table_; }
    QtUserInterface& Ui() { return ui_; }
    DropWindow& Drop() { return *drop_; }
    ConfigurationWindow& Configuration() { return *config_; }
    QDialog& StartupWindow() { return *startup_; }
    ProcessingRun& Run() { return assembly_->Run(); }
    const SortedPathList& Mailed() const { return assembly_->Mailed(); }

    QString Tr(std::string_view keyword);
    // Loads the translation table in the drop window's language.
    void LoadTable();
    void ShowStartupWindow();

    // A run or a queued drop is going on: closes and restarts wait.
    bool Busy() const;
    // Called when a run has ended: queued drops go next, then deferred
    // closes, the end and a restart.
    void AfterRun();

  private:
    void FinishDeferred();

    ProgramOptions options_;
    QtUserInterface ui_;
    std::unique_ptr<RunState> state_;
    std::unique_ptr<TranslationTable> table_;
    std::unique_ptr<DropWindow> drop_;
    std::unique_ptr<QWidget> web_functions_;
    std::unique_ptr<ConfigurationWindow> config_;
    std::unique_ptr<QWidget> template_editor_;
    std::unique_ptr<QDialog> startup_;
    std::unique_ptr<QWidget> stationery_chooser_;
    std::unique_ptr<RunAssembly> assembly_;
    bool ended_ = false;
    bool quit_requested_ = false;
    bool restart_requested_ = false;
};

}  // namespace papyrion::ui
