#include "ui/tilemapview.h"

#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "qtansi/ansiqt.h"
#include "ui/checktexts.h"

namespace orvella::ui {

namespace {

constexpr int kTiles = 360 * 180;
constexpr double kMaxZoom = 64.0;

// The simulator's own scenery: land, not a pack of the user's.
bool IsBase(const check::LoadedPack& p) { return p.area != "Custom Scenery"; }

QString RoleText(check::PackRole role) {
  switch (role) {
    case check::PackRole::Airport:
      return CheckText("RoleAirport");
    case check::PackRole::Library:
      return CheckText("RoleLibrary");
    case check::PackRole::Overlay:
      return CheckText("RoleOverlay");
    case check::PackRole::Orthophoto:
      return CheckText("RoleOrthophoto");
    case check::PackRole::Mesh:
      return CheckText("RoleMesh");
    case check::PackRole::Other:
      break;
  }
  return CheckText("RoleOther");
}

}  // namespace

TileMapView::TileMapView(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Carte"));
  setMouseTracking(true);
  setMinimumSize(360, 200);
  setReport(nullptr);
}

QColor TileMapView::roleColour(check::PackRole role) {
  switch (role) {
    case check::PackRole::Airport:
      return {0x2E, 0x6F, 0xD8};
    case check::PackRole::Library:
      return {0x8E, 0x44, 0xAD};
    case check::PackRole::Overlay:
      return {0x27, 0xAE, 0x60};
    case check::PackRole::Orthophoto:
      return {0xE6, 0x7E, 0x22};
    case check::PackRole::Mesh:
      return {0x8D, 0x6E, 0x63};
    case check::PackRole::Other:
      break;
  }
  return {0x9E, 0x9E, 0x9E};
}

QColor TileMapView::landColour() { return {0xE8, 0xE4, 0xD0}; }
QColor TileMapView::seaColour() { return {0xC9, 0xDD, 0xEE}; }

void TileMapView::setReport(std::shared_ptr<const check::Report> report) {
  report_ = std::move(report);
  packs_.assign(kTiles, {});
  hidden_.assign(kTiles, 0);
  duplicate_.assign(kTiles, 0);
  image_ = QImage(360, 180, QImage::Format_RGB32);
  image_.fill(seaColour());
  hoverKey_ = -1;
  if (!report_) {
    update();
    return;
  }
  const auto& packs = report_->packs;
  for (int i = 0; i < static_cast<int>(packs.size()); ++i)
    for (const check::Tile& t : packs[static_cast<size_t>(i)].tiles)
      if (onMap(t)) {
        std::vector<int>& list = packs_[static_cast<size_t>(tileIndex(t))];
        if (list.empty() || list.back() != i) list.push_back(i);
      }
  for (const check::TileConflict& c : report_->tileConflicts)
    if (onMap(c.tile)) hidden_[static_cast<size_t>(tileIndex(c.tile))] = 1;
  // The tiles of the packs that declare an airport another pack declares too.
  std::vector<char> dupPack(packs.size(), 0);
  for (const check::DuplicateAirport& d : report_->duplicateAirports)
    for (const std::string& name : d.packs)
      for (size_t i = 0; i < packs.size(); ++i)
        if (packs[i].name == name) dupPack[i] = 1;
  for (size_t i = 0; i < packs.size(); ++i)
    if (dupPack[i])
      for (const check::Tile& t : packs[i].tiles)
        if (onMap(t)) duplicate_[static_cast<size_t>(tileIndex(t))] = 1;

  for (int key = 0; key < kTiles; ++key) {
    const std::vector<int>& list = packs_[static_cast<size_t>(key)];
    if (list.empty()) continue;
    QColor colour = landColour();
    for (int i : list)
      if (!IsBase(packs[static_cast<size_t>(i)])) {
        colour = roleColour(packs[static_cast<size_t>(i)].role);
        break;
      }
    const int lat = key / 360 - 90;
    const int lon = key % 360 - 180;
    image_.setPixelColor(lon + 180, 89 - lat, colour);
  }
  update();
}

const std::vector<int>& TileMapView::packsOf(check::Tile tile) const {
  static const std::vector<int> kNone;
  return onMap(tile) ? packs_[static_cast<size_t>(tileIndex(tile))] : kNone;
}

bool TileMapView::hidden(check::Tile tile) const {
  return onMap(tile) && hidden_[static_cast<size_t>(tileIndex(tile))];
}

bool TileMapView::duplicateAirport(check::Tile tile) const {
  return onMap(tile) && duplicate_[static_cast<size_t>(tileIndex(tile))];
}

double TileMapView::scale() const { return std::min(width() / 360.0, height() / 180.0) * zoom_; }

QPointF TileMapView::toWidget(double lon, double lat) const {
  const double s = scale();
  return {width() / 2.0 + (lon - centre_.x()) * s, height() / 2.0 - (lat - centre_.y()) * s};
}

QRectF TileMapView::tileRect(check::Tile t) const {
  return QRectF(toWidget(t.lon, t.lat + 1), toWidget(t.lon + 1, t.lat));
}

bool TileMapView::tileAt(QPointF pos, check::Tile* tile) const {
  const double s = scale();
  if (s <= 0) return false;
  const double lon = centre_.x() + (pos.x() - width() / 2.0) / s;
  const double lat = centre_.y() - (pos.y() - height() / 2.0) / s;
  const check::Tile t{static_cast<int>(std::floor(lat)), static_cast<int>(std::floor(lon))};
  if (!onMap(t)) return false;
  *tile = t;
  return true;
}

QString TileMapView::tileText(check::Tile tile) const {
  const QString name = FromAnsi(check::TileName(tile));
  const std::vector<int>& list = packsOf(tile);
  if (!report_ || list.empty()) return CheckText("TuileVide").arg(name);
  QString text = CheckText("Tuile").arg(name);
  if (hidden(tile)) text += QStringLiteral(" (") + CheckText("TuileCachee") + QLatin1Char(')');
  for (int i : list) {
    const check::LoadedPack& p = report_->packs[static_cast<size_t>(i)];
    const QString shown = p.name.empty() ? FromAnsi(p.folder) : FromAnsi(p.name);
    text += QStringLiteral("\n") + shown + QStringLiteral(" (") + (IsBase(p) ? FromAnsi(p.area) : RoleText(p.role)) +
            QLatin1Char(')');
  }
  if (duplicateAirport(tile)) {
    QStringList codes;
    for (const check::DuplicateAirport& d : report_->duplicateAirports)
      for (int i : list)
        if (std::find(d.packs.begin(), d.packs.end(), report_->packs[static_cast<size_t>(i)].name) != d.packs.end() &&
            !codes.contains(FromAnsi(d.icao)))
          codes << FromAnsi(d.icao);
    text += QStringLiteral("\n") + CheckText("TuileDoublon").arg(codes.join(QStringLiteral(", ")));
  }
  return text;
}

void TileMapView::setView(double zoom, QPointF centre) {
  zoom_ = std::clamp(zoom, 1.0, kMaxZoom);
  centre_ = centre;
  clampCentre();
  update();
}

void TileMapView::clampCentre() {
  // The world's edge never leaves more than half the view empty.
  const double s = scale();
  if (s <= 0) return;
  const double halfW = width() / 2.0 / s;
  const double halfH = height() / 2.0 / s;
  const double maxLon = std::max(0.0, 180.0 - halfW);
  const double maxLat = std::max(0.0, 90.0 - halfH);
  centre_.setX(std::clamp(centre_.x(), -maxLon, maxLon));
  centre_.setY(std::clamp(centre_.y(), -maxLat, maxLat));
}

void TileMapView::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.fillRect(rect(), palette().color(QPalette::Window));
  const QRectF world(toWidget(-180, 90), toWidget(180, -90));
  p.setRenderHint(QPainter::SmoothPixmapTransform, false);
  p.drawImage(world, image_);
  const double s = scale();
  if (report_) {
    // Only the tiles in view are walked for the marks.
    check::Tile a{};
    check::Tile b{};
    const bool topLeft = tileAt(QPointF(0, 0), &a);
    const bool bottomRight = tileAt(QPointF(width() - 1, height() - 1), &b);
    const int latHigh = topLeft ? a.lat : 89;
    const int lonLow = topLeft ? a.lon : -180;
    const int latLow = bottomRight ? b.lat : -90;
    const int lonHigh = bottomRight ? b.lon : 179;
    const QBrush hatch(QColor(0x30, 0x30, 0x30), Qt::BDiagPattern);
    p.setRenderHint(QPainter::Antialiasing, true);
    for (int lat = std::max(-90, latLow); lat <= std::min(89, latHigh); ++lat)
      for (int lon = std::max(-180, lonLow); lon <= std::min(179, lonHigh); ++lon) {
        const check::Tile t{lat, lon};
        const size_t key = static_cast<size_t>(tileIndex(t));
        if (hidden_[key]) p.fillRect(tileRect(t), hatch);
        if (duplicate_[key]) {
          const QRectF r = tileRect(t);
          const double radius = std::max(4.0, r.width() * 0.45);
          p.setPen(QPen(QColor(0xD0, 0x10, 0x10), 2));
          p.setBrush(Qt::NoBrush);
          p.drawEllipse(r.center(), radius, radius);
        }
      }
    p.setRenderHint(QPainter::Antialiasing, false);
  }
  // The grid once tiles are large enough to tell apart.
  if (s >= 8) {
    p.setPen(QColor(255, 255, 255, 90));
    for (int lon = -180; lon <= 180; ++lon) p.drawLine(toWidget(lon, 90), toWidget(lon, -90));
    for (int lat = -90; lat <= 90; ++lat) p.drawLine(toWidget(-180, lat), toWidget(180, lat));
  }
  p.setPen(palette().color(QPalette::Mid));
  p.setBrush(Qt::NoBrush);
  p.drawRect(world);
  if (hoverKey_ >= 0) {
    const check::Tile t{hoverKey_ / 360 - 90, hoverKey_ % 360 - 180};
    p.setPen(QPen(Qt::black, 1));
    p.drawRect(tileRect(t));
  }

