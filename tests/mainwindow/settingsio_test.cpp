// The settings file: formats, conversions, damaged files and safe writing.
#include <gtest/gtest.h>

#include <filesystem>

#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/core/textfile.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/tree.h"
#include "logic/texts/textes.h"
#include "platform/testhooks.h"
#include "support/languagefile.h"
#include "support/sceneryfixture.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using test::A;

class SettingsTest : public ::testing::Test {
 protected:
  // Starts a window whose executable lies in the temporary folder.
  std::unique_ptr<EcrOrvellaLogic> start() {
    auto w = std::make_unique<EcrOrvellaLogic>();
    w->FormCreate(dir.win("orvella.exe"));
    return w;
  }
  std::string ini() const { return dir.read("orvella.ini"); }

  test::TestDir dir;
  test::LanguageFileScope texts_{dir.win("none.lng")};
  ScriptedInteraction ui;
  ScopedUI scope{ui};
};

TEST_F(SettingsTest, FirstStartClosedAtOnceWritesAnEmptyVersion5File) {
  auto w = start();
  EXPECT_EQ(w->settingsPath(), dir.win("orvella.ini"));
  w->FormDestroy();
  EXPECT_EQ(ini(), "5\r\n162 77 673 542\r\n0 -1\r\n0 1 1\r\n-\r\n");
  EXPECT_TRUE(ui.messages.empty());
}

#ifndef _WIN32
// The example paths of the format need drives C:, D: and E:.
TEST_F(SettingsTest, WorkedExampleSurvivesAStartAndACloseByteForByte) {
  dir.mapDrives({{'C', "c"}, {'D', "d"}, {'E', "e"}});
  dir.mkdir("c/X-Plane 9");
  dir.mkdir("d/Sims/X-Plane 10/Custom Scenery");
  const std::string example =
      "5\r\n162 77 689 576\r\n2 1\r\nC:\\X-Plane 9\r\nD:\\Sims\\X-Plane 10\r\n0 1 1\r\n*Europe\r\n+France\r\n"
      "=E:\\Scenery\\LFPG Paris\r\n=E:\\Scenery\\LFMN Nice\r\n-\r\n=E:\\Scenery\\EGLL London\r\n-\r\n+USA\r\n-\r\n"
      "-\r\n*Airports\r\n=E:\\Scenery\\KSFO\r\n-\r\n";
  dir.file("orvella.ini", example);
  auto w = start();
  EXPECT_EQ(w->selectedInstallation(), 1);
  EXPECT_EQ(w->custScn().sceneryFolder, "D:\\Sims\\X-Plane 10\\Custom Scenery\\");
  EXPECT_EQ(w->globScn().sceneryFolder, "D:\\Sims\\X-Plane 10\\Global Scenery\\");
  ASSERT_EQ(w->custScn().topCount(), 2);
  Node* europe = w->custScn().top(0);
  EXPECT_TRUE(europe->expanded());
  EXPECT_FALSE(europe->child(0)->expanded());
  EXPECT_EQ(europe->child(0)->childCount(), 2);
  EXPECT_EQ(europe->child(1)->kind(), kKindScene);
  EXPECT_TRUE(w->mainForm()["btnOteXPlane"].enabled);
  w->FormDestroy();
  EXPECT_EQ(ini(), example);
  EXPECT_FALSE(dir.exists("orvella.ini.bak"));
}

