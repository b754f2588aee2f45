#pragma once
// A picture drawn from an SVG file at the widget's size and the screen's
// pixel ratio, so that it stays sharp at any icon size; it reports the
// mouse entering it and a click.

#include <QSvgRenderer>
#include <QWidget>
#include <functional>

namespace papyrion::ui {

class IconWidget : public QWidget {
  public:
    IconWidget(QWidget* parent, const char* name, const QString& svg_file);

    std::function<void()> on_enter;
    std::function<void()> on_click;

    bool HasPicture() const { return renderer_.isValid(); }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QSvgRenderer renderer_;
};

}  // namespace papyrion::ui
