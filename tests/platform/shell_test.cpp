// Launching a program and reading shortcut files.
#include <gtest/gtest.h>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>
#include <vector>

#include "platform/shelllink.h"
#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::TestDir;
namespace fs = std::filesystem;

namespace {

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
  const INT_PTR r = ShellExecuteA(nullptr, nullptr, "D:\\X-Plane 12\\\\X-Plane.exe", "-a \"b c\"", nullptr, SW_SHOWNORMAL);
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

// --- Shortcuts ---------------------------------------------------------------

void Put16(std::string& b, uint16_t v) { b.append({static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}); }
void Put32(std::string& b, uint32_t v) {
  for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
}
void Set32(std::string& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}
std::string Utf16z(const std::u16string& s) {
  std::string b;
  for (char16_t c : s) Put16(b, c);
  Put16(b, 0);
  return b;
}

struct LinkParts {
  std::string localBase;        // ANSI, empty for none
  std::string suffix;           // ANSI
  std::u16string localBaseW;    // Unicode forms (LinkInfo header of 0x24) when not empty
  std::u16string suffixW;
  std::string netName;          // ANSI share name, empty for none
};

// A shortcut file built from the published format: header, an item-ID
// list to skip, a LinkInfo, and a string that follows it.
std::string Shortcut(const LinkParts& p) {
  std::string f;
  Put32(f, 0x4C);
  f.append("\x01\x14\x02\x00\x00\x00\x00\x00\xC0\x00\x00\x00\x00\x00\x00\x46", 16);
  Put32(f, 0x01 | 0x02 | 0x04 | 0x80);  // HasLinkTargetIDList, HasLinkInfo, HasName, IsUnicode
  Put32(f, 0x10);                      // FILE_ATTRIBUTE_DIRECTORY
  f.append(24, '\0');                  // three FILETIMEs
  Put32(f, 0);                         // file size
  Put32(f, 0);                         // icon index
  Put32(f, 1);                         // SW_SHOWNORMAL
  f.append(2 + 10, '\0');              // hot key, reserved
  EXPECT_EQ(f.size(), 0x4Cu);
  // LinkTargetIDList: one item of 6 bytes, then the terminating zero.
  Put16(f, 8);
  Put16(f, 6);
  f.append("\x2F\x43:\\", 4);
  Put16(f, 0);
  // LinkInfo.
  const bool unicode = !p.localBaseW.empty() || !p.suffixW.empty();
  const uint32_t header = unicode ? 0x24 : 0x1C;
  std::string body;
  uint32_t volumeOffset = 0, baseOffset = 0, netOffset = 0, suffixOffset = 0, baseOffsetW = 0, suffixOffsetW = 0;
  auto at = [&] { return static_cast<uint32_t>(header + body.size()); };
  if (!p.localBase.empty() || !p.localBaseW.empty()) {
    volumeOffset = at();
    Put32(body, 0x10), Put32(body, 3), Put32(body, 0x1234), Put32(body, 0x10);  // VolumeID, empty label
    body += '\0';
    baseOffset = at();
    body += p.localBase + '\0';
  }
  if (!p.netName.empty()) {
    netOffset = at();
    std::string link;
    Put32(link, 0), Put32(link, 0x02), Put32(link, 0x14), Put32(link, 0), Put32(link, 0x00020000);
    link += p.netName + '\0';
    Set32(link, 0, static_cast<uint32_t>(link.size()));
    body += link;
  }
  suffixOffset = at();
  body += p.suffix + '\0';
  if (unicode) {
    baseOffsetW = at();
    body += Utf16z(p.localBaseW);
    suffixOffsetW = at();
    body += Utf16z(p.suffixW);
  }
  std::string info;
  Put32(info, header + static_cast<uint32_t>(body.size()));
  Put32(info, header);
  Put32(info, (baseOffset ? 1u : 0u) | (netOffset ? 2u : 0u));
  Put32(info, volumeOffset), Put32(info, baseOffset), Put32(info, netOffset), Put32(info, suffixOffset);
  if (unicode) Put32(info, baseOffsetW), Put32(info, suffixOffsetW);
  f += info + body;
  // NAME_STRING (HasName), in UTF-16 with its count.
  Put16(f, 4);
  f += Utf16z(u"Desc").substr(0, 8);
  Put32(f, 0);  // terminal block
  return f;
}

TEST(Shortcuts, LocalPathsFromTheAnsiAndUnicodeForms) {
  EXPECT_EQ(platform::ParseShellLink(Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}).data(),
                                     Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}).size()),
            "E:\\Scenes\\KSEA");
  const std::string w = Shortcut({"E:\\SCENES~1\\", "KSEA", u"E:\\Sc\u00e8nes\\", u"KSEA", {}});
  EXPECT_EQ(platform::ParseShellLink(w.data(), w.size()), "E:\\Sc\xE8nes\\KSEA");
  const std::string n = Shortcut({"E:\\Scenes\\KSEA", "", {}, {}, {}});
  EXPECT_EQ(platform::ParseShellLink(n.data(), n.size()), "E:\\Scenes\\KSEA");
}

TEST(Shortcuts, TheNetworkPathComesFirst) {
  const std::string f = Shortcut({"Z:\\Scenes\\", "KSEA", {}, {}, "\\\\server\\scenes"});
  EXPECT_EQ(platform::ParseShellLink(f.data(), f.size()), "\\\\server\\scenes\\KSEA");
  const std::string only = Shortcut({{}, "", {}, {}, "\\\\server\\scenes"});
  EXPECT_EQ(platform::ParseShellLink(only.data(), only.size()), "\\\\server\\scenes");
}

TEST(Shortcuts, ThroughTheLayerFromAFile) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  t.file("c/KSEA.lnk", Shortcut({"E:\\Scenes\\", "KSEA", {}, {}, {}}));
  t.file("c/bad.lnk", "not a shortcut at all, but long enough to hold a header of seventy-six bytes.");
  EXPECT_EQ(platform::ResolveShellLink("C:\\KSEA.lnk"), "E:\\Scenes\\KSEA");
  EXPECT_EQ(platform::ResolveShellLink("C:\\bad.lnk"), "");
  EXPECT_EQ(platform::ResolveShellLink("C:\\missing.lnk"), "");
}

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
