// The real main window: its controls against the design, the first start,
// the tabs, the side panel, the language file, the popup menu and the
// general error display.
#include <QAction>
#include <QCheckBox>
#include <QGroupBox>
#include <QIcon>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

#include <algorithm>
#include <filesystem>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "ui/formview.h"
#include "ui/radiogroup.h"
#include "uitest.h"

namespace orvella::test {
namespace {

using ui::TEcrOrvella;

struct Expected {
  const char* name;
  const char* className;  // the widget's class
  const char* parent;     // object name of the parent widget
  const char* caption;    // UTF-8
  QRect geometry;
  bool enabled;
  bool checked;
  const char* tooltip;
};

// The window as it opens the first time (no settings file).
const Expected kDesign[] = {
    {"Bevel3", "orvella::ui::Bevel", "EcrOrvella", "", {477, 13, 189, 76}, true, false, ""},
    {"btnAjouteXPlane", "QPushButton", "EcrOrvella", "Ajouter un dossier X-Plane", {489, 24, 169, 25}, true, false, ""},
    {"btnOteXPlane", "QPushButton", "EcrOrvella", "Oter cette version X-Plane", {489, 56, 169, 25}, false, false, ""},
    {"rgListeXP",
     "orvella::ui::RadioGroup",
     "EcrOrvella",
     "Liste des installations X-Plane gérées ",
     {8, 8, 474, 81},
     true,
     false,
     ""},
    {"btnOuvrirXPQuitter",
     "QPushButton",
     "EcrOrvella",
     "Lancer X-Plane et quitter",
     {507, 457, 146, 25},
     true,
     false,
     ""},
    {"btnQuitter", "QPushButton", "EcrOrvella", "Quitter", {540, 489, 80, 25}, true, false, ""},
    {"Pages", "QTabWidget", "EcrOrvella", "", {7, 98, 474, 439}, true, false, ""},
    {"btnOuvrirXP", "QPushButton", "EcrOrvella", "Lancer X-Plane", {507, 425, 146, 25}, true, false, ""},
    {"cbEffaceIni", "QCheckBox", "EcrOrvella", "Supprimer scenery_packs.ini", {500, 405, 161, 17}, true, true, ""},
    {"pnlBtns", "QFrame", "EcrOrvella", "", {487, 96, 186, 297}, true, false, ""},
    {"gbGroupes", "orvella::ui::GroupBox", "pnlBtns", " Groupes ", {4, 4, 177, 205}, true, false, ""},
    {"Bevel1", "orvella::ui::Bevel", "gbGroupes", "", {120, 10, 17, 103}, true, false, ""},
    {"btnDeplH", "QToolButton", "gbGroupes", "", {145, 34, 23, 23}, false, false, "Ctrl+NumPad8 / Ctrl+Z"},
    {"btnDeplB", "QToolButton", "gbGroupes", "", {145, 68, 23, 23}, false, false, "Ctrl+NumPad2 / Ctrl+X"},
    {"Bevel2", "orvella::ui::Bevel", "gbGroupes", "", {6, 112, 130, 9}, true, false, ""},
    {"Bevel4", "orvella::ui::Bevel", "gbGroupes", "", {4, 137, 165, 8}, true, false, ""},
    {"btnNouvGroupe", "QPushButton", "gbGroupes", "Créer un groupe", {8, 16, 121, 25}, true, false, ""},
    {"btnSuppGroupe", "QPushButton", "gbGroupes", "Supprimer le groupe", {8, 80, 121, 25}, false, false, ""},
    {"btnAjoutScene", "QPushButton", "gbGroupes", "Ajouter une/des scène(s)", {8, 152, 161, 17}, false, false, ""},
    {"btnNouvSousGroupe", "QPushButton", "gbGroupes", "Créer un sous-groupe", {8, 48, 121, 25}, false, false, ""},
    {"cbTriAuto", "QCheckBox", "gbGroupes", "Tri auto", {16, 119, 61, 17}, true, false, ""},
    {"btnTrier", "QPushButton", "gbGroupes", "Trier le groupe", {80, 118, 89, 19}, false, false, ""},
    {"btnAjoutOrphelins",
     "QPushButton",
     "gbGroupes",
     "Ajoute les scènes orphelines",
     {8, 176, 161, 17},
     false,
     false,
     ""},
    // Creation gives the activation buttons their one-scene captions.
    {"btnActiver", "QPushButton", "pnlBtns", "Activer la scène", {4, 231, 177, 26}, false, false, ""},
    {"btnDesactiver", "QPushButton", "pnlBtns", "Désactiver la scène", {4, 263, 177, 26}, false, false, ""},
};

QString CaptionOf(QWidget* w) {
  if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
  return {};
}

QRect Geometry(QWidget* w) { return w->geometry(); }

using MainWindowTest = UiTest;

// The window opens at its designed position (162, 77), moved in only as far
// as a screen too small for the whole of it needs.
void ExpectDesignPosOnScreen(const QWidget& w) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_TRUE(area.contains(w.frameGeometry()));
  EXPECT_EQ(w.pos().x(), std::min(162, area.left() + area.width() - w.frameGeometry().width()));
  EXPECT_LE(w.pos().y(), 77);
}

TEST_F(MainWindowTest, FirstStartShowsEveryControlAsDesigned) {
  auto w = start();
  EXPECT_EQ(w->objectName(), QStringLiteral("EcrOrvella"));
  EXPECT_EQ(w->windowTitle(), QStringLiteral("X-Plane Orvella V2.2"));
  EXPECT_EQ(w->size(), QSize(673, 542));
  ExpectDesignPosOnScreen(*w);
  for (const Expected& e : kDesign) {
    SCOPED_TRACE(e.name);
    QWidget* c = w->control(e.name);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->objectName(), QString::fromLatin1(e.name));
    EXPECT_STREQ(c->metaObject()->className(), e.className);
    ASSERT_NE(c->parentWidget(), nullptr);
    EXPECT_EQ(c->parentWidget()->objectName(), QString::fromLatin1(e.parent));
    EXPECT_EQ(CaptionOf(c), U(e.caption));
    EXPECT_EQ(Geometry(c), e.geometry);
    EXPECT_EQ(c->isEnabled(), e.enabled);
    EXPECT_TRUE(c->isVisible());
    EXPECT_EQ(c->toolTip(), U(e.tooltip));
    if (auto* box = qobject_cast<QCheckBox*>(c)) {
      EXPECT_EQ(box->isChecked(), e.checked);
    }
  }
  // The speed buttons show arrows, grey while disabled.
  for (const char* name : {"btnDeplH", "btnDeplB"}) {
    auto* b = qobject_cast<QToolButton*>(w->control(name));
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->icon().isNull());
    const QImage normal = b->icon().pixmap(16, QIcon::Normal).toImage();
    const QImage disabled = b->icon().pixmap(16, QIcon::Disabled).toImage();
    EXPECT_NE(normal, disabled);
    const QColor centre = normal.pixelColor(8, 10);
    EXPECT_GT(centre.red(), 150);
    EXPECT_LT(centre.green(), 60);
  }
  // Two tabs, Custom Scenery shown, each filled by its tree.
  auto* pages = qobject_cast<QTabWidget*>(w->control("Pages"));
  ASSERT_NE(pages, nullptr);
  ASSERT_EQ(pages->count(), 2);
  EXPECT_EQ(pages->tabText(0), QStringLiteral("Custom Scenery"));
  EXPECT_EQ(pages->tabText(1), QStringLiteral("Global Scenery"));
  EXPECT_EQ(pages->currentIndex(), 0);
  EXPECT_EQ(pages->widget(0)->objectName(), QStringLiteral("TabCustom"));
  EXPECT_EQ(w->control("CustScn")->parentWidget(), pages->widget(0));
  EXPECT_EQ(w->control("GlobScn")->parentWidget(), pages->widget(1));
  EXPECT_EQ(w->control("CustScn")->size(), pages->widget(0)->size());
  EXPECT_EQ(&w->logic().CustScn, w->logic().current);
  // The window's only font: MS Sans Serif's 11 pixels, whatever stands in.
  EXPECT_EQ(w->control("btnQuitter")->font().pixelSize(), 11);
}

