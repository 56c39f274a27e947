// Where the settings file and the language file are: beside the executable
// when its folder can be written, else in the user's configuration folder.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

#include "logic/core/filelocations.h"
#include "logic/core/interaction.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;

#ifndef _WIN32
// Sets an environment variable for the life of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      ::setenv(name, value, 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      ::setenv(name_, old_->c_str(), 1);
    } else {
      ::unsetenv(name_);
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// A folder the program cannot write: a tmpfs remounted read-only (the
// superuser ignores permissions), or a folder without write permission.
class ReadOnlyFolder {
 public:
  ReadOnlyFolder(const fs::path& at, const std::function<void()>& fill) : at_(at) {
    fs::create_directories(at);
    if (::geteuid() != 0) {
      fill();
      fs::permissions(at, fs::perms::owner_read | fs::perms::owner_exec);
      chmodded_ = true;
      return;
    }
    if (::mount("tmpfs", at.c_str(), "tmpfs", 0, "size=64k") != 0) {
      error_ = std::strerror(errno);
      return;
    }
    mounted_ = true;
    fill();
    if (::mount("tmpfs", at.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) error_ = std::strerror(errno);
  }
  ~ReadOnlyFolder() {
    if (mounted_) ::umount2(at_.c_str(), MNT_DETACH);
    if (chmodded_) fs::permissions(at_, fs::perms::owner_all);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;
  const std::string& error() const { return error_; }

 private:
  fs::path at_;
  bool mounted_ = false;
  bool chmodded_ = false;
  std::string error_;
};

class SettingsPlaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetTextes();
    SetLanguageFileOverride({});
    dir.mkdir("home");
  }
  void TearDown() override { ResetTextes(); }

  // The executable "bin/orvella" in a folder it cannot write.
  bool installReadOnly(const std::function<void()>& more = {}) {
    ro_.emplace(dir.host("bin"), [&] {
      dir.file("bin/orvella", "");
      if (more) more();
    });
    return ro_->error().empty();
  }

  test::TestDir dir;
  ScriptedInteraction ui;
  ScopedUI scope{ui};
  ScopedEnv home{"HOME", dir.host("home").c_str()};
  ScopedEnv xdg{"XDG_CONFIG_HOME", nullptr};
  std::optional<ReadOnlyFolder> ro_;
};

TEST_F(SettingsPlaceTest, AWritableFolderKeepsBothFilesBesideTheExecutable) {
  dir.file("config/orvella/orvella.lng", "[EcrOrvella]\ncaption=Ailleurs\n");
  ScopedEnv config("XDG_CONFIG_HOME", dir.host("config").c_str());
  EXPECT_TRUE(DossierInscriptible(dir.win("")));
  EXPECT_EQ(CheminParametres(dir.win("orvella")), dir.win("orvella.ini"));
  EXPECT_FALSE(dir.exists("config/orvella/orvella.ini"));
  // No language file beside it: the configuration folder's one is read.
  EXPECT_EQ(CheminLangue(dir.win("orvella")), dir.win("config/orvella/orvella.lng"));
  dir.file("orvella.lng", "");
  EXPECT_EQ(CheminLangue(dir.win("orvella")), dir.win("orvella.lng")) << "the one beside comes first";
  for (const auto& e : fs::directory_iterator(dir.host()))
    EXPECT_EQ(e.path().filename().string().find(".orvella-probe"), std::string::npos) << "the probe is removed";
}

TEST_F(SettingsPlaceTest, TheConfigurationFolderFollowsXdgConfigHomeOrHome) {
  EXPECT_EQ(DossierConfiguration(), dir.win("home/.config/orvella"));
  {
    ScopedEnv config("XDG_CONFIG_HOME", dir.host("xdg/").c_str());
    EXPECT_EQ(DossierConfiguration(), dir.win("xdg/orvella"));
  }
  {
    // A relative value is no base folder: it is ignored.
    ScopedEnv config("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DossierConfiguration(), dir.win("home/.config/orvella"));
  }
  ScopedEnv noHome("HOME", nullptr);
  EXPECT_EQ(DossierConfiguration(), "");
  EXPECT_FALSE(DossierInscriptible(""));
  EXPECT_FALSE(DossierInscriptible(dir.win("missing")));
}

TEST_F(SettingsPlaceTest, AnInstalledProgramKeepsItsSettingsInTheConfigurationFolderAcrossARestart) {
  if (!installReadOnly([&] { dir.file("bin/orvella.lng", "[EcrOrvella]\ncaption=Installe\n"); }))
    GTEST_SKIP() << "no read-only folder can be made here";
  const std::string exe = dir.win("bin/orvella");
  ASSERT_FALSE(DossierInscriptible(dir.win("bin")));
  const std::string expected = dir.win("home/.config/orvella/orvella.ini");
  EXPECT_EQ(CheminLangue(exe), dir.win("bin/orvella.lng")) << "a language file shipped beside it is still read";

  const std::string inst = dir.mkdir("XP");
  {
    EcrOrvellaLogic w;
    w.FormCreate(exe);
    EXPECT_EQ(w.settingsPath, expected);
    EXPECT_FALSE(dir.exists("home/.config")) << "nothing is made before there is something to save";
    w.installations.push_back(inst);
    w.CustScn.addChild(nullptr, "Europe", kKindGroup);
    w.FormDestroy();
  }
  EXPECT_TRUE(ui.messages.empty()) << ui.messages.front();
  EXPECT_FALSE(dir.exists("bin/orvella.ini"));
  ASSERT_TRUE(dir.exists("home/.config/orvella/orvella.ini"));

  EcrOrvellaLogic next;
  next.FormCreate(exe);
  EXPECT_EQ(next.settingsPath, expected);
  EXPECT_EQ(next.installations, std::vector<std::string>{inst});
  ASSERT_EQ(next.CustScn.topCount(), 1);
  EXPECT_EQ(next.CustScn.top(0)->text(), "Europe");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(SettingsPlaceTest, AFileLeftBesideAReadOnlyExecutableIsReadAndSavedToTheConfigurationFolder) {
  const std::string inst = dir.mkdir("XP");
  const std::string file = "5\r\n1 2 3 4\r\n1 0\r\n" + inst + "\r\n0 1 1\r\n*Kept\r\n-\r\n-\r\n";
  if (!installReadOnly([&] { dir.file("bin/orvella.ini", file); })) GTEST_SKIP() << "no read-only folder here";
  EcrOrvellaLogic w;
  w.FormCreate(dir.win("bin/orvella"));
  EXPECT_EQ(w.installations, std::vector<std::string>{inst});
  ASSERT_EQ(w.CustScn.topCount(), 1);
  w.FormDestroy();
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(dir.read("home/.config/orvella/orvella.ini"), file);
  EXPECT_EQ(dir.read("bin/orvella.ini"), file);
}

TEST_F(SettingsPlaceTest, WithNowhereToWriteTheErrorNamesTheFile) {
  if (!installReadOnly()) GTEST_SKIP() << "no read-only folder can be made here";
  // The configuration folder cannot be made: its parent is a file.
  dir.file("blocked", "");
  ScopedEnv config("XDG_CONFIG_HOME", dir.host("blocked").c_str());
  EcrOrvellaLogic w;
  w.FormCreate(dir.win("bin/orvella"));
  EXPECT_EQ(w.settingsPath, dir.win("blocked/orvella/orvella.ini"));
  w.FormDestroy();
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_TRUE(ui.messages[0].starts_with(dir.win("blocked/orvella/orvella.ini") + " :\r\n")) << ui.messages[0];
}
#endif

}  // namespace
}  // namespace orvella
