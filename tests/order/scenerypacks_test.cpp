// The order written to scenery_packs.ini, planned over a stand-in
// installation with real packs and links, and its safe writing.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>

#include "logic/core/asciitext.h"
#include "logic/order/dsf.h"
#include "logic/order/files.h"
#include "logic/order/scenerypacks.h"
#include "order/packbuilder.h"
#include "order/touch.h"
#include "platform/testhooks.h"

namespace orvella {
namespace {

using test::PackBuilder;
using test::TestDir;
namespace fs = std::filesystem;

class OrderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Scenes are linked into Custom Scenery (Wine makes no links).
    std::error_code e;
    fs::create_directory_symlink(dir.host(), dir.host("probe-link"), e);
    if (e) GTEST_SKIP() << "this volume holds no links: " << e.message();
    fs::remove(dir.host("probe-link"));
    dir.file("XP/X-Plane.exe", "");
    dir.mkdir("XP/Custom Scenery");
    input.installation = dir.win("XP");
  }
  // A scene in the library, linked into Custom Scenery and placed in the tree.
  void scene(const std::string& name) {
    dir.symlink("XP/Custom Scenery/" + name, "Scenes/" + name);
    input.scenes.push_back({name, dir.win("Scenes/" + name)});
  }
  void oldFile(const std::string& body) {
    dir.file("XP/Custom Scenery/scenery_packs.ini", "I\n1000 Version\nSCENERY\n\n" + body);
  }
  // The planned lines, as written.
  std::vector<std::string> lines() {
    plan = PlanOrder(input, memory);
    std::vector<std::string> out;
    for (const OrderEntry& e : plan.entries) out.push_back((e.disabled ? "-" : "") + e.path);
    return out;
  }

  TestDir dir;
  PackBuilder b{dir};
  OrderInput input;
  PackMemory memory;
  OrderPlan plan;
};

TEST_F(OrderTest, KindsFirstThenTheTreeThenTheOldFileThenNewPacksByName) {
  b.airport("Scenes/LFPG", {"LFPG"});
  b.airport("Scenes/EGLL", {"EGLL"});
  b.library("Scenes/Lib");
  b.overlay("Scenes/Over");
  b.ortho("Scenes/Ortho");
  b.mesh("Scenes/Mesh");
  dir.mkdir("Scenes/Odd/stuff");
  // The tree puts EGLL above LFPG.
  for (const char* s : {"Mesh", "EGLL", "Ortho", "Lib", "LFPG", "Over", "Odd"}) scene(s);
  // Packs no scene names: plain folders in Custom Scenery.
  b.airport("XP/Custom Scenery/KSEA", {"KSEA"});
  b.airport("XP/Custom Scenery/KBOS", {"KBOS"});
  b.airport("XP/Custom Scenery/new b", {"LOWI"});
  b.airport("XP/Custom Scenery/New a", {"LSZH"});
  b.mesh("XP/Custom Scenery/Other mesh");
  dir.file("XP/Custom Scenery/readme.txt", "not a pack");
  oldFile(
      "SCENERY_PACK Custom Scenery/Mesh/\nSCENERY_PACK Custom Scenery/Other mesh/\n"
      "SCENERY_PACK Custom Scenery/Ortho/\nSCENERY_PACK Custom Scenery/KSEA/\n"
      "SCENERY_PACK *GLOBAL_AIRPORTS*\nSCENERY_PACK Custom Scenery/KBOS/\n");
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/EGLL/", "Custom Scenery/LFPG/",    // tree
                                               "Custom Scenery/KSEA/", "Custom Scenery/KBOS/",    // old file
                                               "Custom Scenery/New a/", "Custom Scenery/new b/",  // new, by name
                                               "*GLOBAL_AIRPORTS*", "Custom Scenery/Lib/", "Custom Scenery/Over/",
                                               "Custom Scenery/Ortho/", "Custom Scenery/Mesh/",
                                               "Custom Scenery/Other mesh/", "Custom Scenery/Odd/"}));
  EXPECT_EQ(plan.entries[0].airports, std::vector<std::string>{"EGLL"});
  EXPECT_EQ(plan.entries.back().kind, PackKind::Unknown);
  EXPECT_TRUE(plan.warnings.empty());
  const std::string start = "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/EGLL/\n";
  EXPECT_EQ(RenderSceneryPacks(plan).substr(0, start.size()), start);
}