TEST_F(MainWindowTest, ResizingMovesTheControlsByTheirAnchors) {
  auto w = start();
  w->resize(773, 592);
  EXPECT_EQ(Geometry(w->control("rgListeXP")), QRect(8, 8, 574, 81));
  EXPECT_EQ(Geometry(w->control("Pages")), QRect(7, 98, 574, 489));
  EXPECT_EQ(Geometry(w->control("btnQuitter")), QRect(640, 489, 80, 25));
  EXPECT_EQ(Geometry(w->control("pnlBtns")), QRect(587, 96, 186, 297));
  // Inside the panel, which keeps its size, nothing moves.
  EXPECT_EQ(Geometry(w->control("btnAjoutScene")), QRect(8, 152, 161, 17));
  EXPECT_EQ(w->control("CustScn")->size(), w->control("TabCustom")->size());
  w->resize(673, 542);
  for (const Expected& e : kDesign) EXPECT_EQ(Geometry(w->control(e.name)), e.geometry) << e.name;
}

// Closing by "Quitter" and by the close box both write the settings file,
// once.
class FirstStartCloseTest : public UiTest, public ::testing::WithParamInterface<bool> {};

TEST_P(FirstStartCloseTest, WritesTheEmptySettingsFileOnce) {
  auto w = start();
  ExpectDesignPosOnScreen(*w);
  const QPoint at = w->pos();
  if (GetParam())
    QTest::mouseClick(w->control("btnQuitter"), Qt::LeftButton);
  else
    static_cast<QWidget*>(w.get())->close();
  EXPECT_FALSE(w->isVisible());
  EXPECT_EQ(dir.read("orvella.ini"),
            "5\r\n" + std::to_string(at.x()) + " " + std::to_string(at.y()) + " 673 542\r\n0 -1\r\n0 1 1\r\n-\r\n");
  EXPECT_TRUE(scripted.messages.empty());
  std::filesystem::remove(dir.host("orvella.ini"));
  w->show();
  static_cast<QWidget*>(w.get())->close();
  EXPECT_FALSE(dir.exists("orvella.ini"));
}

