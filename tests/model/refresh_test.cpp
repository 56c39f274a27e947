// Node states and the refresh, on real folders with real links.
#include <gtest/gtest.h>

#include <algorithm>

#include "logic/core/interaction.h"
#include "logic/model/linknames.h"
#include "logic/model/nodestates.h"
#include "logic/model/refresh.h"
#include "logic/texts/textes.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"

namespace orvella {
namespace {

using test::A;

class RefreshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
    tree.sceneryFolder = fx.custom;
  }
  void refresh(bool selected = true) { RafraichitArbre(tree, selected); }
  std::vector<std::string> unmanagedTexts() const {
    std::vector<std::string> out;
    if (Node* u = tree.unmanaged())
      for (int i = 0; i < u->childCount(); ++i) out.push_back(u->child(i)->text());
    return out;
  }

  test::SceneryFixture fx;
  SceneryTree tree{"CustScn"};
};

TEST_F(RefreshTest, GroupStateFollowsItsScenesAndMissingFolders) {
  const std::string a = fx.scene("Europe/LFPG");
  const std::string b = fx.scene("Europe/LFMN");
  Node* g = tree.addChild(nullptr, "Europe", kKindGroup);
  Node* sa = tree.addChild(g, a, kKindScene);
  Node* sb = tree.addChild(g, b, kKindScene);

  refresh();
  EXPECT_EQ(g->state(), 0);
  EXPECT_EQ(sa->state(), 0);

  fx.link("LFPG", a);
  refresh();
  EXPECT_EQ(sa->state(), 2);
  EXPECT_EQ(sb->state(), 0);
  EXPECT_EQ(g->state(), 1);

  fx.link("LFMN", b);
  refresh();
  EXPECT_EQ(g->state(), 2);
  EXPECT_EQ(tree.unmanaged(), nullptr) << "every link is claimed";
  EXPECT_EQ(PremierNoeud(tree), g);

  // The folder of one scene disappears while its link stays: 5, group 5.
  std::filesystem::remove_all(fx.dir.host("library/Europe/LFMN"));
  refresh();
  EXPECT_EQ(sb->state(), 5) << "link present, folder missing";
  EXPECT_EQ(g->state(), 5);

  // Without the other link the group is partly active with a missing folder.
  std::filesystem::remove(fx.dir.host("X-Plane 12/Custom Scenery/LFPG"));
  refresh();
  EXPECT_EQ(sa->state(), 0);
  EXPECT_EQ(g->state(), 4);
}

TEST_F(RefreshTest, EmptyGroupsCountAsFullyActive) {
  Node* g = tree.addChild(nullptr, "Vide", kKindGroup);
  Node* outer = tree.addChild(nullptr, "Outer", kKindGroup);
  tree.addChild(outer, "A", kKindGroup);
  tree.addChild(outer, "B", kKindGroup);
  refresh();
  EXPECT_EQ(g->state(), 2);
  EXPECT_EQ(outer->state(), 2);
}

TEST_F(RefreshTest, MissingSceneFolderWithoutLinkIsThree) {
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* s = tree.addChild(g, fx.dir.win("library/gone"), kKindScene);
  refresh();
  EXPECT_EQ(s->state(), 3);
  EXPECT_EQ(g->state(), 3);
}

TEST_F(RefreshTest, UnmanagedNodeListsPlainEntriesAndUnclaimedLinksSorted) {
  const std::string kept = fx.scene("KSEA");
  const std::string stray = fx.scene("Stray");
  Node* g = tree.addChild(nullptr, "USA", kKindGroup);
  Node* s = tree.addChild(g, kept, kKindScene);
  // A plain folder bearing the scene's name does not activate it.
  fx.dir.mkdir("X-Plane 12/Custom Scenery/KSEA");
  fx.dir.file("X-Plane 12/Custom Scenery/scenery_packs.ini", "I\r\n");
  fx.dir.mkdir("X-Plane 12/Custom Scenery/.hidden");
  fx.link("zz Stray", stray);
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Apt");

  refresh();
  EXPECT_EQ(s->state(), 0);
  Node* u = tree.unmanaged();
  ASSERT_NE(u, nullptr);
  EXPECT_EQ(tree.firstTop(), u);
  EXPECT_EQ(u->kind(), kKindUnmanaged);
  EXPECT_EQ(u->state(), kStateUnmanaged);
  EXPECT_EQ(u->text(), Textes().NonGerees.text);
  EXPECT_EQ(PremierNoeud(tree), g);
  EXPECT_EQ(unmanagedTexts(), (std::vector<std::string>{"Apt", "KSEA", "scenery_packs.ini", "zz Stray"}));
  for (int i = 0; i < u->childCount(); ++i) {
    Node* c = u->child(i);
    if (c->text() == "zz Stray") {
      EXPECT_EQ(c->kind(), kKindScene);
      EXPECT_EQ(c->state(), kStateUnclaimed);
    } else {
      EXPECT_EQ(c->kind(), kKindUnmanaged);
      EXPECT_EQ(c->state(), kStateUnmanaged);
    }
  }

  // The unmanaged node is rebuilt by every refresh: a new node, collapsed.
  tree.setExpanded(u, true);
  refresh();
  ASSERT_NE(tree.unmanaged(), nullptr);
  EXPECT_FALSE(tree.unmanaged()->expanded());
  EXPECT_EQ(tree.topCount(), 2);
}

