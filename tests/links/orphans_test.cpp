// Orphan scenes: the managed list, the library folders and the search below
// them, on real folder trees.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "logic/links/orphans.h"
#include "support/scenefolders.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using Strings = std::vector<std::string>;

Strings Texts(const Node* parent) {
  Strings out;
  for (int i = 0; i < parent->childCount(); ++i) out.push_back(parent->child(i)->text());
  return out;
}

TEST(CommonBaseTest, CutsToTheLastSharedSeparator) {
  const struct {
    const char* other;
    const char* base;
    bool shared;
    const char* after;
    const char* why;
  } rows[] = {
      {"D:\\Scenes\\Europe\\", "D:\\Scenes\\Asia\\", true, "D:\\Scenes\\", "siblings"},
      {"D:\\Scenes\\", "D:\\Scenery\\", true, "D:\\", "a shared prefix of a name is not a shared folder"},
      {"D:\\Scenes\\", "d:\\Scenes\\", false, "d:\\Scenes\\", "case counts"},
      {"", "E:\\x\\", false, "E:\\x\\", "nothing shared with an empty path"},
      {"D:\\Scenes\\", "D:\\Scenes\\Europe\\LFPG\\", true, "D:\\Scenes\\", "the shorter one bounds the comparison"},
  };
  for (const auto& r : rows) {
    std::string d = r.base;
    EXPECT_EQ(BaseCommune(r.other, d), r.shared) << r.why;
    EXPECT_EQ(d, r.after) << r.why;
  }
}

TEST(LibraryFoldersTest, OneFolderPerDriveDeepEnoughForAllItsScenes) {
  SceneryTree cust{"CustScn"};
  SceneryTree glob{"GlobScn"};
  Node* u = cust.addChild(nullptr, "Non gerees", kKindUnmanaged);
  cust.setUnmanaged(u);
  cust.addChild(u, "unclaimed", kKindScene);  // a bare link name, not managed
  Node* g = cust.addChild(nullptr, "G", kKindGroup);
  cust.addChild(cust.addChild(g, "Sub", kKindGroup), "D:\\Scenes\\Europe\\LFPG", kKindScene);
  cust.addChild(g, "D:\\Scenes\\Asia\\RJTT", kKindScene);
  cust.addChild(nullptr, "E:\\top\\KSFO", kKindScene);
  glob.addChild(glob.addChild(nullptr, "W", kKindGroup), "d:\\scenes\\lower", kKindScene);
  glob.addChild(nullptr, "bare name", kKindScene);

  const ManagedScenes managed(cust, glob);
  EXPECT_EQ(managed.paths(), (Strings{"bare name", "D:\\Scenes\\Asia\\RJTT", "D:\\Scenes\\Europe\\LFPG",
                                      "d:\\scenes\\lower", "E:\\top\\KSFO"}));
  EXPECT_TRUE(managed.contains("d:\\SCENES\\asia\\rjtt"));
  EXPECT_FALSE(managed.contains("unclaimed"));
  EXPECT_FALSE(managed.contains("D:\\Scenes\\Asia"));

  const Strings libraries = LibraryFolders(managed);
  ASSERT_EQ(libraries.size(), 3u);
  // The two spellings of drive D are two libraries.
  EXPECT_EQ(std::count(libraries.begin(), libraries.end(), "D:\\Scenes\\"), 1);
  EXPECT_EQ(std::count(libraries.begin(), libraries.end(), "d:\\scenes\\"), 1);
  EXPECT_EQ(libraries.back(), "E:\\top\\");

  // A scene elsewhere on D widens that library to the drive.
  cust.addChild(g, "D:\\Other\\X", kKindScene);
  const Strings widened = LibraryFolders(ManagedScenes(cust, glob));
  EXPECT_EQ(std::count(widened.begin(), widened.end(), "D:\\"), 1);
}

class OrphanSearchTest : public test::SceneFolderTest {
 protected:
  SceneryTree other{"GlobScn"};
};

