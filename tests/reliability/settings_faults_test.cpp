// Saving the settings under faults: a write that fails after any number of
// bytes, a read-only folder, a full disk. The previous orvella.ini stays
// byte for byte, the error is shown, no half-written file is left, and the
// next start reads the previous file whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>
#endif

#include "logic/core/ansi.h"
#include "logic/model/tree.h"
#include "platform/testhooks.h"
#include "platform/winapi.h"
#include "reliability/settingsfixture.h"

namespace orvella::test {
namespace {

// Switches the write-failure injection off however the test ends.
struct InjectionOff {
  ~InjectionOff() { platform::InjectWriteFailureAfter(~0ull, 0); }
};

class SavingUnderFaults : public SettingsFixture {
 protected:
  // Writes the previous file as the program writes it, so that a start and a
  // close without changes would give it back unchanged.
  std::string cleanPrevious() {
    dir.file("orvella.ini", realisticFile());
    start()->FormDestroy();
    std::filesystem::remove(dir.host("orvella.ini.bak"));
    ui.messages.clear();
    return ini();
  }
  // A change that makes the file to write longer than the previous one.
  static void change(EcrOrvellaLogic& w) {
    Node* g = w.custScn().addChild(nullptr, "Added after start", kKindGroup);
    for (int i = 0; i < 20; ++i) w.custScn().addChild(g, "Z:\\Scenes\\Scene number " + std::to_string(i), kKindScene);
  }
  // The next start from `folder` (a sub-folder of the test's, "" for itself)
  // reads `previous` whole: the same nodes and installations as a start over
  // a copy of it elsewhere.
  void expectNextStartReadsWhole(const std::string& previous, const std::string& folder = {}) {
    ASSERT_EQ(dir.read(folder + "orvella.ini"), previous);
    EcrOrvellaLogic next;
    next.FormCreate(dir.win(folder + "orvella.exe"));
    TestDir other;
    other.file("orvella.ini", previous);
    EcrOrvellaLogic reference;
    reference.FormCreate(other.win("orvella.exe"));
    EXPECT_EQ(Lines(next.custScn()), Lines(reference.custScn()));
    EXPECT_EQ(Lines(next.globScn()), Lines(reference.globScn()));
    EXPECT_EQ(next.installations(), reference.installations());
    EXPECT_FALSE(Lines(next.custScn()).empty());
  }
};

TEST_F(SavingUnderFaults, AWriteFailingAfterAnyNumberOfBytesLeavesThePreviousFile) {
  const std::string previous = cleanPrevious();
  auto w = start();
  change(*w);
  // The whole file to write, to know how far to go.
  TestDir scratch;
  w->EcritParametres(scratch.win("orvella.ini"));
  const size_t total = scratch.read("orvella.ini").size();
  ASSERT_GT(total, previous.size());

  InjectionOff off;
  for (size_t n = 0; n < total; ++n) {
    SCOPED_TRACE("write failing after " + std::to_string(n) + " bytes");
    ui.messages.clear();
    platform::InjectWriteFailureAfter(n, win::ERROR_DISK_FULL);
    w->FormDestroy();
    platform::InjectWriteFailureAfter(~0ull, 0);
    ASSERT_EQ(ui.messages, std::vector<std::string>{ioMessage("Disque plein")});
    ASSERT_EQ(ini(), previous);
    ASSERT_FALSE(dir.exists("orvella.ini.new")) << "no half-written file is left";
    ASSERT_FALSE(dir.exists("orvella.ini.bak")) << "a file read whole needs no backup";
  }
  expectNextStartReadsWhole(previous);

  // With room for every byte the file is written.
  ui.messages.clear();
  platform::InjectWriteFailureAfter(total, win::ERROR_DISK_FULL);
  w->FormDestroy();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ini().size(), total);
}

TEST_F(SavingUnderFaults, FailingBackupOrFileOfADamagedFileLeavesBothAsTheyWere) {
  // The previous file names a vanished installation: it is kept as .bak
  // first, then the file is written, and either write may fail.
  const std::string previous = realisticFile();
  dir.file("orvella.ini", previous);
  auto w = start();
  change(*w);
  InjectionOff off;
  for (size_t n = 0; n < previous.size() + 64; n += 7) {
    SCOPED_TRACE("write failing after " + std::to_string(n) + " bytes");
    ui.messages.clear();
    platform::InjectWriteFailureAfter(n, win::ERROR_DISK_FULL);
    w->FormDestroy();
    platform::InjectWriteFailureAfter(~0ull, 0);
    ASSERT_EQ(ui.messages, std::vector<std::string>{ioMessage("Disque plein")});
    ASSERT_EQ(ini(), previous);
    if (dir.exists("orvella.ini.bak")) {
      ASSERT_EQ(dir.read("orvella.ini.bak"), previous);
    }
    ASSERT_FALSE(dir.exists("orvella.ini.new"));
    ASSERT_FALSE(dir.exists("orvella.ini.bak.new"));
  }
}

TEST_F(SavingUnderFaults, OtherWriteErrorsAreShownWithTheirOwnText) {
  const std::string previous = cleanPrevious();
  auto w = start();
  change(*w);
  InjectionOff off;
  platform::InjectWriteFailureAfter(100, win::ERROR_ACCESS_DENIED);
  w->FormDestroy();
  platform::InjectWriteFailureAfter(~0ull, 0);
  platform::InjectWriteFailureAfter(0, win::ERROR_HANDLE_DISK_FULL);
  w->FormDestroy();
  platform::InjectWriteFailureAfter(~0ull, 0);
  EXPECT_EQ(ui.messages,
            (std::vector<std::string>{ioMessage(Ansi("Accès au fichier refusé")), ioMessage("Disque plein")}));
  EXPECT_EQ(ini(), previous);
}

#ifndef _WIN32
// A tmpfs mounted on a folder of the test, unmounted again at the end.
class Tmpfs {
 public:
  Tmpfs(const std::filesystem::path& at, const std::string& options) : at_(at) {
    std::filesystem::create_directories(at);
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, options.c_str()) != 0) error_ = std::strerror(errno);
  }
  ~Tmpfs() {
    if (error_.empty()) ::umount2(at_.c_str(), MNT_DETACH);
  }
  Tmpfs(const Tmpfs&) = delete;
  Tmpfs& operator=(const Tmpfs&) = delete;
  // Empty when the mount worked, else why not.
  const std::string& error() const { return error_; }
  bool remountReadOnly() { return ::mount("tmpfs", at_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) == 0; }

 private:
  std::filesystem::path at_;
  std::string error_;
};

