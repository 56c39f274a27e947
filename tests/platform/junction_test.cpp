// The reparse-point set of the POSIX backend: checked as NTFS checks it,
// and an empty folder replaced by a link on success.
// Windows itself is checked in windows_test.cpp.
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

void Put16(std::vector<BYTE>& b, size_t at, unsigned v) {
  b[at] = static_cast<BYTE>(v & 0xFF);
  b[at + 1] = static_cast<BYTE>(v >> 8);
}

// The mount-point buffer for a target, laid out as the junction service
// writes it: "\??\" + target, its terminator, an empty print name.
std::vector<BYTE> MountPoint(const std::u16string& target) {
  const std::u16string sub = u"\\??\\" + target;
  const size_t m = target.size();
  std::vector<BYTE> b(28 + 2 * m, 0);
  b[0] = 0x03, b[1] = 0x00, b[2] = 0x00, b[3] = 0xA0;
  Put16(b, 4, static_cast<unsigned>(20 + 2 * m));
  Put16(b, 8, 0);
  Put16(b, 10, static_cast<unsigned>(2 * sub.size()));
  Put16(b, 12, static_cast<unsigned>(2 * sub.size() + 2));
  Put16(b, 14, 0);
  for (size_t i = 0; i < sub.size(); ++i) Put16(b, 16 + 2 * i, sub[i]);
  return b;
}

