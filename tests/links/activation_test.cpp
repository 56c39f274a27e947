// Activation and deactivation of tree nodes on real folders: which links are
// made or taken away, and that nothing inside a scene folder ever changes.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/links/activation.h"
#include "logic/model/linknames.h"
#include "logic/model/nodestates.h"
#include "logic/model/refresh.h"
#include "support/sceneryfixture.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Every entry below root with its kind and, for files, its bytes; links are
// recorded as links, never followed.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> m;
  for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
    const std::string rel = fs::relative(it->path(), root).generic_string();
    if (it->is_symlink())
      m[rel] = "link " + fs::read_symlink(it->path()).string();
    else if (it->is_directory())
      m[rel] = "folder";
    else
      m[rel] = "file " + ReadAll(it->path());
  }
  return m;
}

class ActivationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
  }
  // A scene with a few files of its own.
  std::string scene(const std::string& rel) {
    const std::string path = fx.scene(rel);
    fx.dir.file("library/" + rel + "/Earth nav data/+40-010/+48+002.dsf", "DSF" + rel);
    fx.dir.file("library/" + rel + "/Earth nav data/.hidden", "h");
    fx.dir.file("library/" + rel + "/readme.txt", "about " + rel);
    return path;
  }
  Node* add(Node* parent, const std::string& text, int kind) { return tree.addChild(parent, text, kind); }
  void refresh() { RafraichitArbre(tree, true); }
  // Whether Custom Scenery holds a link `name` that leads to the scene folder.
  bool linkedTo(const std::string& name, const std::string& sceneRel) const {
    const fs::path link = fx.dir.host("X-Plane 12/Custom Scenery/" + name);
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(link, ec)) && fs::equivalent(link, fx.dir.host("library/" + sceneRel), ec);
  }

  bool linkStands(const std::string& name) const {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(fx.dir.host("X-Plane 12/Custom Scenery/" + name), ec));
  }

  test::SceneryFixture fx;
  SceneryTree tree{"CustScn"};
  std::vector<SceneRefusee> refused;
};

TEST_F(ActivationTest, GroupsAreWalkedToAnyDepthAndOnlyInactiveScenesGetALink) {
  const std::string lfpg = scene("Europe/LFPG");
  const std::string lfmn = scene("Europe/LFMN");
  const std::string egll = scene("Europe/EGLL");
  Node* europe = add(nullptr, "Europe", kKindGroup);
  Node* france = add(europe, "France", kKindGroup);
  Node* deep = add(france, "Sud", kKindGroup);
  Node* a = add(france, lfpg, kKindScene);
  Node* b = add(deep, lfmn, kKindScene);
  Node* c = add(europe, egll, kKindScene);
  // EGLL's link already leads elsewhere: a state-2 scene is left as it is.
  const std::string other = scene("Elsewhere/EGLL");
  fx.link("EGLL", other);
  tree.sceneryFolder = fx.custom;
  refresh();
  ASSERT_EQ(c->state(), kStateAll);
  ASSERT_EQ(a->state(), kStateNone);

  ActiveNoeud(europe, fx.custom, refused);
  EXPECT_TRUE(refused.empty());
  EXPECT_TRUE(linkedTo("LFPG", "Europe/LFPG"));
  EXPECT_TRUE(linkedTo("LFMN", "Europe/LFMN"));
  EXPECT_TRUE(linkedTo("EGLL", "Elsewhere/EGLL"));
  // States change only with the next refresh.
  EXPECT_EQ(a->state(), kStateNone);
  refresh();
  EXPECT_EQ(a->state(), kStateAll);
  EXPECT_EQ(b->state(), kStateAll);
  EXPECT_EQ(europe->state(), kStateAll);
}

