// Tree editing: sorting, moves, copies, removals and the state of a renamed
// scene.
#include <gtest/gtest.h>

#include "logic/editing/edition.h"
#include "logic/junction/reparsepoints.h"
#include "logic/model/etats.h"
#include "platform/winapi.h"
#include "support/sceneryfixture.h"

namespace orvella {
namespace {

std::vector<std::string> Texts(const SceneryTree& tree, const Node* parent) {
  std::vector<std::string> out;
  for (int i = 0; i < tree.countOf(parent); ++i) out.push_back(tree.childOf(parent, i)->text());
  return out;
}

using Strings = std::vector<std::string>;

// A tree with the unmanaged node first, as a refresh leaves it.
class EditingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    u = t.addChild(nullptr, "Non gerees", kKindUnmanaged);
    t.setUnmanaged(u);
    t.setState(u, kStateUnmanaged);
    t.setState(t.addChild(u, "zeta", kKindUnmanaged), kStateUnmanaged);
    t.setState(t.addChild(u, "alpha", kKindUnmanaged), kStateUnmanaged);
  }
  SceneryTree t{"CustScn"};
  Node* u = nullptr;
};

TEST_F(EditingTest, SortingAGroupSortsEveryLevelBelowItInWordOrder) {
  Node* b = t.addChild(nullptr, "B", kKindGroup);
  Node* a = t.addChild(nullptr, "A", kKindGroup);
  Node* g = t.addChild(b, "Zulu", kKindGroup);
  t.addChild(b, "C:\\Scenes\\mike", kKindScene);
  t.addChild(b, "alpha", kKindGroup);
  t.addChild(g, "Zz", kKindScene);
  t.addChild(g, "yy", kKindScene);
  t.addChild(g, "Xx", kKindScene);
  Node* deeper = t.addChild(g, "deeper", kKindGroup);
  t.addChild(deeper, "2", kKindGroup);
  t.addChild(deeper, "1", kKindGroup);

  TrieGroupe(t, b);
  // Letters before case, so "alpha" comes before "C:..." and "Zulu" even
  // though a byte comparison would put it last.
  EXPECT_EQ(Texts(t, b), (Strings{"alpha", "C:\\Scenes\\mike", "Zulu"}));
  EXPECT_EQ(Texts(t, g), (Strings{"deeper", "Xx", "yy", "Zz"}));
  EXPECT_EQ(Texts(t, deeper), (Strings{"1", "2"}));
  // Never the top level, never the unmanaged node.
  EXPECT_EQ(Texts(t, nullptr), (Strings{"Non gerees", "B", "A"}));
  EXPECT_EQ(Texts(t, u), (Strings{"zeta", "alpha"}));

  TrieGroupe(t, nullptr);
  TrieGroupe(t, u);
  EXPECT_EQ(Texts(t, nullptr), (Strings{"Non gerees", "B", "A"}));
  EXPECT_EQ(Texts(t, u), (Strings{"zeta", "alpha"}));
  EXPECT_EQ(a->index(), 2);
}

TEST_F(EditingTest, MovesKeepTheUnmanagedNodeFirstAndPassScenes) {
  Node* g1 = t.addChild(nullptr, "G1", kKindGroup);
  Node* g2 = t.addChild(nullptr, "G2", kKindGroup);
  Node* s = t.addChild(nullptr, "C:\\top scene", kKindScene);

  EXPECT_FALSE(MonteGroupe(t, g1)) << "the unmanaged node stays first";
  EXPECT_TRUE(MonteGroupe(t, g2));
  EXPECT_EQ(Texts(t, nullptr), (Strings{"Non gerees", "G2", "G1", "C:\\top scene"}));

  EXPECT_TRUE(DescendGroupe(t, g1)) << "a scene after the group is put before it";
  EXPECT_EQ(Texts(t, nullptr), (Strings{"Non gerees", "G2", "C:\\top scene", "G1"}));
  EXPECT_FALSE(DescendGroupe(t, g1)) << "the last child stays";
  EXPECT_FALSE(MonteGroupe(t, s)) << "only groups move";
  EXPECT_FALSE(DescendGroupe(t, s));

  // Inside a group, with its subtree.
  Node* in1 = t.addChild(g2, "in1", kKindGroup);
  Node* in2 = t.addChild(g2, "in2", kKindGroup);
  t.addChild(in2, "leaf", kKindGroup);
  EXPECT_TRUE(MonteGroupe(t, in2));
  EXPECT_EQ(Texts(t, g2), (Strings{"in2", "in1"}));
  EXPECT_EQ(Texts(t, in2), (Strings{"leaf"}));
  EXPECT_EQ(in1->parent(), g2);
}

TEST_F(EditingTest, CopyingABranchIntoItselfCopiesItAsItWas) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* sub = t.addChild(g, "Sub", kKindGroup);
  t.setExpanded(g, true);
  t.setState(t.addChild(sub, "C:\\s1", kKindScene), 2);
  t.addChild(g, "C:\\s2", kKindScene);

  Node* copy = CopieBranche(t, g, g);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(Texts(t, g), (Strings{"Sub", "C:\\s2", "G"}));
  EXPECT_EQ(Texts(t, copy), (Strings{"Sub", "C:\\s2"})) << "the copy holds no copy of itself";
  EXPECT_EQ(copy->child(0)->childCount(), 1);
  EXPECT_EQ(copy->child(0)->child(0)->state(), 0) << "copies start in state 0";
  EXPECT_EQ(copy->child(0)->child(0)->kind(), kKindScene);
  EXPECT_FALSE(copy->expanded());

  // Into its own sub-group: the same four nodes arrive once.
  const int before = t.nodeCount();
  Node* copy2 = CopieBranche(t, g, sub);
  EXPECT_EQ(copy2->parent(), sub);
  EXPECT_EQ(t.nodeCount(), before + 8) << "G, Sub, s1, s2, and the first copy's four";
}

