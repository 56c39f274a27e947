#include "logic/junction/reparsepoints.h"

#include <cstring>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"
#include "logic/core/interaction.h"
#include "logic/texts/textes.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
void Put16(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
  b[at] = static_cast<std::uint8_t>(v & 0xFF);
  b[at + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
void Put32(std::vector<std::uint8_t>& b, size_t at, std::uint32_t v) {
  Put16(b, at, v & 0xFFFF);
  Put16(b, at + 2, v >> 16);
}

std::u16string Wide(const std::string& s) {
  std::u16string w(s.size() + 1, u'\0');
  const int k = static_cast<int>(s.size());
  const int m = k ? win::MultiByteToWideChar(win::CP_ACP, 0, s.data(), k, w.data(), k) : 0;
  w.resize(static_cast<size_t>(m > 0 ? m : 0));
  return w;
}

// Closes the handle and, on failure, removes the directory this call made.
class JunctionScope {
 public:
  explicit JunctionScope(const std::u16string& link) : link_(link) {}
  JunctionScope(const JunctionScope&) = delete;
  JunctionScope& operator=(const JunctionScope&) = delete;
  [[noreturn]] void fail(win::DWORD code) {
    // Undo the directory first, then report the error of the step that failed.
    handle_.close();
    if (created_) win::RemoveDirectoryW(link_.c_str());
    RaiseOSError(code);
  }
  bool created_ = false;
  platform::FileHandle handle_;

 private:
  std::u16string link_;
};
}  // namespace

bool VolumeSupportsReparsePoints(const std::string& path) {
  std::string drive;
  if (path.size() >= 2 && path[1] == ':') {
    drive = path.substr(0, 2);
  } else if (path.rfind("\\\\", 0) == 0) {
    // \\server\share
    const size_t server = path.find('\\', 2);
    if (server != std::string::npos) {
      const size_t share = path.find('\\', server + 1);
      drive = share == std::string::npos ? path : path.substr(0, share);
    } else {
      drive = path;
    }
  }
  const std::string root = drive + "\\";
  win::DWORD maxComponent = 0;
  win::DWORD flags = 0;
  char fsName[256] = {};
  if (!win::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, &maxComponent, &flags, fsName, 255)) {
    UI().ShowMessage(Textes().ErrGetVolInfo.text);
    return false;
  }
  return (flags & win::FILE_SUPPORTS_REPARSE_POINTS) != 0;
}

MountPointBuffer BuildMountPointBuffer(const std::string& fullTarget) {
  const size_t n = fullTarget.size();
  MountPointBuffer buf;
  buf.bytes.assign(2 * (n + 1) + 28, 0);
  static const char16_t kPrefix[] = u"\\??\\";
  for (size_t i = 0; i < 5; ++i) Put16(buf.bytes, 16 + 2 * i, kPrefix[i]);
  std::u16string w(n, u'\0');
  const int m = n ? win::MultiByteToWideChar(win::CP_ACP, 0, fullTarget.data(), static_cast<int>(n), w.data(),
                                             static_cast<int>(n))
                  : 0;
  // A multi-byte code page gives fewer characters than bytes.
  buf.bytes.resize(2 * (static_cast<size_t>(m) + 1) + 28);
  for (int i = 0; i < m; ++i) Put16(buf.bytes, 24 + 2 * static_cast<size_t>(i), w[static_cast<size_t>(i)]);
  Put16(buf.bytes, 24 + 2 * static_cast<size_t>(m), 0);
  const std::uint32_t substituteLength = 8 + 2 * static_cast<std::uint32_t>(m);
  Put32(buf.bytes, 0, win::IO_REPARSE_TAG_MOUNT_POINT);
  Put16(buf.bytes, 10, substituteLength);
  Put16(buf.bytes, 12, substituteLength + 2);
  Put32(buf.bytes, 4, substituteLength + 12);  // ReparseDataLength, Reserved 0
  buf.passed = substituteLength + 12 + 8;
  return buf;
}

bool CreateJunction(const std::string& linkPathIn, const std::string& targetPathIn, bool exactName) {
  std::string linkPath = linkPathIn;
  if (linkPath.size() > 3 && linkPath.back() == '\\') linkPath.pop_back();
  const std::u16string wlink = Wide(linkPath);

  JunctionScope scope(wlink);
  if (exactName) {
    // The folder is made and opened in one step, by its exact name.
    scope.handle_.reset(win::CreateFileW(wlink.c_str(), win::GENERIC_WRITE, 0, nullptr, win::CREATE_NEW,
                                         win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_FLAG_BACKUP_SEMANTICS |
                                             win::FILE_FLAG_POSIX_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!scope.handle_.valid()) scope.fail(win::GetLastError());
    scope.created_ = true;
  } else {
    if (win::GetFileAttributesW(wlink.c_str()) == win::INVALID_FILE_ATTRIBUTES) {
      // A folder that cannot be made ends here, with its own reason (a
      // read-only scenery folder is "access denied", not "not found").
      if (!win::CreateDirectoryW(wlink.c_str(), nullptr)) scope.fail(win::GetLastError());
      scope.created_ = true;
    }
    scope.handle_.reset(win::CreateFileW(wlink.c_str(), win::GENERIC_WRITE, 0, nullptr, win::OPEN_EXISTING,
                                         win::FILE_FLAG_BACKUP_SEMANTICS | win::FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!scope.handle_.valid()) scope.fail(win::GetLastError());
  }

  std::string target = targetPathIn;
  if (target.size() > 3 && target.back() == '\\' && target[target.size() - 2] != ':') target.pop_back();
  // MAX_PATH counts characters; in UTF-8 one takes up to three bytes.
  std::string full(3 * win::MAX_PATH, '\0');
  const win::DWORD n =
      win::GetFullPathNameA(target.c_str(), static_cast<win::DWORD>(full.size()), full.data(), nullptr);
  if (n == 0) scope.fail(win::GetLastError());
  // A full path that does not fit the buffer was not written into it.
  if (n >= full.size()) scope.fail(win::ERROR_FILENAME_EXCED_RANGE);
  full.resize(n);
  if (AnsiLength(full) >= win::MAX_PATH) scope.fail(win::ERROR_FILENAME_EXCED_RANGE);

  MountPointBuffer buf = BuildMountPointBuffer(full);
  win::DWORD returned = 0;
  if (!win::DeviceIoControl(scope.handle_.get(), win::FSCTL_SET_REPARSE_POINT, buf.bytes.data(), buf.passed, nullptr, 0,
                            &returned, nullptr))
    scope.fail(win::GetLastError());
  return true;
}

bool IsReparsePoint(const std::string& path) {
  const win::DWORD a = win::GetFileAttributesA(path.c_str());
  if (a == win::INVALID_FILE_ATTRIBUTES) RaiseLastOSError();
  return (a & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

}  // namespace orvella