TEST_F(SettingsTest, AWindows1252FileIsReadActivatedAndWrittenBackInUtf8KeepingTheOriginalOnce) {
  if (!test::SceneryFixture::LinksSupported(dir)) GTEST_SKIP() << "this volume cannot hold links";
  dir.mapDrives({{'D', "d"}});
  dir.mkdir("d/X-Plane/Custom Scenery");
  dir.mkdir("d/X-Plane/Global Scenery");
  dir.mkdir("d/Scènes/LFOE Évreux/Earth nav data");
  dir.mkdir("d/Scènes/EDDK Köln/Earth nav data");
  // As an earlier version or a French Windows wrote it.
  const std::string legacy =
      "5\r\n1 2 3 4\r\n1 0\r\nD:\\X-Plane\r\n0 1 1\r\n*Europe \xE0 l'ouest\r\n"
      "=D:\\Sc\xE8nes\\LFOE \xC9vreux\r\n=D:\\Sc\xE8nes\\EDDK K\xF6ln\r\n-\r\n-\r\n";
  dir.file("orvella.ini", legacy);
  auto w = start();
  EXPECT_TRUE(ui.messages.empty());
  ASSERT_EQ(w->custScn().topCount(), 1);
  Node* europe = w->custScn().top(0);
  EXPECT_EQ(europe->text(), "Europe à l'ouest");
  ASSERT_EQ(europe->childCount(), 2);
  EXPECT_EQ(europe->child(0)->text(), "D:\\Scènes\\LFOE Évreux");
  EXPECT_EQ(europe->child(1)->text(), "D:\\Scènes\\EDDK Köln");
  EXPECT_EQ(europe->state(), kStateNone) << "both scene folders are found";

  w->custScn().setSelection({europe}, europe);
  w->TreeChange(&w->custScn());
  w->btnActiverClick();
  EXPECT_EQ(europe->state(), kStateAll);
  EXPECT_TRUE(std::filesystem::is_symlink(dir.host("d/X-Plane/Custom Scenery/LFOE Évreux")));
  EXPECT_TRUE(std::filesystem::is_symlink(dir.host("d/X-Plane/Custom Scenery/EDDK Köln")));

  w->FormDestroy();
  EXPECT_EQ(ini(),
            "5\r\n1 2 3 4\r\n1 0\r\nD:\\X-Plane\r\n0 1 1\r\n*Europe à l'ouest\r\n"
            "=D:\\Scènes\\LFOE Évreux\r\n=D:\\Scènes\\EDDK Köln\r\n-\r\n-\r\n");
  EXPECT_EQ(dir.read("orvella.ini.bak"), legacy);

  // From now on the file is read as written: nothing more to keep.
  std::filesystem::remove(dir.host("orvella.ini.bak"));
  auto again = start();
  again->FormDestroy();
  EXPECT_FALSE(dir.exists("orvella.ini.bak"));
  EXPECT_EQ(again->custScn().top(0)->child(1)->text(), "D:\\Scènes\\EDDK Köln");
}

TEST_F(SettingsTest, AProgramInAFolderOfAnyScriptSavesAndReadsItsSettings) {
  dir.mkdir("łukasz/Orvella 東京");
  const std::string exe = dir.win("łukasz/Orvella 東京/orvella.exe");
  auto w = std::make_unique<EcrOrvellaLogic>();
  w->FormCreate(exe);
  EXPECT_EQ(w->settingsPath(), dir.win("łukasz/Orvella 東京/orvella.ini"));
  w->custScn().addChild(nullptr, "Česko", kKindGroup);
  w->FormDestroy();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dir.read("łukasz/Orvella 東京/orvella.ini"),
            "5\r\n162 77 673 542\r\n0 -1\r\n0 1 1\r\n+Česko\r\n-\r\n-\r\n");
  auto again = std::make_unique<EcrOrvellaLogic>();
  again->FormCreate(exe);
  ASSERT_EQ(again->custScn().topCount(), 1);
  EXPECT_EQ(again->custScn().top(0)->text(), "Česko");
}

TEST_F(SettingsTest, VanishedInstallationsKeepTheSameOneSelected) {
  dir.mapDrives({{'D', "d"}});
  dir.mkdir("d/B");
  dir.mkdir("d/C");
  // The first of three is gone; the third was selected.
  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n3 2\r\nD:\\A\r\nD:\\B\r\nD:\\C\r\n0 1 1\r\n-\r\n");
  auto w = start();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "D:\\A :\r\n" + Textes().XPlaneAbsent.text);
  EXPECT_EQ(w->installations(), (std::vector<std::string>{"D:\\B", "D:\\C"}));
  EXPECT_EQ(w->selectedInstallation(), 1);
}