TEST_F(SavingUnderFaults, AReadOnlyFolderRefusesTheWriteAndKeepsTheFile) {
  const std::string previous = cleanPrevious();
  auto w = start();
  change(*w);
  if (::geteuid() != 0) {
    std::filesystem::permissions(dir.host(), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    w->FormDestroy();
    std::filesystem::permissions(dir.host(), std::filesystem::perms::owner_all);
    EXPECT_EQ(ui.messages, std::vector<std::string>{ioMessage(Ansi("Accès au fichier refusé"))});
    expectNextStartReadsWhole(previous);
    return;
  }
  // Permissions do not stop the superuser: a read-only mount does.
  Tmpfs fs(dir.host("ro"), "size=64k");
  if (!fs.error().empty()) GTEST_SKIP() << "mounting a tmpfs is not permitted here: " << fs.error();
  dir.file("ro/orvella.ini", previous);
  ASSERT_TRUE(fs.remountReadOnly()) << std::strerror(errno);
  // The same session, saved to the file on the read-only mount.
  w = std::make_unique<EcrOrvellaLogic>();
  w->FormCreate(dir.win("orvella.exe"), dir.win("ro/orvella.ini"));
  change(*w);
  w->FormDestroy();
  EXPECT_EQ(ui.messages, std::vector<std::string>{ioMessage(Ansi("Accès au fichier refusé"), "ro/")});
  EXPECT_FALSE(dir.exists("ro/orvella.ini.new"));
  expectNextStartReadsWhole(previous, "ro/");
}

TEST_F(SavingUnderFaults, AFullDiskShowsDisquePleinAndTheNextStartReadsThePreviousFile) {
  Tmpfs fs(dir.host("small"), "size=16k");
  if (!fs.error().empty()) GTEST_SKIP() << "mounting a tmpfs is not permitted here: " << fs.error();
  const std::string previous = cleanPrevious();
  dir.file("small/orvella.ini", previous);
  auto w = std::make_unique<EcrOrvellaLogic>();
  w->FormCreate(dir.win("small/orvella.exe"));
  change(*w);
  for (int i = 0; i < 400; ++i)
    w->globScn().addChild(nullptr, "Z:\\A rather long path to a scene folder " + std::to_string(i), kKindScene);
  // Fill what is left of the disk.
  {
    std::ofstream filler(dir.host("small/filler"), std::ios::binary);
    const std::string block(1024, 'x');
    for (int i = 0; i < 64 && filler; ++i) filler.write(block.data(), static_cast<std::streamsize>(block.size()));
  }
  ui.messages.clear();
  w->FormDestroy();
  EXPECT_EQ(ui.messages, std::vector<std::string>{ioMessage("Disque plein", "small/")});
  EXPECT_FALSE(dir.exists("small/orvella.ini.new"));
  expectNextStartReadsWhole(previous, "small/");
}
#endif

}  // namespace
}  // namespace orvella::test
