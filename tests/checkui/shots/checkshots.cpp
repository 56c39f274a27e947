// Makes the README's pictures of the scenery check: a generated installation
// (a Global Scenery of rough continents, scenes of every kind with their
// faults), the real window and the real check, then the trees with their
// marks, the report, the log's tab and the map, each saved as a PNG.
//
//   checkshots OUTPUT_FOLDER
#include <QApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QTabWidget>
#include <QTreeWidget>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "checkui/xpworld.h"
#include "logic/core/interaction.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"
#include "ui/apptitle.h"
#include "ui/checkdialog.h"
#include "ui/mainwindow.h"
#include "ui/tilemapview.h"

namespace orvella::test {
namespace {

// Rough continents as ellipses of 1° tiles: (longitude, latitude) of the
// centre and the two radii.
struct Blob {
  double lon, lat, rx, ry;
};
constexpr Blob kLand[] = {
    {-100, 47, 28, 16}, {-85, 33, 12, 9}, {-115, 60, 25, 10}, {-42, 72, 12, 8}, {-60, -12, 15, 20},
    {-67, -38, 7, 16},  {12, 50, 14, 8},  {25, 60, 10, 9},    {-3, 41, 6, 4},   {18, 8, 22, 16},
    {28, -18, 12, 15},  {90, 52, 45, 16}, {105, 30, 18, 12},  {78, 21, 8, 9},   {45, 25, 10, 8},
    {134, -25, 17, 10}, {138, 37, 3, 6},  {-3, 54, 3, 4},     {47, -19, 3, 6},  {115, -2, 10, 5},
};

bool IsLand(int lat, int lon) {
  if (lat < -58 || lat > 75) return false;
  for (const Blob& b : kLand) {
    const double x = (lon + 0.5 - b.lon) / b.rx;
    const double y = (lat + 0.5 - b.lat) / b.ry;
    if (x * x + y * y <= 1) return true;
  }
  return false;
}

void Save(QWidget* w, const QString& file) {
  if (!w->grab().save(file)) std::fprintf(stderr, "cannot write %s\n", file.toLocal8Bit().constData());
  std::printf("%s\n", file.toLocal8Bit().constData());
}

std::shared_ptr<const check::Report> WaitReport(ui::TEcrOrvella* w) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < 300000) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    if (ui::CheckDialog* d = w->checkDialog(); d && d->report()) return d->report();
  }
  return nullptr;
}

