// Attributes, enumeration, files and folders, junctions and volumes of the
// POSIX backend.
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/posix/handles.h"
#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/writefaults.h"
#include "platform/winapi.h"

namespace platform::posix {

// --- Handle table -------------------------------------------------------------

namespace {
std::mutex gHandleMutex;
std::vector<std::shared_ptr<Object>> gHandles;

std::size_t IndexOf(win::HANDLE h) {
  const auto v = reinterpret_cast<std::uintptr_t>(h);
  if (v == 0 || v % 4 != 0) return static_cast<std::size_t>(-1);
  return v / 4 - 1;
}
}  // namespace

FileObject::~FileObject() {
  if (fd >= 0) ::close(fd);
}

FindObject::~FindObject() {
  if (dir) ::closedir(dir);
}

win::HANDLE AddObject(std::shared_ptr<Object> object) {
  std::lock_guard lock(gHandleMutex);
  std::size_t i = 0;
  while (i < gHandles.size() && gHandles[i]) ++i;
  if (i == gHandles.size()) gHandles.emplace_back();
  gHandles[i] = std::move(object);
  return reinterpret_cast<win::HANDLE>((i + 1) * 4);
}

std::shared_ptr<Object> GetObject(win::HANDLE h) {
  std::lock_guard lock(gHandleMutex);
  const std::size_t i = IndexOf(h);
  return i < gHandles.size() ? gHandles[i] : nullptr;
}

std::shared_ptr<Object> TakeObject(win::HANDLE h) {
  std::lock_guard lock(gHandleMutex);
  const std::size_t i = IndexOf(h);
  if (i >= gHandles.size()) return nullptr;
  return std::move(gHandles[i]);
}

bool SharingConflict(dev_t dev, ino_t ino, win::DWORD access, win::DWORD share, bool deleting) {
  const bool wantRead = access & win::GENERIC_READ;
  const bool wantWrite = access & win::GENERIC_WRITE;
  std::lock_guard lock(gHandleMutex);
  for (const auto& o : gHandles) {
    const auto* f = dynamic_cast<const FileObject*>(o.get());
    if (!f || f->dev != dev || f->ino != ino) continue;
    if (deleting) {
      if (!(f->share & win::FILE_SHARE_DELETE)) return true;
      continue;
    }
    if ((wantRead && !(f->share & win::FILE_SHARE_READ)) || (wantWrite && !(f->share & win::FILE_SHARE_WRITE)))
      return true;
    if (((f->access & win::GENERIC_READ) && !(share & win::FILE_SHARE_READ)) ||
        ((f->access & win::GENERIC_WRITE) && !(share & win::FILE_SHARE_WRITE)))
      return true;
  }
  return false;
}

// --- Volumes -------------------------------------------------------------------

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
    case kMsdosMagic: return "FAT32";
    case kExfatMagic: return "exFAT";
    case kIso9660Magic: return "CDFS";
    case kUdfMagic: return "UDF";
    default: return "NTFS";
  }
}

bool ReadOnlyVolume(const std::string& hostPath) {
  struct statvfs sv;
  return ::statvfs(hostPath.c_str(), &sv) == 0 && (sv.f_flag & ST_RDONLY);
}

// --- Helpers ---------------------------------------------------------------------

std::string BaseName(const std::string& host) {
  const size_t s = host.rfind('/');
  return s == std::string::npos ? host : host.substr(s + 1);
}

// A host name as the ANSI (UTF-8) name of a listing. Bytes that are not
// UTF-8 have no character to stand for: each becomes '?', as Windows gives
// a character its code page cannot hold, and the program knows such a name
// for one it cannot use. A name is never cut inside a character.
void CopyName(const std::string& utf8, char (&dst)[win::MAX_PATH]) {
  std::string a = text::ReplaceBrokenUtf8(utf8, '?');
  if (a.size() >= win::MAX_PATH) a.resize(text::Utf8CutLength(a, win::MAX_PATH - 1));
  std::memcpy(dst, a.c_str(), a.size() + 1);
}