TEST_F(OrderTest, DisabledLinesStayDisabledGoneOnesAreDroppedAbsoluteOnesKept) {
  b.airport("Scenes/LFPG", {"LFPG"});
  b.overlay("Scenes/Over");
  scene("LFPG");
  scene("Over");
  b.mesh("Elsewhere/Far mesh");
  b.airport("Elsewhere/Far airport", {"KJFK"});
  const std::string farMesh = dir.host("Elsewhere/Far mesh").string() + "/";
  const std::string farAirport = dir.host("Elsewhere/Far airport").string() + "/";
  const std::string gone = dir.host("Elsewhere/Gone").string() + "/";
  // A link whose scene folder was removed since.
  b.mesh("Scenes/Removed");
  scene("Removed");
  fs::remove_all(dir.host("Scenes/Removed"));
  oldFile(
      "SCENERY_PACK_DISABLED Custom Scenery/Over/\r\nSCENERY_PACK Custom Scenery/Deleted/\r\n"
      "SCENERY_PACK " +
      farMesh + "\r\nSCENERY_PACK_DISABLED " + farAirport + "\r\nSCENERY_PACK " + gone +
      "\r\nSCENERY_PACK Custom Scenery/Removed/\r\nSCENERY_PACK_DISABLED *GLOBAL_AIRPORTS*\r\n"
      "SCENERY_PACK Custom Scenery/Over/\r\n");
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/LFPG/", "-" + farAirport, "-*GLOBAL_AIRPORTS*",
                                               "-Custom Scenery/Over/", farMesh}));
  EXPECT_TRUE(plan.crlf);
  const std::string text = RenderSceneryPacks(plan);
  const std::string header = "I\r\n1000 Version\r\nSCENERY\r\n\r\n";
  EXPECT_EQ(text.substr(0, header.size()), header);
  EXPECT_NE(text.find("SCENERY_PACK_DISABLED Custom Scenery/Over/\r\n"), std::string::npos);
}

TEST_F(OrderTest, TheSimulatorsAirportsKeepTheFormOfTheInstallation) {
  b.airport("Scenes/LFPG", {"LFPG"});
  b.library("Scenes/Lib");
  scene("LFPG");
  scene("Lib");
  // X-Plane 12 without a file: its own name.
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/LFPG/", "*GLOBAL_AIRPORTS*", "Custom Scenery/Lib/"}));
  // X-Plane 11 keeps them in Custom Scenery.
  b.airport("XP/Custom Scenery/Global Airports", {"KSEA", "LFPG"});
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/LFPG/", "Custom Scenery/Global Airports/",
                                               "Custom Scenery/Lib/"}));
  EXPECT_TRUE(plan.warnings.empty()) << "the simulator's airports give way without a word";
  // The existing file's form wins, and its line is found whatever its case.
  oldFile("SCENERY_PACK Custom Scenery/global airports/\nSCENERY_PACK Custom Scenery/Lib/\n");
  EXPECT_EQ(lines()[1], "Custom Scenery/Global Airports/");
  oldFile("SCENERY_PACK *GLOBAL_AIRPORTS*\n");
  EXPECT_EQ(lines()[1], "*GLOBAL_AIRPORTS*");
  // X-Plane 11 whose folder is gone: no line for it.
  fs::remove_all(dir.host("XP/Custom Scenery/Global Airports"));
  oldFile("SCENERY_PACK Custom Scenery/Global Airports/\n");
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/LFPG/", "Custom Scenery/Lib/"}));
  // Nor when only a link whose target is gone bears its name: no file, so
  // the installation is taken for X-Plane 12.
  dir.symlink("XP/Custom Scenery/Global Airports", "Scenes/Gone");
  fs::remove(dir.host("XP/Custom Scenery/scenery_packs.ini"));
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/LFPG/", "*GLOBAL_AIRPORTS*", "Custom Scenery/Lib/"}));
}

