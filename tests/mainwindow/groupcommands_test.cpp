// Group editing, the add-scene command and the add-orphans command, driven
// through the main window's handlers on real folders.
#include "mainwindow/window_fixture.h"

#include <algorithm>
#include <filesystem>

namespace orvella {
namespace {

using test::A;
using Strings = std::vector<std::string>;

class GroupsTest : public test::WindowFixture {};

TEST_F(GroupsTest, NewTopGroupComesLastAndIsNeverSorted) {
  plainEntry("plain");
  RafraichitArbre(t, true);
  ASSERT_NE(t.unmanaged(), nullptr);
  t.addChild(nullptr, "Zulu", kKindGroup);
  w.cbTriAutoClick();
  ASSERT_TRUE(w.autoSort());

  ui.inputAnswers = {std::string("Alpha"), std::nullopt, std::string("")};
  w.btnNouvGroupeClick();
  ASSERT_EQ(ui.events.size(), 1u);
  EXPECT_EQ(ui.events[0].title, A("Créer un groupe"));
  EXPECT_EQ(ui.events[0].text, A("Entrez le nom du nouveau groupe de scènes"));
  EXPECT_EQ(ui.lastInputInitial(), A("Créer un groupe"));
  EXPECT_EQ(texts(nullptr), (Strings{Textes().NonGerees.text, "Zulu", "Alpha"}));
  Node* alpha = t.top(2);
  EXPECT_EQ(alpha->kind(), kKindGroup);
  EXPECT_EQ(t.selected(), alpha);
  EXPECT_TRUE(w.mainForm()["btnNouvSousGroupe"].enabled) << "the new selection's commands are offered";

  const int before = t.nodeCount();
  w.btnNouvGroupeClick();  // cancelled
  EXPECT_EQ(t.nodeCount(), before);
  EXPECT_EQ(t.selected(), alpha);

  w.btnNouvGroupeClick();  // an empty name is a name
  EXPECT_EQ(t.top(3)->text(), "");
}

TEST_F(GroupsTest, SubGroupIsSortedIntoPlaceOnlyWithAutoSort) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "beta", kKindGroup);
  t.addChild(g, "delta", kKindScene);
  pick(g);
  ui.inputAnswers = {std::string("charlie"), std::string("alpha")};
  w.btnNouvSousGroupeClick();
  EXPECT_EQ(ui.events[0].title, A("Créer un sous-groupe"));
  EXPECT_EQ(ui.events[0].text, A("Entrez le nom du nouveau sous-groupe de scènes"));
  EXPECT_EQ(ui.lastInputInitial(), A("Créer un sous-groupe"));
  EXPECT_EQ(texts(g), (Strings{"beta", "delta", "charlie"}));
  EXPECT_EQ(t.selected(), g->child(2));

  w.cbTriAutoClick();
  pick(g);
  w.btnNouvSousGroupeClick();
  EXPECT_EQ(texts(g), (Strings{"alpha", "beta", "charlie", "delta"}));
  EXPECT_EQ(t.selected()->text(), "alpha");
  EXPECT_EQ(t.selected()->parent(), g);
}

TEST_F(GroupsTest, MovesStopAtTheUnmanagedNodeAndLeaveAvailabilityAlone) {
  plainEntry("plain");
  Node* g1 = t.addChild(nullptr, "G1", kKindGroup);
  Node* g2 = t.addChild(nullptr, "G2", kKindGroup);
  t.addChild(nullptr, "C:\\scene at the top", kKindScene);
  RafraichitArbre(t, true);
  Node* u = t.unmanaged();

  pick(g1);
  w.btnDeplHClick();
  EXPECT_EQ(texts(nullptr)[1], "G1") << "the first group after the unmanaged node stays";
  pick(g2);
  ASSERT_TRUE(w.mainForm()["btnDeplH"].enabled);
  w.btnDeplHClick();
  EXPECT_EQ(texts(nullptr), (Strings{u->text(), "G2", "G1", "C:\\scene at the top"}));
  EXPECT_EQ(t.selected(), g2);
  EXPECT_TRUE(w.mainForm()["btnDeplH"].enabled) << "no availability update after a move";

  pick(g1);
  w.btnDeplBClick();
  EXPECT_EQ(texts(nullptr), (Strings{u->text(), "G2", "C:\\scene at the top", "G1"}));
  w.btnDeplBClick();
  EXPECT_EQ(t.top(3), g1);
  EXPECT_EQ(t.unmanaged(), t.top(0));
}

