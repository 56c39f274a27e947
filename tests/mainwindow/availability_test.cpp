// Command availability, the popup menu and the side panel, without a window.
#include <gtest/gtest.h>

#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"
#include "support/languagefile.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using test::A;

class CommandsTest : public ::testing::Test {
 protected:
  void SetUp() override { w.FormCreate(dir.win("orvella.exe")); }
  bool on(const char* c) { return w.mainForm()[c].enabled; }
  const std::string& cap(const char* c) { return w.mainForm()[c].caption; }
  std::vector<std::string> menu() {
    w.PM_PagePopup();
    std::vector<std::string> shown;
    for (const Component& c : w.mainForm().components())
      if (c.isMenuItem() && c.visible) shown.push_back(c.name);
    return shown;
  }

  test::TestDir dir;
  test::LanguageFileScope texts_{dir.win("none.lng")};
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  EcrOrvellaLogic w;
  SceneryTree& t = w.custScn();
};

TEST_F(CommandsTest, DesignStateBeforeAnySelection) {
  EXPECT_TRUE(on("btnNouvGroupe"));
  for (const char* c : {"btnOteXPlane", "btnNouvSousGroupe", "btnDeplH", "btnDeplB", "btnTrier", "btnAjoutScene",
                        "btnAjoutOrphelins", "btnSuppGroupe", "btnActiver", "btnDesactiver"})
    EXPECT_FALSE(on(c)) << c;
  EXPECT_TRUE(w.mainForm()["cbEffaceIni"].checked);
  EXPECT_FALSE(w.mainForm()["cbTriAuto"].checked);
  EXPECT_EQ(cap("btnActiver"), A("Activer la scène"));
  EXPECT_EQ(cap("btnDesactiver"), A("Désactiver la scène"));
  EXPECT_EQ(cap("btnSuppGroupe"), "Supprimer le groupe");
  EXPECT_EQ(cap("PM_NouvGroupe"), A("Créer un groupe"));
  EXPECT_EQ(cap("PM_TriAuto"), "Tri auto");
  EXPECT_EQ(cap("PM_AjoutOrphelins"), A("Ajoute les scènes orphelines"));
  EXPECT_EQ(w.mainForm().caption(), "X-Plane Orvella V2.2");
  // Nothing selected: the update changes nothing.
  w.ActualiseCommandes();
  EXPECT_FALSE(on("btnSuppGroupe"));
}

TEST_F(CommandsTest, ActiveSceneOffersDeactivationAndRemovalOnly) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, "C:\\s", kKindScene);
  t.setState(s, 2);
  t.select(s);
  w.TreeChange(&t);
  EXPECT_FALSE(on("btnActiver"));
  EXPECT_TRUE(on("btnDesactiver"));
  EXPECT_EQ(cap("btnActiver"), A("Activer la scène"));
  EXPECT_EQ(cap("btnDesactiver"), A("Désactiver la scène"));
  EXPECT_TRUE(on("btnSuppGroupe"));
  EXPECT_EQ(cap("btnSuppGroupe"), A("Enlever la scène"));
  for (const char* c : {"btnNouvSousGroupe", "btnDeplH", "btnDeplB", "btnTrier", "btnAjoutScene", "btnAjoutOrphelins"})
    EXPECT_FALSE(on(c)) << c;
  EXPECT_EQ(menu(), (std::vector<std::string>{"PM_Desactiver", "PM_N1", "PM_NouvGroupe", "PM_Supprime", "PM_TriAuto",
                                              "PM_N2", "PM_BtnLat"}));
  EXPECT_EQ(cap("PM_Desactiver"), A("Désactiver la scène"));
  EXPECT_EQ(cap("PM_Supprime"), A("Enlever la scène"));
  EXPECT_EQ(cap("PM_BtnLat"), A("Masquer les boutons latéraux"));
}

TEST_F(CommandsTest, MissingFolderStatesOfferOneCommandEach) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, "C:\\s", kKindScene);
  t.setState(s, 5);
  t.select(s);
  w.TreeChange(&t);
  EXPECT_FALSE(on("btnActiver"));
  EXPECT_TRUE(on("btnDesactiver"));
  t.setState(s, 3);
  w.ActualiseCommandes();
  EXPECT_TRUE(on("btnActiver"));
  EXPECT_FALSE(on("btnDesactiver"));
}

