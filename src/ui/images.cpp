#include "ui/images.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <array>

#include "logic/model/tree.h"

namespace orvella::ui {

// One image per node state, indexed by the state.
static_assert(kStateImageCount == kStateUnclaimed + 1);

namespace {

const QColor kGreen(0, 150, 0);
const QColor kRed(220, 0, 0);

QPixmap Blank() {
  QPixmap pm(kStateImageSize, kStateImageSize);
  pm.fill(Qt::transparent);
  return pm;
}

// The ring of radius 6 around the centre, filled as `fill` says.
enum class Fill { None, Half, Full };

void DrawRing(QPainter& p, Fill fill) {
  const QRectF disc(2, 2, 12, 12);
  p.setPen(Qt::NoPen);
  p.setBrush(kGreen);
  if (fill == Fill::Full) p.drawEllipse(disc);
  if (fill == Fill::Half) p.drawChord(disc, 45 * 16, -180 * 16);  // below the rising diagonal
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kGreen, 2));
  p.drawEllipse(disc);
}

void DrawQuestionMark(QPainter& p) {
  // Drawn as strokes, not as a glyph: it needs no font, so it looks the same
  // on every system.
  QPainterPath hook;
  const QRectF bow(5, 2, 6, 6);
  hook.arcMoveTo(bow, 160);
  hook.arcTo(bow, 160, -250);
  hook.lineTo(8, 10.5);
  const QRectF dot(6.9, 12.3, 2.2, 2.2);
  // A white outline keeps the mark readable over the green disc.
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(hook);
  p.drawEllipse(dot);
  p.setPen(QPen(kRed, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.drawPath(hook);
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(dot);
}

QPixmap Draw(int state) {
  QPixmap pm = Blank();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  switch (state) {
    case kStateNone:
    case kStateSome:
    case kStateAll:
    case kStateNoneMissing:
    case kStateSomeMissing:
    case kStateAllMissing:
      DrawRing(p, ActiveState(state) == kStateNone   ? Fill::None
                  : ActiveState(state) == kStateSome ? Fill::Half
                                                     : Fill::Full);
      if (HasMissing(state)) DrawQuestionMark(p);
      break;
    case kStateUnmanaged:
      p.setPen(QPen(kRed, 2));
      p.drawEllipse(QRectF(2, 2, 12, 12));
      p.drawLine(QPointF(4.2, 4.2), QPointF(11.8, 11.8));
      break;
    case kStateUnclaimed:
      p.setPen(QPen(kRed, 3, Qt::SolidLine, Qt::RoundCap));
      p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
      p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
      break;
    default:
      break;
  }
  return pm;
}

QPixmap Arrow(bool up, bool enabled) {
  QPixmap pm = Blank();
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  // Drawn pointing up, then flipped for the down arrow.
  const QPolygonF shape({QPointF(8, 1.5), QPointF(14.5, 8), QPointF(10.5, 8), QPointF(10.5, 14.5), QPointF(5.5, 14.5),
                         QPointF(5.5, 8), QPointF(1.5, 8)});
  if (!up) {
    p.translate(0, 16);
    p.scale(1, -1);
  }
  if (enabled) {
    p.setPen(QPen(QColor(128, 0, 0), 1));
    p.setBrush(kRed);
  } else {
    // The grey disabled image, with the light edge of an engraved glyph.
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(Qt::white);
    p.drawPolygon(shape.translated(1, up ? 1 : -1));
    p.setPen(QPen(QColor(128, 128, 128), 1));
    p.setBrush(QColor(160, 160, 160));
  }
  p.drawPolygon(shape);
  return pm;
}

}  // namespace

QPixmap StateImage(int state) {
  static const std::array<QPixmap, kStateImageCount> kImages = [] {
    std::array<QPixmap, kStateImageCount> a;
    for (int i = 0; i < kStateImageCount; ++i) a[static_cast<size_t>(i)] = Draw(i);
    return a;
  }();
  if (state < 0 || state >= kStateImageCount) return {};
  return kImages[static_cast<size_t>(state)];
}

QIcon StateIcon(int state) {
  static const std::array<QIcon, kStateImageCount> kIcons = [] {
    std::array<QIcon, kStateImageCount> a;
    for (int i = 0; i < kStateImageCount; ++i) {
      const QPixmap pm = StateImage(i);
      for (QIcon::Mode mode : {QIcon::Normal, QIcon::Selected, QIcon::Active})
        a[static_cast<size_t>(i)].addPixmap(pm, mode);
    }
    return a;
  }();
  if (state < 0 || state >= kStateImageCount) return {};
  return kIcons[static_cast<size_t>(state)];
}

QIcon ArrowIcon(bool up) {
  QIcon icon;
  icon.addPixmap(Arrow(up, true), QIcon::Normal);
  icon.addPixmap(Arrow(up, true), QIcon::Active);
  icon.addPixmap(Arrow(up, false), QIcon::Disabled);
  return icon;
}

}  // namespace orvella::ui
