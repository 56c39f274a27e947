// The scenery order in the main window's logic: the option beside the
// delete option, the launch that writes scenery_packs.ini in order, the
// preview, the kinds set from the popup menu, the tooltips, and the order's
// settings kept beside a settings file that stays as it was.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "logic/core/asciitext.h"
#include "logic/core/pathnames.h"
#include "logic/order/orderline.h"
#include "mainwindow/window_fixture.h"
#include "order/packbuilder.h"

namespace orvella::test {
namespace {

namespace fs = std::filesystem;

class OrderWindowTest : public WindowFixture {
 protected:
  void SetUp() override {
    WindowFixture::SetUp();
    if (IsSkipped()) return;
#ifndef _WIN32
    // A stand-in simulator that starts and ends at once.
    fx.dir.file("X-Plane 12/X-Plane.exe", "#!/bin/sh\nexit 0\n");
    fs::permissions(fx.dir.host("X-Plane 12/X-Plane.exe"), fs::perms::owner_all, fs::perm_options::add);
#endif
  }
  // A scene of the library, linked and placed in group g.
  Node* linked(Node* g, const std::string& name) {
    const std::string path = fx.dir.win("library/" + name);
    fx.link(name, path);
    return t.addChild(g, path, kKindScene);
  }
  // Five packs of each kind, arranged in the tree in the wrong order, and a
  // scenery_packs.ini that lists them in the wrong order too.
  void fivePacks() {
    b.mesh("library/Mesh");
    b.ortho("library/Ortho");
    b.overlay("library/Over");
    b.library("library/Lib");
    b.airport("library/LFPG", {"LFPG"});
    Node* g = t.addChild(nullptr, "Europe", kKindGroup);
    for (const char* n : {"Mesh", "Ortho", "Over", "Lib", "LFPG"}) linked(g, n);
    fx.dir.file("X-Plane 12/Custom Scenery/scenery_packs.ini", kOld);
    w.rgListeXPClick();
  }
  std::string ini() const { return fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini"); }

  static constexpr const char* kOld =
      "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/Mesh/\nSCENERY_PACK Custom Scenery/Ortho/\n"
      "SCENERY_PACK Custom Scenery/Over/\nSCENERY_PACK Custom Scenery/Lib/\nSCENERY_PACK *GLOBAL_AIRPORTS*\n"
      "SCENERY_PACK Custom Scenery/LFPG/\n";
  static constexpr const char* kOrdered =
      "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/LFPG/\nSCENERY_PACK *GLOBAL_AIRPORTS*\n"
      "SCENERY_PACK Custom Scenery/Lib/\nSCENERY_PACK Custom Scenery/Over/\nSCENERY_PACK Custom Scenery/Ortho/\n"
      "SCENERY_PACK Custom Scenery/Mesh/\n";
  PackBuilder b{fx.dir};
};

TEST_F(OrderWindowTest, TheTwoBoxesExcludeEachOther) {
  EXPECT_TRUE(w.deletesSceneryPacks()) << "deleting stays the default";
  EXPECT_FALSE(w.ordersSceneryPacks());
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  EXPECT_FALSE(w.deletesSceneryPacks());
  w.setChecked("cbEffaceIni", true);
  w.cbEffaceIniClick();
  EXPECT_FALSE(w.ordersSceneryPacks());
  // Unchecking one leaves the other as it is.
  w.setChecked("cbEffaceIni", false);
  w.cbEffaceIniClick();
  EXPECT_FALSE(w.ordersSceneryPacks());
}

#ifndef _WIN32
TEST_F(OrderWindowTest, TheLaunchWritesTheOrderAndKeepsTheOldFile) {
  fivePacks();
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  w.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0]);
  EXPECT_EQ(ini(), kOrdered);
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"), kOld);
  // With the delete option the file goes, as before.
  w.setChecked("cbEffaceIni", true);
  w.cbEffaceIniClick();
  w.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/scenery_packs.ini"));
}

TEST_F(OrderWindowTest, CancelledWhileReadingNothingIsWrittenAndNothingStarts) {
  fivePacks();
  fx.dir.file("X-Plane 12/X-Plane.exe", "#!/bin/sh\ntouch \"$(dirname \"$0\")/started\"\n");
  fs::permissions(fx.dir.host("X-Plane 12/X-Plane.exe"), fs::perms::owner_all, fs::perm_options::add);
  w.setChecked("cbEffaceIni", false);
  w.setChecked("cbOrdonneIni", true);
  ui.cancelLong = true;
  w.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ui.longRuns, 1) << "the packs are read through the long-work seam";
  EXPECT_EQ(ini(), kOld);
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"));
  win::Sleep(300);
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/started"));
  // Not cancelled: written, and the simulator starts.
  ui.cancelLong = false;
  w.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ini(), kOrdered);
  for (int i = 0; i < 50 && !fx.dir.exists("X-Plane 12/started"); ++i) win::Sleep(20);
  EXPECT_TRUE(fx.dir.exists("X-Plane 12/started"));
}

