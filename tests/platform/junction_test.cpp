// Scene links of the POSIX backend: a link made where nothing stands, an
// empty folder replaced, a link pointed anew, contents and files refused and
// kept. Windows itself is checked in windows_test.cpp, NTFS under ntfs-3g in
// tests/ntfs.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "platform/winapi.h"
#include "support/testdir.h"

using namespace win;
using orvella::test::TestDir;
namespace fs = std::filesystem;

namespace {

// Makes the link; answers the last error (0 on success).
DWORD Link(const std::string& link, const std::string& target) {
  return platform::MakeDirectoryLink(link, target) ? 0 : GetLastError();
}

class Junctions : public ::testing::Test {
 protected:
  void SetUp() override {
    t_.mapDrives({{'C', "c"}, {'E', "e"}});
    t_.file("e/Scenes/KSEA/Earth nav data/apt.dat", "data");
    t_.mkdir("c/Custom Scenery");
  }
  TestDir t_;
};

TEST_F(Junctions, ALinkIsMadeOrTakesTheEmptyFolderPlaceAndIsPointedAnew) {
  EXPECT_EQ(Link("C:\\Custom Scenery\\New", "E:\\Scenes\\KSEA"), 0u);
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/New")), t_.host("e/Scenes/KSEA"));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\KSEA", nullptr));
  EXPECT_EQ(Link("C:\\Custom Scenery\\KSEA", "E:\\Scenes\\KSEA"), 0u);
  ASSERT_TRUE(t_.isSymlink("c/Custom Scenery/KSEA"));
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/KSEA")), t_.host("e/Scenes/KSEA"));
  EXPECT_EQ(GetFileAttributesA("C:\\Custom Scenery\\KSEA"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(t_.read("c/Custom Scenery/KSEA/Earth nav data/apt.dat"), "data");
  // Made again on the link itself, it points to the new target.
  t_.mkdir("e/Scenes/KLAX");
  EXPECT_EQ(Link("C:\\Custom Scenery\\KSEA", "E:\\Scenes\\KLAX"), 0u);
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/KSEA")), t_.host("e/Scenes/KLAX"));
  // Removing it takes the link away, never the scene.
  EXPECT_TRUE(platform::RemoveDirectoryLink("C:\\Custom Scenery\\KSEA"));
  EXPECT_FALSE(t_.exists("c/Custom Scenery/KSEA"));
  EXPECT_EQ(t_.read("e/Scenes/KSEA/Earth nav data/apt.dat"), "data");
  EXPECT_EQ(std::distance(fs::directory_iterator(t_.host("c/Custom Scenery")), fs::directory_iterator()), 1)
      << "no temporary entry is left beside the links";
}

TEST_F(Junctions, TargetsThatDoNotExistOrDifferInCase) {
  // An existing target named in another case points to the real folder.
  EXPECT_EQ(Link("C:\\Custom Scenery\\A", "e:\\SCENES\\ksea"), 0u);
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/A")), t_.host("e/Scenes/KSEA"));
  // A junction may point to a folder that does not exist (yet).
  EXPECT_EQ(Link("C:\\Custom Scenery\\B", "E:\\Later"), 0u);
  EXPECT_EQ(GetFileAttributesA("C:\\Custom Scenery\\B"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  // A drive this system does not reach.
  EXPECT_EQ(Link("C:\\Custom Scenery\\Q", "Q:\\Scenes"), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(t_.exists("c/Custom Scenery/Q"));
}

TEST_F(Junctions, WhatCannotBecomeALinkIsRefusedAndKept) {
  t_.file("c/Custom Scenery/Full/mine.txt", "mine");
  t_.file("c/Custom Scenery/File", "a file");
  struct Case {
    const char* link;
    DWORD error;
  };
  const Case cases[] = {
      {"C:\\Custom Scenery\\Full", ERROR_DIR_NOT_EMPTY},
      {"C:\\Custom Scenery\\File", ERROR_DIRECTORY},
      {"C:\\Custom Scenery\\Missing\\KSEA", ERROR_PATH_NOT_FOUND},
      {"C:\\", ERROR_ACCESS_DENIED},
  };
  for (const Case& c : cases) EXPECT_EQ(Link(c.link, "E:\\Scenes\\KSEA"), c.error) << c.link;
  EXPECT_EQ(t_.read("c/Custom Scenery/Full/mine.txt"), "mine");
  EXPECT_EQ(t_.read("c/Custom Scenery/File"), "a file");
  EXPECT_FALSE(t_.exists("c/Custom Scenery/Missing"));
  // A plain folder with contents is never removed as a link.
  EXPECT_FALSE(platform::RemoveDirectoryLink("C:\\Custom Scenery\\Full"));
  EXPECT_EQ(GetLastError(), ERROR_DIR_NOT_EMPTY);
}

TEST_F(Junctions, AnOpenFolderIsNotRemovedMeanwhile) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\KSEA", nullptr));
  // The junction's folder is opened without sharing: nobody removes it meanwhile.
  HANDLE h = CreateFileW(u"C:\\Custom Scenery\\KSEA", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(RemoveDirectoryW(u"C:\\Custom Scenery\\KSEA"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(h);
  EXPECT_TRUE(RemoveDirectoryW(u"C:\\Custom Scenery\\KSEA"));
}

TEST(Volumes, MappedDrivesAnswerTheirFileSystemFlags) {
  TestDir t;
  t.mapDrives({{'C', "c"}});
  DWORD flags = 0;
  DWORD maxComponent = 0;
  char fsName[255];
  ASSERT_TRUE(GetVolumeInformationA("C:\\", nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255));
  // The temporary folder lies on a file system that holds symbolic links.
  EXPECT_NE(flags & FILE_SUPPORTS_REPARSE_POINTS, 0u);
  EXPECT_EQ(maxComponent, 255u);
  EXPECT_STREQ(fsName, "NTFS");
  EXPECT_FALSE(GetVolumeInformationA("Q:\\", nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255));
  EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
  EXPECT_FALSE(GetVolumeInformationA("\\\\server\\share\\", nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255));
  EXPECT_EQ(GetLastError(), ERROR_BAD_NETPATH);
  EXPECT_FALSE(GetVolumeInformationA("C:", nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

}  // namespace

#endif  // !_WIN32