  // The legend, bottom left.
  struct Item {
    QColor colour;
    QString text;
  };
  const Item items[] = {
      {roleColour(check::PackRole::Airport), RoleText(check::PackRole::Airport)},
      {roleColour(check::PackRole::Overlay), RoleText(check::PackRole::Overlay)},
      {roleColour(check::PackRole::Orthophoto), RoleText(check::PackRole::Orthophoto)},
      {roleColour(check::PackRole::Mesh), RoleText(check::PackRole::Mesh)},
      {roleColour(check::PackRole::Other), RoleText(check::PackRole::Other)},
      {landColour(), CheckText("Terre")},
  };
  const QFontMetrics fm(font());
  int x = 6;
  const int y = height() - fm.height() - 6;
  for (const Item& it : items) {
    const int w = fm.horizontalAdvance(it.text);
    p.fillRect(QRect(x - 3, y - 2, 12 + 4 + w + 6, fm.height() + 4), QColor(255, 255, 255, 200));
    p.setPen(it.colour.darker(150));
    p.setBrush(it.colour);
    p.drawRect(QRect(x, y + (fm.height() - 10) / 2, 10, 10));
    p.setPen(Qt::black);
    p.drawText(QPoint(x + 14, y + fm.ascent()), it.text);
    x += 14 + w + 12;
  }
  p.setPen(palette().color(QPalette::Text));
  p.drawText(QPoint(6, fm.ascent() + 4), CheckText("Legende"));
}

