// Launching a program and reading shortcut files.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <dirent.h>
#include <unistd.h>
#endif

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "platform/shelllink.h"
#include "platform/winapi.h"
#include "support/shortcutbuilder.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::LinkParts;
using orvella::test::Shortcut;
using orvella::test::TestDir;
namespace fs = std::filesystem;

namespace {

#ifndef _WIN32
// Waits (boundedly) until `done` holds; the launched program runs on its own.
template <class F>
bool WaitFor(F done) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return true;
}

// Children of this process that have ended but were never collected.
int Zombies() {
  int n = 0;
  DIR* d = opendir("/proc");
  while (dirent* e = readdir(d)) {
    std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
    std::string line;
    if (!std::getline(stat, line)) continue;
    const size_t close = line.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == getpid() && state == 'Z') ++n;
  }
  closedir(d);
  return n;
}

class Launch : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.mapDrives({{'D', "d"}});
    saved_ = fs::current_path();
    fs::current_path(t_.host("d"));
  }
  void TearDown() override { fs::current_path(saved_); }
  void Script(const std::string& rel, const std::string& body, fs::perms perms) {
    t_.file(rel, body);
    fs::permissions(t_.host(rel), perms);
  }
  TestDir t_;
  fs::path saved_;
};

TEST_F(Launch, StartsTheProgramInTheCurrentDirectoryAndLeavesNoZombie) {
  Script("d/X-Plane 12/X-Plane.exe", "#!/bin/sh\nprintf '%s|' \"$@\" > ran.txt\n", fs::perms::owner_all);
  const INT_PTR r =
      ShellExecuteA(nullptr, nullptr, "D:\\X-Plane 12\\\\X-Plane.exe", "-a \"b c\"", nullptr, SW_SHOWNORMAL);
  EXPECT_GT(r, 32);
  // It inherits our current directory and gets its parameters.
  ASSERT_TRUE(WaitFor([&] { return t_.read("d/ran.txt") == "-a|b c|"; })) << t_.read("d/ran.txt");
  EXPECT_TRUE(WaitFor([] { return Zombies() == 0; }));
}

TEST_F(Launch, FailuresAnswerTheWindowsCodes) {
  t_.mkdir("d/X-Plane 12");
  EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "D:\\X-Plane 12\\X-Plane.exe", nullptr, nullptr, SW_SHOWNORMAL), 2);
  EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "D:\\missing\\X-Plane.exe", nullptr, nullptr, SW_SHOWNORMAL), 3);
  Script("d/X-Plane 12/X-Plane.exe", "#!/bin/sh\n", fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "D:\\X-Plane 12\\X-Plane.exe", nullptr, nullptr, SW_SHOWNORMAL), 5);
  // A Windows program is not a format this system runs.
  Script("d/X-Plane 12/X-Plane.exe", std::string("MZ\x90\0\3\0\0\0", 8), fs::perms::owner_all);
  EXPECT_EQ(ShellExecuteA(nullptr, nullptr, "D:\\X-Plane 12\\X-Plane.exe", nullptr, nullptr, SW_SHOWNORMAL), 11);
}

#endif  // !_WIN32

// --- Shortcuts ---------------------------------------------------------------

TEST(Shortcuts, LocalPathsFromTheAnsiAndUnicodeForms) {
  EXPECT_EQ(platform::ParseShellLink(Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}).data(),
                                     Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}).size()),
            "E:\\Scenes\\KSEA");
  const std::string w = Shortcut({"E:\\SCENES~1\\", "KSEA", u"E:\\Sc\u00e8nes\\", u"KSEA", {}});
  EXPECT_EQ(platform::ParseShellLink(w.data(), w.size()), orvella::test::A("E:\\Scènes\\KSEA"));
  const std::string n = Shortcut({"E:\\Scenes\\KSEA", "", {}, {}, {}});
  EXPECT_EQ(platform::ParseShellLink(n.data(), n.size()), "E:\\Scenes\\KSEA");
}

#ifndef _WIN32
TEST(Shortcuts, AShortcutFromAWindowsMachineGivesItsNamesInUtf8) {
  // Only the 8-bit form, in the 1252 of a French Windows.
  const std::string legacy = Shortcut({"E:\\Sc\xE8nes\\", "LFOE \xC9vreux", {}, {}, {}});
  EXPECT_EQ(platform::ParseShellLink(legacy.data(), legacy.size()), "E:\\Scènes\\LFOE Évreux");
  // The Unicode form holds what no 8-bit code page of Windows would.
  const std::string wide = Shortcut({"E:\\??\\", "RJTT", u"E:\\\u6771\u4eac\\", u"RJTT \u7a7a\u6e2f", {}});
  EXPECT_EQ(platform::ParseShellLink(wide.data(), wide.size()), "E:\\東京\\RJTT 空港");
}
#endif

TEST(Shortcuts, TheNetworkPathComesFirst) {
  const std::string f = Shortcut({"Z:\\Scenes\\", "KSEA", {}, {}, "\\\\server\\scenes"});
  EXPECT_EQ(platform::ParseShellLink(f.data(), f.size()), "\\\\server\\scenes\\KSEA");
  const std::string only = Shortcut({{}, "", {}, {}, "\\\\server\\scenes"});
  EXPECT_EQ(platform::ParseShellLink(only.data(), only.size()), "\\\\server\\scenes");
}

#ifndef _WIN32
TEST(Shortcuts, ThroughTheLayerFromAFile) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/KSEA.lnk", Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}));
  t.file("c/bad.lnk", "not a shortcut at all, but long enough to hold a header of seventy-six bytes.");
  EXPECT_EQ(platform::ResolveShellLink("C:\\KSEA.lnk"), "E:\\Scenes\\KSEA");
  EXPECT_EQ(platform::ResolveShellLink("C:\\bad.lnk"), "");
  EXPECT_EQ(platform::ResolveShellLink("C:\\missing.lnk"), "");
}

#endif

TEST(Shortcuts, MalformedInputGivesTheEmptyText) {
  const std::string good = Shortcut({"E:\\SCENES~1\\", "KSEA", u"E:\\Sc\u00e8nes\\", u"KSEA", "\\\\srv\\s"});
  ASSERT_FALSE(platform::ParseShellLink(good.data(), good.size()).empty());
  // Every truncation: nothing is read past the end (checked under the sanitizers).
  for (size_t n = 0; n < good.size(); ++n) {
    const std::vector<char> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    const std::string r = platform::ParseShellLink(cut.data(), cut.size());
    if (n < 0x4C + 12) {
      EXPECT_EQ(r, "") << n;
    }
  }
  // Random damage to sizes and offsets.
  std::mt19937 rng(12345);
  for (int i = 0; i < 20000; ++i) {
    std::string bad = good;
    for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
    std::vector<char> copy(bad.begin(), bad.end());
    platform::ParseShellLink(copy.data(), copy.size());
  }
  std::string wrongClsid = good;
  wrongClsid[4] = 0x02;
  EXPECT_EQ(platform::ParseShellLink(wrongClsid.data(), wrongClsid.size()), "");
  EXPECT_EQ(platform::ParseShellLink(nullptr, 100), "");
}

}  // namespace