TEST_F(GroupsTest, RemovalAsksTheQuestionOfTheSelectionAtThePointer) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, fx.scene("S"), kKindScene);
  ui.mouse = {321, 123};
  ui.warnAnswers = {false, false, false};
  pick(s);
  w.btnSuppGroupeClick();
  pick(g);
  w.btnSuppGroupeClick();
  t.addToSelection(s);
  w.btnSuppGroupeClick();
  ASSERT_EQ(count("warn"), 3);
  EXPECT_EQ(ui.events[0].text, A("Voulez-vous vraiment enlever cette scène ?"));
  EXPECT_EQ(ui.events[1].text, A("Voulez-vous vraiment supprimer ce groupe ?"));
  EXPECT_EQ(ui.events[2].text, A("Voulez-vous vraiment supprimer tous ces éléments ?"));
  EXPECT_EQ(ui.events[0].at, (Point{321, 123}));
  EXPECT_EQ(t.nodeCount(), 2) << "No removes nothing";
}

TEST_F(GroupsTest, RemovingOneNodeSelectsItsSuccessorAndRecomputesTheStates) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "a", kKindGroup);
  Node* middle = t.addChild(g, "b", kKindGroup);
  Node* last = t.addChild(g, "c", kKindGroup);
  ui.warnAnswers = {true, true, true, true};
  pick(last);
  w.btnSuppGroupeClick();
  EXPECT_EQ(t.selected(), middle) << "the previous sibling when there is no next one";

  // An active scene and an inactive one: removing the inactive one leaves
  // the group fully active; removing the only child leaves it empty (2).
  Node* h = t.addChild(nullptr, "H", kKindGroup);
  const std::string on = fx.scene("On");
  fx.link("On", on);
  Node* active = t.addChild(h, on, kKindScene);
  Node* inactive = t.addChild(h, fx.scene("Off"), kKindScene);
  RafraichitArbre(t, true);
  ASSERT_EQ(h->state(), 1);
  pick(inactive);
  w.btnSuppGroupeClick();
  EXPECT_EQ(h->state(), 2);
  EXPECT_EQ(t.selected(), active);

  Node* lone = t.addChild(nullptr, "Lone", kKindGroup);
  Node* only = t.addChild(lone, fx.scene("Only"), kKindScene);
  RafraichitArbre(t, true);
  ASSERT_EQ(lone->state(), 0);
  pick(only);
  ASSERT_TRUE(w.mainForm()["btnSuppGroupe"].enabled);
  w.btnSuppGroupeClick();
  EXPECT_EQ(lone->state(), 2);
  EXPECT_EQ(t.selected(), nullptr);
  EXPECT_FALSE(w.mainForm()["btnSuppGroupe"].enabled);
  EXPECT_FALSE(w.mainForm()["btnAjoutScene"].enabled);

  // The active scene goes; its link stays and shows up as unclaimed.
  pick(active);
  w.btnSuppGroupeClick();
  EXPECT_TRUE(fx.dir.isSymlink("X-Plane 12/Custom Scenery/On"));
  RafraichitArbre(t, true);
  ASSERT_TRUE(listedUnmanaged("On"));
  Node* unclaimed = t.unmanaged()->child(0);
  EXPECT_EQ(unclaimed->state(), kStateUnclaimed);
  EXPECT_EQ(unclaimed->kind(), kKindScene);
}

TEST_F(GroupsTest, RemovingASelectionWithTheUnmanagedNodeLetsTheRefreshRebuildIt) {
  plainEntry("plain");
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, fx.scene("S"), kKindScene);
  Node* keep = t.addChild(nullptr, "Keep", kKindGroup);
  RafraichitArbre(t, true);
  Node* u = t.unmanaged();
  ASSERT_NE(u, nullptr);
  t.setSelection({s, u, u->child(0), g}, g);
  ui.warnAnswers = {true};
  w.btnSuppGroupeClick();
  EXPECT_EQ(t.unmanaged(), nullptr);
  EXPECT_EQ(texts(nullptr), (Strings{"Keep"}));
  EXPECT_EQ(PremierNoeud(t), keep);
  RafraichitArbre(t, true);
  ASSERT_NE(t.unmanaged(), nullptr);
  EXPECT_TRUE(listedUnmanaged("plain"));
  EXPECT_EQ(t.top(1), keep);
}

