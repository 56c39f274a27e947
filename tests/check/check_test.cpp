// The scenery check on generated installations: what is missing and why,
// broken exports, duplicate airports, hidden tiles, damaged files, the
// remembered stamps of a second check, and the report's JSON.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <atomic>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <stdexcept>
#include <thread>

#include "check/checkbuilder.h"
#include "logic/check/checkmemory.h"
#include "logic/check/scenerycheck.h"
#include "logic/core/errors.h"
#include "logic/junction/reparsepoints.h"
#include "logic/order/files.h"
#include "logic/texts/textes.h"
#include "support/filetimes.h"

namespace orvella::check {
namespace {

using test::PutLibrary;
using test::PutTile;
using test::TestDir;

// An installation holding one pack of each situation.
struct Installation {
  TestDir dir;
  Installation() {
    dir.file("XP/Custom Scenery/scenery_packs.ini",
             "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/Needs/\n"
             "SCENERY_PACK_DISABLED Custom Scenery/Off Lib/\nSCENERY_PACK Custom Scenery/Gone/\n"
             "SCENERY_PACK Custom Scenery/Lib/\nSCENERY_PACK *GLOBAL_AIRPORTS*\n");
    PutTile(dir, "XP/Custom Scenery/Needs",
            test::CheckDsf({"lib/ok.obj", "objects/own.obj", "lib/off.obj", "lib/inactive.obj", "lib/backup.obj",
                            "Lib/OK.obj", "objects/OWN2.obj", "objects/o*.obj", "nobody/x.obj", "lib/broken.obj"}));
    dir.file("XP/Custom Scenery/Needs/objects/own.obj", "o");
    dir.file("XP/Custom Scenery/Needs/objects/own2.obj", "o");
    PutLibrary(dir, "XP/Custom Scenery/Lib",
               "EXPORT lib/ok.obj ok.obj\nEXPORT_BACKUP lib/backup.obj b.obj\nEXPORT lib/broken.obj none.obj\n"
               "EXPORT lib/up.obj ../../../outside.obj\n");
    dir.file("XP/Custom Scenery/Lib/ok.obj", "o");
    dir.file("XP/Custom Scenery/Lib/b.obj", "o");
    PutLibrary(dir, "XP/Custom Scenery/Off Lib", "EXPORT lib/off.obj off.obj\n");
    dir.file("XP/Custom Scenery/Off Lib/off.obj", "o");
    PutLibrary(dir, "Scenes/Sleeping", "EXPORT lib/inactive.obj i.obj\n");
    dir.file("Scenes/Sleeping/i.obj", "o");
    dir.file("outside.obj", "o");
    dir.mkdir("XP/Global Scenery/Global Airports/Earth nav data");
  }
  std::string xp() const { return dir.win("XP"); }
  Options options() const {
    Options o;
    o.inactiveScenes = {dir.win("Scenes/Sleeping")};
    return o;
  }
};

TEST(SceneryCheck, EachReferenceGetsItsReason) {
  Installation inst;
  const Report r = CheckInstallation(inst.xp(), inst.options());
  std::map<std::string, std::string> got;
  for (const Missing& m : r.missing) {
    got[m.path] = std::string(ReasonKey(m.reason)) + " " + m.provider;
    EXPECT_EQ(m.packs, (std::vector<std::string>{"Needs"})) << m.path;
    EXPECT_EQ(m.sample, "Earth nav data/+40+000/+46+007.dsf");
    EXPECT_EQ(m.library, m.path.substr(0, m.path.find('/')));
  }
  const bool foldedFiles = platform::CurrentHostSystem() == platform::HostSystem::Windows;
  std::map<std::string, std::string> expected = {
      {"lib/off.obj", "disabled Off Lib"}, {"lib/inactive.obj", "inactive " + inst.dir.win("Scenes/Sleeping")},
      {"lib/backup.obj", "backup Lib"},    {"Lib/OK.obj", "case Lib"},
      {"nobody/x.obj", "absent "},         {"lib/broken.obj", "absent "},
      {"objects/o*.obj", "absent "},  // a name, never a pattern
  };
  // The pack's own file with other letters: found where the system folds case.
  if (!foldedFiles) expected["objects/OWN2.obj"] = "case Needs";
  EXPECT_EQ(got, expected);
  // One pack's missing paths come in the order of their names.
  const std::vector<std::string> paths = test::MissingPaths(r);
  EXPECT_TRUE(std::is_sorted(paths.begin(), paths.end())) << testing::PrintToString(paths);
  // The export whose file is missing; the one climbing out is not read at all.
  ASSERT_EQ(r.brokenExports.size(), 1u);
  EXPECT_EQ(r.brokenExports[0].pack, "Lib");
  EXPECT_EQ(r.brokenExports[0].path, "lib/broken.obj");
  EXPECT_EQ(r.brokenExports[0].file, "none.obj");
  // Packs as the simulator loads them: the disabled one and the line of a
  // pack that is gone are not among them.
  EXPECT_EQ(test::PackNames(r), (std::vector<std::string>{"Needs", "Lib", "Global Airports"}));
  EXPECT_EQ(r.packs[1].role, PackRole::Library);
  EXPECT_TRUE(r.problems());
}

// The lines of packs that are gone are dropped, as the simulator drops them;
// a line may spell its folder in other letters, or name a link.
TEST(SceneryCheck, LinesOfPacksThatAreGoneAreDropped) {
  TestDir dir;
  PutTile(dir, "XP/Custom Scenery/Real", test::CheckDsf({}));
  std::string ini =
      "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery/REAL/\nSCENERY_PACK Custom Scenery/Gone/\n";
  std::vector<std::string> expected = {"REAL"};
#ifndef _WIN32
  PutTile(dir, "Elsewhere/Target", test::CheckDsf({}));
  dir.symlink("XP/Custom Scenery/Linked", "Elsewhere/Target");
  dir.symlink("XP/Custom Scenery/Dangling", "Elsewhere/Nothing");
  ini += "SCENERY_PACK Custom Scenery/Linked/\nSCENERY_PACK Custom Scenery/Dangling/\n";
  expected.push_back("Linked");
#endif
  dir.file("XP/Custom Scenery/scenery_packs.ini", ini);
  const Report r = CheckInstallation(dir.win("XP"), Options());
  EXPECT_EQ(test::PackNames(r), expected);
}

// Packs and tiles as the simulator takes them. A tile only by its own name,
// in the folder of its ten degrees (rounded down south and west): copies and
// misplaced tiles are never read. A line spelling a folder with doubled
// separators or "." parts names one pack; packs listed by an absolute path
// are the user's, their airports and meshes compared. A pack whose name the
// system cannot give (Windows-1252 bytes, a character no Windows name
// holds) is said to be unchecked.
TEST(SceneryCheck, PacksAndTilesAreTakenAsTheSimulatorTakesThem) {
  TestDir dir;
  const std::string never = test::CheckDsf({"lib/never.obj"});
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/loaded.obj", "lib/x.obj"}));
  for (const char* name : {"+46+007 - Copy.dsf", "old_+46+007.dsf", "+46+007.dsf.dsf", "+46+07.dsf"})
    PutTile(dir, "XP/Custom Scenery/P", never, false, name);
  dir.file("XP/Custom Scenery/P/Earth nav data/+50+010/+46+007.dsf", never);
  dir.file("XP/Custom Scenery/P/Earth nav data/+46+007.dsf", never);
  dir.file("XP/Custom Scenery/P/Earth nav data/+00+000/+ 4+007.dsf", never);  // digits only
  dir.file("XP/Custom Scenery/P/Earth nav data/-40-080/-33-071.dsf", test::CheckDsf({"lib/south.obj"}));
  dir.file("XP/Custom Scenery/P/Earth nav data/-30-070/-33-071.dsf", never);
#ifndef _WIN32
  for (const char* pack : {"XP/Custom Scenery/A Airport", "Elsewhere/B Airport"})
    dir.file(std::string(pack) + "/Earth nav data/apt.dat", "I\n1100 Version\n\n1 100 0 0 EGLL Heathrow\n");
  PutTile(dir, "Elsewhere/C Mesh", test::CheckDsf({}, false));
  PutTile(dir, "XP/Custom Scenery/D Mesh", test::CheckDsf({}, false));
  const std::string elsewhere = dir.host("Elsewhere").generic_string();
  dir.file("XP/Custom Scenery/scenery_packs.ini",
           "I\n1000 Version\nSCENERY\n\nSCENERY_PACK Custom Scenery//A Airport/./\n"
           "SCENERY_PACK " +
               elsewhere +
               "/B Airport/\n"
               "SCENERY_PACK " +
               elsewhere + "//C Mesh/\n");
  const std::string custom = dir.host("XP/Custom Scenery").string() + "/";
  for (const std::string name : {"Biblioth\xe8que", "Lib?Q"}) {
    ASSERT_EQ(::mkdir((custom + name).c_str(), 0755), 0);
    std::ofstream(custom + name + "/library.txt") << "A\n800\nLIBRARY\nEXPORT lib/x.obj x.obj\n";
    std::ofstream(custom + name + "/x.obj") << "o";
  }
#endif
  const Report r = CheckInstallation(dir.win("XP"), Options());
  // What the unchecked packs would provide is not known to be there.
  EXPECT_EQ(test::MissingPaths(r), (std::vector<std::string>{"lib/loaded.obj", "lib/south.obj", "lib/x.obj"}));
#ifndef _WIN32
  EXPECT_EQ(test::PackNames(r),
            (std::vector<std::string>{"Biblioth?que", "D Mesh", "Lib?Q", "P", "A Airport", "B Airport", "C Mesh"}));
  ASSERT_EQ(r.duplicateAirports.size(), 1u);
  EXPECT_EQ(r.duplicateAirports[0].packs, (std::vector<std::string>{"A Airport", "B Airport"}));
  ASSERT_EQ(r.tileConflicts.size(), 1u);
  EXPECT_EQ(r.tileConflicts[0].packs, (std::vector<std::string>{"D Mesh", "C Mesh"}));
  ASSERT_EQ(r.damaged.size(), 2u);
  for (const DamagedFile& d : r.damaged) {
    EXPECT_NE(d.pack.find('?'), std::string::npos) << d.pack;
    EXPECT_EQ(d.file, "");
    EXPECT_EQ(d.what, test::A("nom illisible par le système : scène non vérifiée"));
    EXPECT_NE(ReportText(r).find("  " + d.pack + " (" + d.what + ")\n"), std::string::npos) << ReportText(r);
  }
#endif
}

TEST(SceneryCheck, AirportsTilesAndDamagedFiles) {
  TestDir dir;
  dir.mkdir("XP/Custom Scenery");
  // No scenery_packs.ini: every pack is new, in alphabetical order.
  test::PackBuilder b{dir};
  b.airport("XP/Custom Scenery/A Airport", {"LFPG", "LFPB"});
  b.airport("XP/Custom Scenery/B Airport", {"LFPG"});
  b.airport("XP/Custom Scenery/C Airport", {"LFPB", "LFPO"});
  PutTile(dir, "XP/Custom Scenery/D Mesh", test::CheckDsf({}, false));
  PutTile(dir, "XP/Custom Scenery/E Mesh", test::CheckDsf({}, false), ORVELLA_TEST_7Z != 0);
  PutTile(dir, "XP/Custom Scenery/F Overlay", test::CheckDsf({}, true));
  // Damaged tiles are reported one by one; the check goes on.
  dir.file("XP/Custom Scenery/G Bad/Earth nav data/+40+000/+46+007.dsf", "XPLNEDSF\x01\0\0\0short");
  dir.file("XP/Custom Scenery/G Bad/Earth nav data/+40+000/+46+008.dsf", "7z\xbc\xaf\x27\x1c garbage");
  PutTile(dir, "XP/Custom Scenery/G Bad", test::CheckDsf({"missing/after.obj"}), false, "+46+009.dsf");
  // The simulator's own airports are meant to be replaced: no duplicates.
  b.airport("XP/Global Scenery/Global Airports", {"LFPG", "LFPO"});

  const Report r = CheckInstallation(dir.win("XP"), Options());
  std::map<std::string, std::vector<std::string>> airports;
  for (const DuplicateAirport& d : r.duplicateAirports) airports[d.icao] = d.packs;
  EXPECT_EQ(airports, (std::map<std::string, std::vector<std::string>>{{"LFPG", {"A Airport", "B Airport"}},
                                                                       {"LFPB", {"A Airport", "C Airport"}}}));
  ASSERT_EQ(r.tileConflicts.size(), 1u);
  EXPECT_EQ(TileName(r.tileConflicts[0].tile), "+46+007");
  EXPECT_EQ(r.tileConflicts[0].packs, (std::vector<std::string>{"D Mesh", "E Mesh"}));
  std::map<std::string, std::string> damaged;
  for (const DamagedFile& d : r.damaged) damaged[d.pack + ":" + d.file] = d.what;
  EXPECT_EQ(damaged.size(), 2u);
  EXPECT_EQ(damaged["G Bad:Earth nav data/+40+000/+46+007.dsf"], test::A("DSF endommagé"));
  if (ORVELLA_TEST_7Z) {
    EXPECT_EQ(damaged["G Bad:Earth nav data/+40+000/+46+008.dsf"], "7z illisible");
  }
  // The tile after the damaged ones is read; the airports' tiles name a
  // terrain of the simulator's library, absent here.
  EXPECT_EQ(test::MissingPaths(r), (std::vector<std::string>{"lib/g10/terrain10/apt_grs.ter", "missing/after.obj"}));
}

#ifndef _WIN32
// A FIFO where a tile or a library.txt should be is never opened (opening
// it to read would wait for a writer for ever).
TEST(SceneryCheck, FifosAreNotOpened) {
  TestDir dir;
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/a.obj"}));
  dir.mkdir("XP/Custom Scenery/P/Earth nav data/+40+000");
  dir.mkdir("XP/Custom Scenery/L");
  ASSERT_EQ(::mkfifo(dir.host("XP/Custom Scenery/P/Earth nav data/+40+000/+46+008.dsf").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(dir.host("XP/Custom Scenery/L/library.txt").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(dir.host("XP/Custom Scenery/scenery_packs.ini").c_str(), 0600), 0);
  Options o;
  o.readLog = true;
  ASSERT_EQ(::mkfifo(dir.host("XP/Log.txt").c_str(), 0600), 0);
  const Report r = CheckInstallation(dir.win("XP"), o);
  ASSERT_EQ(r.missing.size(), 1u);
  EXPECT_EQ(r.missing[0].path, "lib/a.obj");
  // Neither is a file to read: passed over like a name that is not there.
  EXPECT_TRUE(r.damaged.empty());
  EXPECT_FALSE(r.log.read);
}
#endif

// Many packs, read and judged on several threads: the report keeps the
// priority order, the progress comes on the caller's thread in order, and a
// cancel stops the check before the next pack.
TEST(SceneryCheck, ManyPacksKeepTheirOrder) {
  TestDir dir;
  constexpr int kPacks = 24;
  std::string ini = "I\n1000 Version\nSCENERY\n\n";
  std::vector<std::string> order, damaged;
  for (int i = kPacks - 1; i >= 0; --i) {  // listed against the alphabet
    const std::string name = "P" + std::to_string(100 + i);
    ini += "SCENERY_PACK Custom Scenery/" + name + "/\n";
    order.push_back(name);
    PutTile(dir, "XP/Custom Scenery/" + name, test::CheckDsf({"lib/shared.obj", "own/" + name + ".obj"}),
            ORVELLA_TEST_7Z != 0 && i % 3 == 0);
    if (i % 5 == 0) {
      dir.file("XP/Custom Scenery/" + name + "/Earth nav data/+40+000/+46+008.dsf", "XPLNEDSF\x01\0\0\0cut");
      damaged.push_back(name);
    }
  }
  dir.file("XP/Custom Scenery/scenery_packs.ini", ini);
  // Real files looked up in runs of one folder, the folder spelled two ways.
  PutLibrary(dir, "XP/Custom Scenery/L",
             "EXPORT lib/a.obj objects/a.obj\nEXPORT lib/b.obj Objects/b.obj\nEXPORT lib/c.obj objects/c.obj\n"
             "EXPORT lib/gone.obj objects/gone.obj\n");
  for (const char* f : {"a", "b", "c"}) dir.file(std::string("XP/Custom Scenery/L/objects/") + f + ".obj", "o");

  Options o;
  std::vector<int> progress;
  const std::thread::id caller = std::this_thread::get_id();
  bool otherThread = false;
  o.progress = [&](int done, int) {
    progress.push_back(done);
    otherThread = otherThread || std::this_thread::get_id() != caller;
  };
  const Report r = CheckInstallation(dir.win("XP"), o);
  EXPECT_FALSE(otherThread);
  ASSERT_FALSE(progress.empty());
  for (size_t i = 0; i < progress.size(); ++i) EXPECT_EQ(progress[i], static_cast<int>(i) + 1);
  // "L" is not listed: the simulator puts it first.
  ASSERT_EQ(r.missing.size(), kPacks + 1u);
  EXPECT_EQ(r.missing[0].path, "lib/shared.obj");
  EXPECT_EQ(r.missing[0].packs, order);
  for (int i = 0; i < kPacks; ++i) {
    EXPECT_EQ(r.missing[static_cast<size_t>(i) + 1].path, "own/" + order[static_cast<size_t>(i)] + ".obj");
    EXPECT_EQ(r.missing[static_cast<size_t>(i) + 1].packs, std::vector<std::string>{order[static_cast<size_t>(i)]});
  }
  std::vector<std::string> damagedPacks;
  for (const DamagedFile& d : r.damaged) damagedPacks.push_back(d.pack);
  EXPECT_EQ(damagedPacks, damaged);
  std::vector<std::string> broken;
  for (const BrokenExport& b : r.brokenExports) broken.push_back(b.path);
  const bool foldedFiles = platform::CurrentHostSystem() == platform::HostSystem::Windows ||
                           platform::CurrentHostSystem() == platform::HostSystem::MacOS;
  const std::vector<std::string> expectedBroken =
      foldedFiles ? std::vector<std::string>{"lib/gone.obj"} : std::vector<std::string>{"lib/b.obj", "lib/gone.obj"};
  EXPECT_EQ(broken, expectedBroken);
  // A progress that fails stops the check with its error, once the
  // threads that read have stopped.
  Options failing;
  failing.progress = [](int done, int) {
    if (done == 5) throw std::runtime_error("no more room");
  };
  EXPECT_THROW(CheckInstallation(dir.win("XP"), failing), std::runtime_error);

  // Cancelled after the third pack: no fourth is taken, whatever the threads
  // had read ahead.
  std::atomic<bool> cancel{false};
  o.cancel = &cancel;
  progress.clear();
  o.progress = [&](int done, int) {
    progress.push_back(done);
    if (done == 3) cancel = true;
  };
  const Report stopped = CheckInstallation(dir.win("XP"), o);
  EXPECT_TRUE(stopped.cancelled);
  EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
}

// Libraries far larger than the index's first table, some paths exported
// by two of them: every export is found, wherever its batch and however
// often the table grew, and only the path nobody exports is missing.
TEST(SceneryCheck, ALargeIndexFindsEveryExport) {
  TestDir dir;
  const auto exports = [](int from, int to) {
    std::string lines;
    for (int i = from; i < to; ++i) lines += "EXPORT big/o" + std::to_string(i) + ".obj f.obj\n";
    return lines;
  };
  PutLibrary(dir, "XP/Custom Scenery/A", exports(0, 1500));
  PutLibrary(dir, "XP/Custom Scenery/B", exports(1000, 2500));
  dir.file("XP/Custom Scenery/A/f.obj", "o");
  dir.file("XP/Custom Scenery/B/f.obj", "o");
  std::vector<std::string> refs;
  for (int i = 0; i <= 2500; i += 63) refs.push_back("big/o" + std::to_string(i) + ".obj");
  refs.push_back("big/o1499.obj");
  refs.push_back("big/o2499.obj");
  refs.push_back("big/o2500.obj");
  PutTile(dir, "XP/Custom Scenery/Pack", test::CheckDsf(refs));
  const Report r = CheckInstallation(dir.win("XP"), Options());
  EXPECT_TRUE(r.brokenExports.empty());
  ASSERT_EQ(r.missing.size(), 1u);
  EXPECT_EQ(r.missing[0].path, "big/o2500.obj");
  EXPECT_EQ(r.missing[0].reason, Reason::Absent);
}

TEST(SceneryCheck, TileNames) {
  EXPECT_EQ(TileName({46, 7}), "+46+007");
  EXPECT_EQ(TileName({-5, -120}), "-05-120");
  EXPECT_EQ(TileName({0, -1}), "+00-001");
}

TEST(SceneryCheck, NoInstallationRaises) {
  TestDir dir;
  dir.mkdir("NotXP/Resources");
  EXPECT_THROW(CheckInstallation(dir.win("NotXP"), Options()), orvella::EOSError);
  EXPECT_THROW(CheckInstallation(dir.win("Missing"), Options()), orvella::EOSError);
}

// The second check reads nothing that did not change, and every change is seen.
TEST(SceneryCheck, RememberedStampsNeverHideAChange) {
  TestDir dir;
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/a.obj"}));
  PutTile(dir, "XP/Custom Scenery/Q", test::CheckDsf({"lib/a.obj"}), ORVELLA_TEST_7Z != 0);
  PutLibrary(dir, "XP/Custom Scenery/L", "EXPORT lib/a.obj a.obj\n");
  dir.file("XP/Custom Scenery/L/a.obj", "o");
  int files = 3;
#ifndef _WIN32
  // A tile that is a link is stamped by the file it leads to, each time the same way.
  PutTile(dir, "R", test::CheckDsf({"lib/a.obj"}));
  dir.mkdir("XP/Custom Scenery/R/Earth nav data/+40+000");
  std::filesystem::create_symlink(dir.host("R/Earth nav data/+40+000/+46+007.dsf"),
                                  dir.host("XP/Custom Scenery/R/Earth nav data/+40+000/+46+007.dsf"));
  test::SettleTree(dir.host("R"));
  ++files;
#endif
  // Files written long enough ago to be trusted by their stamps.
  for (const auto& e : std::filesystem::recursive_directory_iterator(dir.host("XP")))
    if (e.is_regular_file() && !e.is_symlink()) test::ShiftWriteTime(e.path(), -std::chrono::hours(1));
  Options o;
  o.memoryFile = dir.win("memory.check");
  const Report first = CheckInstallation(dir.win("XP"), o);
  EXPECT_EQ(first.filesRead, files);
  EXPECT_FALSE(first.problems());
  const Report second = CheckInstallation(dir.win("XP"), o);
  EXPECT_EQ(second.filesRead, 0);
  EXPECT_FALSE(second.problems());

  // A tile rewritten with the same size: its time tells.
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/b.obj"}));
  const Report third = CheckInstallation(dir.win("XP"), o);
  EXPECT_EQ(third.filesRead, 1);
  ASSERT_EQ(third.missing.size(), 1u);
  EXPECT_EQ(third.missing[0].path, "lib/b.obj");
  // Written just now: not remembered, read again each time until it settles.
  EXPECT_EQ(CheckInstallation(dir.win("XP"), o).filesRead, 1);
  // The library's real file removed: no stamp of a DSF or library hides it.
  std::filesystem::remove(dir.host("XP/Custom Scenery/L/a.obj"));
  const Report fourth = CheckInstallation(dir.win("XP"), o);
  EXPECT_EQ(fourth.brokenExports.size(), 1u);
  // Every file and folder settled: the whole verdict is kept, until a file
  // appears in a folder it looked into.
  test::SettleTree(dir.host("XP"));
  EXPECT_FALSE(CheckInstallation(dir.win("XP"), o).remembered);
  const Report kept = CheckInstallation(dir.win("XP"), o);
  EXPECT_TRUE(kept.remembered);
  EXPECT_EQ(kept.brokenExports.size(), 1u);
  EXPECT_EQ(kept.missing.size(), 2u);  // lib/b.obj, and lib/a.obj whose file is gone
  dir.file("XP/Custom Scenery/L/a.obj", "o");
  const Report changed = CheckInstallation(dir.win("XP"), o);
  EXPECT_FALSE(changed.remembered);
  EXPECT_TRUE(changed.brokenExports.empty());
  EXPECT_EQ(changed.missing.size(), 1u);
  // A folder inside a pack is stamped by its own listing: a tile new in a
  // tile folder the kept verdict listed is seen.
  test::SettleTree(dir.host("XP"));
  CheckInstallation(dir.win("XP"), o);
  ASSERT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  PutTile(dir, "XP/Custom Scenery/Q", test::CheckDsf({"lib/c.obj"}), false, "+46+008.dsf");
  ++files;
  const Report tile = CheckInstallation(dir.win("XP"), o);
  EXPECT_FALSE(tile.remembered);
  EXPECT_EQ(tile.missing.size(), 2u);  // lib/b.obj and lib/c.obj
  // A pack's own file found without listing its folder: its removal is
  // seen by the kept verdict all the same.
  PutTile(dir, "XP/Custom Scenery/O", test::CheckDsf({"objects/own.obj"}));
  dir.file("XP/Custom Scenery/O/objects/own.obj", "o");
  ++files;
  test::SettleTree(dir.host("XP"));
  EXPECT_EQ(CheckInstallation(dir.win("XP"), o).missing.size(), 2u);
  ASSERT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  std::filesystem::remove(dir.host("XP/Custom Scenery/O/objects/own.obj"));
  const Report own = CheckInstallation(dir.win("XP"), o);
  EXPECT_FALSE(own.remembered);
  EXPECT_EQ(test::MissingPaths(own), (std::vector<std::string>{"objects/own.obj", "lib/b.obj", "lib/c.obj"}));
  // A damaged memory file is only a lost help.
  dir.file("memory.check",
           CheckMemory::header() + "\n" + CheckMemory::fileLine("not\ta\tnumber") + CheckMemory::fileLine("12\t\\q"));
  EXPECT_EQ(CheckInstallation(dir.win("XP"), o).filesRead, files);
}

// A pack that is a link, as Orvella makes them: named by its link, read in
// the folder it leads to, remembered, and checked anew once the link leads
// elsewhere, even to a folder of the same times and sizes.
TEST(SceneryCheck, APackThatIsALinkIsReadWhereItLeads) {
  TestDir dir;
  if (!VolumeSupportsReparsePoints(dir.win())) GTEST_SKIP() << "this volume cannot hold links";
  PutTile(dir, "Scenes/A", test::CheckDsf({"lib/aaa.obj"}));
  PutTile(dir, "Scenes/B", test::CheckDsf({"lib/bbb.obj"}));
  dir.mkdir("XP/Custom Scenery");
  ASSERT_TRUE(CreateJunction(dir.win("XP/Custom Scenery/P"), dir.win("Scenes/A")));
  // Both scenes as alike on the disk as can be: one time for every entry.
  const std::int64_t now = test::WriteTime(dir.host("Scenes/A"));
  for (const char* scene : {"Scenes/A", "Scenes/B"}) {
    test::SetWriteTime(dir.host(scene), now);
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.host(scene)))
      test::SetWriteTime(e.path(), now);
  }
  test::SettleTree(dir.host("Scenes"));
  // The installation's folders settled too (never through the link).
  const auto settleInstallation = [&] {
    for (const char* folder : {"XP", "XP/Custom Scenery"})
      test::ShiftWriteTime(dir.host(folder), -std::chrono::hours(1));
  };
  settleInstallation();
  Options o;
  o.memoryFile = dir.win("memory.check");
  const Report first = CheckInstallation(dir.win("XP"), o);
  EXPECT_EQ(test::MissingPaths(first), std::vector<std::string>{"lib/aaa.obj"});
  ASSERT_EQ(first.missing.size(), 1u);
  EXPECT_EQ(first.missing[0].packs, std::vector<std::string>{"P"});
  EXPECT_EQ(first.missing[0].sample, "Earth nav data/+40+000/+46+007.dsf");
  EXPECT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  ASSERT_TRUE(win::RemoveDirectoryA(dir.win("XP/Custom Scenery/P").c_str()));
  ASSERT_TRUE(CreateJunction(dir.win("XP/Custom Scenery/P"), dir.win("Scenes/B")));
  settleInstallation();
  const Report moved = CheckInstallation(dir.win("XP"), o);
  EXPECT_FALSE(moved.remembered);
  EXPECT_EQ(test::MissingPaths(moved), std::vector<std::string>{"lib/bbb.obj"});
}

// A memory damaged anywhere (a byte changed by the disk or by hand) is a
// lost help, never a changed report.
TEST(SceneryCheck, AMemoryDamagedAnywhereNeverChangesTheReport) {
  TestDir dir;
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/a.obj", "lib/gone.obj"}));
  PutLibrary(dir, "XP/Custom Scenery/L", "EXPORT lib/a.obj a.obj\nEXPORT lib/b.obj b.obj\n");
  dir.file("XP/Custom Scenery/L/a.obj", "o");
  dir.file("XP/Custom Scenery/Bad/Earth nav data/+40+000/+46+007.dsf", "XPLNEDSF short");
  test::SettleTree(dir.host("XP"));
  Options o;
  o.memoryFile = dir.win("memory.check");
  const std::string truth = ReportJson(CheckInstallation(dir.win("XP"), o));
  ASSERT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  const std::string memory = dir.read("memory.check");
  // Damaged anywhere; then, without the kept report (the line after the
  // header), damaged in what it keeps of each file.
  const size_t verdictAt = memory.find('\n') + 1, filesAt = memory.find('\n', verdictAt) + 1;
  const std::string files = memory.substr(0, verdictAt) + memory.substr(filesAt);
  std::vector<size_t> changed;
  for (const auto& [text, from] : {std::pair{memory, size_t{0}}, std::pair{files, verdictAt}})
    for (size_t i = from; i < text.size(); i += 5) {
      std::string damaged = text;
      damaged[i] = static_cast<char>(damaged[i] ^ 0x01);
      dir.file("memory.check", damaged);
      if (ReportJson(CheckInstallation(dir.win("XP"), o)) != truth) changed.push_back(i);
    }
  EXPECT_TRUE(changed.empty()) << changed.size() << " damaged bytes changed the report, the first at "
                               << (changed.empty() ? 0 : changed[0]) << " of " << memory.size();
}

// A memory that cannot be written changes nothing of the report it was
// made from, and the next check reads every file again.
TEST(SceneryCheck, AMemoryThatCannotBeWrittenLeavesTheReportWhole) {
  const Installation inst;
  const std::string truth = ReportJson(CheckInstallation(inst.xp(), inst.options()));
  inst.dir.mkdir("memory.check");  // a folder where the file would go
  for (const char* memoryFile : {"no folder/memory.check", "memory.check"}) {
    Options o = inst.options();
    o.memoryFile = inst.dir.win(memoryFile);
    const Report first = CheckInstallation(inst.xp(), o);
    EXPECT_EQ(ReportJson(first), truth) << memoryFile;
    EXPECT_GT(first.filesRead, 0) << memoryFile;
    const Report second = CheckInstallation(inst.xp(), o);
    EXPECT_FALSE(second.remembered) << memoryFile;
    EXPECT_EQ(second.filesRead, first.filesRead) << memoryFile;
    EXPECT_EQ(ReportJson(second), truth) << memoryFile;
  }
}

// A kept report names what it found in the language of the day, not in
// the one of the check that found it.
TEST(SceneryCheck, AKeptReportIsToldInTheLanguageOfTheDay) {
  TestDir dir;
  dir.file("XP/Custom Scenery/Bad/Earth nav data/+40+000/+46+007.dsf", "XPLNEDSF short");
  test::SettleTree(dir.host("XP"));
  Options o;
  o.memoryFile = dir.win("memory.check");
  CheckInstallation(dir.win("XP"), o);
  const Report french = CheckInstallation(dir.win("XP"), o);
  ASSERT_TRUE(french.remembered);
  ASSERT_EQ(french.damaged.size(), 1u);
  EXPECT_EQ(french.damaged[0].what, test::A("DSF endommagé"));
  dir.file("orvella.lng", "[OrvellaCheck]\r\nDsfEndommage=damaged DSF\r\n");
  SetLanguageFileOverride(dir.win("orvella.lng"));
  ForgetTranslations();
  const Report english = CheckInstallation(dir.win("XP"), o);
  SetLanguageFileOverride({});
  ForgetTranslations();
  EXPECT_TRUE(english.remembered);
  ASSERT_EQ(english.damaged.size(), 1u);
  EXPECT_EQ(english.damaged[0].what, "damaged DSF");
}

#ifndef _WIN32
// Links never change with what they lead to: a pack that is a link to its
// folder (a file new at the top of that folder), files of packs that are
// links to files elsewhere (a tile, apt.dat, library.txt rewritten). Each
// change is seen by the kept verdict and by the memory of each file.
TEST(SceneryCheck, WhatALinkLeadsToIsWhatIsStamped) {
  TestDir dir;
  PutTile(dir, "Elsewhere/Target", test::CheckDsf({"lib/x.obj"}));
  dir.file("Elsewhere/Target/x.obj", "o");
  dir.symlink("XP/Custom Scenery/Linked", "Elsewhere/Target");
  dir.file("Files/tile.dsf", test::CheckDsf({"lib/a.obj"}));
  dir.file("Files/apt.dat", "I\n1100 Version\n\n1 100 0 0 EGLL Heathrow\n");
  dir.file("Files/library.txt", "A\n800\nLIBRARY\nEXPORT lib/a.obj a.obj\n");
  dir.file("XP/Custom Scenery/L/a.obj", "o");
  dir.file("XP/Custom Scenery/Q/Earth nav data/apt.dat", "I\n1100 Version\n\n1 100 0 0 LFPG Paris\n");
  dir.mkdir("XP/Custom Scenery/P/Earth nav data/+40+000");
  dir.symlink("XP/Custom Scenery/P/Earth nav data/+40+000/+46+007.dsf", "Files/tile.dsf");
  dir.symlink("XP/Custom Scenery/P/Earth nav data/apt.dat", "Files/apt.dat");
  dir.symlink("XP/Custom Scenery/L/library.txt", "Files/library.txt");
  const auto settle = [&] {
    for (const char* top : {"XP", "Files", "Elsewhere"}) test::SettleTree(dir.host(top));
  };
  settle();
  Options o;
  o.memoryFile = dir.win("memory.check");
  ASSERT_EQ(test::MissingPaths(CheckInstallation(dir.win("XP"), o)), std::vector<std::string>{"lib/x.obj"});
  ASSERT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  using Paths = std::vector<std::string>;
  struct Case {
    const char* file;
    std::string bytes;
    std::function<bool(const Report&)> seen;
  } const cases[] = {
      {"Files/tile.dsf", test::CheckDsf({"lib/a.obj", "lib/b.obj"}),
       [](const Report& r) {
         return test::MissingPaths(r) == Paths{"lib/x.obj", "lib/b.obj"};
       }},
      {"Files/library.txt", "A\n800\nLIBRARY\nEXPORT lib/a.obj a.obj\nEXPORT lib/b.obj a.obj\n",
       [](const Report& r) { return test::MissingPaths(r) == Paths{"lib/x.obj"}; }},
      {"Files/apt.dat", "I\n1100 Version\n\n1 100 0 0 LFPG Paris\n",
       [](const Report& r) { return r.duplicateAirports.size() == 1; }},
      // The file settled, the folder it changed not.
      {"Elsewhere/Target/library.txt", "A\n800\nLIBRARY\nEXPORT lib/x.obj x.obj\n",
       [](const Report& r) { return r.missing.empty(); }},
  };
  for (const Case& c : cases) {
    dir.file(c.file, c.bytes);
    test::ShiftWriteTime(dir.host(c.file), -std::chrono::minutes(30));
    const Report r = CheckInstallation(dir.win("XP"), o);
    EXPECT_FALSE(r.remembered) << c.file;
    EXPECT_TRUE(c.seen(r)) << c.file << ": " << testing::PrintToString(test::MissingPaths(r));
    // Everything settled again: the new verdict is kept, and holds.
    settle();
    CheckInstallation(dir.win("XP"), o);
    const Report kept = CheckInstallation(dir.win("XP"), o);
    EXPECT_TRUE(kept.remembered) << c.file;
    EXPECT_TRUE(c.seen(kept)) << c.file;
  }
}
#endif

// Names the memory's lines must escape come back as they were, in a file's
// line and in the verdict's; a field ending in a lone backslash is damage.
TEST(SceneryCheck, TheMemoryKeepsEveryByteOfItsNames) {
  // Escapes at every place of a long name, runs of plain bytes between.
  const std::string some = "C:\\a\tb\\c\nd\re\\\\f\\";
  const std::string odd = some + " a run of plain bytes longer than sixteen\r" + some + "\n";
  const FileStamp st{12, 34};
  CheckMemory m;
  m.put(odd, st, {odd, "", "plain"}, std::uint64_t{1} << 40);  // long settled
  CheckMemory::Verdict v;
  v.signature = odd;
  v.depends = {{odd, st}, {"x", {5, 6}}};
  v.report = {odd, "r"};
  m.setVerdict(v);
  CheckMemory back;
  back.load(m.save());
  EXPECT_EQ(back.find(odd, st), (std::vector<std::string>{odd, "", "plain"}));
  ASSERT_NE(back.verdict(), nullptr);
  EXPECT_EQ(back.verdict()->signature, odd);
  EXPECT_EQ(back.verdict()->depends, v.depends);
  EXPECT_EQ(back.verdict()->report, v.report);
  back.load(CheckMemory::header() + "\n" + CheckMemory::fileLine("12\t34\tname\\"));
  EXPECT_EQ(back.find("name", st), std::nullopt);
  // A damaged verdict is no verdict; one with nothing to check is one.
  const std::pair<const char*, bool> verdicts[] = {
      {"*\tsig\t0", true},
      {"*\tsig\t1\tp\t1\t2\trep", true},
      {"*\tsig", false},
      {"*\tsig\t2\tp\t1\t2", false},
      {"*\tsig\t18446744073709551615\tp\t1\t2", false},
      {"*\tsig\t99999999999999999999\tp\t1\t2", false},
      {"*\tsig\t1\tp\tx\t2", false},
      {"*\tsig\t1\tp\t1\t2\tbad\\q", false},
  };
  for (const auto& [line, kept] : verdicts) {
    back.load(CheckMemory::header() + "\n" + CheckMemory::fileLine(line));
    EXPECT_EQ(back.verdict() != nullptr, kept) << line;
  }
}

// The verdict's line is read from the file in growing steps, the files'
// lines only when first asked for: a verdict ending on either side of a
// step's end, or many steps long, comes back whole, and so do the lines
// after it.
TEST(SceneryCheck, AVerdictReadInStepsFromTheFileIsWhole) {
  TestDir dir;
  const FileStamp st{7, 8};
  const auto memory = [&](size_t pathBytes) {
    CheckMemory m;
    m.put("C:\\file.dsf", st, {"dsf", "facts"}, std::uint64_t{1} << 40);
    CheckMemory::Verdict v;
    v.signature = "sig";
    v.depends = {{"C:\\" + std::string(pathBytes, 'p'), st}};
    m.setVerdict(v);
    return m;
  };
  const auto verdictEnd = [](const std::string& text) { return text.find('\n', text.find('\n') + 1); };
  const size_t shortEnd = verdictEnd(memory(1).save());
  // The verdict's end just before, at and after the first step's end (64 KiB),
  // and several steps on.
  for (const size_t end : {size_t{200}, size_t{65535}, size_t{65536}, size_t{65537}, size_t{300000}}) {
    const CheckMemory m = memory(1 + end - shortEnd);
    const std::string text = m.save();
    ASSERT_EQ(verdictEnd(text), end);
    const std::string path = dir.win("memory" + std::to_string(end));
    ReplaceFile(path, text, false);
    CheckMemory back;
    back.loadFile(path);
    ASSERT_NE(back.verdict(), nullptr) << end;
    EXPECT_EQ(back.verdict()->depends, m.verdict()->depends) << end;
    EXPECT_EQ(back.find("C:\\file.dsf", st), (std::vector<std::string>{"dsf", "facts"})) << end;
  }
}

// Enough stamps for the verdict to be checked on several threads: a change
// of the last one is seen as well as one of the first.
TEST(SceneryCheck, EveryStampOfALargeVerdictIsChecked) {
  TestDir dir;
  constexpr int kPacks = 80;
  for (int i = 0; i < kPacks; ++i)
    PutTile(dir, "XP/Custom Scenery/P" + std::to_string(100 + i), test::CheckDsf({"lib/a.obj"}));
  PutLibrary(dir, "XP/Custom Scenery/L", "EXPORT lib/a.obj a.obj\n");
  dir.file("XP/Custom Scenery/L/a.obj", "o");
  const auto settle = [&] { test::SettleTree(dir.host("XP")); };
  settle();
  Options o;
  o.memoryFile = dir.win("memory.check");
  EXPECT_FALSE(CheckInstallation(dir.win("XP"), o).remembered);
  EXPECT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  for (const std::string pack : {"P100", "P179"}) {
    // The tile rewritten with the same size, an hour ago but later than before.
    PutTile(dir, "XP/Custom Scenery/" + pack, test::CheckDsf({"lib/b.obj"}));
    test::ShiftWriteTime(dir.host("XP/Custom Scenery/" + pack + "/Earth nav data/+40+000/+46+007.dsf"),
                         -std::chrono::minutes(30));
    const Report r = CheckInstallation(dir.win("XP"), o);
    EXPECT_FALSE(r.remembered) << pack;
    ASSERT_EQ(r.missing.size(), 1u) << pack;
    EXPECT_EQ(r.missing[0].packs.back(), pack);
    settle();
    EXPECT_FALSE(CheckInstallation(dir.win("XP"), o).remembered);
    EXPECT_TRUE(CheckInstallation(dir.win("XP"), o).remembered);
  }
}

TEST(SceneryCheck, JsonShape) {
  TestDir dir;
  dir.file("XP/Custom Scenery/scenery_packs.ini", "SCENERY_PACK Custom Scenery/P/\n");
  PutTile(dir, "XP/Custom Scenery/P", test::CheckDsf({"lib/\"q\".obj"}));
  PutLibrary(dir, "XP/Custom Scenery/L", "EXPORT lib/x.obj gone.obj\n");
  const Report r = CheckInstallation(dir.win("XP"), Options());
  const std::string folder = ReportJson(r).substr(0, ReportJson(r).find(",\"cancelled\""));
  EXPECT_EQ(ReportJson(r),
            folder +
                ",\"cancelled\":false,\"missing\":[{\"path\":\"lib/\\\"q\\\".obj\",\"library\":\"lib\",\"reason\":"
                "\"absent\",\"packs\":[\"P\"],\"sample\":\"Earth nav data/+40+000/+46+007.dsf\"}],"
                "\"broken_exports\":[{\"pack\":\"L\",\"path\":\"lib/x.obj\",\"file\":\"gone.obj\"}],"
                "\"duplicate_airports\":[],\"tile_conflicts\":[],\"damaged\":[]}\n");
  const std::string text = ReportText(r);
  EXPECT_NE(text.find(test::A("Bibliothèque « lib » : 1 élément(s) manquant(s)")), std::string::npos) << text;
  // The simulator's own order, when it differs, is a finding on its own.
  Report order;
  order.log.read = true;
  order.log.loadOrder = {"B", "A"};
  EXPECT_TRUE(order.problems());
  EXPECT_NE(ReportText(order).find("\n  B\n  A\n"), std::string::npos) << ReportText(order);
}

}  // namespace
}  // namespace orvella::check
