// The map of tiles drawn offscreen: the colour of each tile's winning pack,
// land from Global Scenery, hatching, rings, hover, click, zoom and pan.
#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <memory>

#include "reports.h"
#include "ui/tilemapview.h"

namespace orvella::test {
namespace {

using ui::TileMapView;
using R = check::PackRole;

class MapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    map.resize(720, 360);
    map.setReport(std::make_shared<const check::Report>(SampleReport()));
  }
  // The colour at the centre of a tile as the widget draws it now.
  QColor colourAt(check::Tile t) {
    const QImage shot = map.grab().toImage();
    return shot.pixelColor(map.tileRect(t).center().toPoint());
  }
  TileMapView map;
};

TEST_F(MapTest, EachTileTakesTheColourOfItsWinnerLandAndSeaElsewhere) {
  // Zoomed in so that a tile is many pixels wide and its centre clear of
  // hatching and rings' lines.
  struct Case {
    check::Tile tile;
    QColor colour;
  } const cases[] = {
      {{46, 7}, TileMapView::roleColour(R::Airport)},     // the airport over the orthophoto
      {{45, 6}, TileMapView::roleColour(R::Orthophoto)},  // over Global Scenery
      {{0, 0}, TileMapView::landColour()},                // Global Scenery alone
      {{-34, -59}, TileMapView::roleColour(R::Overlay)},  // an overlay
      {{-50, -150}, TileMapView::seaColour()},            // nobody's
  };
  for (const Case& c : cases) {
    map.setView(20, QPointF(c.tile.lon + 0.3, c.tile.lat + 0.3));
    EXPECT_EQ(colourAt(c.tile), c.colour) << check::TileName(c.tile);
  }
  // At the world's zoom too, where a tile is two pixels.
  map.setView(1, QPointF(0, 0));
  EXPECT_EQ(colourAt({-34, -59}), TileMapView::roleColour(R::Overlay));
}

TEST_F(MapTest, HiddenTilesAreHatchedAndDuplicateAirportsRinged) {
  map.setView(24, QPointF(20.5, 10.5));
  const QImage shot = map.grab().toImage();
  const QRect r = map.tileRect({10, 20}).toRect().adjusted(2, 2, -2, -2);
  int dark = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x) dark += shot.pixelColor(x, y).lightness() < 80;
  EXPECT_GT(dark, r.width());  // the hatching's lines
  EXPECT_TRUE(map.hidden({10, 20}));
  EXPECT_FALSE(map.hidden({46, 7}));

  // LSZH and LSGS declare one airport: both packs' tiles are ringed in red.
  EXPECT_TRUE(map.duplicateAirport({47, 8}));
  EXPECT_TRUE(map.duplicateAirport({46, 7}));
  EXPECT_FALSE(map.duplicateAirport({45, 6}));
  map.setView(20, QPointF(8.5, 47.5));
  const QImage ringed = map.grab().toImage();
  const QRectF t = map.tileRect({47, 8});
  int red = 0;
  for (int x = static_cast<int>(t.left()); x < t.right(); ++x) {
    const QColor c = ringed.pixelColor(x, static_cast<int>(t.center().y()));
    red += c.red() > 180 && c.green() < 80 && c.blue() < 80;
  }
  EXPECT_GT(red, 0);
}

TEST_F(MapTest, HoverNamesThePacksInPriorityOrderAndAClickTheWinner) {
  EXPECT_EQ(map.packsOf({46, 7}), (std::vector<int>{0, 2}));
  const QString text = map.tileText({46, 7});
  EXPECT_TRUE(text.startsWith(QStringLiteral("Tuile +46+007"))) << text.toStdString();
  EXPECT_LT(text.indexOf(QStringLiteral("LSGS")), text.indexOf(QStringLiteral("AlpsOrtho")));
  EXPECT_TRUE(text.contains(QStringLiteral("LSZH")));  // the duplicate's code
  EXPECT_EQ(map.tileText({-50, -150}), QStringLiteral("Tuile -50-150 : aucune scène"));

  map.setView(20, QPointF(7.5, 46.5));
  QSignalSpy clicked(&map, &TileMapView::packClicked);
  QTest::mouseClick(&map, Qt::LeftButton, {}, map.tileRect({46, 7}).center().toPoint());
  ASSERT_EQ(clicked.size(), 1);
  EXPECT_EQ(clicked[0][0].toString(), QStringLiteral("LSGS"));
  EXPECT_EQ(clicked[0][1].toString(), QStringLiteral("Z:\\scenes\\LSGS"));
  // Nobody's tile: no pack.
  QTest::mouseClick(&map, Qt::LeftButton, {}, map.tileRect({40, 7}).center().toPoint());
  EXPECT_EQ(clicked.size(), 1);
}

TEST_F(MapTest, TheWheelZoomsAboutThePointerAndADragPans) {
  map.show();
  const QPointF at(500, 120);
  check::Tile before;
  ASSERT_TRUE(map.tileAt(at, &before));
  for (int i = 0; i < 6; ++i) {
    QWheelEvent wheel(at, map.mapToGlobal(at), {}, QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&map, &wheel);
  }
  EXPECT_NEAR(map.zoom(), std::pow(1.25, 6), 1e-9);
  check::Tile after;
  ASSERT_TRUE(map.tileAt(at, &after));
  EXPECT_EQ(after, before);

  // A drag of 100 pixels east moves the view west by 100 / scale degrees,
  // and selects nothing.
  QSignalSpy clicked(&map, &TileMapView::packClicked);
  const QPointF centre = map.centre();
  const double perDegree = map.tileRect({0, 0}).width();
  QTest::mousePress(&map, Qt::LeftButton, {}, QPoint(300, 180));
  QTest::mouseMove(&map, QPoint(350, 180));
  QTest::mouseMove(&map, QPoint(400, 180));
  QTest::mouseRelease(&map, Qt::LeftButton, {}, QPoint(400, 180));
  EXPECT_NEAR(map.centre().x(), centre.x() - 100 / perDegree, 1e-6);
  EXPECT_NEAR(map.centre().y(), centre.y(), 1e-6);
  EXPECT_EQ(clicked.size(), 0);

  // Zooming out never goes past the whole world, which then fills the view.
  for (int i = 0; i < 20; ++i) {
    QWheelEvent wheel(at, map.mapToGlobal(at), {}, QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
    QApplication::sendEvent(&map, &wheel);
  }
  EXPECT_EQ(map.zoom(), 1.0);
  EXPECT_EQ(map.centre(), QPointF(0, 0));
}

TEST_F(MapTest, TilesOutsideTheWorldAndAnEmptyReportDrawNothing) {
  check::Report bad;
  bad.packs = {Pack("Odd", R::Mesh, {{90, 0}, {0, 180}, {-91, 0}, {12, 34}})};
  map.setReport(std::make_shared<const check::Report>(bad));
  EXPECT_TRUE(map.packsOf({90, 0}).empty());
  EXPECT_EQ(map.packsOf({12, 34}), std::vector<int>{0});
  map.setReport(nullptr);
  EXPECT_TRUE(map.packsOf({12, 34}).empty());
  map.setView(20, QPointF(34.5, 12.5));
  EXPECT_EQ(colourAt({12, 34}), TileMapView::seaColour());
}

}  // namespace
}  // namespace orvella::test
