// The scenery order in the real window: the option's box, the preview from
// the popup menu, the kinds set from it, the tooltips, the launch, and the
// preview dialog's list.
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QListWidget>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "logic/order/orderline.h"
#include "order/packbuilder.h"
#include "support/sceneryfixture.h"
#include "ui/longtaskdialog.h"
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

TEST_F(OrderUiTest, ThePreviewFitsItsColumnsAndWrapsLongWarnings) {
  const std::string longName(70, 'N');
  std::vector<OrderLine> lines = {
      {longName, "aeroport", "LFPG, LFPB, LFPO, LFOB, LFPN, LFPT", false, false, 0},
      {"Broken", "inconnu", "", false, false, 6, "DSF endommage : Earth nav data\\+40+000\\+48+002.dsf"},
  };
  const std::string warning =
      "Aeroport LFPG declare par " + longName + " et par " + longName + " : " + longName + ", plus haut, l'emporte.";
  ui::TEcrOrdre dlg("Ordre", lines, {warning});
  dlg.show();
  QApplication::processEvents();
  QTreeWidget* list = dlg.list();
  EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0) << "every column fits without side scrolling";
  EXPECT_TRUE(list->topLevelItem(1)->text(2).contains(QStringLiteral("DSF endommage")));
  EXPECT_FALSE(list->topLevelItem(1)->toolTip(2).isEmpty());
  EXPECT_EQ(list->topLevelItem(0)->toolTip(1), QString::fromStdString(longName)) << "a shortened name shows whole";
  QListWidget* w = dlg.warnings();
  EXPECT_EQ(w->horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(w->visualItemRect(w->item(0)).height(), 2 * w->fontMetrics().height()) << "the warning wraps";
}

TEST_F(OrderUiTest, LongWorkShowsAProgressBarWhoseCancelStopsIt) {
  // Short work: no dialog at all.
  LongTask quick;
  bool ran = false;
  EXPECT_TRUE(ui::RunLongTask(nullptr, QStringLiteral("x"), quick, [&] { ran = true; }));
  EXPECT_TRUE(ran);

  // Long work: the bar shows after half a second; the window answers its
  // timers meanwhile; Cancel stops the work.
  LongTask task;
  task.total = 100;
  std::atomic<bool> stopped{false};
  int ticks = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
  ticker.start(50);
  QProgressDialog* seen = nullptr;
  QElapsedTimer clock;
  clock.start();
  qint64 shownAfter = -1;
  QTimer finder;
  QObject::connect(&finder, &QTimer::timeout, [&] {
    for (QWidget* top : QApplication::topLevelWidgets())
      if (auto* p = qobject_cast<QProgressDialog*>(top);
          p && p->objectName() == QStringLiteral("EcrProgression") && p->isVisible()) {
        if (!seen) shownAfter = clock.elapsed();
        seen = p;
        if (clock.elapsed() > 900)
          for (QPushButton* b : p->findChildren<QPushButton*>()) b->click();
      }
  });
  finder.start(30);
  const bool done = ui::RunLongTask(nullptr, QStringLiteral("Lecture"), task, [&] {
    for (int i = 0; i < 1000 && !task.cancelled; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      ++task.done;
    }
    stopped = true;
  });
  EXPECT_FALSE(done);
  EXPECT_TRUE(stopped);
  ASSERT_NE(seen, nullptr);
  EXPECT_GE(shownAfter, ui::kProgressDelayMs - 50);
  EXPECT_GE(ticks, 8) << "the event loop ran while the work did";
  EXPECT_LT(clock.elapsed(), 5000);
}

}  // namespace
}  // namespace orvella::test