TEST_F(CommandsTest, MovesRespectTheUnmanagedNode) {
  Node* u = t.addChild(nullptr, "u", kKindUnmanaged);
  t.setUnmanaged(u);
  t.setState(u, 6);
  Node* g1 = t.addChild(nullptr, "G1", kKindGroup);
  Node* g2 = t.addChild(nullptr, "G2", kKindGroup);
  t.addChild(nullptr, "C:\\scene", kKindScene);
  t.select(g1);
  w.TreeChange(&t);
  EXPECT_FALSE(on("btnDeplH")) << "the previous sibling is the unmanaged node";
  EXPECT_TRUE(on("btnDeplB"));
  t.select(g2);
  w.ActualiseCommandes();
  EXPECT_TRUE(on("btnDeplH"));
  EXPECT_TRUE(on("btnDeplB")) << "a group followed only by a scene can move down";
  EXPECT_TRUE(on("btnAjoutScene"));
  EXPECT_TRUE(on("btnAjoutOrphelins"));
  EXPECT_EQ(cap("btnSuppGroupe"), "Enlever le groupe");
  EXPECT_EQ(cap("btnActiver"), A("Activer les scènes du groupe"));
}

TEST_F(CommandsTest, MultipleSelectionEndingOnAGroupOrAScene) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, "C:\\s", kKindScene);
  Node* h = t.addChild(nullptr, "H", kKindGroup);
  t.select(s);
  t.addToSelection(h);
  w.TreeChange(&t);
  EXPECT_FALSE(on("btnAjoutScene"));
  EXPECT_FALSE(on("btnAjoutOrphelins"));
  EXPECT_EQ(cap("btnSuppGroupe"), A("Enlever la sélection"));
  EXPECT_EQ(cap("btnActiver"), A("Activer les scènes du groupe"));
  EXPECT_EQ(cap("btnDesactiver"), A("Désactiver les scènes du groupe"));
  t.setSelection({h, s}, s);
  w.ActualiseCommandes();
  EXPECT_EQ(cap("btnActiver"), A("Activer la scène")) << "the scene rule comes last";
  EXPECT_EQ(cap("btnSuppGroupe"), A("Enlever la sélection"));
  (void)g;
}

TEST_F(CommandsTest, UnmanagedNodeAndUnclaimedLink) {
  Node* u = t.addChild(nullptr, "u", kKindUnmanaged);
  t.setUnmanaged(u);
  t.setState(u, 6);
  Node* link = t.addChild(u, "link", kKindScene);
  t.setState(link, 7);
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.select(g);
  w.TreeChange(&t);
  const std::string activer = cap("btnActiver");
  t.select(u);
  w.ActualiseCommandes();
  for (const char* c : {"btnNouvSousGroupe", "btnDeplH", "btnDeplB", "btnTrier", "btnAjoutScene", "btnAjoutOrphelins",
                        "btnSuppGroupe", "btnActiver", "btnDesactiver"})
    EXPECT_FALSE(on(c)) << c;
  EXPECT_EQ(cap("btnActiver"), activer) << "captions unchanged";
  EXPECT_EQ(menu(), (std::vector<std::string>{"PM_NouvGroupe", "PM_TriAuto", "PM_N2", "PM_BtnLat"}));
  t.select(link);
  w.ActualiseCommandes();
  EXPECT_TRUE(on("btnSuppGroupe"));
  EXPECT_EQ(cap("btnSuppGroupe"), A("Enlever la scène"));
  EXPECT_FALSE(on("btnActiver"));
  EXPECT_FALSE(on("btnDesactiver"));
}

TEST_F(CommandsTest, RightClickInCustomSceneryAndTabs) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  w.CustScnMouseDown(true, g);
  EXPECT_EQ(t.selected(), g);
  w.CustScnMouseDown(false, nullptr);
  EXPECT_EQ(t.selected(), g) << "only the right button selects";
  w.CustScnMouseDown(true, nullptr);
  EXPECT_EQ(t.selected(), nullptr) << "empty space clears the selection";
  w.PagesChange(1);
  EXPECT_EQ(w.current(), &w.globScn());
  w.PagesChange(0);
  EXPECT_EQ(w.current(), &w.custScn());
}

