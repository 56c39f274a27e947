// Scene names of every script the file system holds, and the names a Unix
// file system allows that Windows would not, through the main window's
// commands on real folders.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "logic/core/ansi.h"
#include "platform/textcodec.h"
#include "window_fixture.h"

namespace orvella {
namespace {

#ifndef _WIN32

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

class NamesTest : public test::WindowFixture {
 protected:
  fs::path linkOnDisk(const std::string& name) const { return fx.dir.host("X-Plane 12/Custom Scenery") / name; }
  // The scene path the link on disk points to, as the program writes paths.
  std::string linkTarget(const std::string& name) const {
    return platform::FromHostPath(fs::read_symlink(linkOnDisk(name)).u16string());
  }
  std::set<std::string> sceneTexts(const Node* group) const {
    std::set<std::string> out;
    for (int i = 0; i < group->childCount(); ++i) out.insert(group->child(i)->text());
    return out;
  }
  Node* newGroup(const std::string& name) {
    ui.inputAnswers.push_back(name);
    t.clearSelection();
    w.btnNouvGroupeClick();
    for (int i = 0; i < t.topCount(); ++i)
      if (t.top(i)->text() == name) return t.top(i);
    ADD_FAILURE() << "no group " << name;
    return nullptr;
  }
};

TEST_F(NamesTest, EveryScriptComesInByEveryWayGoesOnAndOffAndSurvivesARestart) {
  Node* g = newGroup("Česko");
  ASSERT_NE(g, nullptr);

  // The folder picker, on one scene...
  const std::string warszawa = fx.scene("pick/EPWA Warszawa-Okęcie");
  ui.folderAnswers.push_back(warszawa);
  pick(g);
  w.btnAjoutSceneClick();
  // ...and on a parent folder, whose scenes come in one by one.
  const std::string praha = fx.scene("parent/LKPR Praha-Ruzyně");
  const std::string tokyo = fx.scene("parent/RJTT 東京国際空港");
  ui.folderAnswers.push_back(fx.dir.win("library/parent"));
  pick(g);
  w.btnAjoutSceneClick();
  EXPECT_EQ(sceneTexts(g), (std::set<std::string>{warszawa, praha, tokyo}));
  // A drop, from a path longer than 253 bytes but not than 253 characters.
  std::string longFolder;
  for (int i = 0; i < 50; ++i) longFolder += "空";
  const std::string gdansk = fx.scene("desk/" + longFolder + "/" + longFolder + "/EPGD Gdańsk Lech Wałęsa");
  ASSERT_GT(gdansk.size(), 253u);
  ASSERT_LT(AnsiLength(gdansk), 253u);
  w.dropFiles(&t, g, {gdansk});
  EXPECT_EQ(sceneTexts(g).count(gdansk), 1u);
  // The orphan search, with a decomposed name as macOS writes it.
  const std::string istanbul = fx.scene("pick/LTFM İstanbul");
  const std::string evreux = fx.scene("pick/LFOE E\xCC\x81vreux");
  pick(g);
  ui.libraryAnswers.push_back(std::nullopt);
  w.btnAjoutOrphelinsClick();
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();

  const std::set<std::string> all{warszawa, praha, tokyo, gdansk, istanbul, evreux};
  ASSERT_EQ(sceneTexts(g), all);

  // Activated: each link carries the folder's own name and points to it.
  pick(g);
  w.btnActiverClick();
  for (const std::string& scene : all) {
    const std::string name = LinkName(scene);
    ASSERT_TRUE(fs::is_symlink(linkOnDisk(name))) << scene;
    EXPECT_EQ(linkTarget(name), scene);
  }
  EXPECT_EQ(g->state(), kStateAll);
  for (int i = 0; i < g->childCount(); ++i) EXPECT_EQ(g->child(i)->state(), kStateAll) << g->child(i)->text();
  EXPECT_EQ(t.unmanaged(), nullptr);

  // Deactivated: every link goes, nothing else does.
  pick(g);
  w.btnDesactiverClick();
  for (const std::string& scene : all) {
    EXPECT_FALSE(fs::exists(fs::symlink_status(linkOnDisk(LinkName(scene))))) << scene;
    EXPECT_TRUE(fs::is_directory(fx.dir.host("X-Plane 12")));
  }
  EXPECT_EQ(g->state(), kStateNone);

  // Renamed, saved, and read back by the next start.
  w.TreeEdited(&t, g, "Polska i Česko");
  EXPECT_EQ(g->text(), "Polska i Česko");
  w.FormDestroy();
  const std::string ini = fx.dir.read("orvella.ini");
  EXPECT_TRUE(platform::text::IsValidUtf8(ini));
  EXPECT_NE(ini.find("Polska i Česko\r\n"), std::string::npos);
  EXPECT_NE(ini.find("=" + tokyo + "\r\n"), std::string::npos);
  EXPECT_FALSE(fx.dir.exists("orvella.ini.bak"));

  EcrOrvellaLogic next;
  next.FormCreate(fx.dir.win("orvella.exe"));
  ASSERT_EQ(next.custScn().topCount(), 1);
  Node* back = next.custScn().top(0);
  EXPECT_EQ(back->text(), "Polska i Česko");
  EXPECT_EQ(sceneTexts(back), all);
  for (int i = 0; i < back->childCount(); ++i) EXPECT_EQ(back->child(i)->state(), kStateNone);
}

TEST_F(NamesTest, NamesTheSystemCannotGiveAreNamedToTheUserNotPassedBy) {
  Node* g = newGroup("G");
  ASSERT_NE(g, nullptr);
  const std::string good = fx.scene("parent/LKPR");
  // A folder whose name is not UTF-8 (Windows-1252 "Café"), made by another program.
  const fs::path bad = fx.dir.host("library/parent").string() + "/Caf\xE9";
  fs::create_directories(bad / "Earth nav data");
  ui.folderAnswers.push_back(fx.dir.win("library/parent"));
  pick(g);
  w.btnAjoutSceneClick();
  EXPECT_EQ(sceneTexts(g), std::set<std::string>{good});
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find(fx.dir.win("library/parent") + "\\Caf?"), std::string::npos) << ui.messages[0];

