#include "ui/bevel.h"

#include <QPainter>

namespace orvella::ui {

Bevel::Bevel(Shape shape, QWidget* parent) : QWidget(parent), shape_(shape) {
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void Bevel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor shadow = palette().color(QPalette::Dark);
  const QColor light = palette().color(QPalette::Light);
  const int w = width(), h = height();
  auto line = [&](const QColor& c, int x1, int y1, int x2, int y2) {
    p.setPen(c);
    p.drawLine(x1, y1, x2, y2);
  };
  switch (shape_) {
    case Shape::Frame:
      p.setPen(shadow);
      p.drawRect(0, 0, w - 2, h - 2);
      p.setPen(light);
      p.drawRect(1, 1, w - 2, h - 2);
      break;
    case Shape::TopLine:
      line(shadow, 0, 0, w - 1, 0);
      line(light, 0, 1, w - 1, 1);
      break;
    case Shape::BottomLine:
      line(shadow, 0, h - 2, w - 1, h - 2);
      line(light, 0, h - 1, w - 1, h - 1);
      break;
    case Shape::LeftLine:
      line(shadow, 0, 0, 0, h - 1);
      line(light, 1, 0, 1, h - 1);
      break;
    case Shape::RightLine:
      line(shadow, w - 2, 0, w - 2, h - 1);
      line(light, w - 1, 0, w - 1, h - 1);
      break;
  }
}

}  // namespace orvella::ui
