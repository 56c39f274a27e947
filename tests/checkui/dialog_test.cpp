// The report dialog filled from a report made by hand: its grouping by
// library then pack, the reasons, the repairs it offers, the log's tab, the
// copy, and the marks the report puts on the trees' packs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

#include <memory>

#include "qtansi/ansiqt.h"
#include "reports.h"
#include "ui/checkdialog.h"
#include "ui/checkmarks.h"
#include "ui/images.h"
#include "ui/scenerytreemodel.h"

namespace orvella::test {
namespace {

using ui::CheckDialog;

QTreeWidgetItem* Find(QTreeWidget* tree, const QString& text) {
  const auto found = tree->findItems(text, Qt::MatchRecursive | Qt::MatchStartsWith, 0);
  return found.isEmpty() ? nullptr : found.front();
}

TEST(CheckDialogTest, TheReportIsGroupedByLibraryThenPackWithItsRepairs) {
  CheckDialog d;
  d.show();
  d.setCanEnable(false);
  QSignalSpy activate(&d, &CheckDialog::activateRequested);
  d.showReport(std::make_shared<const check::Report>(SampleReport()));
  QTreeWidget* t = d.reportTree();

  // Sections: missing, broken exports, duplicates, hidden tiles, damaged.
  ASSERT_EQ(t->topLevelItemCount(), 5);
  QTreeWidgetItem* missing = t->topLevelItem(0);
  ASSERT_EQ(missing->childCount(), 2);
  QTreeWidgetItem* osx = missing->child(0);
  EXPECT_EQ(osx->text(0), QStringLiteral("Bibliothèque « opensceneryx » : 1 élément(s) manquant(s)"));
  // One reason for the whole library: said once, in the engine's words,
  // with its repair there.
  EXPECT_EQ(osx->text(1), ui::ReasonText(check::Reason::Inactive, "Z:\\scenes\\OpenSceneryX"));
  EXPECT_TRUE(osx->text(1).startsWith(QStringLiteral("inactif : fourni par « Z:\\scenes\\OpenSceneryX »")));
  ASSERT_EQ(osx->childCount(), 2);  // the two packs that need it
  EXPECT_EQ(osx->child(0)->text(0), QStringLiteral("LSGS"));
  EXPECT_EQ(osx->child(1)->text(0), QStringLiteral("AlpsOrtho"));
  EXPECT_EQ(osx->child(0)->child(0)->text(0), QStringLiteral("opensceneryx/objects/tree.obj"));
  EXPECT_EQ(ActionOf(osx), QStringLiteral("Activer"));
  ClickAction(t, osx);
  ASSERT_EQ(activate.size(), 1);
  EXPECT_EQ(activate[0][0].toString(), QStringLiteral("Z:\\scenes\\OpenSceneryX"));

  // Two reasons in one library: each path says its own; a disabled pack
  // offers no repair while the launch does not write the order.
  QTreeWidgetItem* rus = missing->child(1);
  EXPECT_TRUE(rus->text(1).isEmpty());
  EXPECT_EQ(ActionOf(rus), QString());
  QTreeWidgetItem* house = Find(t, QStringLiteral("ruscenery/house.obj"));
  ASSERT_TRUE(house);
  EXPECT_EQ(house->text(1), ui::ReasonText(check::Reason::Disabled, "Z:\\xp\\Custom Scenery\\RuScenery"));
  EXPECT_EQ(ActionOf(house), QString());
  ClickAction(t, house);
  EXPECT_EQ(activate.size(), 1);
  EXPECT_EQ(Find(t, QStringLiteral("ruscenery/church.obj"))->text(1), ui::ReasonText(check::Reason::Absent, ""));
  EXPECT_NE(ui::ReasonText(check::Reason::Absent, ""), ui::ReasonText(check::Reason::Disabled, "x"));

  EXPECT_TRUE(Find(t, QStringLiteral("LSZH : LSZH l'emporte sur LSGS")));
  EXPECT_TRUE(Find(t, QStringLiteral("+10+020 : MeshA cache MeshB")));
  EXPECT_TRUE(Find(t, QStringLiteral("alps/rock.obj : le fichier objects/rock.obj n'existe pas")));
  EXPECT_EQ(d.status()->text(), QStringLiteral("7 scènes chargées, 7 problèmes."));
}

TEST(CheckDialogTest, ReenablingIsOfferedWhenTheOrderIsWrittenAndPacksOpenTheirFolder) {
  CheckDialog d;
  d.show();
  d.setCanEnable(true);
  std::vector<std::string> opened;
  d.openFolder = [&](const std::string& f) { opened.push_back(f); };
  QSignalSpy enable(&d, &CheckDialog::enableRequested);
  d.showReport(std::make_shared<const check::Report>(SampleReport()));
  QTreeWidget* t = d.reportTree();
  QTreeWidgetItem* house = Find(t, QStringLiteral("ruscenery/house.obj"));
  EXPECT_EQ(ActionOf(house), QStringLiteral("Réactiver"));
  ClickAction(t, house);
  ASSERT_EQ(enable.size(), 1);
  EXPECT_EQ(enable[0][0].toString(), QStringLiteral("Z:\\xp\\Custom Scenery\\RuScenery"));
  // Nobody provides the church: nothing to do.
  EXPECT_EQ(ActionOf(Find(t, QStringLiteral("ruscenery/church.obj"))), QString());

  QTreeWidgetItem* ortho = Find(t, QStringLiteral("AlpsOrtho"));
  EXPECT_EQ(ActionOf(ortho), QStringLiteral("Ouvrir le dossier"));
  ClickAction(t, ortho);
  EXPECT_EQ(opened, std::vector<std::string>{"Z:\\scenes\\AlpsOrtho"});
}

TEST(CheckDialogTest, TheLogTabTiesFindingsToScenesAndTheReportCopiesAsText) {
  CheckDialog d;
  check::Report r = SampleReport();
  d.showReport(std::make_shared<const check::Report>(r));
  EXPECT_EQ(d.tabs()->tabText(1), QStringLiteral("Journal X-Plane"));
  QTreeWidget* log = d.logTree();
  ASSERT_EQ(log->topLevelItemCount(), 3);
  EXPECT_EQ(log->topLevelItem(0)->text(0), QStringLiteral("Log.txt de X-Plane 12.1.0"));
  EXPECT_EQ(log->topLevelItem(1)->text(0), QStringLiteral("LSGS"));
  EXPECT_EQ(log->topLevelItem(1)->child(0)->text(0), QStringLiteral("lsgs/hangar.obj"));
  EXPECT_EQ(log->topLevelItem(1)->child(0)->text(1), QStringLiteral("objet"));
  EXPECT_EQ(log->topLevelItem(2)->text(0), QStringLiteral("Sans scène désignée"));

  QSignalSpy again(&d, &CheckDialog::recheckRequested);
  d.show();
  QApplication::setActiveWindow(&d);
  QTest::keyClick(&d, Qt::Key_F7);
  EXPECT_EQ(again.size(), 1);

  d.copyButton()->click();
  EXPECT_EQ(QApplication::clipboard()->text(), FromAnsi(check::ReportText(r)));

  // No log read, no problem at all.
  check::Report clean;
  clean.packs = r.packs;
  d.showReport(std::make_shared<const check::Report>(clean));
  ASSERT_EQ(log->topLevelItemCount(), 1);
  EXPECT_TRUE(log->topLevelItem(0)->text(0).startsWith(QStringLiteral("Pas de Log.txt")));
  ASSERT_EQ(d.reportTree()->topLevelItemCount(), 1);
  EXPECT_TRUE(d.reportTree()->topLevelItem(0)->text(0).startsWith(QStringLiteral("Aucun problème")));
  // A cancelled check says so and shows no verdict.
  check::Report cancelled;
  cancelled.cancelled = true;
  d.showReport(std::make_shared<const check::Report>(cancelled));
  EXPECT_EQ(d.reportTree()->topLevelItemCount(), 0);
  EXPECT_TRUE(d.status()->text().startsWith(QStringLiteral("Vérification interrompue")));
}

TEST(CheckDialogTest, ALibraryThatManyPacksNeedShowsThemWhenOpened) {
  CheckDialog d;
  d.show();
  check::Report r;
  check::Missing big;
  big.path = "big/x.obj";
  big.library = "big";
  for (int i = 0; i < 60; ++i) {
    r.packs.push_back(Pack(("P" + std::to_string(i)).c_str(), check::PackRole::Overlay, {}));
    big.packs.push_back(r.packs.back().name);
  }
  r.missing = {big};
  d.showReport(std::make_shared<const check::Report>(r));
  QTreeWidgetItem* lib = d.reportTree()->topLevelItem(0)->child(0);
  EXPECT_FALSE(lib->isExpanded());
  EXPECT_EQ(lib->childCount(), 1);  // a placeholder until opened
  lib->setExpanded(true);
  ASSERT_EQ(lib->childCount(), 60);
  EXPECT_EQ(lib->child(59)->text(0), QStringLiteral("P59"));
  EXPECT_EQ(ActionOf(lib->child(59)), QStringLiteral("Ouvrir le dossier"));
  EXPECT_EQ(lib->child(0)->child(0)->text(0), QStringLiteral("big/x.obj"));
  lib->setExpanded(false);
  lib->setExpanded(true);
  EXPECT_EQ(lib->childCount(), 60);  // made once
}

TEST(CheckMarksTest, EachPackGetsItsProblemsByFolderOrNameAndANewReportReplacesThem) {
  ui::CheckMarks marks;
  const check::Report r = SampleReport();
  marks.set(r);
  const QStringList lsgs = marks.problemsOf("z:\\SCENES\\lsgs\\", "");
  EXPECT_TRUE(lsgs.contains(QStringLiteral("Manque opensceneryx/objects/tree.obj (") +
                            ui::ReasonText(check::Reason::Inactive, "Z:\\scenes\\OpenSceneryX") + QLatin1Char(')')))
      << lsgs.join(QLatin1Char('|')).toStdString();
  EXPECT_TRUE(lsgs.contains(QStringLiteral("Aéroport LSZH aussi déclaré par LSZH")));
  EXPECT_TRUE(lsgs.contains(QStringLiteral("Journal X-Plane : lsgs/hangar.obj")));
  // A link of the scenery folder is known by its name.
  EXPECT_EQ(marks.problemsOf("Z:\\xp\\Custom Scenery\\LSGS", "lsgs"), lsgs);
  // The inactive scene that would provide the library.
  EXPECT_EQ(marks.problemsOf("Z:\\scenes\\OpenSceneryX", ""),
            QStringList{QStringLiteral("Fournit opensceneryx, dont d'autres scènes ont besoin")});
  EXPECT_EQ(marks.problemsOf("Z:\\xp\\Custom Scenery\\RuScenery", ""),
            QStringList{QStringLiteral("Fournit ruscenery, dont d'autres scènes ont besoin")});
  EXPECT_EQ(marks.problemsOf("Z:\\scenes\\MeshB", "").size(), 2);         // hidden tile, damaged DSF
  EXPECT_TRUE(marks.problemsOf("Z:\\scenes\\MeshA", "MeshA").isEmpty());  // the winner
  EXPECT_TRUE(marks.problemsOf("Z:\\scenes\\LSZH", "").isEmpty());

  // A cancelled check leaves the marks; a complete one without problems clears them.
  check::Report cancelled;
  cancelled.cancelled = true;
  marks.set(cancelled);
  EXPECT_FALSE(marks.empty());
  marks.set(check::Report{});
  EXPECT_TRUE(marks.empty());
}

TEST(CheckMarksTest, TheMarkIsDrawnOverTheStateImageWhichStaysAsItWas) {
  for (int state = 0; state < ui::kStateImageCount; ++state) {
    const QImage before = ui::StateImage(state).toImage();
    const QImage marked = ui::SceneryTreeModel::markedStateIcon(state).pixmap(16, 16).toImage();
    ASSERT_EQ(marked.size(), QSize(16, 16));
    const QColor amber = marked.pixelColor(3, 13);
    EXPECT_GT(amber.red(), 200) << state;
    EXPECT_GT(amber.green(), 120) << state;
    EXPECT_LT(amber.blue(), 80) << state;
    // The upper right quarter is the state's own picture, and the state's
    // image itself is untouched.
    for (int y = 0; y < 7; ++y)
      for (int x = 9; x < 16; ++x) EXPECT_EQ(marked.pixel(x, y), before.convertToFormat(marked.format()).pixel(x, y));
    EXPECT_EQ(ui::StateImage(state).toImage(), before);
  }

  // The model marks a node the check found problems for, and its tooltip
  // lists them below the node's own hint.
  SceneryTree tree("t");
  Node* ok = tree.addChild(nullptr, "Z:\\scenes\\A", kKindScene);
  Node* bad = tree.addChild(nullptr, "Z:\\scenes\\B", kKindScene);
  ui::SceneryTreeModel model(tree);
  model.toolTipOf = [](const Node*) { return std::string("Type : maillage"); };
  model.problemsOf = [bad](const Node* n) {
    return n == bad ? QStringList{QStringLiteral("Manque x"), QStringLiteral("Manque y")} : QStringList();
  };
  EXPECT_EQ(model.data(model.indexOf(bad), Qt::ToolTipRole).toString(),
            QStringLiteral("Type : maillage\nManque x\nManque y"));
  EXPECT_EQ(model.data(model.indexOf(ok), Qt::ToolTipRole).toString(), QStringLiteral("Type : maillage"));
  const QImage okImage = model.data(model.indexOf(ok), Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
  const QImage badImage = model.data(model.indexOf(bad), Qt::DecorationRole).value<QIcon>().pixmap(16).toImage();
  EXPECT_EQ(okImage, ui::StateImage(0).toImage().convertToFormat(okImage.format()));
  EXPECT_NE(badImage, okImage);
}

}  // namespace
}  // namespace orvella::test
