// Managing X-Plane installations and launching the simulator, on real
// folders with a stand-in X-Plane.exe.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"
#include "logic/texts/textes.h"
#include "support/languagefile.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;

class FakeHost : public WindowHost {
 public:
  Rect bounds() override { return r; }
  void setBounds(const Rect& b) override { r = b; }
  void close() override { ++closed; }
  void bringToFront() override { ++broughtToFront; }
  Rect r;
  int closed = 0;
  int broughtToFront = 0;
};

class InstallationsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    w = std::make_unique<EcrOrvellaLogic>();
    w->setHost(&host);
    w->FormCreate(dir.win("orvella.exe"));
  }

  // An installation folder (host path rel) with the given parts.
  std::string makeInstallation(const std::string& rel, bool exe = true, bool custom = true) {
    dir.mkdir(rel);
    if (exe) dir.file(rel + "/X-Plane.exe");
    if (custom) dir.mkdir(rel + "/Custom Scenery");
    return dir.win(rel);
  }
  // Picks path in the folder picker and clicks "add".
  void add(const std::string& path) {
    ui.folderAnswers.push_back(path);
    w->btnAjouteXPlaneClick();
  }
  void remove(bool yes = true) {
    ui.confirmAnswers.push_back(yes);
    w->btnOteXPlaneClick();
  }

  test::TestDir dir;
  test::LanguageFileScope texts_{dir.win("none.lng")};
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  FakeHost host;
  std::unique_ptr<EcrOrvellaLogic> w;
};

TEST_F(InstallationsTest, AddingAsksWithThePromptAndACancelChangesNothing) {
  ui.folderAnswers.push_back(std::nullopt);
  w->btnAjouteXPlaneClick();
  ASSERT_EQ(ui.events.size(), 1u);
  EXPECT_EQ(ui.events[0].kind, "folder");
  EXPECT_EQ(ui.events[0].text, test::A("Sélectionnez le dossier d'installation de X-Plane."));
  EXPECT_TRUE(w->installations.empty());
  EXPECT_FALSE(w->form["btnOteXPlane"].enabled);
}

TEST_F(InstallationsTest, AFolderNeedsBothTheProgramAndCustomScenery) {
  const std::string exeOnly = makeInstallation("exe only", true, false);
  const std::string customOnly = makeInstallation("custom only", false, true);
  // X-Plane.exe as a folder is no program either.
  const std::string exeFolder = makeInstallation("exe folder", false, true);
  dir.mkdir("exe folder/X-Plane.exe");
  add(exeOnly);
  add(customOnly);
  add(exeFolder);
  const std::string err = test::A("Ce n'est pas un dossier X-Plane !");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{err, err, err}));
  EXPECT_TRUE(w->installations.empty());
  EXPECT_EQ(w->selectedInstallation(), -1);
}

TEST_F(InstallationsTest, InstallationsInEveryScriptAndOnesTheSystemCannotName) {
  // Polish and Japanese folder names are taken as they are (UTF-8 where that
  // is the code page); a path given back with '?' for what the code page
  // cannot hold is named to the user, not taken for a folder without X-Plane.
  if (win::GetACP() == win::CP_UTF8) {
    const std::string polish = makeInstallation("łukasz/X-Plane 12 東京");
    add(polish);
    ASSERT_EQ(w->installations, std::vector<std::string>{polish});
    EXPECT_EQ(w->CustScn.sceneryFolder, polish + "\\Custom Scenery\\");
  }
  const size_t before = w->installations.size();
  add(dir.win("X-Plane ??"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].find(dir.win("X-Plane ??")), std::string::npos);
  EXPECT_EQ(ui.messages[0].find(test::A("Ce n'est pas un dossier X-Plane !")), std::string::npos);
  EXPECT_EQ(w->installations.size(), before);
}