TEST_F(GroupsTest, RenamingASceneTakesItsStateFromTheNewPath) {
  const std::string linked = fx.scene("Linked");
  fx.link("Linked", linked);
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, fx.scene("Plain"), kKindScene);
  RafraichitArbre(t, true);
  ASSERT_EQ(g->state(), 0);
  ASSERT_TRUE(listedUnmanaged("Linked"));

  pick(s);
  w.TreeEdited(&t, s, linked);
  EXPECT_EQ(s->text(), linked);
  EXPECT_EQ(s->state(), 2) << "the link stands: active at once";
  EXPECT_EQ(g->state(), 2);

  // An emptied editor is dropped: the scene keeps its path and its state.
  w.TreeEdited(&t, s, "");
  EXPECT_EQ(s->text(), linked);
  EXPECT_EQ(s->state(), 2);
  EXPECT_EQ(g->state(), 2);

  w.TreeEdited(&t, s, fx.dir.win("library/gone/Linked"));
  EXPECT_EQ(s->state(), 5);
  EXPECT_EQ(g->state(), 5);

  pick(g);
  w.TreeEdited(&t, g, "New name");
  EXPECT_EQ(g->text(), "New name");
  EXPECT_EQ(g->state(), 5);
  // A group may bear an empty name.
  w.TreeEdited(&t, g, "");
  EXPECT_EQ(g->text(), "");
  w.TreeEdited(&t, g, "New name");
  EXPECT_TRUE(fx.dir.isSymlink("X-Plane 12/Custom Scenery/Linked")) << "no link is touched";
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/Plain"));
}

TEST_F(GroupsTest, CommandsDoNothingWhenTheTreeHasNoSelection) {
  Node* g = t.addChild(nullptr, "b", kKindGroup);
  t.addChild(g, "z", kKindGroup);
  t.addChild(g, "a", kKindGroup);
  t.addChild(nullptr, "a", kKindGroup);
  pick(g);
  // Every button of a selected group is usable; then the selection goes and
  // ActualiseCommandes leaves the buttons as they were.
  t.clearSelection();
  w.TreeChange(&t);
  ASSERT_TRUE(w.mainForm()["btnSuppGroupe"].enabled);
  const int before = t.nodeCount();
  w.btnNouvSousGroupeClick();
  w.btnDeplHClick();
  w.btnDeplBClick();
  w.btnTrierClick();
  w.btnSuppGroupeClick();
  w.btnAjoutSceneClick();
  w.btnAjoutOrphelinsClick();
  EXPECT_TRUE(ui.events.empty());
  EXPECT_EQ(t.nodeCount(), before);
  EXPECT_EQ(texts(g), (Strings{"z", "a"}));
  EXPECT_EQ(texts(nullptr), (Strings{"b", "a"}));
}

// --- Adding scenes --------------------------------------------------------------

TEST_F(GroupsTest, AddSceneCommandTakesTheChosenFolderIntoTheGroup) {
  const std::string a = fx.scene("pick/A");
  const std::string b = fx.scene("pick/B");
  const std::string c = fx.scene("pick/Sub/C");
  fx.link("A", a);
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  pick(g);
  ui.folderAnswers = {fx.dir.win("library/pick")};
  w.btnAjoutSceneClick();

  EXPECT_EQ(ui.events[0].kind, "folder");
  EXPECT_EQ(ui.events[0].text, A("Sélectionnez le dossier de la scène à ajouter."));
  EXPECT_EQ(ui.busyShown, 1);
  EXPECT_EQ(ui.busyDepth, 0);
  ASSERT_EQ(g->childCount(), 3);
  Node* sub = nullptr;
  Strings scenes;
  for (int i = 0; i < 3; ++i) {
    if (g->child(i)->isGroup()) sub = g->child(i);
    if (g->child(i)->isScene()) scenes.push_back(g->child(i)->text());
  }
  std::sort(scenes.begin(), scenes.end());
  EXPECT_EQ(scenes, (Strings{a, b}));
  ASSERT_NE(sub, nullptr);
  EXPECT_EQ(sub->text(), "Sub");
  EXPECT_EQ(texts(sub), (Strings{c}));
  // Refreshed: the linked scene is active at once, the group partly.
  for (int i = 0; i < 3; ++i) {
    if (g->child(i)->text() == a) {
      EXPECT_EQ(g->child(i)->state(), 2);
    }
  }
  EXPECT_EQ(g->state(), 1);
  EXPECT_FALSE(listedUnmanaged("A"));
  // And the availability follows the tree.
  EXPECT_TRUE(w.mainForm()["btnActiver"].enabled);
  EXPECT_TRUE(w.mainForm()["btnDesactiver"].enabled);
}