TEST_F(OrderWindowTest, TheUsersFileOutlivesTwoLaunchesAndARestart) {
  fivePacks();
  w.setChecked("cbEffaceIni", false);
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  w.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EcrOrvellaLogic again;
  again.FormCreate(fx.dir.win("orvella.exe"));
  again.addInstallation(fx.installation);
  again.selectInstallation(0);
  again.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ini(), kOrdered);
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"), kOld) << "the same order: not rewritten";
  // A new pack changes the order: the program's own file goes to .bak only.
  b.mesh("library/New");
  fx.link("New", fx.dir.win("library/New"));
  again.btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_NE(ini(), kOrdered);
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"), kOrdered);
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/scenery_packs.ini.user.bak"), kOld)
      << "the program knows its own file after a restart";
}

TEST_F(OrderWindowTest, AFailedWriteSaysWhyLeavesTheFileAndStillLaunches) {
  fivePacks();
  w.setChecked("cbEffaceIni", false);
  w.setChecked("cbOrdonneIni", true);
  fs::permissions(fx.dir.host("X-Plane 12/Custom Scenery/scenery_packs.ini"), fs::perms::owner_read);
  w.btnOuvrirXPQuitterClick("btnOuvrirXPQuitter");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find("scenery_packs.ini"), std::string::npos);
  EXPECT_EQ(ini(), kOld);
}
#endif

TEST_F(OrderWindowTest, ThePreviewShowsTheOrderAndWritesNothing) {
  fivePacks();
  b.airport("library/LFPG old", {"LFPG"});
  linked(t.top(1), "LFPG old");
  w.rgListeXPClick();
  w.PM_ApercuOrdreClick();
  ASSERT_EQ(ui.ordersShown.size(), 1u);
  const auto& shown = ui.ordersShown[0];
  std::vector<std::string> names;
  for (const OrderLine& l : shown.lines) names.push_back(l.name + " " + l.kind);
  EXPECT_EQ(names, (std::vector<std::string>{A("LFPG aéroport"), A("LFPG old aéroport"),
                                             A("Global Airports aéroports du simulateur"), A("Lib bibliothèque"),
                                             "Over surcouche", "Ortho orthophoto", "Mesh maillage"}));
  EXPECT_EQ(shown.lines[0].airports, "LFPG");
  ASSERT_EQ(shown.warnings.size(), 1u);
  EXPECT_LT(shown.warnings[0].find("LFPG"), shown.warnings[0].find("LFPG old"));
  EXPECT_EQ(ini(), kOld);
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/scenery_packs.ini.bak"));
}

TEST_F(OrderWindowTest, KindsSetFromTheMenuWinAndShowInTheTooltip) {
  fivePacks();
  Node* mesh = t.top(1)->child(0);
  ASSERT_EQ(LastComponent(mesh->text()), "Mesh");
  EXPECT_EQ(w.nodeHint(mesh), "Type : maillage");
  EXPECT_EQ(w.nodeHint(t.top(1)->child(4)), A("Type : aéroport (LFPG)"));
  EXPECT_EQ(w.nodeHint(t.top(1)), "") << "a group has no kind";

  // The kind items appear only while the order is written, for one scene.
  pick(mesh);
  w.PM_PagePopup();
  EXPECT_FALSE(w.mainForm()["PM_TypeAuto"].visible);
  EXPECT_FALSE(w.mainForm()["PM_ApercuOrdre"].visible);
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  w.PM_PagePopup();
  EXPECT_TRUE(w.mainForm()["PM_ApercuOrdre"].visible);
  EXPECT_TRUE(w.mainForm()["PM_TypeAuto"].visible);
  EXPECT_TRUE(w.mainForm()["PM_TypeAuto"].checked);
  EXPECT_FALSE(w.mainForm()["PM_TypeAeroport"].checked);

  w.PM_TypeClick("PM_TypeAeroport");
  w.PM_PagePopup();
  EXPECT_FALSE(w.mainForm()["PM_TypeAuto"].checked);
  EXPECT_TRUE(w.mainForm()["PM_TypeAeroport"].checked);
  EXPECT_EQ(w.nodeHint(mesh), A("Type : aéroport, choisi à la main"));
  const OrderPlan plan = *w.planSceneryOrder();
  ASSERT_GE(plan.entries.size(), 2u);
  EXPECT_EQ(plan.entries[0].path, "Custom Scenery/Mesh/") << "an airport now, above LFPG: the tree puts it first";
  EXPECT_EQ(plan.entries[1].path, "Custom Scenery/LFPG/");

  // Back to what the files say.
  w.PM_TypeClick("PM_TypeAuto");
  EXPECT_EQ(w.nodeHint(mesh), "Type : maillage");
  // A group selected: no kind items.
  pick(t.top(1));
  w.PM_PagePopup();
  EXPECT_TRUE(w.mainForm()["PM_ApercuOrdre"].visible);
  EXPECT_FALSE(w.mainForm()["PM_TypeAuto"].visible);
}