// The simulator's native executable marks an installation where the system
// runs it; on Windows only X-Plane.exe does.
TEST_F(InstallationsTest, ANativeExecutableMarksAnInstallationOnlyWhereItRuns) {
  const std::string native = makeInstallation("native", false, true);
  dir.file("native/X-Plane-x86_64", "#!/bin/sh\n");
  const std::string nativeNoCustom = makeInstallation("native no custom", false, false);
  dir.file("native no custom/X-Plane-x86_64", "#!/bin/sh\n");
  const std::string nativeFolder = makeInstallation("native folder", false, true);
  dir.mkdir("native folder/X-Plane-x86_64");
  add(nativeNoCustom);
  add(nativeFolder);
  add(native);
  const std::string err = test::A("Ce n'est pas un dossier X-Plane !");
#ifdef __linux__
  EXPECT_EQ(ui.messages, (std::vector<std::string>{err, err}));
  EXPECT_EQ(w->installations, std::vector<std::string>{native});
  EXPECT_EQ(w->selectedInstallation(), 0);
#else
  EXPECT_EQ(ui.messages, (std::vector<std::string>{err, err, err}));
  EXPECT_TRUE(w->installations.empty());
#endif
}

TEST_F(InstallationsTest, AddingAppendsSelectsAndRetargetsBothTrees) {
  test::SceneryFixture fx;  // a second installation with a scene linked in it
  if (!test::SceneryFixture::LinksSupported(fx.dir)) GTEST_SKIP() << "this volume cannot hold links";
  const std::string first = makeInstallation("XP11");
  add(first);
  EXPECT_EQ(w->installations, std::vector<std::string>{first});
  EXPECT_EQ(w->selectedInstallation(), 0);
  EXPECT_EQ(w->CustScn.sceneryFolder, first + "\\Custom Scenery\\");
  EXPECT_TRUE(w->form["btnOteXPlane"].enabled);
  EXPECT_TRUE(w->form["btnNouvGroupe"].enabled);

  const std::string s = fx.scene("LFPG");
  fx.link("LFPG", s);
  Node* n = w->CustScn.addChild(nullptr, s, kKindScene);
  w->CustScn.select(n);
  RafraichitArbre(w->CustScn, true);
  EXPECT_EQ(n->state(), kStateNone) << "not linked in the first installation";

  add(fx.installation);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(w->installations, (std::vector<std::string>{first, fx.installation}));
  EXPECT_EQ(w->selectedInstallation(), 1);
  EXPECT_EQ(w->CustScn.sceneryFolder, fx.custom);
  EXPECT_EQ(w->GlobScn.sceneryFolder, fx.global);
  EXPECT_EQ(n->state(), kStateAll) << "the tree was refreshed against the new installation";
}

#ifndef _WIN32
TEST_F(InstallationsTest, TheSameInstallationInOtherLetterCaseIsRefused) {
  dir.mapDrives({{'D', "d"}});
  makeInstallation("d/X-Plane 9");
  add("D:\\X-Plane 9");
  add("D:\\x-plane 9");
  add("d:\\X-PLANE 9");
  const std::string known = test::A("Cette installation d'X-Plane est déjà gérée !");
  EXPECT_EQ(ui.messages, (std::vector<std::string>{known, known}));
  EXPECT_EQ(w->installations, std::vector<std::string>{"D:\\X-Plane 9"});

  // The folder test comes first: a listed installation that lost its program
  // is "not an X-Plane folder", not "already managed".
  fs::remove(dir.host("d/X-Plane 9/X-Plane.exe"));
  add("D:\\X-Plane 9");
  EXPECT_EQ(ui.messages.back(), test::A("Ce n'est pas un dossier X-Plane !"));
}

TEST_F(InstallationsTest, ADriveRootIsUsedWithItsDoubledBackslash) {
  dir.mapDrives({{'D', "d"}});
  makeInstallation("d");
  add("D:\\");
  ASSERT_EQ(w->installations, std::vector<std::string>{"D:\\"});
  EXPECT_EQ(w->CustScn.sceneryFolder, "D:\\\\Custom Scenery\\");
  EXPECT_EQ(w->GlobScn.sceneryFolder, "D:\\\\Global Scenery\\");
}
#endif

