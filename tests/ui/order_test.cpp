// The scenery order in the real window: the option's box, the preview from
// the popup menu, the kinds set from it, the tooltips, the launch, and the
// preview dialog's list.
#include <QCheckBox>
#include <QListWidget>
#include <QMenu>
#include <QTreeWidget>

#include <filesystem>

#include "order/packbuilder.h"
#include "support/sceneryfixture.h"
#include "ui/orderdialog.h"
#include "ui/scenerytreemodel.h"
#include "uitest.h"

namespace orvella::test {
namespace {

namespace fs = std::filesystem;

class OrderUiTest : public UiTest {
 protected:
  // A stand-in installation whose Custom Scenery links five packs, listed
  // in the wrong order by its scenery_packs.ini, and a group holding them.
  std::unique_ptr<ui::TEcrOrvella> startWithPacks() {
    dir.file("XP/X-Plane.exe", "#!/bin/sh\nexit 0\n");
    fs::permissions(dir.host("XP/X-Plane.exe"), fs::perms::owner_all, fs::perm_options::add);
    dir.mkdir("XP/Global Scenery");
    PackBuilder b{dir};
    b.mesh("Scenes/Mesh", Dsf7zSupportedHere());
    b.ortho("Scenes/Ortho");
    b.overlay("Scenes/Over", Dsf7zSupportedHere());
    b.library("Scenes/Lib");
    b.airport("Scenes/LFPG", {"LFPG"});
    dir.file("XP/Custom Scenery/scenery_packs.ini",
             "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/Mesh/\nSCENERY_PACK Custom Scenery/Over/\n"
             "SCENERY_PACK Custom Scenery/LFPG/\n");
    auto w = start();
    EcrOrvellaLogic& l = w->logic();
    Node* g = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
    for (const char* n : {"Mesh", "Ortho", "Over", "Lib", "LFPG"}) {
      dir.symlink(std::string("XP/Custom Scenery/") + n, std::string("Scenes/") + n);
      l.CustScn.addChild(g, dir.win(std::string("Scenes/") + n), kKindScene);
    }
    l.CustScn.setExpanded(g, true);
    w->run([&] {
      l.installations.push_back(dir.win("XP"));
      l.selectInstallation(0);
    });
    return w;
  }
  static bool Dsf7zSupportedHere() { return ORVELLA_TEST_7Z != 0; }
  QCheckBox* box(ui::TEcrOrvella* w, const char* name) { return qobject_cast<QCheckBox*>(w->control(name)); }
};

const char* const kOrdered =
    "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/LFPG/\nSCENERY_PACK *GLOBAL_AIRPORTS*\n"
    "SCENERY_PACK Custom Scenery/Lib/\nSCENERY_PACK Custom Scenery/Over/\nSCENERY_PACK Custom Scenery/Ortho/\n"
    "SCENERY_PACK Custom Scenery/Mesh/\n";

TEST_F(OrderUiTest, TheBoxPreviewAndLaunchAsTheUserMeetsThem) {
  if (!SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
  auto w = startWithPacks();
  QCheckBox* ordonne = box(w.get(), "cbOrdonneIni");
  ASSERT_NE(ordonne, nullptr);
  EXPECT_EQ(ordonne->text(), QStringLiteral("Ordonner scenery_packs.ini"));
  EXPECT_TRUE(ordonne->isVisible());
  EXPECT_FALSE(ordonne->isChecked());
  EXPECT_FALSE(ordonne->geometry().intersects(w->control("btnQuitter")->geometry()));
  EXPECT_FALSE(w->preparePopup()->actions().isEmpty());
  EXPECT_FALSE(w->menuAction("PM_ApercuOrdre")->isVisible());

  QTest::mouseClick(ordonne, Qt::LeftButton);
  EXPECT_TRUE(ordonne->isChecked());
  EXPECT_FALSE(box(w.get(), "cbEffaceIni")->isChecked()) << "the two boxes exclude each other";

  // The preview from the popup menu: the order, and nothing written yet.
  w->preparePopup();
  ASSERT_TRUE(w->menuAction("PM_ApercuOrdre")->isVisible());
  w->menuAction("PM_ApercuOrdre")->trigger();
  ASSERT_EQ(scripted.ordersShown.size(), 1u);
  std::vector<std::string> shown;
  for (const OrderLine& line : scripted.ordersShown[0].lines) shown.push_back(line.name);
  EXPECT_EQ(shown, (std::vector<std::string>{"LFPG", "Global Airports", "Lib", "Over", "Ortho", "Mesh"}));
  EXPECT_FALSE(dir.exists("XP/Custom Scenery/scenery_packs.ini.bak"));

  // The launch writes the same order and keeps the old file.
  const std::string old = dir.read("XP/Custom Scenery/scenery_packs.ini");
  QTest::mouseClick(w->control("btnOuvrirXP"), Qt::LeftButton);
  EXPECT_TRUE(scripted.messages.empty());
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini"), kOrdered);
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini.bak"), old);
}

TEST_F(OrderUiTest, KindsFromTheMenuAndInTheTooltips) {
  if (!SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
  auto w = startWithPacks();
  EcrOrvellaLogic& l = w->logic();
  ui::TTreeView* view = w->treeView(l.CustScn);
  Node* group = l.CustScn.top(1);
  ASSERT_EQ(group->text(), "Europe");
  Node* mesh = group->child(0);
  ui::SceneryTreeModel* model = view->sceneryModel();
  EXPECT_EQ(model->data(model->indexOf(mesh), Qt::ToolTipRole).toString(), QStringLiteral("Type : maillage"));
  EXPECT_EQ(model->data(model->indexOf(group->child(4)), Qt::ToolTipRole).toString(), U("Type : aéroport (LFPG)"));
  EXPECT_FALSE(model->data(model->indexOf(group), Qt::ToolTipRole).isValid());

  QTest::mouseClick(box(w.get(), "cbOrdonneIni"), Qt::LeftButton);
  ClickNode(view, mesh);
  ASSERT_EQ(l.CustScn.selected(), mesh);
  w->preparePopup();
  QAction* airport = w->menuAction("PM_TypeAeroport");
  ASSERT_TRUE(airport->isVisible());
  EXPECT_TRUE(airport->isCheckable());
  EXPECT_TRUE(w->menuAction("PM_TypeAuto")->isChecked());
  airport->trigger();
  w->preparePopup();
  EXPECT_TRUE(w->menuAction("PM_TypeAeroport")->isChecked());
  EXPECT_FALSE(w->menuAction("PM_TypeAuto")->isChecked());
  EXPECT_EQ(model->data(model->indexOf(mesh), Qt::ToolTipRole).toString(), U("Type : aéroport, choisi à la main"));
}

TEST_F(OrderUiTest, HidingThePanelKeepsTheBoxInTheBottomRow) {
  auto w = start();
  w->preparePopup();
  w->menuAction("PM_BtnLat")->trigger();
  QWidget* ordonne = w->control("cbOrdonneIni");
  const QRect efface = w->control("cbEffaceIni")->geometry();
  EXPECT_EQ(ordonne->geometry().top(), efface.top());
  EXPECT_LT(ordonne->geometry().right(), efface.left());
  EXPECT_GE(ordonne->geometry().left(), 0);
  w->preparePopup();
  w->menuAction("PM_BtnLat")->trigger();
  EXPECT_EQ(ordonne->geometry(), QRect(499, 519, 161, 17));
}

TEST_F(OrderUiTest, ThePreviewListShowsEachPackWithItsKind) {
  std::vector<OrderLine> lines = {
      {"LFPG", "aeroport", "LFPG, LFPB", false, false, 0},
      {"Paris old", "aeroport", "LFPG", true, false, 0},
      {"Ortho4XP", "maillage", "", false, true, 5},
  };
  ui::TEcrOrdre dlg("Ordre", lines, {"LFPG twice"});
  QTreeWidget* list = dlg.list();
  ASSERT_EQ(list->topLevelItemCount(), 3);
  EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("LFPG"));
  EXPECT_EQ(list->topLevelItem(0)->text(3), QStringLiteral("LFPG, LFPB"));
  EXPECT_EQ(list->topLevelItem(2)->text(0), QStringLiteral("3"));
  EXPECT_TRUE(list->topLevelItem(1)->text(2).contains(U("désactivée")));
  EXPECT_TRUE(list->topLevelItem(2)->text(2).contains(U("à la main")));
  EXPECT_NE(ui::TEcrOrdre::KindColour(0), ui::TEcrOrdre::KindColour(5));
  EXPECT_FALSE(list->topLevelItem(2)->icon(2).isNull());
  EXPECT_EQ(dlg.warnings()->count(), 1);
  EXPECT_FALSE(dlg.warnings()->isHidden());
  ui::TEcrOrdre quiet("Ordre", lines, {});
  EXPECT_TRUE(quiet.warnings()->isHidden());
}

}  // namespace
}  // namespace orvella::test