void FillFromStat(const struct stat& st, win::WIN32_FIND_DATAA& d) {
  if (!S_ISDIR(st.st_mode) && !S_ISLNK(st.st_mode)) {
    const auto size = static_cast<std::uint64_t>(st.st_size);
    d.nFileSizeHigh = static_cast<win::DWORD>(size >> 32);
    d.nFileSizeLow = static_cast<win::DWORD>(size & 0xFFFFFFFFu);
  }
  d.ftCreationTime = FileTimeOf(st.st_ctim);
  d.ftLastAccessTime = FileTimeOf(st.st_atim);
  d.ftLastWriteTime = FileTimeOf(st.st_mtim);
}

// Windows wildcard matching, without regard to case: '*' any run, '?' one
// character; a mask ending in ".*" also takes names without an extension,
// and one ending in "." takes only names without one.
bool MatchMask(std::u32string_view mask, std::u32string_view name) {
  size_t m = 0, n = 0, starM = std::u32string_view::npos, starN = 0;
  while (n < name.size()) {
    if (m < mask.size() && (mask[m] == U'?' || mask[m] == name[n])) {
      ++m, ++n;
    } else if (m < mask.size() && mask[m] == U'*') {
      starM = m++;
      starN = n;
    } else if (starM != std::u32string_view::npos) {
      m = starM + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (m < mask.size() && mask[m] == U'*') ++m;
  return m == mask.size();
}

std::u32string Folded(std::string_view utf8) {
  std::u32string r;
  for (size_t i = 0; i < utf8.size();) r += text::FoldCase(text::DecodeUtf8(utf8, i));
  return r;
}

bool NameMatches(const FindObject& f, const std::string& name) {
  if (f.matchesAll) return true;
  const std::u32string& mask = f.foldedMask;
  const std::u32string n = Folded(name);
  if (MatchMask(mask, n)) return true;
  const bool noDot = n.find(U'.') == std::u32string::npos;
  if (noDot && mask.size() >= 2 && mask.compare(mask.size() - 2, 2, U".*") == 0)
    return MatchMask(std::u32string_view(mask).substr(0, mask.size() - 2), n);
  if (noDot && !mask.empty() && mask.back() == U'.')
    return MatchMask(std::u32string_view(mask).substr(0, mask.size() - 1), n);
  return false;
}

// The next entry of a search, or false at its end.
bool NextEntry(FindObject& f, win::WIN32_FIND_DATAA& d) {
  d = win::WIN32_FIND_DATAA();
  if (f.dots > 0) {
    const bool dot = f.dots == 2;
    --f.dots;
    if (NameMatches(f, dot ? "." : "..")) {
      d.dwFileAttributes = win::FILE_ATTRIBUTE_DIRECTORY;
      std::strcpy(d.cFileName, dot ? "." : "..");
      return true;
    }
  }
  if (!f.dir) return false;
  while (dirent* e = ::readdir(f.dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == ".." || !NameMatches(f, name)) continue;
    const int dfd = ::dirfd(f.dir);
    win::DWORD a = 0;
    struct stat st;
    switch (e->d_type) {
      case DT_DIR: a = win::FILE_ATTRIBUTE_DIRECTORY; break;
      case DT_REG: a = win::FILE_ATTRIBUTE_ARCHIVE; break;
      case DT_LNK: {
        // A link needs its target's kind: a folder, or gone, makes it a folder.
        const bool file = ::fstatat(dfd, e->d_name, &st, 0) == 0 && !S_ISDIR(st.st_mode);
        a = win::FILE_ATTRIBUTE_REPARSE_POINT | (file ? win::FILE_ATTRIBUTE_ARCHIVE : win::FILE_ATTRIBUTE_DIRECTORY);
        break;
      }
      default:
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;  // vanished meanwhile
        a = AttributesOf(st, name, f.folderHost + "/" + name);
        FillFromStat(st, d);
        break;
    }
    // A dot hides a name, never a link's (see AttributesOf).
    if (name.size() > 1 && name[0] == '.' && !(a & win::FILE_ATTRIBUTE_REPARSE_POINT)) a |= win::FILE_ATTRIBUTE_HIDDEN;
    d.dwFileAttributes = a;
    CopyName(name, d.cFileName);
    return true;
  }
  return false;
}

bool IsFolderLike(const Resolved& r) {
  if (S_ISDIR(r.st.st_mode)) return true;
  if (!S_ISLNK(r.st.st_mode)) return false;
  struct stat st;
  return ::stat(r.host.c_str(), &st) != 0 || S_ISDIR(st.st_mode);
}

bool ReadOnlyFile(const struct stat& st) {
  return S_ISREG(st.st_mode) && !(st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH));
}

template <class T>
std::shared_ptr<T> Get(win::HANDLE h) {
  return std::dynamic_pointer_cast<T>(GetObject(h));
}

}  // namespace

}  // namespace platform::posix