TEST_F(ActivationTest, DecisionsComeFromTheLastRefreshNotFromTheDisk) {
  const std::string s0 = scene("A/S0");
  const std::string s2 = scene("A/S2");
  Node* g = add(nullptr, "G", kKindGroup);
  Node* n0 = add(g, s0, kKindScene);
  Node* n2 = add(g, s2, kKindScene);
  tree.sceneryFolder = fx.custom;
  fx.link("S2", s2);
  refresh();
  ASSERT_EQ(n0->state(), kStateNone);
  ASSERT_EQ(n2->state(), kStateAll);

  // S0 gets a link behind the program's back: its node still says 0, so the
  // group's deactivation leaves that link alone and takes only S2's.
  fx.link("S0", s0);
  DesactiveNoeud(g, fx.custom);
  EXPECT_TRUE(linkedTo("S0", "A/S0"));
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/S2"));

  // And activation, still on the old states, makes nothing for S2 (state 2)
  // and finds S0's name taken: no error, nothing new.
  ActiveNoeud(g, fx.custom, refused);
  EXPECT_TRUE(refused.empty());
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/S2"));
  EXPECT_TRUE(linkedTo("S0", "A/S0"));
}

TEST_F(ActivationTest, MissingSceneFolders) {
  const std::string gone3 = fx.dir.win("library/Gone3");
  const std::string gone5 = scene("Gone5");
  Node* n3 = add(nullptr, gone3, kKindScene);
  Node* n5 = add(nullptr, gone5, kKindScene);
  tree.sceneryFolder = fx.custom;
  fx.link("Gone5", gone5);
  fs::remove_all(fx.dir.host("library/Gone5"));
  refresh();
  ASSERT_EQ(n3->state(), kStateNone + kStateMissing);
  ASSERT_EQ(n5->state(), kStateAll + kStateMissing);

  // No link is made for a folder that is not there, and the user is told.
  ActiveNoeud(n3, fx.custom, refused);
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/Gone3"));
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].scene, gone3);
  EXPECT_EQ(refused[0].reason, Ansi("le dossier de la scène est introuvable"));
  // A link leading nowhere is taken away.
  DesactiveNoeud(n5, fx.custom);
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/Gone5"));
}

TEST_F(ActivationTest, TwoScenesWithTheSameNameShareOneLinkToTheFirstVisited) {
  const std::string first = scene("a/LFPG");
  const std::string second = scene("b/LFPG");
  Node* g = add(nullptr, "G", kKindGroup);
  Node* n1 = add(g, first, kKindScene);
  Node* n2 = add(g, second, kKindScene);
  tree.sceneryFolder = fx.custom;
  refresh();
  ActiveNoeud(g, fx.custom, refused);
  EXPECT_TRUE(refused.empty()) << "the second finds its name's link made: no refusal";
  EXPECT_TRUE(linkedTo("LFPG", "a/LFPG"));
  refresh();
  EXPECT_EQ(n1->state(), kStateAll);
  EXPECT_EQ(n2->state(), kStateAll);
}

