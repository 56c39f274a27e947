// Drag and drop inside a tree and drops of folders from the desktop shell,
// driven through the main window's handlers on real folders.
#include "mainwindow/window_fixture.h"
#include "support/shortcutbuilder.h"

namespace orvella {
namespace {

using test::A;
using Strings = std::vector<std::string>;

class DragTest : public test::WindowFixture {
 protected:
  void SetUp() override {
    test::WindowFixture::SetUp();
    if (IsSkipped()) return;
    europe = t.addChild(nullptr, "Europe", kKindGroup);
    france = t.addChild(europe, "France", kKindGroup);
    lfpg = fx.scene("LFPG");
    fx.link("LFPG", lfpg);
    paris = t.addChild(france, lfpg, kKindScene);
    nice = t.addChild(europe, fx.scene("LFMN"), kKindScene);
    usa = t.addChild(nullptr, "USA", kKindGroup);
    plainEntry("plain");
    RafraichitArbre(t, true);
  }
  // Drags the selected node onto target.
  void drag(Node* dragged, Node* target) {
    pick(dragged);
    ASSERT_TRUE(w.TreeDragOver(&t, target));
    w.TreeDragDrop(&t, target);
  }

  std::string lfpg;
  Node* europe = nullptr;
  Node* france = nullptr;
  Node* paris = nullptr;
  Node* nice = nullptr;
  Node* usa = nullptr;
};

TEST_F(DragTest, OnlyGroupsTakeADrop) {
  EXPECT_TRUE(w.TreeDragOver(&t, europe));
  EXPECT_TRUE(w.TreeDragOver(&t, france));
  EXPECT_FALSE(w.TreeDragOver(&t, paris));
  EXPECT_FALSE(w.TreeDragOver(&t, nullptr));
  ASSERT_NE(t.unmanaged(), nullptr);
  EXPECT_FALSE(w.TreeDragOver(&t, t.unmanaged()));
  EXPECT_FALSE(w.TreeDragOver(&t, t.unmanaged()->child(0)));
  EXPECT_FALSE(w.TreeDragOver(&w.globScn(), europe)) << "a node of another tree";
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(DragTest, CopyGivesTheSameBranchWithTheSameStates) {
  ui.copyMoveAnswers = {kMrYes};
  drag(france, usa);
  ASSERT_EQ(usa->childCount(), 1);
  Node* copy = usa->child(0);
  EXPECT_EQ(copy->text(), "France");
  ASSERT_EQ(copy->childCount(), 1);
  EXPECT_EQ(copy->child(0)->text(), lfpg);
  EXPECT_EQ(copy->child(0)->state(), 2) << "refreshed: both share the one link";
  EXPECT_EQ(paris->state(), 2);
  EXPECT_EQ(usa->state(), 2);
  EXPECT_EQ(france->parent(), europe) << "the original stays";
}

TEST_F(DragTest, MoveMakesTheNodeTheLastChildAndTheStatesFollow) {
  ui.copyMoveAnswers = {kMrNo, kMrNo};
  drag(paris, usa);
  EXPECT_EQ(paris->parent(), usa);
  EXPECT_EQ(usa->state(), 2);
  EXPECT_EQ(france->state(), 2) << "now empty";
  EXPECT_EQ(europe->state(), 1);

  drag(france, europe);
  EXPECT_EQ(europe->lastChild(), france) << "onto its own parent: last child";
  EXPECT_EQ(count("copymove"), 2);
}

TEST_F(DragTest, NothingMovesIntoItsOwnBranchAndCancelChangesNothing) {
  ui.copyMoveAnswers = {kMrNo, kMrNo, kMrCancel};
  drag(europe, france);
  drag(europe, europe);
  drag(nice, usa);
  EXPECT_EQ(europe->parent(), nullptr);
  EXPECT_EQ(france->parent(), europe);
  EXPECT_EQ(nice->parent(), europe);
  EXPECT_EQ(usa->childCount(), 0);
}

TEST_F(DragTest, CopyIntoItsOwnBranchCopiesItOnce) {
  ui.copyMoveAnswers = {kMrYes, kMrYes};
  const int before = t.nodeCount();  // with the unmanaged node and its entry
  drag(europe, france);
  ASSERT_EQ(france->childCount(), 2);
  Node* copy = france->child(1);
  EXPECT_EQ(copy->text(), "Europe");
  EXPECT_EQ(t.nodeCount(), before + 4) << "Europe, France, LFPG, LFMN once";
  EXPECT_EQ(copy->child(0)->child(0)->state(), 2);

  drag(usa, usa);
  EXPECT_EQ(texts(usa), (Strings{"USA"}));
  EXPECT_EQ(usa->child(0)->childCount(), 0);
}

TEST_F(DragTest, UnmanagedNodesCannotBeDraggedButTheTreeIsRefreshed) {
  ASSERT_NE(t.unmanaged(), nullptr);
  plainEntry("appeared");
  // The unmanaged node, then an entry of it (each refresh makes new ones).
  pick(t.unmanaged());
  w.TreeDragDrop(&t, usa);
  ASSERT_NE(t.unmanaged(), nullptr);
  pick(t.unmanaged()->child(0));
  w.TreeDragDrop(&t, usa);
  EXPECT_EQ(ui.messages, (Strings{A("Impossible de déplacer les scènes non gérées"),
                                  A("Impossible de déplacer les scènes non gérées")}));
  EXPECT_EQ(count("copymove"), 0);
  EXPECT_EQ(usa->childCount(), 0);
  EXPECT_TRUE(listedUnmanaged("appeared"));
}

TEST_F(DragTest, AnUnclaimedLinkMovedIntoAGroupKeepsItsBareName) {
  fx.link("Orphan link", fx.scene("Elsewhere"));
  RafraichitArbre(t, true);
  Node* link = nullptr;
  for (int i = 0; i < t.unmanaged()->childCount(); ++i)
    if (t.unmanaged()->child(i)->text() == "Orphan link") link = t.unmanaged()->child(i);
  ASSERT_NE(link, nullptr);
  ASSERT_EQ(link->kind(), kKindScene);
  ui.copyMoveAnswers = {kMrNo};
  drag(link, usa);
  ASSERT_EQ(texts(usa), (Strings{"Orphan link"}));
  EXPECT_EQ(usa->child(0)->state(), 5) << "claims its link; no folder of that path";
}

// --- Drops from the desktop shell ---------------------------------------------

class ShellDropTest : public test::WindowFixture {};

TEST_F(ShellDropTest, FoldersAndShortcutsToFoldersAreTakenIntoTheGroup) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* old = t.addChild(g, "already there", kKindGroup);
  Node* other = t.addChild(nullptr, "Other", kKindGroup);
  pick(other);
  const std::string scene = fx.scene("drop/Scene");
  fx.link("Scene", scene);
  const std::string viaLink = fx.scene("drop/Via shortcut");
  fx.scene("drop/Folder/Inner");
  const std::string lnk = fx.dir.file("desk/to folder.lnk", test::ShellLinkBytes(viaLink));
  const std::string upper = fx.dir.file("desk/upper.LNK", test::ShellLinkBytes(viaLink));
  const std::string toFile = fx.dir.file("desk/to file.lnk", test::ShellLinkBytes(fx.dir.file("desk/notes.txt", "x")));
  const std::string broken = fx.dir.file("desk/broken.lnk", "garbage");
  const std::string file = fx.dir.file("desk/plain.txt", "x");

  w.dropFiles(
      &t, g, {scene, lnk, upper, toFile, broken, file, fx.dir.win("desk/vanished"), fx.dir.win("library/drop/Folder")});
  EXPECT_EQ(t.selected(), g);
  EXPECT_EQ(t.selectionCount(), 1);
  EXPECT_TRUE(g->expanded());
  ASSERT_EQ(texts(g), (Strings{"already there", scene, viaLink, "Folder"}));
  EXPECT_EQ(texts(g->child(3)), (Strings{fx.dir.win("library/drop/Folder/Inner")}));
  EXPECT_EQ(old->childCount(), 0);
  // Refreshed, and the commands follow the dropped-on group.
  EXPECT_EQ(g->child(1)->state(), 2);
  EXPECT_EQ(g->state(), 1);
  EXPECT_TRUE(w.mainForm()["btnAjoutScene"].enabled);
  EXPECT_EQ(w.current(), &t);
  EXPECT_TRUE(ui.events.empty()) << "nothing is reported";
}

TEST_F(ShellDropTest, AutoSortSortsTheGroupAfterTheDrop) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "zz", kKindGroup);
  t.addChild(g, "0", kKindGroup);
  const std::string b = fx.scene("b");
  const std::string a = fx.scene("a");
  w.cbTriAutoClick();
  w.dropFiles(&t, g, {b, a});
  EXPECT_EQ(texts(g), (Strings{"0", a, b, "zz"}));
}