void TileMapView::wheelEvent(QWheelEvent* e) {
  const double steps = e->angleDelta().y() / 120.0;
  if (steps == 0) return;
  const QPointF at = e->position();
  const double s0 = scale();
  const QPointF geo(centre_.x() + (at.x() - width() / 2.0) / s0, centre_.y() - (at.y() - height() / 2.0) / s0);
  zoom_ = std::clamp(zoom_ * std::pow(1.25, steps), 1.0, kMaxZoom);
  const double s1 = scale();
  // The place under the pointer stays under it.
  centre_ = QPointF(geo.x() - (at.x() - width() / 2.0) / s1, geo.y() + (at.y() - height() / 2.0) / s1);
  clampCentre();
  update();
  e->accept();
}

void TileMapView::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return QWidget::mousePressEvent(e);
  pressed_ = true;
  dragging_ = false;
  pressAt_ = e->position().toPoint();
  pressCentre_ = centre_;
}

void TileMapView::mouseMoveEvent(QMouseEvent* e) {
  const QPoint at = e->position().toPoint();
  if (pressed_) {
    if (!dragging_ && (at - pressAt_).manhattanLength() > 3) dragging_ = true;
    if (dragging_) {
      const double s = scale();
      const QPoint d = at - pressAt_;
      centre_ = QPointF(pressCentre_.x() - d.x() / s, pressCentre_.y() + d.y() / s);
      clampCentre();
      update();
    }
    return;
  }
  check::Tile t;
  const int key = tileAt(at, &t) ? tileIndex(t) : -1;
  if (key == hoverKey_) return;
  hoverKey_ = key;
  update();
  if (key >= 0)
    QToolTip::showText(e->globalPosition().toPoint(), tileText(t), this);
  else
    QToolTip::hideText();
}

void TileMapView::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton || !pressed_) return QWidget::mouseReleaseEvent(e);
  pressed_ = false;
  if (dragging_) {
    dragging_ = false;
    return;
  }
  check::Tile t;
  if (!report_ || !tileAt(e->position(), &t)) return;
  // The pack that wins the tile, for the window to find in its trees.
  const std::vector<int>& list = packsOf(t);
  if (list.empty()) return;
  const check::LoadedPack& p = report_->packs[static_cast<size_t>(list.front())];
  emit packClicked(FromAnsi(p.name), FromAnsi(p.folder));
}

void TileMapView::leaveEvent(QEvent* e) {
  hoverKey_ = -1;
  update();
  QWidget::leaveEvent(e);
}

}  // namespace orvella::ui
