#include "ui/qtuserinterface.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>

#include "processing/processingrun.h"

namespace papyrion::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

void QtUserInterface::Attach(QWidget* parent, QLabel* line1, QLabel* line2,
                             QProgressBar* activity) {
    parent_ = parent;
    line1_ = line1;
    line2_ = line2;
    activity_ = activity;
}

void QtUserInterface::ShowStatus(int line, const std::string& text) {
    QLabel* label = line == 1 ? line1_.data() : line == 2 ? line2_.data() : nullptr;
    if (label) label->setText(Q(text));
}

void QtUserInterface::ActivityTick() {
    activity_position_ = NextActivityPosition(activity_position_);
    if (!activity_) return;
    activity_->setValue(activity_position_);
    activity_->show();
}

void QtUserInterface::EndActivity() {
    activity_position_ = 0;
    if (activity_) activity_->hide();
}

void QtUserInterface::ShowMessage(const std::string& text) { Box(BoxKind::kMessage, text); }

void QtUserInterface::ShowError(const std::string& text) { Box(BoxKind::kError, text); }

bool QtUserInterface::AskYesNo(const std::string& text) { return Box(BoxKind::kQuestion, text); }

bool QtUserInterface::Box(BoxKind kind, const std::string& text) {
    // A message from an event handled while a box waits for the user would
    // stack a second box over the first: it waits its turn. A question needs
    // its answer now, so it is asked at once.
    if (box_open_ && kind != BoxKind::kQuestion) {
        waiting_.emplace_back(kind, text);
        return false;
    }
    const bool outer = !box_open_;
    box_open_ = true;
    const bool answer = Show(kind, text);
    if (outer) {
        while (!waiting_.empty()) {
            const auto next = waiting_.front();
            waiting_.pop_front();
            Show(next.first, next.second);
        }
        box_open_ = false;
    }
    return answer;
}

bool QtUserInterface::Show(BoxKind kind, const std::string& text) {
    if (box_handler_) return box_handler_(kind, text);
    const QString title = QGuiApplication::applicationDisplayName();
    switch (kind) {
        case BoxKind::kMessage:
            QMessageBox::information(parent_, title, Q(text));
            return false;
        case BoxKind::kError:
            QMessageBox::critical(parent_, title, Q(text));
            return false;
        case BoxKind::kQuestion:
            return QMessageBox::question(parent_, title, Q(text),
                                         QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
    }
    return false;
}

void QtUserInterface::ProcessPendingMessages() {
    // A pending event that lets events run again would go down one more
    // level for every nested call; one level is enough for input to come in.
    if (pumping_) return;
    pumping_ = true;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    pumping_ = false;
}

}  // namespace papyrion::ui