TEST_F(OrderTest, TwoPacksDeclaringOneAirportAreNamedWithTheOneThatWins) {
  b.airport("Scenes/Paris HD", {"LFPG", "LFPB"});
  b.airport("Scenes/Paris old", {"LFPG"});
  b.airport("Scenes/Off", {"LFPB"});
  scene("Paris HD");
  scene("Paris old");
  scene("Off");
  oldFile("SCENERY_PACK_DISABLED Custom Scenery/Off/\n");
  lines();
  ASSERT_EQ(plan.warnings.size(), 1u) << "a disabled pack declares nothing";
  const std::string& w = plan.warnings[0];
  EXPECT_NE(w.find("LFPG"), std::string::npos);
  EXPECT_LT(w.find("Paris HD"), w.find("Paris old"));
  EXPECT_NE(w.find("l'emporte"), std::string::npos);
}

TEST_F(OrderTest, AKindSetByHandWinsOverTheFiles) {
  b.mesh("Scenes/Actually airport");
  b.airport("Scenes/Real airport", {"EDDF"});
  scene("Real airport");
  scene("Actually airport");
  b.mesh("XP/Custom Scenery/Plain");
  input.handKinds[FoldAsciiCase(dir.win("Scenes/Actually airport"))] = PackKind::Airport;
  input.handKinds[FoldAsciiCase(dir.win("XP/Custom Scenery/Plain"))] = PackKind::Library;
  EXPECT_EQ(lines(), (std::vector<std::string>{"Custom Scenery/Real airport/", "Custom Scenery/Actually airport/",
                                               "*GLOBAL_AIRPORTS*", "Custom Scenery/Plain/"}));
  EXPECT_TRUE(plan.entries[1].handSet);
  EXPECT_FALSE(plan.entries[0].handSet);
}

TEST_F(OrderTest, WritingKeepsThePreviousFileAndAFailureLeavesItWhole) {
  const std::string ini = SceneryPacksPath(input.installation);
  // No file yet: nothing to keep.
  WriteSceneryPacks(ini, "first");
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini"), "first");
  EXPECT_FALSE(dir.exists("XP/Custom Scenery/scenery_packs.ini.bak"));
  WriteSceneryPacks(ini, "second");
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini"), "second");
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini.bak"), "first");

  // The disk fills up part way: the file is as it was, no stray file left.
  platform::InjectWriteFailureAfter(3, win::ERROR_DISK_FULL);
  try {
    WriteSceneryPacks(ini, std::string(10000, 'x'));
    ADD_FAILURE() << "the write went through";
  } catch (const EOrderWrite& e) {
    EXPECT_EQ(e.code(), win::ERROR_DISK_FULL);
    EXPECT_NE(std::string(e.what()).find("scenery_packs.ini"), std::string::npos);
  }
  platform::InjectWriteFailureAfter(~0ull, 0);
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini"), "second");
  EXPECT_FALSE(dir.exists("XP/Custom Scenery/scenery_packs.ini.new"));

  // A read-only file is refused before anything is touched.
  fs::permissions(dir.host("XP/Custom Scenery/scenery_packs.ini"), fs::perms::owner_read);
  EXPECT_THROW(WriteSceneryPacks(ini, "third"), EOrderWrite);
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini"), "second");
  EXPECT_EQ(dir.read("XP/Custom Scenery/scenery_packs.ini.bak"), "first");
}