TEST_F(EditingTest, MovingABranchNeverEntersItsOwnSubtree) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* sub = t.addChild(g, "Sub", kKindGroup);
  Node* s = t.addChild(g, "C:\\s", kKindScene);
  t.addChild(g, "C:\\t", kKindScene);
  EXPECT_FALSE(DeplaceBranche(t, g, sub));
  EXPECT_FALSE(DeplaceBranche(t, g, g));
  EXPECT_EQ(g->parent(), nullptr);
  // Onto the group that holds it: it becomes the last child.
  EXPECT_TRUE(DeplaceBranche(t, s, g));
  EXPECT_EQ(Texts(t, g), (Strings{"Sub", "C:\\t", "C:\\s"}));
  EXPECT_TRUE(DeplaceBranche(t, s, sub));
  EXPECT_EQ(s->parent(), sub);
}

TEST_F(EditingTest, RemovingASelectionSkipsWhatWentWithAnAncestor) {
  for (bool groupFirst : {true, false}) {
    SCOPED_TRACE(groupFirst ? "group selected first" : "scene selected first");
    t.clear();
    Node* keep = t.addChild(nullptr, "Keep", kKindGroup);
    Node* g = t.addChild(keep, "G", kKindGroup);
    Node* s = t.addChild(g, "C:\\s", kKindScene);
    Node* other = t.addChild(keep, "C:\\other", kKindScene);
    t.setState(s, 2);
    t.setState(g, 2);
    t.setState(other, 0);
    t.setState(keep, 1);
    if (groupFirst)
      t.setSelection({g, s}, s);
    else
      t.setSelection({s, g}, g);
    OteSelection(t);
    EXPECT_EQ(Texts(t, keep), (Strings{"C:\\other"}));
    EXPECT_EQ(keep->state(), 0) << "recomputed from the remaining inactive scene";
    EXPECT_EQ(t.selectionCount(), 0);
  }
}

TEST_F(EditingTest, RemovingTheUnmanagedNodeInASelectionLeavesNoDanglingReference) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* entry = u->child(0);
  t.setSelection({entry, g, u}, u);
  OteSelection(t);
  EXPECT_EQ(t.unmanaged(), nullptr);
  EXPECT_EQ(t.topCount(), 0);
  EXPECT_EQ(PremierNoeud(t), nullptr);
}

TEST_F(EditingTest, RemovingAnUnmanagedEntryKeepsTheUnmanagedImage) {
  Node* g = t.addChild(nullptr, "G", kKindGroup);
  Node* s = t.addChild(g, "C:\\s", kKindScene);
  Node* s2 = t.addChild(g, "C:\\s2", kKindScene);
  t.setState(s, 5);
  t.setState(s2, 0);
  t.setState(g, 4);
  OteNoeud(t, u->child(0));
  EXPECT_EQ(u->state(), kStateUnmanaged);
  EXPECT_EQ(u->childCount(), 1);
  OteNoeud(t, s2);
  EXPECT_EQ(g->state(), 5) << "only an active scene with a missing folder is left";
  OteNoeud(t, s);
  EXPECT_EQ(g->state(), 2) << "a group without children counts as all active";
}

class RenameTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
  }
  test::SceneryFixture fx;
};

TEST_F(RenameTest, RenamedSceneStateComesFromItsLinkAndItsFolder) {
  const std::string linked = fx.scene("Linked");
  const std::string plain = fx.scene("Plain");
  fx.link("Linked", linked);
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Plain");  // a plain folder is no link
  EXPECT_EQ(EtatSceneRenommee(fx.custom, linked), 2);
  EXPECT_EQ(EtatSceneRenommee(fx.custom, plain), 0);
  EXPECT_EQ(EtatSceneRenommee(fx.custom, fx.dir.win("library/nowhere/Linked")), 5);
  EXPECT_EQ(EtatSceneRenommee(fx.custom, fx.dir.win("library")), 3) << "no scene folder, no link";
  EXPECT_EQ(EtatSceneRenommee(fx.custom, ""), 3);
}

TEST_F(RenameTest, AnEmptyNameNeverMatchesTheSceneryFolderItself) {
  // Custom Scenery itself a link (kept on another disk): an empty or
  // separator-ended path names no link in it.
  const std::string elsewhere = fx.dir.mkdir("elsewhere");
  std::filesystem::remove(fx.dir.host("X-Plane 12/Custom Scenery"));
  CreateJunction(fx.installation + "\\Custom Scenery", elsewhere);
  ASSERT_TRUE(IsReparsePoint(fx.custom));
  EXPECT_EQ(EtatSceneRenommee(fx.custom, ""), 3);
  EXPECT_EQ(EtatSceneRenommee(fx.custom, "C:\\scenes\\"), 3);
}

TEST_F(RenameTest, WithoutASceneryFolderTheCurrentDirectoryIsNotLookedAt) {
  const std::string linked = fx.scene("Linked");
  fx.link("Linked", linked);
  char saved[win::MAX_PATH];
  ASSERT_GT(win::GetCurrentDirectoryA(win::MAX_PATH, saved), 0u);
  ASSERT_TRUE(win::SetCurrentDirectoryA(fx.custom.c_str()));
  const int state = EtatSceneRenommee("", linked);
  win::SetCurrentDirectoryA(saved);
  EXPECT_EQ(state, 0);
}

}  // namespace
}  // namespace orvella