TEST_F(RefreshTest, NamesMatchIgnoringCaseOfAsciiLettersOnly) {
  const std::string seattle = fx.scene("KSEA Seattle");
  const std::string ete = fx.scene("Été");  // host names are UTF-8
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* s1 = tree.addChild(g, seattle, kKindScene);
  Node* s2 = tree.addChild(g, ete, kKindScene);
  fx.link("ksea SEATTLE", seattle);
  fx.link(A("éTÉ"), ete);
  refresh();
  EXPECT_EQ(s2->state(), 0) << "accented letters must match exactly";
  if (FolderTellsCaseApart(fx.custom)) {
    // Where the folder tells case apart, a scene owns only the link of exactly its name.
    EXPECT_EQ(s1->state(), 0);
    EXPECT_EQ(unmanagedTexts(), (std::vector<std::string>{A("éTÉ"), "ksea SEATTLE"}));
    return;
  }
  EXPECT_EQ(s1->state(), 2) << "A-Z fold";
  EXPECT_EQ(unmanagedTexts(), std::vector<std::string>{A("éTÉ")});
}

TEST_F(RefreshTest, TheUnmanagedEntriesStaySortedFromOneRefreshToTheNext) {
  for (const char* name : {"b", "A", "c-d", "cd", "Été", "e", "10", "9"})
    fx.dir.mkdir(std::string("X-Plane 12/Custom Scenery/") + name);
  const auto expectSorted = [&](const std::vector<std::string>& names) {
    std::vector<std::string> want = names;
    std::stable_sort(want.begin(), want.end(), [](const std::string& a, const std::string& b) {
      return win::lstrcmpiA(a.c_str(), b.c_str()) < 0;
    });
    EXPECT_EQ(unmanagedTexts(), want);
  };
  refresh();
  std::vector<std::string> names = unmanagedTexts();
  ASSERT_EQ(names.size(), 8u);
  expectSorted(names);
  // An entry renamed in place out of order, then a refresh: the disk's names,
  // sorted again.
  tree.setText(tree.unmanaged()->child(0), "zzz");
  refresh();
  expectSorted(names);
  // A name comes, one goes.
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Bb");
  std::filesystem::remove(fx.dir.host("X-Plane 12/Custom Scenery/cd"));
  names.push_back("Bb");
  names.erase(std::find(names.begin(), names.end(), "cd"));
  refresh();
  expectSorted(names);
  refresh();
  expectSorted(names);
}

TEST_F(RefreshTest, TwoScenesOfOneNameShareOneLink) {
  const std::string a = fx.scene("one/LFPG");
  const std::string b = fx.scene("two/LFPG");
  Node* g1 = tree.addChild(nullptr, "G1", kKindGroup);
  Node* g2 = tree.addChild(nullptr, "G2", kKindGroup);
  Node* s1 = tree.addChild(g1, a, kKindScene);
  Node* s2 = tree.addChild(g2, b, kKindScene);
  fx.link("LFPG", b);
  refresh();
  EXPECT_EQ(s1->state(), 2);
  EXPECT_EQ(s2->state(), 2);
  EXPECT_EQ(tree.unmanaged(), nullptr);
}

