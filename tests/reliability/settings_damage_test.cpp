// Damaged settings files: cut short at every byte, with garbage lines, with
// counts and nesting that no program wrote. Nothing crashes, what was read
// stays and is written back, and the file as it stood is kept as
// orvella.ini.bak before the shut-down writes over it.
#include <gtest/gtest.h>

#include <filesystem>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "logic/core/ansi.h"
#include "logic/core/textfile.h"
#include "logic/texts/textes.h"
#include "reliability/settingsfixture.h"

namespace orvella::test {
namespace {

class DamagedSettings : public SettingsFixture {
 protected:
  // Starts over `bytes`, closes, and checks what every damaged file must
  // give: the file kept as .bak when it is not written back as it was, and
  // what was read found again by the next start. Answers the first window.
  std::unique_ptr<EcrOrvellaLogic> startAndClose(const std::string& bytes) {
    dir.file("orvella.ini", bytes);
    std::filesystem::remove(dir.host("orvella.ini.bak"));
    auto w = start();
    const auto cust = Lines(w->custScn());
    const auto glob = Lines(w->globScn());
    const size_t shown = ui.messages.size();
    w->FormDestroy();
    EXPECT_EQ(ui.messages.size(), shown) << "closing shows no error";
    if (ini() != bytes && !bytes.empty()) {  // an empty file holds nothing to keep
      EXPECT_TRUE(dir.exists("orvella.ini.bak"));
      if (dir.exists("orvella.ini.bak")) {
        EXPECT_TRUE(dir.read("orvella.ini.bak") == bytes) << "the .bak differs";
      }
    }
    auto next = start();
    EXPECT_EQ(Lines(next->custScn()), cust) << "what was read is written back";
    EXPECT_EQ(Lines(next->globScn()), glob);
    EXPECT_EQ(next->installations(), w->installations());
    return w;
  }
};

TEST_F(DamagedSettings, CutAtEveryByteKeepsWhatWasReadAndTheOriginal) {
  const std::string full = realisticFile();
  dir.file("orvella.ini", full);
  const auto reference = start();
  const auto cust = Lines(reference->custScn());
  const auto glob = Lines(reference->globScn());
  const auto installations = reference->installations();
  ASSERT_EQ(cust.size(), 9u) << Show(cust);
  ASSERT_EQ(glob.size(), 4u) << Show(glob);
  ASSERT_EQ(installations.size(), 2u);
  ASSERT_EQ(reference->selectedInstallation(), 1);
  const std::string absent = Textes().XPlaneAbsent.text;

  for (size_t cut = 0; cut < full.size(); ++cut) {
    SCOPED_TRACE("file cut after " + std::to_string(cut) + " bytes");
    ui.messages.clear();
    const auto w = startAndClose(full.substr(0, cut));
    const auto c = Lines(w->custScn());
    const auto g = Lines(w->globScn());
    EXPECT_TRUE(IsCutShort(w->installations(), installations));
    EXPECT_TRUE(IsCutShort(c, cust)) << Show(c);
    if (!g.empty()) {
      EXPECT_EQ(c, cust) << "the second tree comes after the whole first one";
      EXPECT_TRUE(IsCutShort(g, glob)) << Show(g);
    }
    // At most the vanished installation and one reading error are shown
    // (a cut inside "-8" leaves a "-" that is no number).
    EXPECT_LE(ui.messages.size(), 3u);
    for (const std::string& m : ui.messages)
      EXPECT_TRUE(m.ends_with(absent) || m == ioMessage(Ansi("Saisie numérique incorrecte"))) << m;
  }
}

TEST_F(DamagedSettings, GarbageLinesInTheTreesAreSkippedAndTheFileKept) {
  const std::string full = realisticFile();
  dir.file("orvella.ini", full);
  const auto reference = start();
  const auto cust = Lines(reference->custScn());
  const auto glob = Lines(reference->globScn());
  const std::vector<std::string> garbage = {
      "?not a node", std::string("\0\x01\x02\xFF", 4),
      "  =indented", std::string(100000, 'x'),
      Ansi("éèà"),   "",
      "\r",          "\n",
      "\x1a",
  };
  const size_t trees = full.find("0 1 1\r\n") + 7;
  for (const std::string& junk : garbage) {
    for (size_t at = full.find("\r\n", trees - 2); at != std::string::npos; at = full.find("\r\n", at + 2)) {
      SCOPED_TRACE("garbage of " + std::to_string(junk.size()) + " bytes after byte " + std::to_string(at));
      ui.messages.clear();
      const std::string damaged = full.substr(0, at + 2) + junk + "\r\n" + full.substr(at + 2);
      const auto w = startAndClose(damaged);
      EXPECT_EQ(Lines(w->custScn()), cust);
      EXPECT_EQ(Lines(w->globScn()), glob);
      EXPECT_EQ(ui.messages.size(), 1u) << "only the vanished installation";
      if (junk != "\n" && junk != "\r") {  // an empty line is one that the writer never writes either
        EXPECT_TRUE(dir.exists("orvella.ini.bak"));
      }
    }
  }
}

TEST_F(DamagedSettings, GarbageLinesAnywhereNeverCrashAndKeepTheFile) {
  const std::string full = realisticFile();
  for (const std::string junk : {"?junk", "1 2 3 4 5 6", "-", "=scene", "*group", "99999999999999999999"}) {
    for (size_t at = full.find("\r\n"); at != std::string::npos; at = full.find("\r\n", at + 2)) {
      SCOPED_TRACE(junk + " after byte " + std::to_string(at));
      ui.messages.clear();
      startAndClose(full.substr(0, at + 2) + junk + "\r\n" + full.substr(at + 2));
    }
  }
}

TEST_F(DamagedSettings, AHugeInstallationCountStopsAtTheEndOfTheFile) {
  const std::string xp = dir.mkdir("XP");
  const auto w = startAndClose("5\r\n1 2 3 4\r\n2147483647 0\r\n" + xp + "\r\n");
  EXPECT_TRUE(ui.messages.empty()) << "no message box per line that is not there";
  EXPECT_EQ(w->installations(), std::vector<std::string>{xp});
  EXPECT_EQ(w->selectedInstallation(), 0);

  // The input with which fuzz_settings found it: the bounds line holds one
  // number too many, which becomes the count.
  ui.messages.clear();
  startAndClose("5\r\n214748364 -17162 77 673 542\r\n0 $-1\r\n0 1 1\r\n-\r\n");
  EXPECT_LE(ui.messages.size(), 2u);
}

TEST_F(DamagedSettings, GroupsNestedBeyondAnyArrangementStopTheReadWithAnError) {
  std::string deep = "5\r\n1 2 3 4\r\n0 -1\r\n0 1 1\r\n";
  for (int i = 0; i < 200000; ++i) deep += "+g\r\n";
  const auto w = startAndClose(deep);
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0],
            ioMessage(Ansi("Fichier de paramètres endommagé : groupes imbriqués sur plus de 256 niveaux")));
  ASSERT_EQ(w->custScn().topCount(), 1);
  int depth = 0;
  for (const Node* n = w->custScn().top(0); n; n = n->childCount() ? n->child(0) : nullptr) ++depth;
  EXPECT_EQ(depth, 256) << "the levels read stay";
  EXPECT_EQ(dir.read("orvella.ini.bak"), deep);

