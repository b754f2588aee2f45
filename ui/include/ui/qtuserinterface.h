#pragma once
// The user interface of processing and delivery, in the windows: the drop
// window's status strip and activity bar, message boxes, and letting pending
// events run. Pending events can start anything a user can (a drop, a click,
// a close), so every call here is safe to meet itself again from inside.

#include <QPointer>
#include <QWidget>
#include <deque>
#include <functional>
#include <string>

#include "core/userinterface.h"

class QLabel;
class QProgressBar;

namespace papyrion::ui {

enum class BoxKind { kMessage, kError, kQuestion };

class QtUserInterface : public UserInterface {
  public:
    // Where the texts go; any may be null until the drop window exists.
    void Attach(QWidget* parent, QLabel* line1, QLabel* line2, QProgressBar* activity);

    void ShowStatus(int line, const std::string& text) override;
    void ActivityTick() override;
    void ShowMessage(const std::string& text) override;
    void ShowError(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void ProcessPendingMessages() override;

    // Hides the activity bar again (after a run).
    void EndActivity();

    // Replaces the modal boxes (tests, and a program without a user): gets
    // the kind and the text, answers a question.
    using BoxHandler = std::function<bool(BoxKind, const std::string&)>;
    void SetBoxHandler(BoxHandler handler) { box_handler_ = std::move(handler); }

  private:
    bool Box(BoxKind kind, const std::string& text);
    bool Show(BoxKind kind, const std::string& text);

    QPointer<QWidget> parent_;
    QPointer<QLabel> line1_;
    QPointer<QLabel> line2_;
    QPointer<QProgressBar> activity_;
    int activity_position_ = 0;
    bool pumping_ = false;
    bool box_open_ = false;
    // Boxes asked for while one is open, shown when it closes.
    std::deque<std::pair<BoxKind, std::string>> waiting_;
    BoxHandler box_handler_;
};

}  // namespace papyrion::ui
