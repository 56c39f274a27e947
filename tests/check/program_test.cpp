// orvella-check as the user runs it: its exit codes, its options, and an
// installation left exactly as it was.
// Run as a POSIX process (its exit status read with the wait macros); the
// Windows build checks the engine through the other tests of this folder.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "check/checkbuilder.h"
#include "logic/settings/settingsfile.h"

namespace orvella::check {
namespace {

namespace fs = std::filesystem;

struct Outcome {
  int code = -1;
  std::string out, err;
};

Outcome RunCheck(const test::TestDir& dir, const std::string& args) {
  const std::string out = (dir.host() / "out.txt").string();
  const std::string err = (dir.host() / "err.txt").string();
  const std::string command =
      std::string("\"") + ORVELLA_CHECK_PROGRAM + "\" " + args + " >\"" + out + "\" 2>\"" + err + "\"";
  Outcome r;
  const int status = std::system(command.c_str());
  r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.out = dir.read("out.txt");
  r.err = dir.read("err.txt");
  return r;
}

// Names, sizes, times and contents of everything below a folder.
std::size_t TreeHash(const fs::path& root) {
  std::string all;
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    all += e.path().string() + "\n";
    if (e.is_regular_file()) {
      std::ifstream in(e.path(), std::ios::binary);
      std::ostringstream bytes;
      bytes << in.rdbuf();
      all += bytes.str() + std::to_string(fs::last_write_time(e.path()).time_since_epoch().count());
    }
  }
  return std::hash<std::string>{}(all);
}

TEST(CheckProgram, ExitCodesOptionsAndNothingWritten) {
#ifdef _WIN32
  GTEST_SKIP() << "runs the program through the POSIX shell";
#endif
  test::TestDir dir;
  test::PutTile(dir, "XP/Custom Scenery/Needs", test::CheckDsf({"opensceneryx/tree.obj"}));
  test::PutLibrary(dir, "Scenes/OpenSceneryX", "EXPORT opensceneryx/tree.obj tree.obj\n");
  dir.file("Scenes/OpenSceneryX/tree.obj", "o");
  dir.mkdir("Clean/Custom Scenery/Empty");
  dir.file("XP/Log.txt",
           "Log.txt for X-Plane 12.1.0 (build 1)\nE/SCN: Failed to find resource 'opensceneryx/tree.obj',"
           " referenced from scenery package 'Custom Scenery/Needs/'.\n");
  // Orvella's settings: the library is a scene of the tree, with no link here.
  SettingsFile settings;
  SettingsNode scene;
  scene.text = dir.win("Scenes/OpenSceneryX");
  settings.custom.push_back(scene);
  dir.file("orvella.ini", FormatSettings(settings));
  const fs::path xp = dir.host("XP");
  const std::size_t before = TreeHash(xp) ^ TreeHash(dir.host("Scenes"));

  const std::string folder = "\"" + xp.string() + "\"";
  Outcome r = RunCheck(dir, folder);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("opensceneryx/tree.obj"), std::string::npos) << r.out;

  r = RunCheck(dir, "--json --log --settings \"" + dir.host("orvella.ini").string() + "\" " + folder);
  EXPECT_EQ(r.code, 1);
  EXPECT_NE(r.out.find("\"reason\":\"inactive\",\"provider\":"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("\"log\":{\"version\":\"12.1.0\""), std::string::npos) << r.out;
  EXPECT_TRUE(dir.exists("orvella.check"));  // the memory lies beside the settings

  EXPECT_EQ(RunCheck(dir, "\"" + dir.host("Clean").string() + "\"").code, 0);
  struct Bad {
    std::string args;
    const char* says;
  } bad[] = {
      {"\"" + dir.host("Scenes").string() + "\"", "X-Plane"},
      {"--frobnicate " + folder, "--frobnicate"},
      {"", "Usage"},
      {"--settings \"" + dir.host("none.ini").string() + "\" " + folder, "none.ini"},
      {"--settings \"" + dir.host("damaged.ini").string() + "\" " + folder, "damaged.ini"},
  };
  dir.file("damaged.ini", "5x\n");
  for (const Bad& b : bad) {
    r = RunCheck(dir, b.args);
    EXPECT_EQ(r.code, 2) << b.args;
    EXPECT_NE(r.err.find(b.says), std::string::npos) << b.args << ": " << r.err;
  }
  EXPECT_EQ(TreeHash(xp) ^ TreeHash(dir.host("Scenes")), before);
}

}  // namespace
}  // namespace orvella::check
#endif  // _WIN32
