// Scene links of the POSIX backend: a junction is a symbolic link to the
// scene's folder. On an NTFS volume mounted through ntfs-3g that also holds
// the scene, the link is written as NTFS reparse data instead (a relative
// directory symbolic link), which ntfs-3g shows as a symbolic link and
// Windows follows as well: one link for a simulator started from either
// system. A symbolic link made there the usual way is an "Interix" file that
// Windows does not follow.
#include <dirent.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/posix/internal.h"
#include "platform/reparsedata.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace platform {

using namespace platform::posix;
using win::BOOL;
using win::FALSE_;
using win::TRUE_;

namespace {

constexpr long kFuseMagic = 0x65735546;
constexpr char kReparseAttribute[] = "system.ntfs_reparse_data";
constexpr size_t kMaxReparseData = 16 * 1024;

bool DirectoryIsEmpty(const std::string& host) {
  DIR* d = ::opendir(host.c_str());
  if (!d) return false;
  bool empty = true;
  while (dirent* e = ::readdir(d)) {
    if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0) {
      empty = false;
      break;
    }
  }
  ::closedir(d);
  return empty;
}

std::string RealPath(const std::string& host) {
  char buf[PATH_MAX];
  return ::realpath(host.c_str(), buf) ? std::string(buf) : std::string();
}

// The reparse data of a relative directory symbolic link from the folder
// `folder` to `target`, when both lie on one NTFS volume mounted through
// ntfs-3g (FUSE, answering ntfs-3g's own attribute); empty otherwise.
std::vector<std::uint8_t> NtfsLinkData(const std::string& folder, const std::string& target) {
  struct statfs sf;
  if (::statfs(folder.c_str(), &sf) != 0 || static_cast<long>(sf.f_type) != kFuseMagic) return {};
  char attributes[4];
  if (::getxattr(folder.c_str(), "system.ntfs_attrib", attributes, sizeof attributes) != sizeof attributes) return {};
  struct stat a;
  struct stat b;
  if (::stat(folder.c_str(), &a) != 0 || ::stat(target.c_str(), &b) != 0 || a.st_dev != b.st_dev || !S_ISDIR(b.st_mode))
    return {};
  const std::string from = RealPath(folder);
  const std::string to = RealPath(target);
  if (from.empty() || to.empty()) return {};
  std::string relative = std::filesystem::path(to).lexically_relative(from).generic_string();
  if (relative.empty() || relative == ".") return {};
  for (char& c : relative)
    if (c == '/') c = '\\';
  std::vector<std::uint8_t> data = BuildSymbolicLinkBuffer(text::Utf8ToUtf16(relative), true);
  if (data.size() > kMaxReparseData) return {};
  return data;
}

// Writes the reparse data on the empty folder at `host` (made here when
// `make`). False, with nothing left behind, when the volume refuses it.
bool SetNtfsLink(const std::string& host, const std::vector<std::uint8_t>& data, bool make) {
  if (make && ::mkdir(host.c_str(), 0777) != 0) return false;
  if (::setxattr(host.c_str(), kReparseAttribute, data.data(), data.size(), 0) != 0) {
    if (make) ::rmdir(host.c_str());
    return false;
  }
  // The kernel still holds the entry as the folder it was: the first look
  // at it fails and drops that, the next one sees the link.
  struct stat st;
  for (int i = 0; i < 3; ++i)
    if (::lstat(host.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) break;
  return true;
}

// The link could not be made in parentHost. EPERM is the answer of a file
// system without links, but also of a folder nobody may write into (an
// immutable one): that is access denied, as on Windows.
BOOL SymlinkFailed(int e, const std::string& parentHost) {
  if (e == EPERM && ::access(parentHost.c_str(), W_OK) != 0) e = EACCES;
  SetError(e == EPERM || e == EOPNOTSUPP ? win::ERROR_INVALID_FUNCTION : Win32FromErrno(e));
  return FALSE_;
}

}  // namespace

BOOL MakeDirectoryLink(const std::string& linkPath, const std::string& fullTarget, bool exactName) {
  Resolved link;
  if (!ResolveAnsi(linkPath.c_str(), link, win::MAX_PATH - 1, exactName)) return FALSE_;
  if (link.isRoot) {
    SetError(win::ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (!link.exists && !link.parentExists) {
    SetError(link.missing);
    return FALSE_;
  }
  // The checks of NTFS, in its order: volume, then the entry.
  if (ReadOnlyVolume(link.parentHost)) {
    SetError(win::ERROR_WRITE_PROTECT);
    return FALSE_;
  }
  if (!CanHoldLinks(link.parentHost)) {
    SetError(win::ERROR_INVALID_FUNCTION);
    return FALSE_;
  }
  Resolved target;
  if (!ResolveAnsi(fullTarget.c_str(), target, 32767)) {
    SetError(win::ERROR_PATH_NOT_FOUND);  // a drive this system does not reach
    return FALSE_;
  }
  const bool isLink = link.exists && S_ISLNK(link.st.st_mode);
  if (link.exists && !isLink) {
    if (!S_ISDIR(link.st.st_mode)) {
      SetError(win::ERROR_DIRECTORY);  // a junction stands on a folder, never on a file
      return FALSE_;
    }
    if (!DirectoryIsEmpty(link.host)) {
      SetError(win::ERROR_DIR_NOT_EMPTY);
      return FALSE_;
    }
  }

  const std::vector<std::uint8_t> ntfs = NtfsLinkData(link.parentHost, target.host);
  if (!ntfs.empty() && !isLink && SetNtfsLink(link.host, ntfs, !link.exists)) return TRUE_;

  if (!link.exists) {
    if (::symlink(target.host.c_str(), link.host.c_str()) != 0) return SymlinkFailed(errno, link.parentHost);
    return TRUE_;
  }
  // An existing link is pointed anew, an empty folder replaced: the new link
  // is made beside it first, so that a refusal leaves the entry as it was.
  static std::atomic<unsigned> counter{0};
  const std::string temp = link.parentHost + (link.parentHost == "/" ? "" : "/") + ".orvella-link-" +
                           std::to_string(::getpid()) + "-" + std::to_string(counter++);
  if (::symlink(target.host.c_str(), temp.c_str()) != 0) return SymlinkFailed(errno, link.parentHost);
  if (!isLink && ::rmdir(link.host.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    SetError((e == ENOTEMPTY || e == EEXIST) ? win::ERROR_DIR_NOT_EMPTY : Win32FromErrno(e));
    return FALSE_;
  }
  if (::rename(temp.c_str(), link.host.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    if (!isLink) ::mkdir(link.host.c_str(), 0777);  // put the empty folder back
    SetErrno(e);
    return FALSE_;
  }
  return TRUE_;
}

BOOL RemoveDirectoryLink(const std::string& linkPath) {
  // A symbolic link, an Interix one or NTFS reparse data alike: the link
  // goes, never what it leads to.
  return win::RemoveDirectoryA(linkPath.c_str());
}

}  // namespace platform