class RemoveTest : public InstallationsTest {
 protected:
  void SetUp() override {
    InstallationsTest::SetUp();
    if (!test::SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
    for (const char* name : {"A", "B", "C"}) {
      paths.push_back(makeInstallation(name));
      add(paths.back());
    }
    ASSERT_EQ(w->installations.size(), 3u);
  }
  std::vector<std::string> paths;
};

TEST_F(RemoveTest, NoAnswerKeepsEverything) {
  remove(false);
  EXPECT_EQ(ui.events.back().text, Textes().OterXPlane.text);
  EXPECT_EQ(w->installations, paths);
  EXPECT_EQ(w->selectedInstallation(), 2);
}

TEST_F(RemoveTest, TheFirstOfThreeGivesWayToTheNext) {
  w->selectInstallation(0);
  remove();
  EXPECT_EQ(w->installations, (std::vector<std::string>{paths[1], paths[2]}));
  EXPECT_EQ(w->selectedInstallation(), 0);
  EXPECT_EQ(w->CustScn.sceneryFolder, paths[1] + "\\Custom Scenery\\");
  EXPECT_TRUE(fs::is_directory(dir.host("A/Custom Scenery"))) << "nothing on disk is touched";
}

TEST_F(RemoveTest, TheMiddleOneGivesWayToTheNext) {
  w->selectInstallation(1);
  remove();
  EXPECT_EQ(w->installations, (std::vector<std::string>{paths[0], paths[2]}));
  EXPECT_EQ(w->selectedInstallation(), 1);
  EXPECT_EQ(w->CustScn.sceneryFolder, paths[2] + "\\Custom Scenery\\");
}

TEST_F(RemoveTest, TheLastOfThreeGivesWayToThePrevious) {
  remove();
  EXPECT_EQ(w->installations, (std::vector<std::string>{paths[0], paths[1]}));
  EXPECT_EQ(w->selectedInstallation(), 1);
  EXPECT_EQ(w->GlobScn.sceneryFolder, paths[1] + "\\Global Scenery\\");
}

TEST_F(RemoveTest, TheOnlyOneLeavesNothingSelectedAndTheTreesAsTheyWere) {
  remove();
  remove();
  ASSERT_EQ(w->installations, std::vector<std::string>{paths[0]});
  Node* g = w->CustScn.addChild(nullptr, "G", kKindGroup);
  w->CustScn.setState(g, kStateSome);
  remove();
  EXPECT_TRUE(w->installations.empty());
  EXPECT_EQ(w->selectedInstallation(), -1);
  EXPECT_EQ(w->CustScn.sceneryFolder, paths[0] + "\\Custom Scenery\\");
  ASSERT_EQ(w->CustScn.topCount(), 1);
  EXPECT_EQ(g->state(), kStateSome);
  EXPECT_TRUE(w->form["btnOteXPlane"].enabled);

  // Once more with nothing left: the list index error after the question.
  ui.confirmAnswers.push_back(true);
  try {
    w->btnOteXPlaneClick();
    ADD_FAILURE() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Indice de liste hors limites (-1)");
  }
}

#ifndef _WIN32
// The launch, with a stand-in X-Plane.exe that writes the folder it was
// started in to a record file.
class LaunchTest : public InstallationsTest {
 protected:
  void SetUp() override {
    InstallationsTest::SetUp();
    xp = makeInstallation("XP");
    record = dir.host("ran.txt");
    const fs::path exe = dir.host("XP/X-Plane.exe");
    dir.file("XP/X-Plane.exe", "#!/bin/sh\npwd > '" + record.string() + ".part' && mv '" + record.string() +
                                   ".part' '" + record.string() + "'\n");
    fs::permissions(exe, fs::perms::owner_all, fs::perm_options::add);
    dir.file("XP/Custom Scenery/scenery_packs.ini", "I\n1000 Version\nSCENERY\n");
    dir.file("XP/Global Scenery/scenery_packs.ini", "global");
    add(xp);
    ASSERT_EQ(w->selectedInstallation(), 0);
  }
  // Waits (bounded) for the stand-in to leave its record; its content.
  std::string waitForRecord() {
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
         std::chrono::steady_clock::now() < end;) {
      if (fs::exists(record)) return dir.read("ran.txt");
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return {};
  }
  bool iniPresent() const { return dir.exists("XP/Custom Scenery/scenery_packs.ini"); }