INSTANTIATE_TEST_SUITE_P(ByButtonAndByCloseBox, FirstStartCloseTest, ::testing::Bool());

TEST_F(MainWindowTest, SettingsRestoreBoundsHiddenPanelAndOptions) {
  dir.file("orvella.ini", "5\r\n40 30 700 560\r\n0 -1\r\n1 0 0\r\n-\r\n");
  auto w = start();
  EXPECT_EQ(w->pos(), QPoint(40, 30));
  EXPECT_EQ(w->size(), QSize(700, 560));
  EXPECT_TRUE(w->control("pnlBtns")->isHidden());
  EXPECT_TRUE(qobject_cast<QCheckBox*>(w->control("cbTriAuto"))->isChecked());
  EXPECT_FALSE(qobject_cast<QCheckBox*>(w->control("cbEffaceIni"))->isChecked());
  // The bottom row sits along the lower edge of the restored client area.
  EXPECT_EQ(Geometry(w->control("btnQuitter")), QRect(700 - 80 - 7, 560 - 25 - 4, 80, 25));
  static_cast<QWidget*>(w.get())->close();
  EXPECT_EQ(dir.read("orvella.ini"), "5\r\n40 30 700 560\r\n0 -1\r\n1 0 0\r\n-\r\n");
}

TEST_F(MainWindowTest, BoundsOutsideEveryScreenComeBackOnScreen) {
  dir.file("orvella.ini", "5\r\n-5000 -4000 600 500\r\n0 -1\r\n0 1 1\r\n-\r\n");
  auto w = start();
  EXPECT_EQ(w->size(), QSize(600, 500));
  EXPECT_TRUE(QGuiApplication::primaryScreen()->availableGeometry().contains(w->geometry().center()));
}

TEST_F(MainWindowTest, TheWindowBearsTheProgramsIconAtEverySizeDrawn) {
  auto w = start();
  const QIcon icon = w->windowIcon();
  ASSERT_FALSE(icon.isNull());
  for (int side : {16, 32, 48, 64, 128, 256}) {
    EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
    EXPECT_EQ(icon.pixmap(QSize(side, side)).size(), QSize(side, side)) << side;
  }
}

