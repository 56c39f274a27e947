// Volumes of the POSIX backend: what the host file system under a folder
// is, whether it holds links, whether it is read-only.
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform::posix {

namespace {
constexpr long kMsdosMagic = 0x4d44;
constexpr long kExfatMagic = 0x2011BAB0;
constexpr long kIso9660Magic = 0x9660;
constexpr long kUdfMagic = 0x15013346;
constexpr long kFuseMagic = 0x65735546;
constexpr long kCifsMagic = static_cast<long>(0xFF534D42u);
constexpr long kSmb2Magic = static_cast<long>(0xFE534D42u);
constexpr long kSmbMagic = 0x517B;
constexpr long k9pMagic = 0x01021997;

bool ProbeLinks(const std::string& folder) {
  static std::atomic<unsigned> counter{0};
  const std::string probe = folder + (folder.back() == '/' ? "" : "/") + ".orvella-link-probe-" +
                            std::to_string(::getpid()) + "-" + std::to_string(counter++);
  if (::symlink(".", probe.c_str()) == 0) {
    ::unlink(probe.c_str());
    return true;
  }
  // Refused by the file system: no links there. Any other failure (no write
  // access, read-only) says nothing about links: assume they work.
  return !(errno == EPERM || errno == EOPNOTSUPP || errno == ENOSYS || errno == EINVAL);
}
}  // namespace

bool CanHoldLinks(const std::string& hostFolder) {
  struct statfs sf;
  if (::statfs(hostFolder.c_str(), &sf) != 0) return false;
  const long type = static_cast<long>(sf.f_type);
  if (type == kMsdosMagic || type == kExfatMagic || type == kIso9660Magic || type == kUdfMagic) return false;
  if (type != kFuseMagic && type != kCifsMagic && type != kSmb2Magic && type != kSmbMagic && type != k9pMagic)
    return true;
  // FUSE and network volumes hide what lies below: ask the volume itself, once.
  struct stat st;
  if (::stat(hostFolder.c_str(), &st) != 0) return false;
  static std::mutex mutex;
  static std::map<dev_t, bool> known;
  std::lock_guard lock(mutex);
  auto it = known.find(st.st_dev);
  if (it == known.end()) it = known.emplace(st.st_dev, ProbeLinks(hostFolder)).first;
  return it->second;
}

namespace {

std::string FileSystemName(const std::string& hostFolder) {
  struct statfs sf;
  if (::statfs(hostFolder.c_str(), &sf) != 0) return "NTFS";
  switch (static_cast<long>(sf.f_type)) {
    case kMsdosMagic:
      return "FAT32";
    case kExfatMagic:
      return "exFAT";
    case kIso9660Magic:
      return "CDFS";
    case kUdfMagic:
      return "UDF";
    default:
      return "NTFS";
  }
}

}  // namespace

bool FolderTellsCaseApart(int fd) {
  struct statfs sf;
  if (::fstatfs(fd, &sf) != 0) return false;
  const long type = static_cast<long>(sf.f_type);
  if (type == kMsdosMagic || type == kExfatMagic || type == kCifsMagic || type == kSmb2Magic || type == kSmbMagic)
    return false;
  // A folder that folds case itself (ext4 and f2fs with the casefold feature).
  constexpr int kCasefoldFlag = 0x40000000;  // FS_CASEFOLD_FL
  int attributes = 0;
  return !(::ioctl(fd, FS_IOC_GETFLAGS, &attributes) == 0 && (attributes & kCasefoldFlag));
}

bool ReadOnlyVolume(const std::string& hostPath) {
  struct statvfs sv;
  return ::statvfs(hostPath.c_str(), &sv) == 0 && (sv.f_flag & ST_RDONLY);
}

}  // namespace platform::posix

namespace win {

using namespace platform::posix;

BOOL GetVolumeInformationA(const char* root, char* volumeName, DWORD volumeNameSize, DWORD* serial,
                           DWORD* maxComponentLength, DWORD* fileSystemFlags, char* fileSystemName,
                           DWORD fileSystemNameSize) {
  std::string r;
  if (root) {
    r = root;
  } else {
    char cwd[MAX_PATH];
    if (!GetCurrentDirectoryA(MAX_PATH, cwd)) return FALSE_;
    r = std::string(cwd, 3);
  }
  if (r.rfind("\\\\", 0) == 0) {
    SetError(ERROR_BAD_NETPATH);  // no network shares here
    return FALSE_;
  }
  const bool driveRoot = r.size() >= 2 && ((r[0] >= 'A' && r[0] <= 'Z') || (r[0] >= 'a' && r[0] <= 'z')) && r[1] == ':';
  if (!driveRoot || r.size() < 3 || r[2] != '\\') {
    SetError(ERROR_INVALID_NAME);
    return FALSE_;
  }
  if (r.size() > 3) {
    SetError(ERROR_DIR_NOT_ROOT);
    return FALSE_;
  }
  const std::string folder = DriveFolder(r[0]);
  struct stat st;
  if (folder.empty() || ::stat(folder.c_str(), &st) != 0) {
    SetError(ERROR_PATH_NOT_FOUND);
    return FALSE_;
  }
  const std::string fsName = FileSystemName(folder);
  if ((volumeName && volumeNameSize < 1) || (fileSystemName && fileSystemNameSize < fsName.size() + 1)) {
    SetError(ERROR_BAD_LENGTH);
    return FALSE_;
  }
  if (volumeName) volumeName[0] = '\0';
  if (fileSystemName) std::memcpy(fileSystemName, fsName.c_str(), fsName.size() + 1);
  if (serial) *serial = static_cast<DWORD>(st.st_dev ^ (static_cast<std::uint64_t>(st.st_dev) >> 32));
  if (maxComponentLength) {
    struct statfs sf;
    *maxComponentLength = ::statfs(folder.c_str(), &sf) == 0 ? static_cast<DWORD>(sf.f_namelen) : 255;
  }
  if (fileSystemFlags) {
    DWORD flags = FILE_CASE_SENSITIVE_SEARCH | FILE_CASE_PRESERVED_NAMES | FILE_UNICODE_ON_DISK;
    if (CanHoldLinks(folder)) flags |= FILE_SUPPORTS_REPARSE_POINTS;
    if (ReadOnlyVolume(folder)) flags |= FILE_READ_ONLY_VOLUME;
    *fileSystemFlags = flags;
  }
  return TRUE_;
}

}  // namespace win