TEST_F(OrphanSearchTest, FindsUnmanagedScenesFlatUnderTheGroup) {
  const std::string managedScene = scene("lib1/Europe/LFPG");
  const std::string orphan1 = scene("lib1/Europe/France/LFMN");
  const std::string orphan2 = scene("lib2/KSFO");
  scene("lib1/Europe/France/LFMN/inside");  // inside a scene: never looked at
  scene("lib1/.hidden/Secret");
  dir.mkdir("lib1/empty");
  // Managed under another spelling of the same path, in the other tree.
  std::string upper = managedScene;
  std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return c >= 'a' && c <= 'z' ? c - 32 : c; });
  other.addChild(nullptr, upper, kKindScene);

  const ManagedScenes managed(tree, other);
  ChercheOrphelins(dir.win("lib1") + "\\", managed, tree, g);
  ChercheOrphelins(dir.win("lib2") + "\\", managed, tree, g);
  EXPECT_EQ(Texts(g), (Strings{orphan1, orphan2}));
  for (int i = 0; i < g->childCount(); ++i) EXPECT_EQ(g->child(i)->kind(), kKindScene);

  // A library inside another one finds the same orphan again: the list is
  // the one taken before the search.
  ChercheOrphelins(dir.win("lib1/Europe") + "\\", managed, tree, g);
  EXPECT_EQ(g->childCount(), 3);
  EXPECT_EQ(g->child(2)->text(), orphan1);
}

TEST_F(OrphanSearchTest, ALibraryThatIsASceneYieldsItselfOnly) {
  const std::string lib = scene("lib");
  scene("lib/inner");
  ChercheOrphelins(lib + "\\", ManagedScenes(tree, other), tree, g);
  EXPECT_EQ(Texts(g), (Strings{lib}));

  const ManagedScenes now(tree, other);
  ChercheOrphelins(lib + "\\", now, tree, g);
  EXPECT_EQ(g->childCount(), 1) << "managed now: not added again";

  ChercheOrphelins("", now, tree, g);
  ChercheOrphelins(dir.win("gone") + "\\", now, tree, g);
  EXPECT_EQ(g->childCount(), 1);
}

TEST_F(OrphanSearchTest, LinksBelowALibraryAreNotFollowed) {
#ifdef _WIN32
  GTEST_SKIP() << "links made by the test need symbolic links";
#else
  // An installation kept inside the library: the links of its scenery folder
  // lead to managed scenes, and one leads back up to the library itself.
  const std::string managedScene = scene("lib/Scenes/KSEA");
  const std::string orphan = scene("lib/Scenes/LFPG");
  dir.mkdir("lib/X-Plane/Custom Scenery");
  dir.symlink("lib/X-Plane/Custom Scenery/KSEA", "lib/Scenes/KSEA");
  dir.symlink("lib/X-Plane/Custom Scenery/LFPG", "lib/Scenes/LFPG");
  dir.symlink("lib/Scenes/back up", "lib");
  dir.symlink("lib/Scenes/again", "lib");
  tree.addChild(g, managedScene, kKindScene);
  Node* found = tree.addChild(nullptr, "Found", kKindGroup);
  ChercheOrphelins(dir.win("lib") + "\\", ManagedScenes(tree, other), tree, found);
  EXPECT_EQ(Texts(found), (Strings{orphan})) << "only the scene where it lies, once";
#endif
}

TEST_F(OrphanSearchTest, AThousandFolderLibraryAgainstAManyScenesList) {
  // 1000 scene folders in one library, every other one managed, among
  // twenty thousand managed paths elsewhere.
  Node* held = other.addChild(nullptr, "held", kKindGroup);
  Strings expected;
  for (int i = 0; i < 1000; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "big/S%04d", i);
    const std::string path = scene(name);
    if (i % 2)
      other.addChild(held, path, kKindScene);
    else
      expected.push_back(path);
  }
  for (int i = 0; i < 20000; ++i) other.addChild(held, "F:\\elsewhere\\" + std::to_string(i), kKindScene);

  const auto start = std::chrono::steady_clock::now();
  const ManagedScenes managed(tree, other);
  ChercheOrphelins(dir.win("big") + "\\", managed, tree, g);
  const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  Strings found = Texts(g);
  std::sort(found.begin(), found.end());
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(found, expected);
  EXPECT_LT(seconds, 20.0);
}

}  // namespace
}  // namespace orvella