HANDLE OpenForJunction(const char16_t* path) {
  return CreateFileW(path, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Sets the reparse point; answers the last error (0 on success).
DWORD SetReparse(const char16_t* link, std::vector<BYTE> buffer, DWORD size = 0) {
  HANDLE h = OpenForJunction(link);
  if (h == INVALID_HANDLE_VALUE) return GetLastError();
  DWORD returned = 5;
  const BOOL ok = DeviceIoControl(h, FSCTL_SET_REPARSE_POINT, buffer.data(),
                                  size ? size : static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
  const DWORD error = ok ? 0 : GetLastError();
  EXPECT_EQ(returned, 0u);
  CloseHandle(h);
  return error;
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

TEST_F(Junctions, AnEmptyFolderBecomesALinkToTheTarget) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\KSEA", nullptr));
  const auto buffer = MountPoint(u"E:\\Scenes\\KSEA");
  ASSERT_EQ(buffer.size(), 56u);
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\KSEA", buffer), 0u);
  ASSERT_TRUE(t_.isSymlink("c/Custom Scenery/KSEA"));
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/KSEA")), t_.host("e/Scenes/KSEA"));
  EXPECT_EQ(GetFileAttributesA("C:\\Custom Scenery\\KSEA"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
  EXPECT_EQ(t_.read("c/Custom Scenery/KSEA/Earth nav data/apt.dat"), "data");
  // Setting it again on the junction itself re-points it.
  t_.mkdir("e/Scenes/KLAX");
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\KSEA", MountPoint(u"E:\\Scenes\\KLAX")), 0u);
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/KSEA")), t_.host("e/Scenes/KLAX"));
}

TEST_F(Junctions, TargetsThatDoNotExistOrDifferInCase) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\A", nullptr));
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\B", nullptr));
  // An existing target named in another case points to the real folder.
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\A", MountPoint(u"e:\\SCENES\\ksea")), 0u);
  EXPECT_EQ(fs::read_symlink(t_.host("c/Custom Scenery/A")), t_.host("e/Scenes/KSEA"));
  // A junction may point to a folder that does not exist (yet).
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\B", MountPoint(u"E:\\Later")), 0u);
  EXPECT_EQ(GetFileAttributesA("C:\\Custom Scenery\\B"), FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT);
}

TEST_F(Junctions, AFolderThatIsNotEmptyIsRefusedAndKept) {
  t_.file("c/Custom Scenery/KSEA/mine.txt", "mine");
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\KSEA", MountPoint(u"E:\\Scenes\\KSEA")), ERROR_DIR_NOT_EMPTY);
  EXPECT_FALSE(t_.isSymlink("c/Custom Scenery/KSEA"));
  EXPECT_EQ(t_.read("c/Custom Scenery/KSEA/mine.txt"), "mine");
}

TEST_F(Junctions, AFileIsRefusedAndKept) {
  t_.file("c/Custom Scenery/KSEA", "a file");
  EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\KSEA", MountPoint(u"E:\\Scenes\\KSEA")), ERROR_DIRECTORY);
  EXPECT_EQ(t_.read("c/Custom Scenery/KSEA"), "a file");
}

TEST_F(Junctions, BadBuffersAreRefusedAndTheFolderKept) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\KSEA", nullptr));
  const auto good = MountPoint(u"E:\\Scenes\\KSEA");
  struct Case {
    const char* what;
    std::vector<BYTE> buffer;
    DWORD size;
    DWORD error;
  };
  std::vector<Case> cases;
  cases.push_back({"size is not ReparseDataLength + 8", good, 58, ERROR_INVALID_REPARSE_DATA});
  cases.push_back({"shorter than the header", good, 6, ERROR_INVALID_REPARSE_DATA});
  auto b = good;
  Put16(b, 4, 40);
  cases.push_back({"ReparseDataLength too small", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = good;
  b[0] = b[1] = b[2] = b[3] = 0;
  cases.push_back({"tag 0", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = good;
  b[0] = 0x0C;  // IO_REPARSE_TAG_SYMLINK: not a mount point
  cases.push_back({"another tag", b, 0, ERROR_REPARSE_TAG_INVALID});
  b = good;
  Put16(b, 10, 60);
  cases.push_back({"substitute name past the buffer", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = good;
  Put16(b, 12, 200);
  cases.push_back({"print name past the buffer", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = good;
  Put16(b, 16 + 2, u'!');  // "\!?\E:..."
  cases.push_back({"no \\??\\ prefix", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = MountPoint(u"Scenes\\KSEA");
  cases.push_back({"relative target", b, 0, ERROR_INVALID_REPARSE_DATA});
  b = good;
  Put16(b, 10, 35);
  cases.push_back({"odd length", b, 0, ERROR_INVALID_REPARSE_DATA});
  for (const auto& c : cases) {
    EXPECT_EQ(SetReparse(u"C:\\Custom Scenery\\KSEA", c.buffer, c.size), c.error) << c.what;
    EXPECT_TRUE(fs::is_directory(fs::symlink_status(t_.host("c/Custom Scenery/KSEA")))) << c.what;
  }
  EXPECT_TRUE(fs::is_empty(t_.host("c/Custom Scenery")) == false);
  EXPECT_EQ(std::distance(fs::directory_iterator(t_.host("c/Custom Scenery")), fs::directory_iterator()), 1);
}

TEST_F(Junctions, HandleAndCallChecks) {
  ASSERT_TRUE(CreateDirectoryW(u"C:\\Custom Scenery\\KSEA", nullptr));
  auto buffer = MountPoint(u"E:\\Scenes\\KSEA");
  DWORD returned = 0;
  HANDLE read = CreateFileW(u"C:\\Custom Scenery\\KSEA", GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(read, INVALID_HANDLE_VALUE);
  EXPECT_FALSE(DeviceIoControl(read, FSCTL_SET_REPARSE_POINT, buffer.data(), 56, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(
      DeviceIoControl(read, 0x000900A8 /* FSCTL_GET_REPARSE_POINT */, nullptr, 0, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_FUNCTION);
  CloseHandle(read);
  EXPECT_FALSE(DeviceIoControl(read, FSCTL_SET_REPARSE_POINT, buffer.data(), 56, nullptr, 0, &returned, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  // The junction's folder is opened without sharing: nobody removes it meanwhile.
  HANDLE h = OpenForJunction(u"C:\\Custom Scenery\\KSEA");
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