  std::string xp;
  fs::path record;
};

TEST_F(LaunchTest, QuitDeletesTheOrderFileLaunchesAndCloses) {
  ASSERT_TRUE(w->effaceIni()) << "checked by design";
  w->btnOuvrirXPQuitterClick("btnOuvrirXPQuitter");
  EXPECT_FALSE(iniPresent());
  EXPECT_EQ(dir.read("XP/Global Scenery/scenery_packs.ini"), "global");
  EXPECT_EQ(waitForRecord(), fs::current_path().string() + "\n") << "started in the program's folder";
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(host.closed, 1);
  EXPECT_EQ(host.broughtToFront, 0);
}

TEST_F(LaunchTest, UncheckedBoxKeepsTheOrderFileAndTheProgramRunsOn) {
  w->form["cbEffaceIni"].checked = false;
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_TRUE(iniPresent());
  EXPECT_FALSE(waitForRecord().empty());
  EXPECT_EQ(host.closed, 0);
  EXPECT_EQ(host.broughtToFront, 1);
}

TEST_F(LaunchTest, AnOrderFileThatCannotBeDeletedDoesNotStopTheLaunch) {
  fs::permissions(dir.host("XP/Custom Scenery/scenery_packs.ini"), fs::perms::owner_read | fs::perms::group_read);
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_TRUE(iniPresent());
  EXPECT_FALSE(waitForRecord().empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(LaunchTest, LaunchFailuresAreReportedAndQuitStillCloses) {
  fs::remove(dir.host("XP/X-Plane.exe"));
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  ASSERT_EQ(ui.messages, std::vector<std::string>{"The specified file was not found."});
  EXPECT_EQ(host.closed, 0);
  w->btnOuvrirXPQuitterClick("btnOuvrirXPQuitter");
  EXPECT_EQ(ui.messages.back(), "The specified file was not found.");
  EXPECT_EQ(host.closed, 1);

  // A program that may not be run.
  dir.file("XP/X-Plane.exe", "#!/bin/sh\ntouch '" + record.string() + "'\n");
  fs::permissions(dir.host("XP/X-Plane.exe"), fs::perms::all, fs::perm_options::remove);
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ui.messages.back(), "The operating system denied access to the specified file.");

  // The whole installation gone: its path is not found either.
  fs::remove_all(dir.host("XP"));
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ui.messages.back(), "The specified path was not found.");
  EXPECT_FALSE(fs::exists(record));
}

#ifdef __linux__
// A native installation beside the Windows one: the native executable is
// started while it is there, the Windows one once it is gone.
TEST_F(LaunchTest, TheNativeExecutableIsLaunchedFirstThenTheWindowsOne) {
  const fs::path native = dir.host("XP/X-Plane-x86_64");
  dir.file("XP/X-Plane-x86_64", "#!/bin/sh\necho native > '" + record.string() + ".part' && mv '" + record.string() +
                                    ".part' '" + record.string() + "'\n");
  fs::permissions(native, fs::perms::owner_all, fs::perm_options::add);
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(waitForRecord(), "native\n");
  fs::remove(record);
  fs::remove(native);
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(waitForRecord(), fs::current_path().string() + "\n") << "the Windows stand-in writes its folder";
  EXPECT_TRUE(ui.messages.empty());

  // Neither there: the Windows one is reported missing, as on Windows.
  fs::remove(dir.host("XP/X-Plane.exe"));
  w->btnOuvrirXPQuitterClick("btnOuvrirXP");
  EXPECT_EQ(ui.messages, std::vector<std::string>{"The specified file was not found."});
}
#endif

TEST_F(LaunchTest, WithNoInstallationNothingHappensButTheListError) {
  remove();
  ASSERT_EQ(w->selectedInstallation(), -1);
  for (const char* button : {"btnOuvrirXP", "btnOuvrirXPQuitter"}) {
    try {
      w->btnOuvrirXPQuitterClick(button);
      ADD_FAILURE() << "no error";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "Indice de liste hors limites (-1)");
    }
  }
  EXPECT_TRUE(iniPresent());
  EXPECT_EQ(host.closed, 0);
  EXPECT_EQ(host.broughtToFront, 0);
}

TEST_F(LaunchTest, ADriveRootInstallationLaunchesThroughItsDoubledPaths) {
  dir.mapDrives({{'D', "XP"}});
  add("D:\\");
  ASSERT_EQ(w->installations.back(), "D:\\");
  w->btnOuvrirXPQuitterClick("btnOuvrirXPQuitter");
  EXPECT_FALSE(iniPresent());
  EXPECT_FALSE(waitForRecord().empty());
  EXPECT_TRUE(ui.messages.empty());
}
#endif

}  // namespace
}  // namespace orvella