TEST_F(SettingsTest, SelectedInstallationGoneSelectsTheNextOrTheNewLast) {
  dir.mapDrives({{'D', "d"}});
  dir.mkdir("d/A");
  dir.mkdir("d/C");
  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n3 1\r\nD:\\A\r\nD:\\B\r\nD:\\C\r\n0 1 1\r\n-\r\n");
  auto w = start();
  EXPECT_EQ(w->installations(), (std::vector<std::string>{"D:\\A", "D:\\C"}));
  EXPECT_EQ(w->selectedInstallation(), 1) << "the one that followed it";

  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n3 2\r\nD:\\A\r\nD:\\C\r\nD:\\Z\r\n0 1 1\r\n-\r\n");
  auto w2 = start();
  EXPECT_EQ(w2->selectedInstallation(), 1) << "the new last one";

  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n2 0\r\nD:\\Y\r\nD:\\Z\r\n0 1 1\r\n-\r\n");
  auto w3 = start();
  EXPECT_TRUE(w3->installations().empty());
  EXPECT_EQ(w3->selectedInstallation(), -1);
}
#endif

TEST_F(SettingsTest, Version1FillsOnlyTheCustomTreeAndKeepsDesignOptions) {
  const std::string inst = dir.mkdir("XP");
  dir.file("orvella.ini",
           "1\r\n10 20 300 400\r\n1\r\n" + inst + "\r\n*G\r\n=C:\\s\r\n-\r\n=C:\\top\r\n-\r\n+Ignored\r\n-\r\n");
  auto w = start();
  EXPECT_EQ(w->selectedInstallation(), 0);
  EXPECT_FALSE(w->autoSort());
  EXPECT_TRUE(w->panelShown());
  EXPECT_TRUE(w->deletesSceneryPacks());
  ASSERT_EQ(w->custScn().topCount(), 2);
  EXPECT_EQ(w->custScn().top(1)->text(), "C:\\top");
  EXPECT_EQ(w->custScn().top(1)->kind(), kKindScene);
  EXPECT_EQ(w->globScn().topCount(), 0);
  EXPECT_EQ(w->windowBounds(), (Rect{10, 20, 300, 400}));
}

TEST_F(SettingsTest, Versions3And4ReadOnlyTheAutoSortFlagOfTheOptionLine) {
  dir.file("orvella.ini", "4\r\n1 2 3 4\r\n0 -1\r\n1 0 0 junk\r\n*G\r\n=b\r\n=a\r\n-\r\n-\r\n+H\r\n-\r\n");
  auto w = start();
  EXPECT_TRUE(w->autoSort());
  EXPECT_TRUE(w->mainForm()["cbTriAuto"].checked);
  EXPECT_TRUE(w->panelShown()) << "version 4 does not store the panel";
  EXPECT_TRUE(w->deletesSceneryPacks());
  ASSERT_EQ(w->custScn().topCount(), 1);
  EXPECT_EQ(w->custScn().top(0)->child(0)->text(), "a") << "auto-sort sorts each group while reading";
  EXPECT_EQ(w->globScn().topCount(), 1);
}

TEST_F(SettingsTest, AutoSortSortsGroupsButNeverTheTopLevel) {
  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n0 -1\r\n1 0 0\r\n*Z\r\n=z\r\n+Y\r\n-\r\n=B\r\n-\r\n*A\r\n-\r\n-\r\n");
  auto w = start();
  EXPECT_FALSE(w->panelShown());
  EXPECT_FALSE(w->deletesSceneryPacks());
  ASSERT_EQ(w->custScn().topCount(), 2);
  EXPECT_EQ(w->custScn().top(0)->text(), "Z");
  Node* z = w->custScn().top(0);
  EXPECT_EQ(z->child(0)->text(), "B");
  EXPECT_EQ(z->child(1)->text(), "Y");
  EXPECT_EQ(z->child(2)->text(), "z");
}