  // 256 levels are an arrangement like any other.
  std::string deepest = "5\r\n1 2 3 4\r\n0 -1\r\n0 1 1\r\n";
  for (int i = 0; i < 256; ++i) deepest += "+g\r\n";
  deepest += "=scene\r\n";
  for (int i = 0; i < 256; ++i) deepest += "-\r\n";
  deepest += "-\r\n";
  ui.messages.clear();
  startAndClose(deepest);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(ini(), deepest);
}

TEST_F(DamagedSettings, AFileThatComesBackAsItWasLeavesNoBackup) {
  const std::string full = realisticFile();
  dir.file("orvella.ini", full);
  start()->FormDestroy();
  EXPECT_TRUE(dir.exists("orvella.ini.bak")) << "the vanished installation is not lost";
  const std::string cleaned = ini();
  std::filesystem::remove(dir.host("orvella.ini.bak"));
  start()->FormDestroy();
  EXPECT_EQ(ini(), cleaned);
  EXPECT_FALSE(dir.exists("orvella.ini.bak"));
}

TEST_F(DamagedSettings, AnOlderVersionIsKeptWhenItIsConverted) {
  const std::string v3 = "3\r\n1 2 3 4\r\n0 -1\r\n0\r\n*G\r\n-\r\n-\r\n";
  startAndClose(v3);
  EXPECT_EQ(dir.read("orvella.ini.bak"), v3);
  EXPECT_EQ(ini(), "5\r\n1 2 3 4\r\n0 -1\r\n0 1 1\r\n*G\r\n-\r\n-\r\n");
}

#ifndef _WIN32
TEST_F(DamagedSettings, AFileThatCannotBeReadIsMovedAsideNotOverwritten) {
  const std::string previous = realisticFile();
  dir.file("orvella.ini", previous);
  namespace fs = std::filesystem;
  fs::permissions(dir.host("orvella.ini"), fs::perms::owner_write);  // its owner may not read it
  // Starts over the unreadable file and closes; answers whether the read
  // error was shown and the close showed nothing more.
  auto startAndClose = [&] {
    ui.messages.clear();
    auto w = start();
    const bool refused = ui.messages == std::vector<std::string>{ioMessage(Ansi("Accès au fichier refusé"))};
    w->FormDestroy();
    return refused && ui.messages.size() == 1;
  };
  if (::geteuid() != 0) {
    EXPECT_TRUE(startAndClose());
  } else {
    // The superuser reads every file: the program runs as another user.
    const uid_t nobody = 65534;
    for (const auto& e : fs::recursive_directory_iterator(dir.host()))
      ASSERT_EQ(::lchown(e.path().c_str(), nobody, nobody), 0);
    ASSERT_EQ(::chown(dir.host().c_str(), nobody, nobody), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      const bool ok = ::setgid(nobody) == 0 && ::setuid(nobody) == 0 && startAndClose();
      ::_exit(ok ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the read error, and nothing else, was shown";
  }
  fs::permissions(dir.host("orvella.ini.bak"), fs::perms::owner_all);
  EXPECT_EQ(dir.read("orvella.ini.bak"), previous) << "the file that could not be read is kept whole";
  EXPECT_EQ(ini().substr(0, 3), "5\r\n") << "what the window held is written";
}
#endif

}  // namespace
}  // namespace orvella::test