TEST_F(MainWindowTest, CheckBoxClicksReachTheLogic) {
  auto w = start();
  QTest::mouseClick(w->control("cbEffaceIni"), Qt::LeftButton);
  EXPECT_FALSE(w->logic().effaceIni());
  QTest::mouseClick(w->control("cbTriAuto"), Qt::LeftButton);
  EXPECT_TRUE(w->logic().triAuto());
  w->preparePopup();
  EXPECT_TRUE(w->menuAction("PM_TriAuto")->isChecked());
  // The menu item runs the same toggle.
  w->menuAction("PM_TriAuto")->trigger();
  EXPECT_FALSE(w->logic().triAuto());
  EXPECT_FALSE(qobject_cast<QCheckBox*>(w->control("cbTriAuto"))->isChecked());
}

TEST_F(MainWindowTest, TabsMakeTheirTreeCurrentAndCommandsFollow) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  // A group selected in Global Scenery, a scene in Custom Scenery.
  Node* group = l.GlobScn.addChild(nullptr, "Europe", kKindGroup);
  l.GlobScn.select(group);
  Node* scene = l.CustScn.addChild(nullptr, "C:\\Scenes\\Paris", kKindScene);
  l.CustScn.select(scene);
  auto* pages = qobject_cast<QTabWidget*>(w->control("Pages"));
  QTabBar* bar = pages->tabBar();

  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
  EXPECT_EQ(pages->currentIndex(), 1);
  EXPECT_EQ(l.current, &l.GlobScn);
  EXPECT_TRUE(w->control("btnNouvSousGroupe")->isEnabled());
  EXPECT_EQ(CaptionOf(w->control("btnSuppGroupe")), U("Enlever le groupe"));

  QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(0).center());
  EXPECT_EQ(l.current, &l.CustScn);
  EXPECT_FALSE(w->control("btnNouvSousGroupe")->isEnabled());
  EXPECT_EQ(CaptionOf(w->control("btnSuppGroupe")), U("Enlever la scène"));
  // The trees keep their selections.
  EXPECT_EQ(l.GlobScn.selected(), group);
  EXPECT_EQ(l.CustScn.selected(), scene);
}

TEST_F(MainWindowTest, SidePanelToggleMovesTheWidgetsAndBack) {
  auto w = start();
  w->preparePopup();
  EXPECT_EQ(w->menuAction("PM_BtnLat")->text(), U("Masquer les boutons latéraux"));
  w->menuAction("PM_BtnLat")->trigger();
  EXPECT_TRUE(w->control("pnlBtns")->isHidden());
  EXPECT_EQ(Geometry(w->control("Pages")), QRect(7, 98, 659, 412));
  EXPECT_EQ(Geometry(w->control("btnQuitter")), QRect(586, 513, 80, 25));
  EXPECT_EQ(Geometry(w->control("btnOuvrirXPQuitter")), QRect(432, 513, 146, 25));
  EXPECT_EQ(Geometry(w->control("btnOuvrirXP")), QRect(326, 513, 98, 25));
  EXPECT_EQ(Geometry(w->control("cbEffaceIni")), QRect(157, 517, 161, 17));
  w->preparePopup();
  EXPECT_EQ(w->menuAction("PM_BtnLat")->text(), U("Afficher les boutons latéraux"));

  // Hidden, the bottom row follows the lower right corner.
  w->resize(773, 592);
  EXPECT_EQ(Geometry(w->control("btnQuitter")), QRect(686, 563, 80, 25));
  EXPECT_EQ(Geometry(w->control("cbEffaceIni")), QRect(257, 567, 161, 17));
  w->resize(673, 542);

  w->menuAction("PM_BtnLat")->trigger();
  EXPECT_FALSE(w->control("pnlBtns")->isHidden());
  EXPECT_EQ(Geometry(w->control("Pages")), QRect(7, 98, 466, 437));
  EXPECT_EQ(Geometry(w->control("cbEffaceIni")), QRect(499, 405, 161, 17));
  EXPECT_EQ(Geometry(w->control("btnOuvrirXP")), QRect(506, 430, 146, 25));
  EXPECT_EQ(Geometry(w->control("btnOuvrirXPQuitter")), QRect(506, 463, 146, 25));
  EXPECT_EQ(Geometry(w->control("btnQuitter")), QRect(539, 496, 80, 25));
}

