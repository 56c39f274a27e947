// Scene links: the reparse buffer's bytes and the junction service on real
// folders.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/junction/reparsepoints.h"
#include "logic/texts/textes.h"
#include "platform/reparsedata.h"
#include "support/readonlyfolder.h"
#include "support/scriptedinteraction.h"
#include "support/testdir.h"

namespace orvella {
namespace {

using platform::BuildMountPointBuffer;
using platform::MountPointBuffer;

unsigned U16(const MountPointBuffer& b, size_t at) { return b.bytes[at] | (b.bytes[at + 1] << 8); }
unsigned U32(const MountPointBuffer& b, size_t at) { return U16(b, at) | (U16(b, at + 2) << 16); }
std::u16string Units(const MountPointBuffer& b, size_t at, size_t bytes) {
  std::u16string s;
  for (size_t i = 0; i < bytes; i += 2) s += static_cast<char16_t>(U16(b, at + i));
  return s;
}
// The header fields in order: tag, ReparseDataLength, Reserved,
// SubstituteNameOffset, SubstituteNameLength, PrintNameOffset, PrintNameLength.
std::array<unsigned, 7> Header(const MountPointBuffer& b) {
  return {U32(b, 0), U16(b, 4), U16(b, 6), U16(b, 8), U16(b, 10), U16(b, 12), U16(b, 14)};
}

TEST(MountPointBuffer, WorkedExampleLayout) {
  const MountPointBuffer b = BuildMountPointBuffer("E:\\Scenes\\KSEA");
  EXPECT_EQ(b.bytes.size(), 58u);
  EXPECT_EQ(b.passed, 56u);
  EXPECT_EQ(Header(b), (std::array<unsigned, 7>{0xA0000003u, 48, 0, 0, 36, 38, 0}));
  EXPECT_EQ(Units(b, 16, 36), u"\\??\\E:\\Scenes\\KSEA");
  for (size_t i = 52; i < 58; ++i) EXPECT_EQ(b.bytes[i], 0) << "terminators and spare bytes at " << i;
}

TEST(MountPointBuffer, AccentedTargetIsConvertedFromTheAnsiCodePage) {
  const MountPointBuffer b = BuildMountPointBuffer(test::A("D:\\Scènes"));
  EXPECT_EQ(b.passed, 28u + 2 * 9);
  EXPECT_EQ(Units(b, 24, 18), u"D:\\Sc\u00E8nes");
}

TEST(SymbolicLinkBuffer, RelativeLinkAsMklinkWritesIt) {
  MountPointBuffer b;
  b.bytes = platform::BuildSymbolicLinkBuffer(u"..\\Sc\u00E8nes\\KSEA", true);
  ASSERT_EQ(b.bytes.size(), 20u + 2 * 2 * 14);
  EXPECT_EQ(Header(b), (std::array<unsigned, 7>{0xA000000Cu, 20 + 2 * 2 * 14 - 8, 0, 0, 28, 28, 28}));
  EXPECT_EQ(U32(b, 16), 1u);  // SYMLINK_FLAG_RELATIVE
  EXPECT_EQ(Units(b, 20, 28), u"..\\Sc\u00E8nes\\KSEA");
  EXPECT_EQ(Units(b, 48, 28), u"..\\Sc\u00E8nes\\KSEA");
  b.bytes = platform::BuildSymbolicLinkBuffer(u"\\??\\E:\\S", false);
  EXPECT_EQ(U32(b, 16), 0u) << "an absolute link has no flag";
}

class JunctionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!VolumeSupportsReparsePoints(dir.win())) {
      std::cout << "[ checked  ] this volume cannot hold links: failure path only\n";
      linksSupported = false;
    }
  }
  test::TestDir dir;
  bool linksSupported = true;
};

TEST_F(JunctionTest, CreatesALinkThatListsTheTargetAndIsAReparsePoint) {
  if (!linksSupported) GTEST_SKIP() << "no links on this volume";
  const std::string target = dir.mkdir("Scenes/KSEA");
  dir.file("Scenes/KSEA/Earth nav data/apt.dat", "data");
  dir.mkdir("Custom Scenery");
  // A trailing backslash on the link path and on the target is dropped.
  EXPECT_TRUE(CreateJunction(dir.win("Custom Scenery") + "\\KSEA\\", target + "\\"));
  EXPECT_TRUE(dir.isSymlink("Custom Scenery/KSEA"));
  EXPECT_TRUE(IsReparsePoint(dir.win("Custom Scenery\\KSEA")));
  EXPECT_FALSE(IsReparsePoint(target));
  EXPECT_FALSE(IsReparsePoint(dir.win("Scenes/KSEA/Earth nav data/apt.dat")));
  EXPECT_EQ(dir.read("Custom Scenery/KSEA/Earth nav data/apt.dat"), "data") << "the link leads to the scene";
  EXPECT_EQ(std::filesystem::canonical(dir.host("Custom Scenery/KSEA")), dir.host("Scenes/KSEA"));
}

