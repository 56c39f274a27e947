// Scene links on a real NTFS volume: a small image made with mkntfs and
// mounted through ntfs-3g (FUSE, as root). The program's junction bytes are
// set through ntfs-3g's reparse-data attribute and resolved by ntfs-3g after
// a remount; reparse data as Windows writes it is read back with the
// program's own calls; links made on Linux where the scenery folder and the
// scene share the volume are NTFS symbolic links that Windows follows too.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "logic/core/folders.h"
#include "logic/junction/reparsepoints.h"
#include "logic/links/activation.h"
#include "platform/reparsedata.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"
#include "support/testdir.h"

namespace orvella {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
constexpr char kReparseData[] = "system.ntfs_reparse_data";

std::string Quoted(const fs::path& p) { return "'" + p.string() + "'"; }

std::string FindTool(const std::string& name) {
  std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
  dirs += ":/usr/sbin:/sbin:/usr/bin:/bin";
  std::stringstream in(dirs);
  for (std::string d; std::getline(in, d, ':');)
    if (!d.empty() && ::access((d + "/" + name).c_str(), X_OK) == 0) return d + "/" + name;
  return {};
}

bool MountedAt(const fs::path& mnt) {
  std::ifstream mounts("/proc/self/mounts");
  const std::string wanted = " " + mnt.string() + " ";
  for (std::string line; std::getline(mounts, line);)
    if (line.find(wanted) != std::string::npos) return true;
  return false;
}

// An 8 MiB NTFS image in a test's folder, mounted through ntfs-3g on its
// folder "mnt"; unmounted again whatever the test did. `why` tells why not
// when it cannot be made or mounted here.
class NtfsVolume {
 public:
  explicit NtfsVolume(const fs::path& folder)
      : image_(folder / "ntfs.img"), mnt_(folder / "mnt"), log_(folder / "ntfs.log") {
    if (::geteuid() != 0) {
      why = "mounting through FUSE needs root here";
      return;
    }
    if (::access("/dev/fuse", R_OK | W_OK) != 0) {
      why = "no /dev/fuse (FUSE is missing)";
      return;
    }
    mkntfs_ = FindTool("mkntfs");
    ntfs3g_ = FindTool("ntfs-3g");
    if (mkntfs_.empty() || ntfs3g_.empty()) {
      why = "mkntfs or ntfs-3g is missing (Debian package ntfs-3g)";
      return;
    }
    fs::create_directories(mnt_);
    if (!Run("truncate -s 8M " + Quoted(image_)) || !Run("timeout 60 " + mkntfs_ + " -F -f -q " + Quoted(image_))) {
      why = "mkntfs failed (see " + log_.string() + ")";
      return;
    }
    if (!Mount()) why = "ntfs-3g could not mount the image (see " + log_.string() + ")";
  }
  ~NtfsVolume() { Unmount(); }
  NtfsVolume(const NtfsVolume&) = delete;
  NtfsVolume& operator=(const NtfsVolume&) = delete;

  bool mounted() const { return why.empty(); }
  const fs::path& mnt() const { return mnt_; }
  // Unmounts and mounts again: what ntfs-3g shows then comes from the disk.
  bool Remount() {
    Unmount();
    return !MountedAt(mnt_) && Mount();
  }

  std::string why;

 private:
  bool Run(const std::string& command) const {
    return std::system((command + " >>" + Quoted(log_) + " 2>&1").c_str()) == 0;
  }
  bool Mount() { return Run("timeout 30 " + ntfs3g_ + " " + Quoted(image_) + " " + Quoted(mnt_)) && MountedAt(mnt_); }
  void Unmount() {
    if (!MountedAt(mnt_)) return;
    if (!Run("timeout 30 umount " + Quoted(mnt_))) Run("timeout 30 umount -l " + Quoted(mnt_));
  }