  // The orphan search says the same, once per search.
  fs::create_directories(fx.dir.host("library/parent").string() + "/Na\xEFve/Earth nav data");
  pick(g);
  ui.libraryAnswers.push_back(std::nullopt);
  w.btnAjoutOrphelinsClick();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].find("\\Caf?"), std::string::npos);
  EXPECT_NE(ui.messages[1].find("\\Na?ve"), std::string::npos);
  EXPECT_EQ(sceneTexts(g), std::set<std::string>{good});
}

TEST_F(NamesTest, DotNamesTrailingDotsAndBlanksStayVisibleToTheProgram) {
  Node* g = newGroup("G");
  ASSERT_NE(g, nullptr);
  const std::string dot = fx.scene("odd/.KSEA");
  const std::string dotEnd = fx.scene("odd/LFPG.");
  const std::string blankEnd = fx.scene("odd/EDDF ");
  for (const std::string& s : {dot, dotEnd, blankEnd}) {
    ui.folderAnswers.push_back(s);
    pick(g);
    w.btnAjoutSceneClick();
  }
  ASSERT_EQ(sceneTexts(g), (std::set<std::string>{dot, dotEnd, blankEnd}));
  // Found as they are on disk, not as missing.
  for (int i = 0; i < g->childCount(); ++i) EXPECT_EQ(g->child(i)->state(), kStateNone) << g->child(i)->text();

  pick(g);
  w.btnActiverClick();
  for (const char* name : {".KSEA", "LFPG.", "EDDF "}) {
    ASSERT_TRUE(fs::is_symlink(linkOnDisk(name))) << name;
    EXPECT_EQ(linkTarget(name), fx.dir.win(std::string("library/odd/") + name));
  }
  EXPECT_FALSE(fs::exists(fs::symlink_status(linkOnDisk("LFPG"))));
  // The refresh sees every link it made, the dotted one included.
  for (int i = 0; i < g->childCount(); ++i) EXPECT_EQ(g->child(i)->state(), kStateAll) << g->child(i)->text();
  EXPECT_EQ(t.unmanaged(), nullptr);

  pick(g);
  w.btnDesactiverClick();
  for (const char* name : {".KSEA", "LFPG.", "EDDF "}) EXPECT_FALSE(fs::exists(fs::symlink_status(linkOnDisk(name))));
  EXPECT_EQ(g->state(), kStateNone);
}

TEST_F(NamesTest, DeactivationTakesTheLinkNotAnEmptyFolderOfTheSameNameInAnotherCase) {
  Node* g = newGroup("G");
  ASSERT_NE(g, nullptr);
  const std::string ksea = fx.scene("case/KSEA");
  ui.folderAnswers.push_back(ksea);
  pick(g);
  w.btnAjoutSceneClick();
  // Beside a plain empty folder KSEA, the link ksea makes the scene active.
  plainEntry("KSEA");
  fs::create_directory_symlink(fx.dir.host("library/case/KSEA"), linkOnDisk("ksea"));
  RafraichitArbre(t, true);
  if (FolderTellsCaseApart(t.sceneryFolder)) {
    // There the scene owns only an entry named exactly KSEA: a plain folder,
    // so it is inactive, and the link ksea is nobody's.
    EXPECT_EQ(g->child(0)->state(), kStateNone);
    EXPECT_TRUE(listedUnmanaged("ksea"));
    return;
  }
  ASSERT_EQ(g->child(0)->state(), kStateAll);

  pick(g->child(0));
  w.btnDesactiverClick();
  EXPECT_FALSE(fs::exists(fs::symlink_status(linkOnDisk("ksea"))));
  EXPECT_TRUE(fs::is_directory(fs::symlink_status(linkOnDisk("KSEA"))));
  EXPECT_EQ(g->child(0)->state(), kStateNone);
  EXPECT_TRUE(listedUnmanaged("KSEA"));
}

#endif

}  // namespace
}  // namespace orvella