TEST_F(OrderTest, BackupsStayWritableAndTheUsersLastFileIsKept) {
  const std::string ini = SceneryPacksPath(input.installation);
  const std::string cs = "XP/Custom Scenery/scenery_packs.ini";
  // The user's file, read-only, copied by an earlier version with its mode.
  dir.file(cs, "user's own");
  dir.file(cs + ".bak", "older");
  fs::permissions(dir.host(cs + ".bak"), fs::perms::owner_read);
  std::uint64_t own = WriteSceneryPacks(ini, "launch 1", 0);
  EXPECT_EQ(dir.read(cs), "launch 1") << "a read-only backup never stops the new file";
  EXPECT_EQ(dir.read(cs + ".bak"), "user's own");
  EXPECT_NE(fs::status(dir.host(cs + ".bak")).permissions() & fs::perms::owner_write, fs::perms::none);
  own = WriteSceneryPacks(ini, "launch 2", own);
  EXPECT_EQ(dir.read(cs + ".bak"), "launch 1");
  WriteSceneryPacks(ini, "launch 2", own);
  EXPECT_EQ(dir.read(cs + ".bak"), "launch 1") << "an unchanged order is not rewritten";
  EXPECT_EQ(dir.read(cs + ".user.bak"), "user's own") << "kept across the program's own writes";
  // The simulator rewrites the file: the newer foreign file replaces it.
  dir.file(cs, "x-plane's");
  own = WriteSceneryPacks(ini, "launch 3", own);
  EXPECT_EQ(dir.read(cs + ".user.bak"), "x-plane's");
  // A backup that cannot be written at all (a folder in its way).
  fs::remove(dir.host(cs + ".bak"));
  dir.mkdir(cs + ".bak");
  WriteSceneryPacks(ini, "launch 4", own);
  EXPECT_EQ(dir.read(cs), "launch 4");
}

// What stands in the file's place, or in its temporary file's: a file that
// cannot be read whole is neither replaced nor written back cut (no backup
// either); a link left where the temporary file goes is never written
// through, nor one left as a backup; a file that is a link is written where
// it leads, and stays a link.
TEST_F(OrderTest, AFileThatCannotBeReadWholeIsLeftAndNothingIsWrittenThrough) {
  const std::string ini = SceneryPacksPath(input.installation);
  const std::string cs = "XP/Custom Scenery/scenery_packs.ini";
  // Longer than an order file can be read: its last lines would be lost.
  const std::string big = std::string(size_t{16} << 20, '#') + "\nSCENERY_PACK_DISABLED Custom Scenery/Last/\n";
  struct Case {
    const char* name;
    std::function<void()> put;
    win::DWORD refused;  // 0: written
  };
  std::vector<Case> cases = {
      {"past 16 MiB", [&] { dir.file(cs, big); }, win::ERROR_FILE_TOO_LARGE},
  };
#ifndef _WIN32
  cases.push_back({"a named pipe", [&] { ASSERT_EQ(::mkfifo(dir.host(cs).c_str(), 0644), 0); }, kNotAFile});
  cases.push_back({"a link as the temporary file",
                   [&] {
                     dir.file(cs, "old");
                     fs::create_symlink(dir.host("victim.txt"), dir.host(cs + ".new"));
                   },
                   0});
  cases.push_back({"a link as the backup",
                   [&] {
                     dir.file(cs, "old");
                     fs::create_symlink(dir.host("victim.txt"), dir.host(cs + ".bak"));
                   },
                   0});
  cases.push_back({"a link to an order kept elsewhere",
                   [&] {
                     dir.file("profiles/summer.ini", "old");
                     fs::create_symlink(dir.host("profiles/summer.ini"), dir.host(cs));
                   },
                   0});
#endif
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (const std::string& f : {cs, cs + ".bak", cs + ".user.bak", cs + ".new"}) fs::remove(dir.host(f));
    dir.file("victim.txt", "keep me");
    c.put();
    const auto before = fs::symlink_status(dir.host(cs));
    try {
      WriteSceneryPacks(ini, "new order");
      EXPECT_EQ(c.refused, 0u);
      EXPECT_EQ(dir.read(cs), "new order");
    } catch (const EOrderWrite& e) {
      EXPECT_EQ(e.code(), c.refused);
      EXPECT_NE(std::string(e.what()).find("scenery_packs.ini"), std::string::npos);
      if (before.type() == fs::file_type::regular) {
        EXPECT_EQ(fs::file_size(dir.host(cs)), big.size());
      }
      EXPECT_FALSE(dir.exists(cs + ".bak"));
      EXPECT_FALSE(dir.exists(cs + ".user.bak"));
    }
    EXPECT_EQ(fs::symlink_status(dir.host(cs)).type(), before.type());
    EXPECT_EQ(dir.read("victim.txt"), "keep me");
  }
}