  fs::path image_, mnt_, log_;
  std::string mkntfs_, ntfs3g_;
};

void Put16(Bytes& b, size_t at, size_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}

// Reparse data as Windows writes it: "mklink /J" (a junction with a print
// name), "mklink /D" (a directory symbolic link, absolute or relative,
// print name first), mountvol (a junction to a volume GUID).
Bytes WindowsReparse(std::uint32_t tag, const std::u16string& substitute, const std::u16string& print,
                     bool relative = false) {
  const bool symlink = tag == platform::kReparseTagSymlink;
  const size_t header = symlink ? 20 : 16;
  const size_t s = 2 * substitute.size(), p = 2 * print.size();
  // Junctions keep a terminator after each name, symbolic links none.
  const size_t subOff = symlink ? p : 0, printOff = symlink ? 0 : s + 2;
  Bytes b(header + s + p + (symlink ? 0 : 4), 0);
  Put16(b, 0, tag & 0xFFFF);
  Put16(b, 2, tag >> 16);
  Put16(b, 4, b.size() - 8);
  Put16(b, 8, subOff);
  Put16(b, 10, s);
  Put16(b, 12, printOff);
  Put16(b, 14, p);
  if (symlink) Put16(b, 16, relative ? platform::kSymlinkFlagRelative : 0);
  for (size_t i = 0; i < substitute.size(); ++i) Put16(b, header + subOff + 2 * i, substitute[i]);
  for (size_t i = 0; i < print.size(); ++i) Put16(b, header + printOff + 2 * i, print[i]);
  return b;
}

Bytes ReadReparse(const fs::path& p) {
  Bytes b(16 * 1024);
  const ssize_t n = ::lgetxattr(p.c_str(), kReparseData, b.data(), b.size());
  b.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return b;
}

class NtfsLinks : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!volume_.mounted()) GTEST_SKIP() << volume_.why;
    // E: is the NTFS volume (as on a Windows machine), C: a folder elsewhere.
    dir_.mapDrives({{'E', "mnt"}, {'C', "c"}});
    fs::create_directories(volume_.mnt() / "Custom Scenery");
  }
  // A scene on the volume; answers its Windows path.
  std::string scene(const std::string& name) {
    const fs::path folder = volume_.mnt() / "Scenes" / name;
    fs::create_directories(folder / "Earth nav data");
    std::ofstream(folder / "Earth nav data" / "apt.dat") << name;
    return "E:\\Scenes\\" + name;
  }
  fs::path link(const std::string& name) const { return volume_.mnt() / "Custom Scenery" / name; }
  std::string through(const std::string& name) const {
    std::ifstream in(link(name) / "Earth nav data" / "apt.dat");
    return std::string(std::istreambuf_iterator<char>(in), {});
  }

  test::TestDir dir_;
  NtfsVolume volume_{dir_.host()};
};

const char* const kNames[] = {"KSEA", "EPWA Warszawa-Okęcie", "RJTT 東京国際空港"};

TEST_F(NtfsLinks, TheProgramsJunctionBytesAreResolvedByNtfs3g) {
  for (const char* name : kNames) {
    const std::string target = scene(name);
    fs::create_directory(link(name));
    const platform::MountPointBuffer b = platform::BuildMountPointBuffer(target);
    ASSERT_EQ(::setxattr(link(name).c_str(), kReparseData, b.bytes.data(), b.passed, 0), 0) << name;
  }
  ASSERT_TRUE(volume_.Remount());
  for (const char* name : kNames) {
    EXPECT_EQ(fs::read_symlink(link(name)), volume_.mnt() / "Scenes" / name) << name;
    EXPECT_EQ(through(name), name);
    const platform::MountPointBuffer b = platform::BuildMountPointBuffer("E:\\Scenes\\" + std::string(name));
    EXPECT_EQ(ReadReparse(link(name)), Bytes(b.bytes.begin(), b.bytes.begin() + b.passed)) << name;
    EXPECT_TRUE(IsReparsePoint("E:\\Custom Scenery\\" + std::string(name))) << name;
  }
}

