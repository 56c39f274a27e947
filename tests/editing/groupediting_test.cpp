// Tree editing: sorting, removals and the state of a renamed scene (moves
// and copies are exercised through the window's handlers).
#include <gtest/gtest.h>

#include "logic/editing/groupediting.h"
#include "logic/junction/reparsepoints.h"
#include "logic/model/refresh.h"
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