TEST_F(MainWindowTest, LanguageFileTranslatesCaptionsAndTheMenuTakesTheButtons) {
  dir.file("orvella.lng",
           A("[EcrOrvella]\r\ncaption=Mon Orvella\r\nbtnNouvGroupe=Créer vite\r\nPM_NouvGroupe=Jamais vu\r\n"
             "TabGlobal=Globales\r\ngbGroupes=Ensembles\r\nInstLaScene=Allumer\r\n"));
  auto w = start();
  EXPECT_EQ(w->windowTitle(), QStringLiteral("Mon Orvella V2.2"));
  EXPECT_EQ(CaptionOf(w->control("btnNouvGroupe")), U("Créer vite"));
  EXPECT_EQ(CaptionOf(w->control("gbGroupes")), QStringLiteral(" Ensembles "));
  EXPECT_EQ(CaptionOf(w->control("btnActiver")), QStringLiteral("Allumer"));
  EXPECT_EQ(qobject_cast<QTabWidget*>(w->control("Pages"))->tabText(1), QStringLiteral("Globales"));
  w->preparePopup();
  EXPECT_EQ(w->menuAction("PM_NouvGroupe")->text(), U("Créer vite"));
}

// The names of the menu's visible items, in order.
QStringList VisibleItems(QMenu* menu) {
  QStringList names;
  for (QAction* a : menu->actions())
    if (a->isVisible()) names << a->objectName();
  return names;
}

TEST_F(MainWindowTest, PopupMenuForAnActiveSceneShowsOnlyItsCommands) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* group = l.CustScn.addChild(nullptr, "Europe", kKindGroup);
  Node* scene = l.CustScn.addChild(group, "C:\\Scenes\\Paris", kKindScene);
  l.CustScn.setState(scene, kStateAll);
  l.CustScn.setExpanded(group, true);
  ui::TTreeView* view = w->treeView(l.CustScn);
  ClickNode(view, scene);
  ASSERT_EQ(l.CustScn.selected(), scene);

  QMenu* menu = w->preparePopup();
  EXPECT_EQ(VisibleItems(menu),
            QStringList({QStringLiteral("PM_Desactiver"), QStringLiteral("PM_N1"), QStringLiteral("PM_NouvGroupe"),
                         QStringLiteral("PM_Supprime"), QStringLiteral("PM_TriAuto"), QStringLiteral("PM_N2"),
                         QStringLiteral("PM_BtnLat")}));
  EXPECT_EQ(w->menuAction("PM_Desactiver")->text(), U("Désactiver la scène"));
  EXPECT_EQ(w->menuAction("PM_Supprime")->text(), U("Enlever la scène"));
  EXPECT_EQ(w->menuAction("PM_NouvGroupe")->text(), U("Créer un groupe"));
  EXPECT_TRUE(w->menuAction("PM_N1")->isSeparator());
  EXPECT_FALSE(w->menuAction("PM_TriAuto")->isChecked());

  // A group selected: its commands appear, the activation ones with it.
  ClickNode(view, group);
  menu = w->preparePopup();
  EXPECT_TRUE(w->menuAction("PM_AjoutScene")->isVisible());
  EXPECT_TRUE(w->menuAction("PM_N3")->isVisible());
  EXPECT_TRUE(w->menuAction("PM_Trier")->isVisible());
  EXPECT_EQ(w->menuAction("PM_Activer")->text(), U("Activer les scènes du groupe"));
}