namespace win {

using namespace platform::posix;
namespace text = platform::text;

DWORD GetFileAttributesA(const char* path) {
  Resolved r;
  if (!ResolveAnsi(path, r)) return INVALID_FILE_ATTRIBUTES;
  if (!r.exists) {
    SetError(r.missing);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);  // "file.txt\" names no file
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(r.st, r.isRoot ? std::string() : BaseName(r.host), r.host);
}

BOOL GetFileAttributesExA(const char* path, int infoLevel, WIN32_FILE_ATTRIBUTE_DATA* data) {
  if (infoLevel != GetFileExInfoStandard || !data) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  Resolved r;
  if (!ResolveAnsi(path, r)) return FALSE_;
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);
    return FALSE_;
  }
  const DWORD attributes = AttributesOf(r.st, r.isRoot ? std::string() : BaseName(r.host), r.host);
  WIN32_FIND_DATAA d;
  FillFromStat(r.st, d);
  *data = WIN32_FILE_ATTRIBUTE_DATA();
  data->dwFileAttributes = attributes;
  data->ftCreationTime = d.ftCreationTime;
  data->ftLastAccessTime = d.ftLastAccessTime;
  data->ftLastWriteTime = d.ftLastWriteTime;
  data->nFileSizeHigh = d.nFileSizeHigh;
  data->nFileSizeLow = d.nFileSizeLow;
  SetError(ERROR_SUCCESS);
  return TRUE_;
}