#ifndef _WIN32
TEST_F(OrderTest, ALineForANameTheSystemCannotGiveIsKeptByteForByte) {
  // Folders named in Windows-1252 on a UTF-8 system: "Café" as one byte E9.
  b.overlay("Scenes/Over");
  b.mesh("Scenes/Mesh");
  scene("Over");
  scene("Mesh");
  const std::string cafe = "Caf\xe9 Overlay";
  const std::string loose = "Loose \xe9";
  const std::string custom = dir.host("XP/Custom Scenery").string() + "/";
  for (const std::string& n : {cafe, cafe + "/Earth nav data", cafe + "/Earth nav data/+40+000", loose})
    ASSERT_EQ(::mkdir((custom + n).c_str(), 0755), 0) << n;
  std::ofstream(custom + cafe + "/Earth nav data/+40+000/+48+002.dsf", std::ios::binary)
      << test::DsfFile(test::TileProps(true));
  oldFile("SCENERY_PACK Custom Scenery/Mesh/\nSCENERY_PACK_DISABLED Custom Scenery/" + cafe +
          "/\nSCENERY_PACK Custom Scenery/Over/\nSCENERY_PACK /gone/\xff abs/\n");
  // Each such line follows the line that stood above it; the loose folder
  // without a line is left to the simulator.
  EXPECT_EQ(lines(), (std::vector<std::string>{"*GLOBAL_AIRPORTS*", "Custom Scenery/Over/", "/gone/\xff abs/",
                                               "Custom Scenery/Mesh/", "-Custom Scenery/" + cafe + "/"}));
  const std::string text = RenderSceneryPacks(plan);
  EXPECT_NE(text.find("SCENERY_PACK_DISABLED Custom Scenery/" + cafe + "/\n"), std::string::npos);
  EXPECT_EQ(text.find('?'), std::string::npos) << text;
  EXPECT_FALSE(plan.entries[4].reason.empty());
}
#endif

TEST_F(OrderTest, PacksAreReadOnceWhileTheyDoNotChange) {
  for (int i = 0; i < 20; ++i) {
    const std::string name = "Pack " + std::to_string(i);
    if (i % 2)
      b.mesh("Scenes/" + name, i % 4 == 1 && Dsf7zSupported());
    else
      b.overlay("Scenes/" + name);
    scene(name);
  }
  std::vector<std::string> names;
  for (int i = 0; i < 20; ++i) names.push_back("Pack " + std::to_string(i));
  platform::TakeOpenedForReading();
  lines();
  EXPECT_EQ(test::PacksRead(names), 20);
  const std::vector<std::string> first = lines();
  EXPECT_EQ(test::PacksRead(names), 0);
  // A new version of one pack, copied over it: its folder's time moves.
  b.airport("Scenes/Pack 3", {"LFMN"});
  test::Touch(dir.host("Scenes/Pack 3"));
  EXPECT_EQ(lines().front(), "Custom Scenery/Pack 3/");
  EXPECT_EQ(test::PacksRead(names), 1);
}

}  // namespace
}  // namespace orvella
