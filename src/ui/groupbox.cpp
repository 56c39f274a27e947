#include "ui/groupbox.h"

#include <QPainter>

namespace orvella::ui {

GroupBox::GroupBox(QWidget* parent) : QGroupBox(parent) {}

void GroupBox::paintEvent(QPaintEvent*) {
  // The caption sits on an etched frame line half a text line down, where
  // the controls inside the box expect it.
  QPainter p(this);
  const QFontMetrics fm = fontMetrics();
  const QRect frame = rect().adjusted(0, fm.height() / 2, -1, -1);
  p.setPen(palette().color(QPalette::Mid));
  p.drawRect(frame.adjusted(0, 0, -1, -1));
  p.setPen(palette().color(QPalette::Light));
  p.drawRect(frame.adjusted(1, 1, 0, 0));
  const QString text = title();
  if (text.isEmpty()) return;
  const QRect caption(8, 0, fm.horizontalAdvance(text), fm.height());
  p.fillRect(caption, palette().color(backgroundRole()));
  p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextShowMnemonic, text);
}

}  // namespace orvella::ui