TEST_F(ShellDropTest, OnlyAGroupUnderThePointerTakesTheDrop) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, fx.scene("S"), kKindScene);
  const std::string folder = fx.scene("Dropped");
  pick(g);
  w.dropFiles(&t, nullptr, {folder});
  EXPECT_EQ(t.selected(), nullptr) << "dropped on empty space: selection cleared";
  w.dropFiles(&t, s, {folder});
  EXPECT_EQ(t.selected(), s);
  EXPECT_EQ(g->childCount(), 1);
  EXPECT_EQ(t.nodeCount(), 2);
}

TEST_F(ShellDropTest, AnErrorEndsTheDropWithoutSortOrRefresh) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  t.addChild(g, "z", kKindGroup);
  t.addChild(g, "a", kKindGroup);
  w.cbTriAutoClick();
  const std::string folder = fx.scene("Dropped");
  plainEntry("appeared");
  test::FailingInserts failing;
  t.setObserver(&failing);
  EXPECT_THROW(w.dropFiles(&t, g, {folder}), std::runtime_error);
  t.setObserver(nullptr);
  EXPECT_EQ(texts(g), (Strings{"z", "a"}));
  EXPECT_FALSE(listedUnmanaged("appeared"));
}

TEST_F(ShellDropTest, AFolderNotedByADropThatFailedIsNotNamedByTheNext) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  // A name the system could not give in the ANSI code page arrives with "?".
  const std::string unreadable = fx.dir.win() + "\\Caf? Overlay";
  test::FailingInserts failing;
  t.setObserver(&failing);
  EXPECT_THROW(w.dropFiles(&t, g, {unreadable, fx.scene("Dropped")}), std::runtime_error);
  t.setObserver(nullptr);
  w.dropFiles(&t, g, {fx.scene("Second")});
  EXPECT_EQ(g->childCount(), 1);
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
}

}  // namespace
}  // namespace orvella