TEST_F(ActivationTest, CaseTwinsOwnTheLinkOfExactlyTheirNameWhereTheFolderTellsCaseApart) {
  const std::string lower = scene("a/egll");
  const std::string upper = scene("b/EGLL");
  Node* g = add(nullptr, "G", kKindGroup);
  Node* nl = add(g, lower, kKindScene);
  Node* nu = add(g, upper, kKindScene);
  tree.sceneryFolder = fx.custom;
  refresh();
  ActiveNoeud(g, fx.custom, refused);
  EXPECT_TRUE(refused.empty());
  EXPECT_TRUE(linkedTo("egll", "a/egll"));
  if (!FolderTellsCaseApart(fx.custom)) {
    // Names that match without regard to case: one link, the first visited
    // scene's, which both scenes claim.
    EXPECT_FALSE(linkStands("EGLL") && linkedTo("EGLL", "b/EGLL"));
    refresh();
    EXPECT_EQ(nl->state(), kStateAll);
    EXPECT_EQ(nu->state(), kStateAll);
    return;
  }
  EXPECT_TRUE(linkedTo("EGLL", "b/EGLL"));
  refresh();
  EXPECT_EQ(nl->state(), kStateAll);
  EXPECT_EQ(nu->state(), kStateAll);
  EXPECT_EQ(tree.unmanaged(), nullptr);

  // Each state is its own: taking EGLL's link away leaves egll's.
  DesactiveNoeud(nu, fx.custom);
  EXPECT_FALSE(linkStands("EGLL"));
  EXPECT_TRUE(linkedTo("egll", "a/egll"));
  refresh();
  EXPECT_EQ(nl->state(), kStateAll);
  EXPECT_EQ(nu->state(), kStateNone) << "egll's link does not make EGLL active";
  EXPECT_EQ(g->state(), kStateSome);
  // Deactivating EGLL again (its state still says active) touches nothing.
  FixeEtat(nu, kStateAll);
  DesactiveNoeud(nu, fx.custom);
  EXPECT_TRUE(linkedTo("egll", "a/egll"));

  // A plain folder of exactly the name refuses the scene; one differing in
  // case does not.
  fs::remove(fx.dir.host("X-Plane 12/Custom Scenery/egll"));
  fx.dir.mkdir("X-Plane 12/Custom Scenery/EGLL");
  refresh();
  ActiveNoeud(g, fx.custom, refused);
  EXPECT_TRUE(linkedTo("egll", "a/egll"));
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].scene, upper);
}

TEST_F(ActivationTest, RetireLienTakesOnlyLinksAndEmptyFolders) {
  const std::string s = scene("S");
  const auto library = Snapshot(fx.dir.host("library"));

  // A link: removed, its target untouched.
  fx.link("S", s);
  RetireLien(fx.custom + "S");
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/S"));

  // A plain folder holding only a hidden file is not empty: refused with the
  // system's own error, nothing removed.
  fx.dir.file("X-Plane 12/Custom Scenery/Full/.keep", "k");
  try {
    RetireLien(fx.custom + "Full");
    ADD_FAILURE() << "a non-empty folder was accepted";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.code(), win::ERROR_DIR_NOT_EMPTY);
    EXPECT_EQ(std::string(e.what()).rfind(fx.custom + "Full :\r\n", 0), 0u)
        << "the message names the link: " << e.what();
  }
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/Full/.keep"), "k");

  // An empty plain folder of that name goes; a plain file and nothing at all
  // are left as they are, without an error.
  fx.dir.mkdir("X-Plane 12/Custom Scenery/Empty");
  RetireLien(fx.custom + "Empty");
  EXPECT_FALSE(fx.dir.exists("X-Plane 12/Custom Scenery/Empty"));
  fx.dir.file("X-Plane 12/Custom Scenery/File", "f");
  RetireLien(fx.custom + "File");
  EXPECT_EQ(fx.dir.read("X-Plane 12/Custom Scenery/File"), "f");
  RetireLien(fx.custom + "Nothing");

  EXPECT_EQ(Snapshot(fx.dir.host("library")), library);
}

TEST(LinkPathOf, IsTheSceneryFolderAndTheLastComponentOrNothing) {
  EXPECT_EQ(LinkPathOf("E:\\X-Plane 9\\Custom Scenery\\", "D:\\Scenes\\Europe\\LFPG"),
            "E:\\X-Plane 9\\Custom Scenery\\LFPG");
  EXPECT_EQ(LinkPathOf("E:\\CS\\", "D:LFPG"), "E:\\CS\\LFPG");
  // Names that would point at the scenery folder itself or above it.
  EXPECT_EQ(LinkPathOf("E:\\CS\\", "D:\\"), "");
  EXPECT_EQ(LinkPathOf("E:\\CS\\", "D:"), "");
  EXPECT_EQ(LinkPathOf("E:\\CS\\", "D:\\Scenes\\.."), "");
  EXPECT_EQ(LinkPathOf("E:\\CS\\", "D:\\Scenes\\."), "");
}

}  // namespace
}  // namespace orvella