TEST_F(SettingsTest, ExpandedGroupInsideCollapsedGroupStaysExpanded) {
  dir.file("orvella.ini", "5\r\n1 2 3 4\r\n0 -1\r\n0 1 1\r\n+Outer\r\n*Inner\r\n=x\r\n-\r\n-\r\n-\r\n");
  auto w = start();
  Node* outer = w->custScn().top(0);
  EXPECT_FALSE(outer->expanded());
  EXPECT_TRUE(outer->child(0)->expanded());
  w->FormDestroy();
  EXPECT_EQ(ini(), "5\r\n1 2 3 4\r\n0 -1\r\n0 1 1\r\n+Outer\r\n*Inner\r\n=x\r\n-\r\n-\r\n-\r\n");
}

TEST_F(SettingsTest, FileEndingEarlyReadsMissingNumbersAsZero) {
  dir.file("orvella.ini", "5\r\n100 200");
  auto w = start();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(w->windowBounds(), (Rect{100, 200, 0, 0}));
  EXPECT_TRUE(w->installations().empty());
}

TEST_F(SettingsTest, BadNumberStopsTheReadKeepsWhatWasReadAndSavesTheOriginal) {
  const std::string inst = dir.mkdir("XP");
  const std::string damaged = "5\r\n1 2 3 4\r\n1 0\r\n" + inst + "\r\nx 1 1\r\n*Lost\r\n=C:\\scene\r\n-\r\n";
  dir.file("orvella.ini", damaged);
  auto w = start();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], dir.win("orvella.ini") + " :\r\n" + A("Saisie numérique incorrecte"))
      << "the path names the file";
  EXPECT_EQ(w->installations().size(), 1u) << "what was read stays";
  EXPECT_EQ(w->selectedInstallation(), -1) << "nothing is selected after a failed read";
  EXPECT_EQ(w->custScn().topCount(), 0);
  EXPECT_EQ(w->windowBounds(), (Rect{1, 2, 3, 4}));
  w->FormDestroy();
  EXPECT_EQ(dir.read("orvella.ini.bak"), damaged) << "the unread part is not lost";
  EXPECT_EQ(ini().substr(0, 2), "5\r");
}

TEST_F(SettingsTest, AFileCutInsideGroupsKeepsThemClosedAndUnsortedAfterTheVanishedInstallationMessages) {
  // The auto-sort is on; the nesting limit stops the read inside "Open".
  std::string damaged =
      "5\r\n1 2 3 4\r\n1 0\r\n" + dir.win("gone") + "\r\n1 1 0\r\n*Done\r\n=b\r\n=a\r\n-\r\n*Open\r\n=z\r\n=y\r\n";
  for (int i = 0; i < 300; ++i) damaged += "*g\r\n";
  dir.file("orvella.ini", damaged);
  auto w = start();
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[0].rfind(dir.win("gone") + " :", 0), 0u) << "the vanished installation first";
  EXPECT_NE(ui.messages[1].find("256"), std::string::npos) << "then the damage";
  ASSERT_EQ(w->custScn().topCount(), 2);
  const Node* done = w->custScn().top(0);
  EXPECT_TRUE(done->expanded());
  EXPECT_EQ(done->child(0)->text(), "a");
  const Node* open = w->custScn().top(1);
  EXPECT_FALSE(open->expanded()) << "a group the read never finished stays closed";
  ASSERT_EQ(open->childCount(), 3);
  EXPECT_EQ(open->child(0)->text(), "z");
  EXPECT_EQ(open->child(2)->text(), "g");
  EXPECT_FALSE(open->child(2)->expanded());
}

TEST_F(SettingsTest, FailedWriteLeavesThePreviousFileWholeAndSaysDiskFull) {
  auto w = start();
  const std::string previous = "5\r\n9 9 9 9\r\n0 -1\r\n0 1 1\r\n*Keep\r\n-\r\n-\r\n";
  dir.file("orvella.ini", previous);
  Node* g = w->custScn().addChild(nullptr, "A much longer group name that needs writing", kKindGroup);
  (void)g;
  platform::InjectWriteFailureAfter(20, win::ERROR_DISK_FULL);
  w->FormDestroy();
  platform::InjectWriteFailureAfter(~0ull, 0);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], dir.win("orvella.ini") + " :\r\n" + "Disque plein") << "the path names the file";
  EXPECT_EQ(ini(), previous);
  EXPECT_FALSE(dir.exists("orvella.ini.new")) << "no half-written file is left behind";
}