DWORD GetFileAttributesW(const WCHAR* path) {
  Resolved r;
  if (!ResolveWide(path, r)) return INVALID_FILE_ATTRIBUTES;
  if (!r.exists) {
    SetError(r.missing);
    return INVALID_FILE_ATTRIBUTES;
  }
  if (r.trailingSeparator && !IsFolderLike(r)) {
    SetError(ERROR_INVALID_NAME);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(r.st, r.isRoot ? std::string() : BaseName(r.host), r.host);
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::string p = pattern;
  if (text::Utf8ToUtf16(p).size() >= MAX_PATH) {
    SetError(ERROR_FILENAME_EXCED_RANGE);
    return INVALID_HANDLE_VALUE;
  }
  for (char& c : p)
    if (c == '/') c = '\\';
  const size_t sep = p.rfind('\\');
  std::string folder = sep == std::string::npos ? std::string() : p.substr(0, sep + 1);
  const std::string mask = sep == std::string::npos ? p : p.substr(sep + 1);
  if (sep == std::string::npos && p.size() >= 2 && p[1] == ':') folder = p.substr(0, 2);
  if (mask.empty() || (sep == std::string::npos && p.size() == 2 && p[1] == ':')) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto find = std::make_shared<FindObject>();
  if (mask.find_first_of("*?") == std::string::npos) {
    // One name: look it up directly, without reading the folder.
    WinPath wp;
    Resolved r;
    if (!ParsePath(p, wp) || !Resolve(wp, r)) return INVALID_HANDLE_VALUE;
    if (!r.exists || r.isRoot) {
      SetError(r.exists ? ERROR_FILE_NOT_FOUND : r.missing);
      return INVALID_HANDLE_VALUE;
    }
    *data = WIN32_FIND_DATAA();
    const std::string name = BaseName(r.host);
    data->dwFileAttributes = AttributesOf(r.st, name, r.host);
    FillFromStat(r.st, *data);
    CopyName(name, data->cFileName);
    return AddObject(std::move(find));
  }
  WinPath wp;
  Resolved r;
  if (!ParsePath(folder.empty() ? std::string(".") : folder, wp) || !Resolve(wp, r)) return INVALID_HANDLE_VALUE;
  if (!r.exists) {
    SetError(ERROR_PATH_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  for (char c : mask) {
    if (static_cast<unsigned char>(c) < 32 || c == '<' || c == '>' || c == '"' || c == '|' || c == ':') {
      SetError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
  }
  find->dir = ::opendir(r.host.c_str());
  if (!find->dir) {
    SetError(errno == ENOTDIR ? ERROR_DIRECTORY : errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32FromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  find->folderHost = r.host == "/" ? std::string() : r.host;
  find->mask = mask;
  find->foldedMask = Folded(mask);
  find->matchesAll = find->foldedMask == U"*" || find->foldedMask == U"*.*";
  find->dots = r.isRoot ? 0 : 2;  // a drive's root has no "." and ".."
  if (!NextEntry(*find, *data)) {
    SetError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  return AddObject(std::move(find));
}

BOOL FindNextFileA(HANDLE h, WIN32_FIND_DATAA* data) {
  auto find = Get<FindObject>(h);
  if (!find || !data) {
    SetError(find ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
    return FALSE_;
  }
  if (find->mask.empty() || !NextEntry(*find, *data)) {
    SetError(ERROR_NO_MORE_FILES);
    return FALSE_;
  }
  return TRUE_;
}

BOOL FindClose(HANDLE h) {
  if (!Get<FindObject>(h)) {
    SetError(ERROR_INVALID_HANDLE);
    return FALSE_;
  }
  TakeObject(h);
  return TRUE_;
}

// --- Folders --------------------------------------------------------------------

namespace {

BOOL CreateDirectoryAt(const Resolved& r) {
  if (r.exists) {
    SetError(ERROR_ALREADY_EXISTS);
    return FALSE_;
  }
  if (r.missing != ERROR_FILE_NOT_FOUND) {
    SetError(r.missing);
    return FALSE_;
  }
  if (::mkdir(r.host.c_str(), 0777) != 0) {
    SetError(errno == EEXIST ? ERROR_ALREADY_EXISTS : errno == ENOENT ? ERROR_PATH_NOT_FOUND : Win32FromErrno(errno));
    return FALSE_;
  }
  return TRUE_;
}

bool DeleteRefused(const Resolved& r) {
  if (SharingConflict(r.st.st_dev, r.st.st_ino, 0, 0, true)) {
    SetError(ERROR_SHARING_VIOLATION);
    return true;
  }
  return false;
}

BOOL RemoveDirectoryAt(const Resolved& r) {
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  if (r.isRoot) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (S_ISLNK(r.st.st_mode)) {
    // A junction: remove the link only, never what it points to.
    struct stat target;
    if (::stat(r.host.c_str(), &target) == 0 && !S_ISDIR(target.st_mode)) {
      SetError(ERROR_DIRECTORY);
      return FALSE_;
    }
    if (DeleteRefused(r)) return FALSE_;
    if (::unlink(r.host.c_str()) != 0) {
      SetErrno(errno);
      return FALSE_;
    }
    return TRUE_;
  }
  if (!S_ISDIR(r.st.st_mode)) {
    SetError(ERROR_DIRECTORY);
    return FALSE_;
  }
  if (DeleteRefused(r)) return FALSE_;
  if (::rmdir(r.host.c_str()) != 0) {
    SetError((errno == ENOTEMPTY || errno == EEXIST) ? ERROR_DIR_NOT_EMPTY : Win32FromErrno(errno));
    return FALSE_;
  }
  return TRUE_;
}

// CreateDirectory refuses paths that leave no room for an 8.3 name.
constexpr size_t kMaxDirectoryPath = MAX_PATH - 12 - 1;

}  // namespace

BOOL CreateDirectoryA(const char* path, void*) {
  Resolved r;
  if (!ResolveAnsi(path, r, kMaxDirectoryPath)) return FALSE_;
  return CreateDirectoryAt(r);
}

BOOL CreateDirectoryW(const WCHAR* path, void*) {
  Resolved r;
  if (!ResolveWide(path, r, kMaxDirectoryPath)) return FALSE_;
  return CreateDirectoryAt(r);
}

BOOL RemoveDirectoryA(const char* path) {
  Resolved r;
  if (!ResolveAnsi(path, r)) return FALSE_;
  return RemoveDirectoryAt(r);
}

BOOL RemoveDirectoryW(const WCHAR* path) {
  Resolved r;
  if (!ResolveWide(path, r)) return FALSE_;
  return RemoveDirectoryAt(r);
}

BOOL DeleteFileA(const char* path) {
  Resolved r;
  if (!ResolveAnsi(path, r)) return FALSE_;
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  // Folders, junctions among them, and read-only files are not deleted.
  if (IsFolderLike(r) || ReadOnlyFile(r.st)) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (DeleteRefused(r)) return FALSE_;
  if (::unlink(r.host.c_str()) != 0) {
    SetErrno(errno);
    return FALSE_;
  }
  return TRUE_;
}

// --- Files ------------------------------------------------------------------------

namespace {

HANDLE OpenAt(const Resolved& r, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) {
    SetError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  auto f = std::make_shared<FileObject>();
  f->access = access;
  f->share = share;
  const bool wantWrite = access & GENERIC_WRITE;
  const bool wantRead = access & GENERIC_READ;
  const int rw = wantWrite ? (wantRead ? O_RDWR : O_WRONLY) : O_RDONLY;
  const int common = O_CLOEXEC | ((flags & FILE_FLAG_WRITE_THROUGH) ? O_DSYNC : 0);
  bool existed = r.exists;
  if (r.exists) {
    if (disposition == CREATE_NEW) {
      SetError(ERROR_FILE_EXISTS);
      return INVALID_HANDLE_VALUE;
    }
    if (S_ISLNK(r.st.st_mode) && (flags & FILE_FLAG_OPEN_REPARSE_POINT)) {
      // The link itself, the way a junction is opened to be changed.
      if (!IsFolderLike(r) || !(flags & FILE_FLAG_BACKUP_SEMANTICS)) {
        SetError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
      }
      f->fd = ::open(r.host.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
      f->link = f->directory = true;
    } else {
      struct stat st;
      if (::stat(r.host.c_str(), &st) != 0) {
        SetError(ERROR_FILE_NOT_FOUND);  // a link whose target is gone
        return INVALID_HANDLE_VALUE;
      }
      if (S_ISDIR(st.st_mode)) {
        if (!(flags & FILE_FLAG_BACKUP_SEMANTICS) || disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) {
          SetError(ERROR_ACCESS_DENIED);
          return INVALID_HANDLE_VALUE;
        }
        f->fd = ::open(r.host.c_str(), O_RDONLY | O_DIRECTORY | common);
        f->directory = true;
      } else {
        if (r.trailingSeparator) {
          SetError(ERROR_INVALID_NAME);
          return INVALID_HANDLE_VALUE;
        }
        if (wantWrite && ReadOnlyFile(st)) {
          SetError(ERROR_ACCESS_DENIED);
          return INVALID_HANDLE_VALUE;
        }
        if (SharingConflict(st.st_dev, st.st_ino, access, share, false)) {
          SetError(ERROR_SHARING_VIOLATION);
          return INVALID_HANDLE_VALUE;
        }
        f->fd = ::open(r.host.c_str(), (access ? rw : O_PATH) | common);
        if (f->fd >= 0 && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING)) {
          if (disposition == TRUNCATE_EXISTING && !wantWrite) {
            SetError(ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
          }
          if (::ftruncate(f->fd, 0) != 0) {
            SetErrno(errno);
            return INVALID_HANDLE_VALUE;
          }
        }
      }
    }
  } else {
    if (r.missing != ERROR_FILE_NOT_FOUND) {
      SetError(r.missing);
      return INVALID_HANDLE_VALUE;
    }
    if (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING) {
      SetError(ERROR_FILE_NOT_FOUND);
      return INVALID_HANDLE_VALUE;
    }
    if (r.trailingSeparator) {
      SetError(ERROR_INVALID_NAME);
      return INVALID_HANDLE_VALUE;
    }
    f->fd = ::open(r.host.c_str(), (wantWrite ? rw : O_RDONLY) | O_CREAT | O_EXCL | common, 0666);
  }
  if (f->fd < 0) {
    SetError(errno == EEXIST ? ERROR_FILE_EXISTS : Win32FromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (::fstat(f->fd, &st) == 0) {
    f->dev = st.st_dev;
    f->ino = st.st_ino;
  }
  f->host = r.host;
  HANDLE h = AddObject(std::move(f));
  SetError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
  return h;
}

std::shared_ptr<FileObject> OpenFileOf(HANDLE h) {
  auto f = Get<FileObject>(h);
  if (!f) SetError(ERROR_INVALID_HANDLE);
  return f;
}

}  // namespace

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void*, DWORD disposition, DWORD flags, HANDLE) {
  Resolved r;
  if (!ResolveAnsi(path, r)) return INVALID_HANDLE_VALUE;
  return OpenAt(r, access, share, disposition, flags);
}

HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD share, void*, DWORD disposition, DWORD flags, HANDLE) {
  Resolved r;
  if (!ResolveWide(path, r)) return INVALID_HANDLE_VALUE;
  return OpenAt(r, access, share, disposition, flags);
}

namespace {
// The open file behind a handle, when it is a file opened with `access`;
// otherwise nothing, with the error Windows gives.
std::shared_ptr<FileObject> FileOpenedFor(HANDLE h, DWORD access) {
  auto f = OpenFileOf(h);
  if (!f) return f;
  if (f->directory) {
    SetError(ERROR_INVALID_FUNCTION);
    return nullptr;
  }
  if (!(f->access & access)) {
    SetError(ERROR_ACCESS_DENIED);
    return nullptr;
  }
  return f;
}
}  // namespace

BOOL ReadFile(HANDLE h, void* buffer, DWORD toRead, DWORD* read, void*) {
  if (read) *read = 0;
  auto f = FileOpenedFor(h, GENERIC_READ);
  if (!f) return FALSE_;
  auto* p = static_cast<char*>(buffer);
  DWORD done = 0;
  while (done < toRead) {
    const ssize_t n = ::read(f->fd, p + done, toRead - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      if (read) *read = done;
      SetErrno(errno);
      return FALSE_;
    }
    if (n == 0) break;
    done += static_cast<DWORD>(n);
  }
  if (read) *read = done;
  return TRUE_;
}

BOOL WriteFile(HANDLE h, const void* buffer, DWORD toWrite, DWORD* written, void*) {
  if (written) *written = 0;
  auto f = FileOpenedFor(h, GENERIC_WRITE);
  if (!f) return FALSE_;
  std::uint64_t allowed = toWrite;
  DWORD injected = 0;
  const bool limited = platform::detail::TakeWriteBudget(toWrite, allowed, injected);
  const auto* p = static_cast<const char*>(buffer);
  DWORD done = 0;
  while (done < allowed) {
    const ssize_t n = ::write(f->fd, p + done, static_cast<size_t>(allowed - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      if (written) *written = done;
      SetErrno(errno);
      return FALSE_;
    }
    done += static_cast<DWORD>(n);
  }
  if (written) *written = done;
  if (limited) {
    SetError(injected);
    return FALSE_;
  }
  return TRUE_;
}

BOOL FlushFileBuffers(HANDLE h) {
  auto f = OpenFileOf(h);
  if (!f) return FALSE_;
  if (!(f->access & GENERIC_WRITE)) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (::fsync(f->fd) != 0) {
    SetErrno(errno);
    return FALSE_;
  }
  return TRUE_;
}

DWORD GetFileSize(HANDLE h, DWORD* high) {
  auto f = OpenFileOf(h);
  if (!f) return INVALID_FILE_SIZE;
  struct stat st;
  if (::fstat(f->fd, &st) != 0) {
    SetErrno(errno);
    return INVALID_FILE_SIZE;
  }
  const auto size = static_cast<std::uint64_t>(f->directory ? 0 : st.st_size);
  if (high) *high = static_cast<DWORD>(size >> 32);
  SetError(ERROR_SUCCESS);
  return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL SetFilePointerEx(HANDLE h, std::int64_t distance, std::int64_t* newPosition, DWORD method) {
  auto f = OpenFileOf(h);
  if (!f) return FALSE_;
  if (f->directory || method > FILE_END) {
    SetError(f->directory ? ERROR_INVALID_FUNCTION : ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  const int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : SEEK_END;
  // Windows refuses a position before the start with ERROR_NEGATIVE_SEEK (131).
  const off_t at = ::lseek(f->fd, static_cast<off_t>(distance), whence);
  if (at < 0) {
    if (errno == EINVAL) SetError(131);
    else SetErrno(errno);
    return FALSE_;
  }
  if (newPosition) *newPosition = static_cast<std::int64_t>(at);
  SetError(ERROR_SUCCESS);
  return TRUE_;
}

BOOL CloseHandle(HANDLE h) {
  if (!Get<FileObject>(h)) {
    SetError(ERROR_INVALID_HANDLE);
    return FALSE_;
  }
  TakeObject(h);
  return TRUE_;
}

BOOL MoveFileExA(const char* existing, const char* replacement, DWORD flags) {
  Resolved from;
  Resolved to;
  if (!replacement) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  if (!ResolveAnsi(existing, from) || !ResolveAnsi(replacement, to)) return FALSE_;
  if (!from.exists) {
    SetError(from.missing);
    return FALSE_;
  }
  if (from.isRoot || to.isRoot) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (!to.exists && to.missing != ERROR_FILE_NOT_FOUND) {
    SetError(to.missing);
    return FALSE_;
  }
  std::string target = to.host;
  if (to.exists) {
    if (to.st.st_dev == from.st.st_dev && to.st.st_ino == from.st.st_ino) {
      // The same entry under another spelling: a change of letter case.
      target = to.parentHost + (to.parentHost == "/" ? "" : "/") + to.name;
    } else if (!(flags & MOVEFILE_REPLACE_EXISTING)) {
      SetError(ERROR_ALREADY_EXISTS);
      return FALSE_;
    } else if (IsFolderLike(to) || IsFolderLike(from) || ReadOnlyFile(to.st)) {
      SetError(ERROR_ACCESS_DENIED);
      return FALSE_;
    }
  }
  if (DeleteRefused(from)) return FALSE_;
  const bool replace = to.exists;
  int rc = replace ? ::rename(from.host.c_str(), target.c_str())
                   : ::renameat2(AT_FDCWD, from.host.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
  if (rc != 0 && !replace && errno == EINVAL) rc = ::rename(from.host.c_str(), target.c_str());
  if (rc == 0) return TRUE_;
  if (errno == EXDEV && (flags & MOVEFILE_COPY_ALLOWED) && S_ISREG(from.st.st_mode)) {
    if (!CopyFileA(existing, replacement, FALSE_)) return FALSE_;
    if (::unlink(from.host.c_str()) != 0) {
      SetErrno(errno);
      return FALSE_;
    }
    return TRUE_;
  }
  SetError(errno == EEXIST ? ERROR_ALREADY_EXISTS : Win32FromErrno(errno));
  return FALSE_;
}

BOOL CopyFileA(const char* existing, const char* target, BOOL failIfExists) {
  Resolved from;
  Resolved to;
  if (!ResolveAnsi(existing, from) || !ResolveAnsi(target, to)) return FALSE_;
  if (!from.exists) {
    SetError(from.missing);
    return FALSE_;
  }
  if (IsFolderLike(from)) {
    SetError(ERROR_ACCESS_DENIED);
    return FALSE_;
  }
  if (to.exists) {
    if (failIfExists) {
      SetError(ERROR_FILE_EXISTS);
      return FALSE_;
    }
    if (IsFolderLike(to) || ReadOnlyFile(to.st)) {
      SetError(ERROR_ACCESS_DENIED);
      return FALSE_;
    }
  } else if (to.missing != ERROR_FILE_NOT_FOUND) {
    SetError(to.missing);
    return FALSE_;
  }
  const int in = ::open(from.host.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    SetErrno(errno);
    return FALSE_;
  }
  struct stat st;
  ::fstat(in, &st);
  const int out = ::open(to.host.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, st.st_mode & 0777);
  if (out < 0) {
    const int e = errno;
    ::close(in);
    SetErrno(e);
    return FALSE_;
  }
  char buf[65536];
  int error = 0;
  for (;;) {
    const ssize_t n = ::read(in, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n < 0) error = errno;
      break;
    }
    for (ssize_t off = 0; off < n && !error;) {
      const ssize_t w = ::write(out, buf + off, static_cast<size_t>(n - off));
      if (w < 0 && errno != EINTR) error = errno;
      if (w > 0) off += w;
    }
    if (error) break;
  }
  if (!error) {
    const struct timespec times[2] = {st.st_atim, st.st_mtim};
    ::futimens(out, times);
    ::fchmod(out, st.st_mode & 0777);
  }
  ::close(in);
  if (::close(out) != 0 && !error) error = errno;
  if (error) {
    ::unlink(to.host.c_str());  // no half-copied file is left behind
    SetErrno(error);
    return FALSE_;
  }
  return TRUE_;
}

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
  const bool ntDrive = substitute.compare(0, 4, u"\\??\\") == 0 && substitute.size() >= 6 && substitute[5] == u':' &&
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

// --- Volumes --------------------------------------------------------------------------

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
