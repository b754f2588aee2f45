#pragma once
// The drop window (Tform2): four action icons, the set-up icon and the
// stationery switch above a two-line status strip. A drop is taken whole at
// once and queued with the action of its drop point; the queue is worked off
// one run at a time, so a drop that comes in during a run never touches that
// run's list or action.

#include <QWidget>
#include <deque>
#include <string>
#include <vector>

#include "ui/droplayout.h"

class QCheckBox;
class QLabel;
class QProgressBar;

namespace papyrion::ui {

class Program;
class IconWidget;

// The sky-blue of the status strip.
inline constexpr int kStatusRed = 166, kStatusGreen = 202, kStatusBlue = 240;

class DropWindow : public QWidget {
  public:
    // Runs the creation steps; an error is shown and ends them there.
    explicit DropWindow(Program& program);
    ~DropWindow() override;

    struct Drop {
        std::vector<std::string> paths;
        std::string action;
    };

    // Queues a drop and has it processed once no run is going on.
    void QueueDrop(Drop drop);
    // Processes the queued drops, one run each; returns at once while a run
    // is going on (the run's end calls it again).
    void ProcessDrops();
    bool Processing() const { return processing_ || !queue_.empty(); }
    bool ClosePending() const;

    // The activation sequence; the first one may open the start-up window.
    void Activate();
    int Activations() const { return activations_; }

    // Shows `immet` or `imzon` by the stationery switch and sets the second line.
    void ApplyIconState();
    bool WithStationery() const;
    void SetWithStationery(bool on);
    // Ticks the stationery switch when a page rule or a stationery file is set.
    void SwitchStationeryOnWhenConfigured();

    const DropLayout& Layout() const { return layout_; }
    // The whole-window width the layout was made for.
    int WindowWidth() const;

    // The set-up icon and F1: the configuration window on its stationery tab.
    void OpenConfiguration();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void Create();
    void ApplyLayout(int window_width);
    void Relayout();
    void Hover(int message, bool with_hint);
    void SetLine2(const QString& text, bool warning);
    void RefreshStationeryHint();
    void FirstStart();

    Program& program_;
    DropLayout layout_;
    QSize frame_{0, 0};  // what the window frame adds to the client size
    bool laying_out_ = false;
    int applied_width_ = 270;  // the whole window's width, frame included
    IconWidget* image_map_ = nullptr;
    IconWidget* immail_ = nullptr;
    IconWidget* imprt_ = nullptr;
    IconWidget* imstaf_ = nullptr;
    IconWidget* imsetup_ = nullptr;
    IconWidget* immet_ = nullptr;
    IconWidget* imzon_ = nullptr;
    QLabel* label1_ = nullptr;
    QLabel* label2_ = nullptr;
    QProgressBar* pb1_ = nullptr;
    QCheckBox* checkbox1_ = nullptr;
    QLabel* setup_status_ = nullptr;
    QLabel* nvm_ = nullptr;
    int activations_ = 0;
    bool activating_ = false;
    std::deque<Drop> queue_;
    bool processing_ = false;
    bool close_pending_ = false;
    QString texts_[8];  // momes1..momes7 at 1..7
    QString sleepmes_, sleephier_, knpstartproc_, voeresu_, margoltuit_;
};

}  // namespace papyrion::ui
