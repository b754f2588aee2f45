#pragma once
// What the window tests share: one offscreen application, a private data
// folder, synthetic drops, and waiting on a condition with a deadline.

#include <QWidget>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace papyrion::ui::testing {

// Creates the QApplication on the offscreen platform once per test program.
void EnsureApplication();

// A fresh folder with XDG_DATA_HOME pointing into it for the test's life.
class DataFolder {
  public:
    DataFolder();
    ~DataFolder();
    const std::filesystem::path& Root() const { return root_; }
    // DIR of the program: <root>/data/Papyrion/
    std::filesystem::path Dir() const { return root_ / "data" / "Papyrion"; }
    std::filesystem::path SettingsFile() const { return Dir() / "Papyrion.ini"; }
    // Writes the settings file (lines as given) before the program starts.
    void WriteSettings(const std::string& content) const;
    // Copies the shipped sample PDF to `relative` under the root.
    std::filesystem::path AddPdf(const std::string& relative) const;

  private:
    std::filesystem::path root_;
    std::string old_xdg_;
    bool had_xdg_ = false;
};

// Sends a drag-enter (which must be accepted) and then a drop of the files
// at client x of `target`. Returns whether the enter was accepted.
bool DropFiles(QWidget* target, int x, const std::vector<std::filesystem::path>& files);

// Lets events run until `done` holds or the deadline passes; returns `done()`.
bool WaitFor(const std::function<bool()>& done,
             std::chrono::milliseconds deadline = std::chrono::seconds(60));

std::string ReadFile(const std::filesystem::path& file);

}  // namespace papyrion::ui::testing
