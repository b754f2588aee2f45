#include "iconwidget.h"

#include <QMouseEvent>
#include <QPainter>

namespace papyrion::ui {

IconWidget::IconWidget(QWidget* parent, const char* name, const QString& svg_file)
    : QWidget(parent), renderer_(svg_file) {
    setObjectName(QString::fromLatin1(name));
    // Drops go through to the window, which knows the zones.
    setAcceptDrops(false);
}

void IconWidget::paintEvent(QPaintEvent*) {
    if (!renderer_.isValid()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer_.render(&painter, QRectF(rect()));
}

void IconWidget::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    if (on_enter) on_enter();
}

void IconWidget::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) &&
        on_click) {
        on_click();
    }
}

}  // namespace papyrion::ui
