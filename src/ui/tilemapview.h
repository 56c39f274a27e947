// The world map of 1° tiles: each tile in the colour of the kind of the pack
// that wins it, land where the installation's Global Scenery has tiles,
// tiles of hidden base meshes hatched, tiles of duplicated airports ringed.
// The wheel zooms about the pointer, a drag pans, hovering tells the tile
// and its packs in priority order, a click names the winning pack.
#pragma once

#include <QImage>
#include <QPointF>
#include <QWidget>

#include <memory>
#include <string>
#include <vector>

#include "logic/check/scenerycheck.h"

namespace orvella::ui {

class TileMapView : public QWidget {
  Q_OBJECT
 public:
  explicit TileMapView(QWidget* parent = nullptr);

  void setReport(std::shared_ptr<const check::Report> report);

  // The colours of the map.
  static QColor roleColour(check::PackRole role);
  static QColor landColour();
  static QColor seaColour();

  // The packs of a tile in priority order (indexes into the report's packs).
  const std::vector<int>& packsOf(check::Tile tile) const;
  bool hidden(check::Tile tile) const;
  bool duplicateAirport(check::Tile tile) const;
  // The tile under a point of the widget; false outside the world.
  bool tileAt(QPointF pos, check::Tile* tile) const;
  // Where a tile is drawn now.
  QRectF tileRect(check::Tile tile) const;
  // The hover text of a tile.
  QString tileText(check::Tile tile) const;

  // The zoom (1: the whole world fits) and the view's centre in degrees.
  double zoom() const { return zoom_; }
  QPointF centre() const { return centre_; }
  void setView(double zoom, QPointF centre);

  QSize sizeHint() const override { return {720, 400}; }

 signals:
  // A click on a tile that a pack has: the winner's name and folder.
  void packClicked(const QString& name, const QString& folder);

 protected:
  void paintEvent(QPaintEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void leaveEvent(QEvent* e) override;

 private:
  static int tileIndex(check::Tile t) { return (t.lat + 90) * 360 + (t.lon + 180); }
  static bool onMap(check::Tile t) { return t.lat >= -90 && t.lat < 90 && t.lon >= -180 && t.lon < 180; }
  double scale() const;  // pixels per degree
  QPointF toWidget(double lon, double lat) const;
  void clampCentre();

  std::shared_ptr<const check::Report> report_;
  std::vector<std::vector<int>> packs_;  // by tileIndex(), in priority order
  std::vector<char> hidden_;
  std::vector<char> duplicate_;
  QImage image_;  // one pixel per tile, north up
  double zoom_ = 1.0;
  QPointF centre_{0, 0};  // longitude, latitude
  QPoint pressAt_;
  QPointF pressCentre_;
  bool dragging_ = false;
  bool pressed_ = false;
  int hoverKey_ = -1;
};

}  // namespace orvella::ui