TEST_F(CommandsTest, SidePanelToggleReproducesTheWorkedExample) {
  auto at = [&](const char* c) { return w.mainForm()[c].bounds; };
  w.PM_BtnLatClick();
  EXPECT_FALSE(w.panelShown());
  EXPECT_EQ(at("Pages").width, 659);
  EXPECT_EQ(at("Pages").height, 412);
  EXPECT_EQ(at("btnQuitter"), (Rect{586, 513, 80, 25}));
  EXPECT_EQ(at("btnOuvrirXPQuitter"), (Rect{432, 513, 146, 25}));
  EXPECT_EQ(at("btnOuvrirXP"), (Rect{326, 513, 98, 25}));
  EXPECT_EQ(at("cbEffaceIni"), (Rect{157, 517, 161, 17}));
  EXPECT_EQ(w.mainForm()["btnQuitter"].anchors, unsigned(akRight | akBottom));
  EXPECT_EQ(menu().back(), "PM_BtnLat");
  EXPECT_EQ(cap("PM_BtnLat"), A("Afficher les boutons latéraux"));

  w.PM_BtnLatClick();
  EXPECT_TRUE(w.panelShown());
  EXPECT_EQ(at("Pages").width, 466);
  EXPECT_EQ(at("Pages").height, 437);
  EXPECT_EQ(at("cbEffaceIni"), (Rect{499, 405, 161, 17}));
  EXPECT_EQ(at("btnOuvrirXP"), (Rect{506, 430, 146, 25}));
  EXPECT_EQ(at("btnOuvrirXPQuitter"), (Rect{506, 463, 146, 25}));
  EXPECT_EQ(at("btnQuitter"), (Rect{539, 496, 80, 25}));
  EXPECT_EQ(w.mainForm()["btnQuitter"].anchors, unsigned(akTop | akRight));
}

TEST_F(CommandsTest, AnchorsFollowAResizeAndTheToggleUsesTheNewSize) {
  w.layoutForm().setClientSize(773, 642);
  EXPECT_EQ(w.mainForm()["btnQuitter"].bounds.left, 640) << "anchored right";
  EXPECT_EQ(w.mainForm()["btnQuitter"].bounds.top, 489) << "anchored top";
  EXPECT_EQ(w.mainForm()["Pages"].bounds.width, 574);
  EXPECT_EQ(w.mainForm()["Pages"].bounds.height, 539);
  EXPECT_EQ(w.mainForm()["rgListeXP"].bounds.width, 574);
  w.PM_BtnLatClick();
  EXPECT_EQ(w.mainForm()["btnQuitter"].bounds, (Rect{686, 613, 80, 25}));
  w.layoutForm().setClientSize(673, 542);
  EXPECT_EQ(w.mainForm()["btnQuitter"].bounds, (Rect{586, 513, 80, 25})) << "right and bottom anchors after hiding";
}

TEST_F(CommandsTest, AutoSortToggleShowsTheFlagWithoutSorting) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "b", kKindScene);
  t.addChild(g, "a", kKindScene);
  w.cbTriAutoClick();
  EXPECT_TRUE(w.autoSort());
  EXPECT_TRUE(w.mainForm()["cbTriAuto"].checked);
  EXPECT_TRUE(w.mainForm()["PM_TriAuto"].checked);
  EXPECT_EQ(g->child(0)->text(), "b") << "switching on sorts nothing by itself";
  w.cbTriAutoClick();
  EXPECT_FALSE(w.mainForm()["PM_TriAuto"].checked);
}

TEST_F(CommandsTest, LanguageFileCaptionAndMenuCopies) {
  dir.file("fr.lng",
           "[EcrOrvella]\r\ncaption = Mon Orvella \r\nbtnNouvGroupe=New group\r\nPM_NouvGroupe=Never shown\r\n");
  SetLanguageFileOverride(dir.win("fr.lng"));
  EcrOrvellaLogic other;
  other.FormCreate(dir.win("orvella.exe"));
  EXPECT_EQ(other.mainForm().caption(), "Mon Orvella V2.2");
  EXPECT_EQ(other.mainForm()["PM_NouvGroupe"].caption, "New group");
  ResetTextes();
}

}  // namespace
}  // namespace orvella