TEST_F(RefreshTest, DanglingLinkStillCountsAsALink) {
  const std::string a = fx.scene("Gone");
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* s = tree.addChild(g, a, kKindScene);
  fx.link("Gone", a);
  std::filesystem::remove_all(fx.dir.host("library/Gone"));
  refresh();
  EXPECT_EQ(s->state(), 5);
  EXPECT_EQ(tree.unmanaged(), nullptr);
}

TEST_F(RefreshTest, NoInstallationOnlyRemovesTheUnmanagedNode) {
  const std::string a = fx.scene("A");
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* s = tree.addChild(g, a, kKindScene);
  fx.link("A", a);
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Plain");
  refresh();
  ASSERT_NE(tree.unmanaged(), nullptr);
  tree.select(tree.unmanaged()->firstChild());
  refresh(false);
  EXPECT_EQ(tree.unmanaged(), nullptr);
  EXPECT_EQ(tree.topCount(), 1);
  EXPECT_EQ(s->state(), 2) << "states stay as they were";
  EXPECT_EQ(tree.selected(), nullptr) << "a selected entry goes with the unmanaged node";
}

TEST_F(RefreshTest, MissingSceneryFolderMakesEverythingInactiveSilently) {
  const std::string a = fx.scene("A");
  Node* g = tree.addChild(nullptr, "G", kKindGroup);
  Node* s = tree.addChild(g, a, kKindScene);
  fx.link("A", a);
  refresh();
  ASSERT_EQ(s->state(), 2);
  tree.sceneryFolder = fx.dir.win("nowhere") + "\\";
  ScriptedInteraction ui;
  ScopedUI scope(ui);
  refresh();
  EXPECT_EQ(s->state(), 0);
  EXPECT_EQ(g->state(), 0);
  EXPECT_EQ(tree.unmanaged(), nullptr);
  EXPECT_TRUE(ui.events.empty());
}

TEST_F(RefreshTest, RemonteEtatAgreesWithTheRefreshAfterARemoval) {
  const std::string a = fx.scene("A");
  const std::string b = fx.scene("B");
  const std::string c = fx.dir.win("library/missing");
  Node* top = tree.addChild(nullptr, "Top", kKindGroup);
  Node* mid = tree.addChild(top, "Mid", kKindGroup);
  tree.addChild(mid, a, kKindScene);
  Node* sb = tree.addChild(mid, b, kKindScene);
  Node* sc = tree.addChild(top, c, kKindScene);
  fx.link("A", a);
  refresh();
  EXPECT_EQ(mid->state(), 1);
  EXPECT_EQ(top->state(), 4);

  tree.remove(sb);
  RemonteEtat(mid);
  EXPECT_EQ(mid->state(), 2);
  EXPECT_EQ(top->state(), 4);
  tree.remove(sc);
  RemonteEtat(top);
  EXPECT_EQ(top->state(), 2);

  const int midBefore = mid->state(), topBefore = top->state();
  refresh();
  EXPECT_EQ(mid->state(), midBefore);
  EXPECT_EQ(top->state(), topBefore);
}

TEST(SceneFolder, MarkersMustBeOfTheRightKind) {
  test::TestDir d;
  d.file("nav-as-file/Earth nav data");
  d.mkdir("library-as-folder/library.txt");
  d.mkdir("mars/Mars nav data");
  d.file("lib/library.txt");
  d.mkdir("earth/Earth nav data");
  d.mkdir("plain/sub");
  EXPECT_FALSE(EstDossierScene(d.win("nav-as-file")));
  EXPECT_FALSE(EstDossierScene(d.win("library-as-folder")));
  EXPECT_TRUE(EstDossierScene(d.win("mars")));
  EXPECT_TRUE(EstDossierScene(d.win("lib")));
  EXPECT_TRUE(EstDossierScene(d.win("earth") + "\\"));
  EXPECT_FALSE(EstDossierScene(d.win("plain")));
  EXPECT_FALSE(EstDossierScene(d.win("absent")));
  EXPECT_FALSE(EstDossierScene(""));
}

TEST(LinkNames, LastComponentAfterBackslashOrColon) {
  EXPECT_EQ(LinkName("E:\\Scenery\\LFPG Paris"), "LFPG Paris");
  EXPECT_EQ(LinkName("E:KSEA"), "KSEA");
  EXPECT_EQ(LinkName("E:\\Scenery\\"), "");
  EXPECT_EQ(LinkName("plain"), "plain");
}

}  // namespace
}  // namespace orvella