int Run(const QString& out) {
  // Drive D: is a folder of its own, so that the pictures show short paths
  // that do not change from one run to the next.
  TestDir dir;
  dir.mapDrives({{'D', "D"}});
  XpWorld x{dir, "D/X-Plane 12"};
  x.base();
  // The simulator's own library, which the generated tiles also name.
  x.library("D/X-Plane 12/Resources/default scenery/sim objects", {"lib/g10/forests/conifer.for"});
  int land = 0;
  for (int lat = -90; lat < 90; ++lat)
    for (int lon = -180; lon < 180; ++lon)
      if (IsLand(lat, lon)) {
        x.tile("D/X-Plane 12/Global Scenery/X-Plane 12 Global Scenery", lat, lon);
        ++land;
      }
  std::printf("Global Scenery: %d tiles\n", land);

  // The scenes, below "Scenes", and how the trees hold them.
  x.airport("D/Scenes/LSGS Sion", {"LSGS"});
  x.tile("D/Scenes/LSGS Sion", 46, 7, true, {"opensceneryx/objects/trees/oak.obj", "swiss/chalet.obj"});
  x.airport("D/Scenes/LSZH Zurich", {"LSZH"});
  x.tile("D/Scenes/LSZH Zurich", 47, 8, true);
  x.airport("D/Scenes/Swiss Airports", {"LSZH", "LSGG"});
  x.tile("D/Scenes/Swiss Airports", 46, 6, true);
  x.airport("D/Scenes/LFPG Paris", {"LFPG"});
  x.tile("D/Scenes/LFPG Paris", 49, 2, true, {"ff_library/jetways/jetway.obj"});
  x.airport("D/Scenes/EDDF Frankfurt", {"EDDF"});
  x.tile("D/Scenes/EDDF Frankfurt", 50, 8, true, {"ruscenery/houses/house1.obj"});
  for (int lat = 45; lat <= 47; ++lat)
    for (int lon = 6; lon <= 10; ++lon) x.tile("D/Scenes/Alps Ortho", lat, lon);
  x.orthoFolders("D/Scenes/Alps Ortho");
  for (int lat = 42; lat <= 43; ++lat)
    for (int lon = -2; lon <= 2; ++lon) {
      x.tile("D/Scenes/Pyrenees Mesh", lat, lon);
      if (lon >= 0) x.tile("D/Scenes/Pyrenees HD Mesh", lat, lon);
    }
  for (int lat = 55; lat <= 63; ++lat)
    for (int lon = 5; lon <= 12; ++lon)
      if (IsLand(lat, lon)) x.tile("D/Scenes/Norway Overlay", lat, lon, true, {"lib/g10/forests/conifer.for"});
  x.airport("D/Scenes/KSEA Seattle", {"KSEA"});
  x.tile("D/Scenes/KSEA Seattle", 47, -123, true);
  for (int lat = 45; lat <= 48; ++lat)
    for (int lon = -123; lon <= -120; ++lon) x.tile("D/Scenes/Cascades Overlay", lat, lon, true);
  x.library("D/Scenes/OpenSceneryX", {"opensceneryx/objects/trees/oak.obj"});
  x.library("D/Scenes/RuScenery", {"ruscenery/houses/house1.obj"});
  x.library("D/Scenes/Swiss Library", {});
  dir.file("D/Scenes/Swiss Library/library.txt", "A\n800\nLIBRARY\n\nEXPORT swiss/chalet.obj objects/chalet.obj\n");
  dir.file("D/X-Plane 12/Log.txt",
           "Log.txt for X-Plane 12.1.1-r1 (build 121101 64-bit, Vulkan)\n"
           "0:00:04.210 E/SCN: Failed to find resource 'ff_library/jetways/jetway.obj', referenced from scenery "
           "package 'Custom Scenery/LFPG Paris/'.\n"
           "0:00:05.020 E/SCN: The terrain file 'Custom Scenery/Alps Ortho/terrain/+46+007_2.ter' could not be "
           "loaded.\n");

  const std::vector<std::pair<std::string, std::vector<std::string>>> groups = {
      {"Aéroports d'Europe", {"LSGS Sion", "LSZH Zurich", "Swiss Airports", "LFPG Paris", "EDDF Frankfurt"}},
      {"Amérique du Nord", {"KSEA Seattle", "Cascades Overlay"}},
      {"Bibliothèques", {"OpenSceneryX", "RuScenery", "Swiss Library"}},
      {"Photos et maillages", {"Norway Overlay", "Alps Ortho", "Pyrenees Mesh", "Pyrenees HD Mesh"}},
  };
  std::string ini;
  for (const auto& [group, scenes] : groups)
    for (const std::string& s : scenes) {
      if (s == "OpenSceneryX") continue;  // not active: it provides what LSGS lacks
      x.link(s, "D/Scenes/" + s);
      ini += (s == "RuScenery" ? "SCENERY_PACK_DISABLED Custom Scenery/" : "SCENERY_PACK Custom Scenery/") + s + "/\n";
    }
  x.packsIni({ini});

  ScriptedInteraction scripted;
  ScopedUI scope{scripted};
  ui::TEcrOrvella w;
  w.formCreate(dir.win("orvella.exe"));
  EcrOrvellaLogic& l = w.logic();
  for (const auto& [group, scenes] : groups) {
    Node* g = l.custScn().addChild(nullptr, A(group.c_str()), kKindGroup);
    for (const std::string& s : scenes) l.custScn().addChild(g, "D:\\Scenes\\" + s, kKindScene);
    l.custScn().setExpanded(g, true);
  }
  w.run([&] {
    l.setChecked("cbOrdonneIni", true);
    l.cbOrdonneIniClick();
    l.addInstallation("D:\\X-Plane 12");
    l.selectInstallation(0);
  });
  w.resize(760, 620);
  w.show();
  w.startCheck();
  const auto report = WaitReport(&w);
  if (!report) {
    std::fprintf(stderr, "the check gave no report\n");
    return 1;
  }
  std::printf("%zu packs, %zu missing\n", report->packs.size(), report->missing.size());
  QApplication::processEvents();
  Save(&w, out + QStringLiteral("/check-trees.png"));

  ui::CheckDialog* d = w.checkDialog();
  d->resize(960, 620);
  d->tabs()->setCurrentIndex(0);
  QApplication::processEvents();
  Save(d, out + QStringLiteral("/check-report.png"));
  d->tabs()->setCurrentIndex(1);
  QApplication::processEvents();
  Save(d, out + QStringLiteral("/check-log.png"));
  d->tabs()->setCurrentIndex(2);
  QApplication::processEvents();
  Save(d, out + QStringLiteral("/check-map.png"));
  d->map()->setView(7, QPointF(4, 48));
  QApplication::processEvents();
  Save(d->map(), out + QStringLiteral("/check-map-europe.png"));
  return 0;
}

}  // namespace
}  // namespace orvella::test

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: checkshots OUTPUT_FOLDER\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_FONT_DPI", "96");
  QLocale::setDefault(QLocale::c());
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  orvella::ui::SetApplicationTitle(QStringLiteral("X-Plane Orvella"));
  return orvella::test::Run(QString::fromLocal8Bit(argv[1]));
}