TEST_F(MainWindowTest, RightClickSelectsInCustomSceneryOnly) {
  auto w = start();
  EcrOrvellaLogic& l = w->logic();
  Node* a = l.CustScn.addChild(nullptr, "A", kKindGroup);
  Node* b = l.CustScn.addChild(nullptr, "B", kKindGroup);
  ui::TTreeView* cust = w->treeView(l.CustScn);
  ClickNode(cust, a);
  ClickNode(cust, b, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(l.CustScn.selection(), std::vector<Node*>({b}));
  EXPECT_EQ(cust->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(cust->selectionModel()->currentIndex(), cust->indexOfNode(b));
  // Empty space clears the selection, in the tree and in the view.
  QTest::mouseClick(cust->viewport(), Qt::RightButton, {}, QPoint(100, cust->viewport()->height() - 5));
  EXPECT_TRUE(l.CustScn.selection().empty());
  EXPECT_EQ(l.CustScn.selected(), nullptr);
  EXPECT_TRUE(cust->selectionModel()->selectedRows().isEmpty());

  // Global Scenery keeps its selection on a right click.
  QTabWidget* pages = qobject_cast<QTabWidget*>(w->control("Pages"));
  pages->setCurrentIndex(1);
  Node* g1 = l.GlobScn.addChild(nullptr, "G1", kKindGroup);
  Node* g2 = l.GlobScn.addChild(nullptr, "G2", kKindGroup);
  ui::TTreeView* glob = w->treeView(l.GlobScn);
  ClickNode(glob, g1);
  ClickNode(glob, g2, Qt::NoModifier, Qt::RightButton);
  EXPECT_EQ(l.GlobScn.selection(), std::vector<Node*>({g1}));
  EXPECT_EQ(glob->selectionModel()->currentIndex(), glob->indexOfNode(g1));
}

TEST_F(MainWindowTest, GeneralErrorDisplayShowsTheMessageAndEndsOnlyThatHandler) {
  auto w = start();
  const bool ok = w->run([&] {
    // What the handler did before it failed stays, and shows.
    w->logic().form["btnTrier"].enabled = true;
    RaiseOSError(5);
  });
  EXPECT_FALSE(ok);
  ASSERT_EQ(scripted.messages.size(), 1u);
  EXPECT_EQ(scripted.messages[0], OSErrorMessage(5));
  EXPECT_NE(scripted.messages[0].find(Ansi("Erreur système.  Code : 5.")), std::string::npos);
  EXPECT_TRUE(w->control("btnTrier")->isEnabled());

  EXPECT_FALSE(w->run([] { throw std::out_of_range("hors limites"); }));
  ASSERT_EQ(scripted.messages.size(), 2u);
  EXPECT_EQ(scripted.messages[1], "hors limites");

  // The window goes on: the next handler runs normally.
  EXPECT_TRUE(w->isVisible());
  QTest::mouseClick(w->control("cbTriAuto"), Qt::LeftButton);
  EXPECT_TRUE(w->logic().triAuto());
  EXPECT_EQ(scripted.messages.size(), 2u);
}

#ifdef __linux__
// A native Linux installation (X-Plane-x86_64, no X-Plane.exe) added through
// the window's button, then launched by "Lancer X-Plane".
TEST_F(MainWindowTest, ANativeInstallationIsAddedAndLaunchedThroughTheButtons) {
  dir.mkdir("XP/Custom Scenery");
  const std::filesystem::path record = dir.host("ran.txt");
  dir.file("XP/X-Plane-x86_64", "#!/bin/sh\necho native > '" + record.string() + ".part' && mv '" + record.string() +
                                    ".part' '" + record.string() + "'\n");
  std::filesystem::permissions(dir.host("XP/X-Plane-x86_64"), std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
  auto w = start();
  scripted.folderAnswers.push_back(dir.win("XP"));
  QTest::mouseClick(w->control("btnAjouteXPlane"), Qt::LeftButton);
  EXPECT_TRUE(scripted.messages.empty()) << scripted.messages.front();
  ASSERT_EQ(w->logic().installations, std::vector<std::string>{dir.win("XP")});
  auto* list = qobject_cast<ui::RadioGroup*>(w->control("rgListeXP"));
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->itemIndex(), 0);

  QTest::mouseClick(w->control("btnOuvrirXP"), Qt::LeftButton);
  bool ran = false;
  for (int i = 0; i < 1000 && !ran; ++i) {
    ran = std::filesystem::exists(record);
    if (!ran) QTest::qWait(10);
  }
  ASSERT_TRUE(ran) << "the native executable was not started";
  EXPECT_EQ(dir.read("ran.txt"), "native\n");
  EXPECT_TRUE(scripted.messages.empty());
  EXPECT_TRUE(w->isVisible()) << "Lancer X-Plane keeps the program open";
}
#endif

}  // namespace
}  // namespace orvella::test