TEST_F(GroupsTest, CancelledPickerStillSortsAndRefreshes) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "zz", kKindGroup);
  t.addChild(g, "aa", kKindGroup);
  w.cbTriAutoClick();
  pick(g);
  plainEntry("appeared");
  ui.folderAnswers = {std::nullopt};
  w.btnAjoutSceneClick();
  EXPECT_EQ(ui.busyShown, 0);
  EXPECT_EQ(texts(g), (Strings{"aa", "zz"}));
  EXPECT_TRUE(listedUnmanaged("appeared"));
}

TEST_F(GroupsTest, AnErrorDuringTheSearchRestoresTheCursorAndSkipsTheRest) {
  fx.scene("pick/A");
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  pick(g);
  plainEntry("appeared");
  test::FailingInserts failing;
  t.setObserver(&failing);
  ui.folderAnswers = {fx.dir.win("library/pick")};
  EXPECT_THROW(w.btnAjoutSceneClick(), std::runtime_error);
  t.setObserver(nullptr);
  EXPECT_EQ(ui.busyShown, 1);
  EXPECT_EQ(ui.busyDepth, 0);
  EXPECT_FALSE(listedUnmanaged("appeared")) << "no refresh after the error";
}

// --- Orphans ----------------------------------------------------------------------

TEST_F(GroupsTest, OrphansOfBothTreesLibrariesGoFlatUnderTheGroupWithoutARefresh) {
  const std::string known = fx.scene("lib/Europe/Known");
  const std::string global = fx.scene("lib/Asia/Global");
  const std::string orphan = fx.scene("lib/Europe/France/Orphan");
  const std::string orphan2 = fx.scene("lib/Asia/Another");
  fx.dir.mkdir("elsewhere/Extra/Earth nav data");
  const std::string extra = fx.dir.win("elsewhere/Extra");
  fx.link("Orphan", orphan);
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "zz", kKindGroup);
  t.addChild(g, known, kKindScene);
  w.globScn().addChild(w.globScn().addChild(nullptr, "W", kKindGroup), global, kKindScene);
  RafraichitArbre(t, true);
  ASSERT_TRUE(listedUnmanaged("Orphan"));
  w.cbTriAutoClick();
  pick(g);
  // The user adds a second library in the dialog.
  ui.libraryAnswers = {Strings{fx.dir.win("library/lib") + "\\", fx.dir.win("elsewhere") + "\\"}};
  w.btnAjoutOrphelinsClick();

  ASSERT_EQ(ui.librariesShown.size(), 1u);
  EXPECT_EQ(ui.librariesShown[0], (Strings{fx.dir.win("library/lib") + "\\"}));
  EXPECT_EQ(ui.busyShown, 1);
  EXPECT_EQ(ui.busyDepth, 0);
  // Sorted: a path on drive Z comes before "zz" (punctuation before letters).
  EXPECT_EQ(texts(g), (Strings{extra, orphan2, orphan, known, "zz"}));
  for (const Node* n : {g->child(0), g->child(1), g->child(2)}) {
    EXPECT_EQ(n->kind(), kKindScene);
    EXPECT_EQ(n->state(), 0) << "no refresh: even the linked orphan shows 0";
  }
  EXPECT_TRUE(listedUnmanaged("Orphan"));
}

TEST_F(GroupsTest, AnErrorDuringTheOrphanSearchRestoresTheCursor) {
  fx.scene("lib/A");
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  pick(g);
  test::FailingInserts failing;
  t.setObserver(&failing);
  ui.libraryAnswers = {Strings{fx.dir.win("library/lib") + "\\"}};
  EXPECT_THROW(w.btnAjoutOrphelinsClick(), std::runtime_error);
  t.setObserver(nullptr);
  EXPECT_EQ(ui.busyShown, 1);
  EXPECT_EQ(ui.busyDepth, 0);
}

}  // namespace
}  // namespace orvella