TEST_F(SettingsTest, ReadOnlySettingsFileIsRefusedAndKept) {
  auto w = start();
  dir.file("orvella.ini", "old");
  std::filesystem::permissions(dir.host("orvella.ini"),
                               std::filesystem::perms::owner_read | std::filesystem::perms::group_read);
  w->FormDestroy();
  std::filesystem::permissions(dir.host("orvella.ini"), std::filesystem::perms::owner_all);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], dir.win("orvella.ini") + " :\r\n" + A("Accès au fichier refusé"))
      << "the path names the file";
  EXPECT_EQ(ini(), "old");
}

#ifndef _WIN32
TEST_F(SettingsTest, ASettingsFileThatIsALinkIsSavedWhereItLeads) {
  // Settings kept in a synchronised folder, reached by a link beside the program.
  // A version 4 file, written back as version 5.
  dir.file("synced/orvella.ini", "4\r\n162 77 673 542\r\n0 -1\r\n0\r\n-\r\n");
  dir.symlink("orvella.ini", "synced/orvella.ini");
  auto w = start();
  w->FormDestroy();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(dir.isSymlink("orvella.ini"));
  EXPECT_EQ(dir.read("synced/orvella.ini"), "5\r\n162 77 673 542\r\n0 -1\r\n0 1 1\r\n-\r\n");
}
#endif

TEST_F(SettingsTest, ABackupThatCannotBeWrittenDoesNotStopTheSave) {
  // A version 4 file is not written back as it was read: it is kept as
  // orvella.ini.bak, unless a read-only leftover stands in the way.
  const std::string v4 = "4\r\n162 77 673 542\r\n0 -1\r\n0\r\n-\r\n";
  dir.file("orvella.ini", v4);
  dir.file("orvella.ini.bak", "older backup");
  std::filesystem::permissions(dir.host("orvella.ini.bak"), std::filesystem::perms::owner_read);
  auto w = start();
  w->FormDestroy();
  std::filesystem::permissions(dir.host("orvella.ini.bak"), std::filesystem::perms::owner_all);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ini(), "5\r\n162 77 673 542\r\n0 -1\r\n0 1 1\r\n-\r\n");
  EXPECT_EQ(dir.read("orvella.ini.bak"), "older backup");
}

TEST(TextReader, FreeFormatNumbersAndLines) {
  TextReader r("  12\t-3\r\n\r\n+4 x\r\nline two\nlast");
  EXPECT_EQ(r.readInt(), 12);
  EXPECT_EQ(r.readInt(), -3);
  EXPECT_EQ(r.readInt(), 4) << "line ends are skipped before a number";
  EXPECT_THROW(r.readInt(), EInOutError);
  r.skipLine();
  EXPECT_EQ(r.readLine(), "line two");
  r.skipLine();
  EXPECT_EQ(r.readChar(), 'l');
  EXPECT_EQ(r.readLine(), "ast");
  EXPECT_TRUE(r.eof());
  EXPECT_EQ(r.readInt(), 0) << "a number that is not there reads as 0";
  TextReader big("99999999999");
  EXPECT_THROW(big.readInt(), EInOutError);
}

TEST(SplitLines, LineEndsOfEitherKindAndNoPhantomLastLine) {
  bool crlf = false;
  EXPECT_TRUE(SplitLines("", &crlf).empty());
  EXPECT_EQ(SplitLines("a\n\nb\n", &crlf), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_FALSE(crlf);
  EXPECT_EQ(SplitLines("a\rb\r\nlast\r", &crlf), (std::vector<std::string>{"a\rb", "last"}))
      << "only a CR before the line end goes";
  EXPECT_TRUE(crlf);
  EXPECT_EQ(SplitLines(std::string_view("x\0y\n", 4)), (std::vector<std::string>{std::string("x\0y", 3)}));
}

}  // namespace
}  // namespace orvella
