// Scene intake on real folder trees, and shell shortcuts resolved to the
// folders they name.
#include <gtest/gtest.h>

#include "logic/links/addfolder.h"
#include "support/scenefolders.h"
#include "support/shortcutbuilder.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using Strings = std::vector<std::string>;

Strings Texts(const Node* parent) {
  Strings out;
  for (int i = 0; i < parent->childCount(); ++i) out.push_back(parent->child(i)->text());
  return out;
}

using IntakeTest = test::SceneFolderTest;

TEST_F(IntakeTest, ChosenFolderGivesItsScenesAndOneGroupPerFolderLeadingToScenes) {
  const std::string a = scene("pick/A scene");
  const std::string b = scene("pick/B scene");
  const std::string c = scene("pick/zMore/C scene");
  AddChosenFolder(tree, dir.win("pick"), g, true);

  ASSERT_EQ(g->childCount(), 3);
  // Sorted: the flag is on, and the listing order is the file system's.
  EXPECT_EQ(Texts(g), (Strings{a, b, "zMore"}));
  Node* more = g->child(2);
  EXPECT_EQ(more->kind(), kKindGroup);
  EXPECT_EQ(Texts(more), (Strings{c}));
  EXPECT_EQ(more->child(0)->kind(), kKindScene);
  EXPECT_EQ(g->child(0)->kind(), kKindScene);
  EXPECT_EQ(g->child(0)->state(), 0);
}

TEST_F(IntakeTest, DroppedFolderBecomesAGroupNamedAfterItself) {
  const std::string a = scene("pick/A");
  AjouteDossier(tree, dir.win("pick"), g, false);
  ASSERT_EQ(Texts(g), (Strings{"pick"}));
  EXPECT_EQ(Texts(g->child(0)), (Strings{a}));

  // A scene folder is one scene, whatever lies inside it.
  const std::string outer = scene("outer");
  scene("outer/inner");
  tree.clear();
  g = tree.addChild(nullptr, "G", kKindGroup);
  AjouteDossier(tree, outer, g, false);
  AddChosenFolder(tree, outer, g, false);
  EXPECT_EQ(Texts(g), (Strings{outer, outer})) << "added twice, inner scene never";
}

TEST_F(IntakeTest, BranchesWithoutScenesLeaveNothingBehind) {
  dir.mkdir("pick/empty");
  dir.file("pick/files only/readme.txt", "x");
  dir.mkdir("pick/deep/er/still nothing");
  dir.file("pick/not a scene/Earth nav data", "a file, not the marker folder");
  dir.mkdir("pick/not a scene either/library.txt");
  AddChosenFolder(tree, dir.win("pick"), g, false);
  AjouteDossier(tree, dir.win("pick"), g, false);
  AjouteDossier(tree, dir.win("gone"), g, false);
  EXPECT_EQ(g->childCount(), 0);
  EXPECT_EQ(tree.nodeCount(), 1);
}

TEST_F(IntakeTest, LinksAreFollowedButLoopsOfLinksEnd) {
#ifdef _WIN32
  GTEST_SKIP() << "links made by the test need symbolic links";
#else
  // Scenes kept behind a link are found; two links back up to the folder
  // itself would make the walk endless if every link were followed.
  const std::string elsewhere = scene("elsewhere/KSEA");
  scene("pick/Local");
  dir.symlink("pick/Moved", "elsewhere");
  dir.symlink("pick/Local/../up1", "pick");
  dir.symlink("pick/up2", "pick");
  AjouteDossier(tree, dir.win("pick"), g, false);
  ASSERT_EQ(g->childCount(), 1);
  Node* pick = g->child(0);
  int scenes = 0;
  bool foundBehindLink = false;
  tree.forEach([&](Node* n) {
    if (n->kind() != kKindScene) return;
    ++scenes;
    foundBehindLink |= n->text() == dir.win("pick") + "\\Moved\\KSEA";
  });
  EXPECT_TRUE(foundBehindLink);
  EXPECT_GT(scenes, 2) << "the loops are followed a few times";
  EXPECT_LT(scenes, 2000) << "and then no more";
  (void)elsewhere;
  (void)pick;
#endif
}

TEST_F(IntakeTest, HiddenFoldersAreNotSearched) {
  scene("pick/.hidden/Secret");
  scene("pick/.hidden scene");
  const std::string shown = scene("pick/Shown");
  AddChosenFolder(tree, dir.win("pick"), g, false);
  EXPECT_EQ(Texts(g), (Strings{shown}));
}

TEST_F(IntakeTest, AutoSortPlacesNewNodesAtEveryLevelItAdded) {
  tree.addChild(g, "zz last", kKindGroup);
  tree.addChild(g, "0 first", kKindGroup);
  // Created in an order the listing is unlikely to sort by itself.
  scene("pick/zulu/z2");
  scene("pick/zulu/a1");
  const std::string alpha = scene("pick/Alpha");
  AddChosenFolder(tree, dir.win("pick"), g, true);
  ASSERT_EQ(Texts(g).size(), 4u);
  // A path sorts before "zulu" whatever its drive letter: punctuation comes
  // before letters.
  EXPECT_EQ(Texts(g), (Strings{"0 first", alpha, "zulu", "zz last"}));
  EXPECT_EQ(Texts(g->child(2)), (Strings{dir.win("pick/zulu/a1"), dir.win("pick/zulu/z2")}));

  // Without the flag the new nodes come after the existing ones.
  tree.clear();
  g = tree.addChild(nullptr, "G", kKindGroup);
  tree.addChild(g, "Mike", kKindGroup);
  AddChosenFolder(tree, dir.win("pick"), g, false);
  EXPECT_EQ(g->child(0)->text(), "Mike");
  EXPECT_EQ(g->childCount(), 3);
}

#ifndef _WIN32
TEST_F(IntakeTest, ADriveRootIsJoinedWithoutADoubleSeparator) {
  dir.mapDrives({{'S', "drive"}});
  scene("drive/Alps");
  scene("drive/More/Fjords");
  AddChosenFolder(tree, "S:\\", g, true);
  EXPECT_EQ(Texts(g), (Strings{"More", "S:\\Alps"}));
  EXPECT_EQ(Texts(g->child(0)), (Strings{"S:\\More\\Fjords"}));
}
#endif

// --- Shortcuts ---------------------------------------------------------------

TEST(ShortcutTest, ResolvesToTheStoredTargetOrToNothing) {
  test::TestDir dir;
  const std::string folder = dir.mkdir("Scenes/Summer 2");
  const std::string file = dir.file("notes.txt", "x");
  EXPECT_EQ(ResoutRaccourci(dir.file("folder.lnk", test::ShellLinkBytes(folder))), folder);
  EXPECT_EQ(ResoutRaccourci(dir.file("file.lnk", test::ShellLinkBytes(file))), file);
  EXPECT_EQ(ResoutRaccourci(dir.file("junk.lnk", "not a shortcut at all")), "");
  std::string cut = test::ShellLinkBytes(folder);
  cut.resize(cut.size() / 2 + 40);
  EXPECT_EQ(ResoutRaccourci(dir.file("cut.lnk", cut)), "");
  EXPECT_EQ(ResoutRaccourci(dir.win("missing.lnk")), "");
}

}  // namespace
}  // namespace orvella
