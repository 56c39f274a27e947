// Junctions of the POSIX backend: a mount-point reparse point is a
// symbolic link to a folder; DeviceIoControl reads, sets and deletes it.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "platform/posix/handles.h"
#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace win {

using namespace platform::posix;
namespace text = platform::text;

// --- Junctions ----------------------------------------------------------------------

namespace {
constexpr DWORD kReparseHeader = 8;
constexpr DWORD kMaxReparseBuffer = 16 * 1024;

std::uint16_t Get16(const BYTE* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t Get32(const BYTE* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

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
}  // namespace

BOOL DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out, DWORD outSize, DWORD* returned,
                     void*) {
  if (returned) *returned = 0;
  if (code != FSCTL_SET_REPARSE_POINT) {
    SetError(ERROR_INVALID_FUNCTION);
    return FALSE_;
  }
  auto f = OpenFileOf(device);
  if (!f) return FALSE_;
  if (out || outSize) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  // The checks of NTFS, in its order: access, volume, buffer, then the file.
  if (!(f->access & GENERIC_WRITE)) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  const std::string parent = f->host.substr(0, std::max<size_t>(1, f->host.rfind('/')));
  if (ReadOnlyVolume(parent)) {
    SetError(ERROR_WRITE_PROTECT);
    return FALSE_;
  }
  if (!CanHoldLinks(parent)) {
    SetError(ERROR_INVALID_FUNCTION);
    return FALSE_;
  }
  const auto* b = static_cast<const BYTE*>(in);
  if (!b || inSize < kReparseHeader || inSize > kMaxReparseBuffer || inSize != Get16(b + 4) + kReparseHeader) {
    SetError(ERROR_INVALID_REPARSE_DATA);
    return FALSE_;
  }
  const DWORD tag = Get32(b);
  if (tag == 0 || tag == 1) {
    SetError(ERROR_INVALID_REPARSE_DATA);
    return FALSE_;
  }
  if (tag != IO_REPARSE_TAG_MOUNT_POINT) {
    // This volume holds junctions only (as links); other kinds cannot be kept.
    SetError(ERROR_REPARSE_TAG_INVALID);
    return FALSE_;
  }
  if (!f->directory) {
    SetError(ERROR_DIRECTORY);  // a junction stands on a folder, never on a file
    return FALSE_;
  }
  // MountPointReparseBuffer: offsets and lengths of both names, in bytes,
  // inside the path buffer that starts at 16.
  constexpr DWORD kPathBuffer = 16;
  if (inSize < kPathBuffer) {
    SetError(ERROR_INVALID_REPARSE_DATA);
    return FALSE_;
  }
  const DWORD names = inSize - kPathBuffer;
  const DWORD subOff = Get16(b + 8), subLen = Get16(b + 10), printOff = Get16(b + 12), printLen = Get16(b + 14);
  if (subOff % 2 || subLen % 2 || printOff % 2 || printLen % 2 || subOff + subLen > names ||
      printOff + printLen > names || subLen < 2 * 6) {
    SetError(ERROR_INVALID_REPARSE_DATA);
    return FALSE_;
  }
  std::u16string substitute(subLen / 2, u'\0');
  for (DWORD i = 0; i < subLen / 2; ++i) substitute[i] = static_cast<char16_t>(Get16(b + kPathBuffer + subOff + 2 * i));
  // The NT form of an absolute path: "\??\X:" followed by "\..." or nothing.
  const bool ntDrive =
      substitute.compare(0, 4, u"\\??\\") == 0 && substitute.size() >= 6 && substitute[5] == u':' &&
      ((substitute[4] >= u'A' && substitute[4] <= u'Z') || (substitute[4] >= u'a' && substitute[4] <= u'z')) &&
      (substitute.size() == 6 || substitute[6] == u'\\');
  if (!ntDrive) {
    SetError(ERROR_INVALID_REPARSE_DATA);
    return FALSE_;
  }
  std::string targetText = text::Utf16ToUtf8(std::u16string_view(substitute).substr(4));
  if (targetText.size() == 2) targetText += '\\';
  WinPath wp;
  Resolved target;
  if (!ParsePath(targetText, wp, false, 32767) || !Resolve(wp, target)) {
    SetError(ERROR_PATH_NOT_FOUND);  // a drive this system does not reach
    return FALSE_;
  }
  if (!f->link && !DirectoryIsEmpty(f->host)) {
    SetError(ERROR_DIR_NOT_EMPTY);
    return FALSE_;
  }
  // Make the link beside the folder first, so that a refusal of the file
  // system leaves the folder as it was; then put it in the folder's place.
  static std::atomic<unsigned> counter{0};
  const std::string temp = parent + (parent == "/" ? "" : "/") + ".orvella-junction-" + std::to_string(::getpid()) +
                           "-" + std::to_string(counter++);
  if (::symlink(target.host.c_str(), temp.c_str()) != 0) {
    SetError(errno == EPERM || errno == EOPNOTSUPP ? ERROR_INVALID_FUNCTION : Win32FromErrno(errno));
    return FALSE_;
  }
  if (!f->link && ::rmdir(f->host.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    SetError((e == ENOTEMPTY || e == EEXIST) ? ERROR_DIR_NOT_EMPTY : Win32FromErrno(e));
    return FALSE_;
  }
  if (::rename(temp.c_str(), f->host.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    if (!f->link) ::mkdir(f->host.c_str(), 0777);  // put the empty folder back
    SetErrno(e);
    return FALSE_;
  }
  return TRUE_;
}

}  // namespace win