TEST_F(JunctionTest, RelativeTargetIsResolvedAgainstTheCurrentDirectory) {
  if (!linksSupported) GTEST_SKIP() << "no links on this volume";
  dir.mkdir("base/rel");
  dir.mkdir("links");
  char saved[win::MAX_PATH];
  const win::DWORD n = win::GetCurrentDirectoryA(win::MAX_PATH, saved);
  ASSERT_GT(n, 0u);
  ASSERT_TRUE(win::SetCurrentDirectoryA(dir.win("base").c_str()));
  EXPECT_TRUE(CreateJunction(dir.win("links\\R"), "rel"));
  win::SetCurrentDirectoryA(saved);
  EXPECT_EQ(std::filesystem::canonical(dir.host("links/R")), dir.host("base/rel"));
}

#ifndef _WIN32
TEST_F(JunctionTest, AFolderThatCannotBeMadeGivesItsOwnReason) {
  const std::string target = dir.mkdir("Scenes/A");
  dir.mkdir("Custom Scenery");
  test::ReadOnlyFolder readOnly(dir.host("Custom Scenery").string());
  if (!readOnly.active()) GTEST_SKIP() << "the folder cannot be made read-only here";
  for (bool exactName : {false, true}) {
    try {
      CreateJunction(dir.win("Custom Scenery\\A"), target, exactName);
      ADD_FAILURE() << "a link was made in a read-only folder";
    } catch (const EOSError& e) {
      EXPECT_EQ(e.code(), win::ERROR_ACCESS_DENIED) << "not the missing folder of the next step; exact " << exactName;
    }
  }
  EXPECT_FALSE(dir.exists("Custom Scenery/A"));
}
#endif

TEST_F(JunctionTest, FailureRemovesOnlyTheDirectoryItCreated) {
  dir.mkdir("Custom Scenery/Full");
  dir.file("Custom Scenery/Full/keep.txt", "keep");
  dir.file("Custom Scenery/plain.txt", "file");
  const std::string target = dir.mkdir("Scenes/A");
  // An existing folder that is not empty: the error, and the folder stays whole.
  try {
    CreateJunction(dir.win("Custom Scenery\\Full"), target);
    FAIL() << "a folder with contents cannot become a junction";
  } catch (const EOSError& e) {
    if (linksSupported) {
      EXPECT_EQ(e.code(), win::ERROR_DIR_NOT_EMPTY);
    }
    EXPECT_NE(std::string(e.what()).find("Code : "), std::string::npos);
  }
  EXPECT_EQ(dir.read("Custom Scenery/Full/keep.txt"), "keep");
  // A file: nothing created, nothing removed.
  EXPECT_THROW(CreateJunction(dir.win("Custom Scenery\\plain.txt"), target), EOSError);
  EXPECT_EQ(dir.read("Custom Scenery/plain.txt"), "file");
  // A target too long for the full-path buffer is refused and the new
  // directory is taken away again.
  const std::string longTarget = dir.win("Scenes") + "\\" + std::string(300, 'x');
  try {
    CreateJunction(dir.win("Custom Scenery\\Long"), longTarget);
    FAIL() << "a long target must be refused";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.code(), win::ERROR_FILENAME_EXCED_RANGE);
  }
  EXPECT_FALSE(dir.exists("Custom Scenery/Long"));
}

TEST_F(JunctionTest, IsReparsePointRaisesForAMissingEntry) {
  try {
    IsReparsePoint(dir.win("absent"));
    FAIL();
  } catch (const EOSError& e) {
    EXPECT_EQ(e.code(), win::ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(std::string(e.what()),
              test::A("Erreur système.  Code : 2.\r\n") + win::FormatMessageA(win::ERROR_FILE_NOT_FOUND));
  }
}

TEST(VolumeQuery, FailedQueryShowsTheMessageAndAnswersFalse) {
  ResetTextes();
  ScriptedInteraction ui;
  ScopedUI scope(ui);
  EXPECT_FALSE(VolumeSupportsReparsePoints("\\\\nowhere\\share\\X-Plane"));
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0], "Erreur GetVolumeInfo");
}

TEST(OSErrors, CodeZeroHasItsOwnText) {
  EXPECT_EQ(std::string(EOSError(0).what()), test::A("Un appel à une fonction du système d'exploitation a échoué"));
  EXPECT_EQ(std::string(EOSError(5).what()),
            test::A("Erreur système.  Code : 5.\r\n") + win::FormatMessageA(win::ERROR_ACCESS_DENIED));
}

}  // namespace
}  // namespace orvella
