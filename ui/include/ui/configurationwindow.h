#pragma once
// The configuration window (TForm1). It owns the run's input list and
// action code (through the program's run), the "Minimaliseeer" strip, and
// its close steps; its tabs are thin for now.

#include <QWidget>

class QCheckBox;
class QLabel;
class QPushButton;
class QTabWidget;

namespace papyrion::ui {

class Program;

class ConfigurationWindow : public QWidget {
  public:
    // Runs the creation steps; an error is shown and ends them there.
    explicit ConfigurationWindow(Program& program);

    // Runs the processing run over the input list, once: a call from an
    // event handled during the run returns at once. An error that ends the
    // run is shown with the entries it left, which are then taken off the
    // list rather than tried again.
    void ProcessInputs();
    bool Running() const { return running_; }

    void SetActionCode(const std::string& code);

    // Tabs by object name: "TabSheet2" (manual), "TabSheet3" (house style),
    // "TabSheet4" (processing settings), "TabSheet1" (about), "TabSheet5" (preview).
    void SetActiveTab(const char* name);

    // While a drop is processed with "Minimaliseeer" ticked: a thin strip
    // over the drop window; Restore puts the window back as it was.
    bool ShrinkWhileProcessing() const;
    void ShowAsStrip(const QRect& drop_window);
    void RestoreFromStrip();

    // Close steps when no run is going on; during a run they wait for its end.
    bool ClosePending() const { return close_pending_; }

  protected:
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

  private:
    void Create();
    void Activate();

    Program& program_;
    QTabWidget* tabs_ = nullptr;
    QCheckBox* minimise_ = nullptr;
    QLabel* ddw_ = nullptr;
    QLabel* nib_ = nullptr;
    QPushButton* button2_ = nullptr;
    QRect before_strip_;
    bool strip_ = false;
    bool running_ = false;
    bool close_pending_ = false;
    int remembered_tab_ = 0;
};

}  // namespace papyrion::ui
