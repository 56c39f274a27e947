// Reports made by hand for the widget tests: what the engine answers, with
// every part the window draws.
#pragma once

#include <QHeaderView>
#include <QTest>
#include <QTreeWidget>

#include "logic/check/scenerycheck.h"

namespace orvella::test {

inline check::LoadedPack Pack(const char* name, check::PackRole role, std::vector<check::Tile> tiles,
                              const char* area = "Custom Scenery") {
  check::LoadedPack p;
  p.name = name;
  p.folder = std::string("Z:\\scenes\\") + name;
  p.area = area;
  p.role = role;
  p.tiles = std::move(tiles);
  return p;
}

// Packs in priority order: an airport over an orthophoto at +46+007, two
// meshes of +10+020 (the second hidden), Global Scenery under them all.
inline check::Report SampleReport() {
  using R = check::PackRole;
  check::Report r;
  r.folder = "Z:\\xp";
  r.packs = {Pack("LSGS", R::Airport, {{46, 7}}),
             Pack("LSZH", R::Airport, {{47, 8}}),
             Pack("AlpsOrtho", R::Orthophoto, {{46, 7}, {45, 6}}),
             Pack("MeshA", R::Mesh, {{10, 20}}),
             Pack("MeshB", R::Mesh, {{10, 20}}),
             Pack("Over", R::Overlay, {{-34, -59}}),
             Pack("", R::Mesh, {{45, 6}, {0, 0}, {10, 20}, {-34, -59}}, "Global Scenery")};
  r.packs.back().folder = "Z:\\xp\\Global Scenery\\X-Plane 12 Global Scenery";
  r.tileConflicts = {{{10, 20}, {"MeshA", "MeshB"}}};
  r.duplicateAirports = {{"LSZH", {"LSZH", "LSGS"}}};
  check::Missing inactive;
  inactive.path = "opensceneryx/objects/tree.obj";
  inactive.library = "opensceneryx";
  inactive.reason = check::Reason::Inactive;
  inactive.provider = "Z:\\scenes\\OpenSceneryX";
  inactive.packs = {"LSGS", "AlpsOrtho"};
  inactive.sample = "Earth nav data\\+40+000\\+46+007.dsf";
  check::Missing disabled;
  disabled.path = "ruscenery/house.obj";
  disabled.library = "ruscenery";
  disabled.reason = check::Reason::Disabled;
  disabled.provider = "Z:\\xp\\Custom Scenery\\RuScenery";
  disabled.packs = {"LSGS"};
  check::Missing absent = disabled;
  absent.path = "ruscenery/church.obj";
  absent.reason = check::Reason::Absent;
  absent.provider.clear();
  r.missing = {inactive, disabled, absent};
  r.brokenExports = {{"AlpsOrtho", "alps/rock.obj", "objects/rock.obj"}};
  r.damaged = {{"MeshB", "Earth nav data\\+10+020\\+10+020.dsf", "DSF endommagé"}};
  r.log.read = true;
  r.log.version = "12.1.0";
  r.log.findings = {{"object", "LSGS", "lsgs/hangar.obj", "E/SCN: Failed to find resource 'lsgs/hangar.obj'"},
                    {"dsf", "", "+50+010.dsf", "E/DSF: could not load +50+010.dsf"}};
  return r;
}

// The action a line of the report offers ("" for none), and a click on it.
inline QString ActionOf(QTreeWidgetItem* item) { return item ? item->text(2) : QString(); }
inline void ClickAction(QTreeWidget* tree, QTreeWidgetItem* item) {
  tree->scrollToItem(item);
  const QRect row = tree->visualItemRect(item);
  const int x = tree->header()->sectionViewportPosition(2) + 8;
  QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(x, row.center().y()));
}

}  // namespace orvella::test