TEST_F(OrderWindowTest, TheTooltipAndThePreviewSayWhyAKindIsUnknown) {
  fivePacks();
  b.tile("library/Broken", test::DsfFile(test::TileProps(true)).substr(0, 30), false);
  Node* broken = linked(t.top(1), "Broken");
  w.rgListeXPClick();
  EXPECT_EQ(w.nodeHint(broken), A("Type : inconnu (DSF endommagé : Earth nav data\\+40+000\\+48+002.dsf)"));
  w.PM_ApercuOrdreClick();
  ASSERT_EQ(ui.ordersShown.size(), 1u);
  const OrderLine& last = ui.ordersShown[0].lines.back();
  EXPECT_EQ(last.name, "Broken");
  EXPECT_EQ(last.reason, A("DSF endommagé : Earth nav data\\+40+000\\+48+002.dsf"));
}

TEST_F(OrderWindowTest, UnmanagedFoldersTakeKindsAndPlainFilesDoNot) {
  fivePacks();
  b.mesh("X-Plane 12/Custom Scenery/Loose mesh");
  w.rgListeXPClick();
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  Node* u = t.unmanaged();
  ASSERT_NE(u, nullptr);
  Node* loose = nullptr;
  Node* file = nullptr;
  for (int i = 0; i < u->childCount(); ++i) {
    if (u->child(i)->text() == "Loose mesh") loose = u->child(i);
    if (u->child(i)->text() == "scenery_packs.ini") file = u->child(i);
  }
  ASSERT_TRUE(loose && file);
  pick(file);
  w.PM_PagePopup();
  EXPECT_FALSE(w.mainForm()["PM_TypeAuto"].visible) << "a plain file is no pack";
  EXPECT_EQ(w.nodeHint(file), "");
  pick(loose);
  w.PM_PagePopup();
  ASSERT_TRUE(w.mainForm()["PM_TypeAuto"].visible);
  EXPECT_EQ(w.nodeHint(loose), "Type : maillage");
  w.PM_TypeClick("PM_TypeBiblio");
  const OrderPlan plan = *w.planSceneryOrder();
  ASSERT_GE(plan.entries.size(), 4u);
  EXPECT_EQ(plan.entries[2].path, "Custom Scenery/Lib/");
  EXPECT_EQ(plan.entries[3].path, "Custom Scenery/Loose mesh/") << "a library now, after the tree's own";
  EXPECT_TRUE(plan.entries[3].handSet);
}

TEST_F(OrderWindowTest, TheOptionAndKindsComeBackAndTheSettingsFileStaysAsItWas) {
  fivePacks();
  w.FormDestroy();
  const std::string plain = fx.dir.read("orvella.ini");
  EXPECT_FALSE(fx.dir.exists("orvella.ordre.ini")) << "nothing written for a user who never used it";

  const std::string mesh = t.top(1)->child(0)->text();
  w.setChecked("cbOrdonneIni", true);
  w.cbOrdonneIniClick();
  w.setChecked("cbEffaceIni", true);  // as the settings file knew it
  pick(t.top(1)->child(0));
  w.PM_TypeClick("PM_TypeOrtho");
  w.setChecked("cbEffaceIni", true);
  w.FormDestroy();
  // Only the delete box's own state may differ: the file's form is the same.
  EXPECT_EQ(fx.dir.read("orvella.ini"), plain);
  ASSERT_TRUE(fx.dir.exists("orvella.ordre.ini"));

  EcrOrvellaLogic again;
  again.FormCreate(fx.dir.win("orvella.exe"));
  EXPECT_TRUE(again.ordersSceneryPacks());
  EXPECT_FALSE(again.deletesSceneryPacks()) << "the two stay exclusive";
  EXPECT_EQ(again.order().kindOf(mesh), PackKind::Orthophoto);
  EXPECT_EQ(again.order().kindOf(FoldAsciiCase(mesh)), PackKind::Orthophoto);
}

TEST_F(OrderWindowTest, ASecondLaunchReadsOnlyThePacksThatChanged) {
  fivePacks();
  // The library is known by its library.txt, which is not opened.
  const std::vector<std::string> five = {"Mesh", "Ortho", "Over", "Lib", "LFPG"};
  platform::TakeOpenedForReading();
  w.planSceneryOrder();
  EXPECT_EQ(test::PacksRead(five), 4);
  w.FormDestroy();  // the memory goes to its file

  EcrOrvellaLogic again;
  again.FormCreate(fx.dir.win("orvella.exe"));
  again.addInstallation(fx.installation);
  again.selectInstallation(0);
  fs::remove_all(fx.dir.host("library/Mesh"));
  b.overlay("library/Mesh");
  fs::last_write_time(fx.dir.host("library/Mesh"),
                      fs::last_write_time(fx.dir.host("library/Mesh")) + std::chrono::seconds(2));
  const OrderPlan plan = *again.planSceneryOrder();
  EXPECT_EQ(test::PacksRead(five), 1) << "only the changed pack is read";
  EXPECT_EQ(plan.entries.size(), 6u);
}

}  // namespace
}  // namespace orvella::test