TEST_F(NtfsLinks, ReparseDataAsWindowsWritesItIsALinkToTheProgram) {
  scene("KSEA");
  struct Case {
    const char* name;
    Bytes data;
    bool resolves;
  };
  const Case cases[] = {
      {"mklink J", WindowsReparse(platform::kReparseTagMountPoint, u"\\??\\E:\\Scenes\\KSEA", u"E:\\Scenes\\KSEA"),
       true},
      {"mklink D absolute",
       WindowsReparse(platform::kReparseTagSymlink, u"\\??\\E:\\Scenes\\KSEA", u"E:\\Scenes\\KSEA"), true},
      {"mklink D relative",
       WindowsReparse(platform::kReparseTagSymlink, u"..\\Scenes\\KSEA", u"..\\Scenes\\KSEA", true), true},
      {"volume GUID",
       WindowsReparse(platform::kReparseTagMountPoint, u"\\??\\Volume{4f1c2d3e-0000-4000-8000-0000000a0b0c}\\", u""),
       false},
  };
  for (const Case& c : cases) {
    fs::create_directory(link(c.name));
    ASSERT_EQ(::setxattr(link(c.name).c_str(), kReparseData, c.data.data(), c.data.size(), 0), 0) << c.name;
  }
  ASSERT_TRUE(volume_.Remount());
  // Any reparse point is a link, whatever its tag and whoever made it, and
  // stands as a folder even when it leads nowhere the program can reach.
  std::vector<std::string> listed;
  ForEachEntry("E:\\Custom Scenery\\", [&](const std::string& entry, win::DWORD attributes) {
    if (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) listed.push_back(entry);
  });
  for (const Case& c : cases) {
    const std::string path = "E:\\Custom Scenery\\" + std::string(c.name);
    EXPECT_EQ(win::GetFileAttributesA(path.c_str()), win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_REPARSE_POINT)
        << c.name;
    EXPECT_TRUE(IsReparsePoint(path)) << c.name;
    EXPECT_TRUE(DirectoryExists(path)) << c.name;
    EXPECT_NE(std::find(listed.begin(), listed.end(), c.name), listed.end()) << c.name;
    EXPECT_EQ(ReadReparse(link(c.name)), c.data) << c.name;
    if (c.resolves) {
      EXPECT_EQ(through(c.name), "KSEA") << c.name;
    }
  }
}

TEST_F(NtfsLinks, LinksMadeOnLinuxAreNtfsSymbolicLinksWindowsFollows) {
  for (const char* name : kNames) {
    const std::string target = scene(name);
    const std::string path = "E:\\Custom Scenery\\" + std::string(name);
    ASSERT_TRUE(CreateJunction(path, target)) << name;
    // A relative directory symbolic link, as "mklink /D" writes it, at once
    // usable without a remount.
    const std::u16string relative = u"..\\Scenes\\" + platform::text::Utf8ToUtf16(name);
    EXPECT_EQ(ReadReparse(link(name)), platform::BuildSymbolicLinkBuffer(relative, true)) << name;
    EXPECT_EQ(fs::read_symlink(link(name)), fs::path("../Scenes") / name) << name;
    EXPECT_TRUE(IsReparsePoint(path)) << name;
    EXPECT_EQ(through(name), name);
  }
  ASSERT_TRUE(volume_.Remount());
  for (const char* name : kNames) {
    EXPECT_EQ(through(name), name) << "the link is on the disk";
    RemoveLink("E:\\Custom Scenery\\" + std::string(name));
    EXPECT_FALSE(fs::exists(fs::symlink_status(link(name)))) << name;
    EXPECT_TRUE(fs::exists(volume_.mnt() / "Scenes" / name / "Earth nav data" / "apt.dat")) << "the scene stays";
  }
}

TEST_F(NtfsLinks, AnotherVolumesSceneGetsTheUsualLink) {
  fs::create_directories(dir_.host("c/Scenes/LFPG"));
  ASSERT_TRUE(CreateJunction("E:\\Custom Scenery\\LFPG", "C:\\Scenes\\LFPG"));
  EXPECT_TRUE(ReadReparse(link("LFPG")).empty()) << "no reparse data: Windows could not reach the scene anyway";
  EXPECT_EQ(fs::read_symlink(link("LFPG")), dir_.host("c/Scenes/LFPG"));
  EXPECT_TRUE(IsReparsePoint("E:\\Custom Scenery\\LFPG"));
  RemoveLink("E:\\Custom Scenery\\LFPG");
  EXPECT_FALSE(fs::exists(fs::symlink_status(link("LFPG"))));
  EXPECT_TRUE(fs::is_directory(dir_.host("c/Scenes/LFPG")));
}

}  // namespace
}  // namespace orvella
