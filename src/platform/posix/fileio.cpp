// Folders and files of the POSIX backend: making and removing folders,
// opening, reading, writing, moving and copying files.
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/posix/handles.h"
#include "platform/posix/internal.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"
#if ORVELLA_PLATFORM_TEST_HOOKS
#include "platform/testhooks.h"
#endif

namespace win {

using namespace platform::posix;

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

// Removes a file, or a junction's link, unless an open handle forbids it.
BOOL UnlinkAt(const Resolved& r) {
  if (DeleteRefused(r)) return FALSE_;
  if (::unlink(r.host.c_str()) != 0) {
    SetErrno(errno);
    return FALSE_;
  }
  return TRUE_;
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
    return UnlinkAt(r);
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
  return UnlinkAt(r);
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
      // What the path names: the resolution's own status unless it is a link.
      struct stat st = r.st;
      if (S_ISLNK(r.st.st_mode) && ::stat(r.host.c_str(), &st) != 0) {
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
        // Never without O_NONBLOCK: a named pipe or a device in place of a
        // file would hold the caller until someone writes to it (the flag
        // changes nothing for a file; GetFileType tells what was opened).
        f->fd = ::open(r.host.c_str(), (access ? rw : O_PATH) | common | O_NONBLOCK);
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
    constexpr DWORD kNewFolder = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_POSIX_SEMANTICS | FILE_ATTRIBUTE_DIRECTORY;
    if ((flags & kNewFolder) == kNewFolder) {
      // A new folder, opened as backup semantics open one.
      if (::mkdir(r.host.c_str(), 0777) != 0) {
        SetError(errno == EEXIST ? ERROR_ALREADY_EXISTS : Win32FromErrno(errno));
        return INVALID_HANDLE_VALUE;
      }
      f->fd = ::open(r.host.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      f->directory = true;
    } else {
      if (r.trailingSeparator) {
        SetError(ERROR_INVALID_NAME);
        return INVALID_HANDLE_VALUE;
      }
      f->fd = ::open(r.host.c_str(), (wantWrite ? rw : O_RDONLY) | O_CREAT | O_EXCL | common, 0666);
    }
  }
  if (f->fd < 0) {
    SetError(errno == EEXIST ? ERROR_FILE_EXISTS : Win32FromErrno(errno));
    return INVALID_HANDLE_VALUE;
  }
  struct stat st;
  if (::fstat(f->fd, &st) == 0) {
    f->dev = st.st_dev;
    f->ino = st.st_ino;
    f->mode = st.st_mode;
    // Nothing done through a handle of no access changes what it names.
    if (access == 0) {
      f->opened = st;
      f->openedFresh = true;
    }
  }
  f->host = r.host;
  HANDLE h = AddObject(std::move(f));
  SetError(existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                   : ERROR_SUCCESS);
  return h;
}

// A file opened only to be read, by a path in full form that names it
// exactly (no link, no other case): opened at once and its status taken
// from the open file, which is what resolving it first would have found.
// Anything else answers INVALID_HANDLE_VALUE, with ERROR_SHARING_VIOLATION
// only when the file is held without sharing (the caller then goes the
// general way).
HANDLE OpenExactForReading(const char* path, DWORD access, DWORD share, DWORD disposition, DWORD flags) {
  constexpr DWORD kSpecial = FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_POSIX_SEMANTICS;
  SetError(ERROR_FILE_NOT_FOUND);
  if (!path || access != GENERIC_READ || disposition != OPEN_EXISTING || (flags & kSpecial))
    return INVALID_HANDLE_VALUE;
  std::string host = ExactHost(path);
  if (host.empty()) return INVALID_HANDLE_VALUE;
  auto f = std::make_shared<FileObject>();
  // Never without O_NONBLOCK (see OpenAt); O_NOFOLLOW leaves a link to the
  // general way, which opens what it names.
  f->fd = ::open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW);
  if (f->fd < 0) return INVALID_HANDLE_VALUE;
  struct stat st;
  if (::fstat(f->fd, &st) != 0 || S_ISDIR(st.st_mode)) return INVALID_HANDLE_VALUE;
  if (SharingConflict(st.st_dev, st.st_ino, access, share, false)) {
    SetError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  f->access = access;
  f->share = share;
  f->dev = st.st_dev;
  f->ino = st.st_ino;
  f->mode = st.st_mode;
  f->opened = st;
  f->openedFresh = true;
  f->host = std::move(host);
  HANDLE h = AddObject(std::move(f));
  SetError(ERROR_SUCCESS);
  return h;
}

}  // namespace

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void*, DWORD disposition, DWORD flags, HANDLE) {
  HANDLE h = OpenExactForReading(path, access, share, disposition, flags);
  if (h == INVALID_HANDLE_VALUE) {
    if (GetLastError() == ERROR_SHARING_VIOLATION) return h;
    Resolved r;
    if (!ResolveAnsi(path, r, MAX_PATH - 1, flags & FILE_FLAG_POSIX_SEMANTICS)) return INVALID_HANDLE_VALUE;
    h = OpenAt(r, access, share, disposition, flags);
  }
#if ORVELLA_PLATFORM_TEST_HOOKS
  if (h != INVALID_HANDLE_VALUE && (access & GENERIC_READ)) platform::detail::NoteOpenedForReading(path);
#endif
  return h;
}

HANDLE CreateFileW(const WCHAR* path, DWORD access, DWORD share, void*, DWORD disposition, DWORD flags, HANDLE) {
  Resolved r;
  if (!ResolveWide(path, r, MAX_PATH - 1, flags & FILE_FLAG_POSIX_SEMANTICS)) return INVALID_HANDLE_VALUE;
  return OpenAt(r, access, share, disposition, flags);
}

BOOL GetFileInformationByHandle(HANDLE file, BY_HANDLE_FILE_INFORMATION* info) {
  if (!info) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  const auto f = OpenFileOf(file);
  if (!f) return FALSE_;
  // A link opened as itself (O_PATH, no follow) answers its own status.
  struct stat st;
  if (f->openedFresh.exchange(false)) {
    st = f->opened;
  } else if (::fstat(f->fd, &st) != 0) {
    SetErrno(errno);
    return FALSE_;
  }
  *info = BY_HANDLE_FILE_INFORMATION();
  const size_t slash = f->host.rfind('/');
  info->dwFileAttributes =
      AttributesOf(st, std::string_view(f->host).substr(slash == std::string::npos ? 0 : slash + 1), f->host);
  FillFromStat(st, *info);
  info->dwVolumeSerialNumber = static_cast<DWORD>(st.st_dev);
  info->nNumberOfLinks = static_cast<DWORD>(st.st_nlink);
  info->nFileIndexHigh = static_cast<DWORD>(static_cast<std::uint64_t>(st.st_ino) >> 32);
  info->nFileIndexLow = static_cast<DWORD>(st.st_ino & 0xFFFFFFFFu);
  return TRUE_;
}

BOOL GetFileInformationByHandleEx(HANDLE file, int infoClass, void* info, DWORD size) {
  if (infoClass != FileCaseSensitiveInfo || !info) {
    SetError(ERROR_INVALID_PARAMETER);
    return FALSE_;
  }
  if (size < sizeof(FILE_CASE_SENSITIVE_INFO)) {
    SetError(ERROR_BAD_LENGTH);
    return FALSE_;
  }
  const auto f = OpenFileOf(file);
  if (!f) return FALSE_;
  auto* out = static_cast<FILE_CASE_SENSITIVE_INFO*>(info);
  // Only a folder can tell case apart; a file's answer is its own, none.
  out->Flags = f->directory && !f->link && FolderTellsCaseApart(f->fd) ? FILE_CS_FLAG_CASE_SENSITIVE_DIR : 0;
  return TRUE_;
}

DWORD GetFinalPathNameByHandleA(HANDLE file, char* path, DWORD size, DWORD flags) {
  if (flags != (FILE_NAME_NORMALIZED | VOLUME_NAME_DOS) || (!path && size)) {
    SetError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const auto f = OpenFileOf(file);
  if (!f) return 0;
  // Where the open file is now: the system knows it by the descriptor.
  std::string host;
#ifdef __linux__
  std::vector<char> buffer(4096);
  const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(f->fd)).c_str(), buffer.data(), buffer.size());
  if (n > 0 && static_cast<size_t>(n) < buffer.size()) host.assign(buffer.data(), static_cast<size_t>(n));
#elif defined(F_GETPATH)
  char buffer[PATH_MAX];
  if (::fcntl(f->fd, F_GETPATH, buffer) == 0) host = buffer;
#endif
  if (host.empty() || host.front() != '/') {
    // Not told by the system (or no longer in any folder): the path it was
    // opened by, with every link on the way followed.
    char* real = ::realpath(f->host.c_str(), nullptr);
    if (!real) {
      SetErrno(errno);
      return 0;
    }
    host = real;
    std::free(real);
  }
  // Bytes that are not UTF-8 become '?', as in a listing (see CopyName).
  const std::string windows =
      WindowsFromHost(platform::text::IsValidUtf8(host) ? host : platform::text::ReplaceBrokenUtf8(host, '?'));
  if (windows.empty()) {
    SetError(ERROR_PATH_NOT_FOUND);
    return 0;
  }
  const std::string out = "\\\\?\\" + windows;
  if (out.size() >= size) return static_cast<DWORD>(out.size() + 1);
  std::memcpy(path, out.c_str(), out.size() + 1);
  SetError(ERROR_SUCCESS);
  return static_cast<DWORD>(out.size());
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
  f->openedFresh = false;  // a read may change the access time
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
#if ORVELLA_PLATFORM_TEST_HOOKS
  DWORD injected = 0;
  const bool limited = platform::detail::TakeWriteBudget(toWrite, allowed, injected);
#endif
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
#if ORVELLA_PLATFORM_TEST_HOOKS
  if (limited) {
    SetError(injected);
    return FALSE_;
  }
#endif
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

DWORD GetFileType(HANDLE h) {
  auto f = OpenFileOf(h);
  if (!f) return FILE_TYPE_UNKNOWN;
  mode_t mode = f->mode;
  if (mode == 0) {
    struct stat st;
    if (::fstat(f->fd, &st) != 0) {
      SetErrno(errno);
      return FILE_TYPE_UNKNOWN;
    }
    mode = st.st_mode;
  }
  SetError(ERROR_SUCCESS);
  if (S_ISREG(mode) || S_ISDIR(mode) || S_ISLNK(mode)) return FILE_TYPE_DISK;
  if (S_ISCHR(mode) || S_ISBLK(mode)) return FILE_TYPE_CHAR;
  return FILE_TYPE_PIPE;
}

BOOL SetFileAttributesA(const char* path, DWORD attributes) {
  Resolved r;
  if (!ResolveAnsi(path, r)) return FALSE_;
  if (!r.exists) {
    SetError(r.missing);
    return FALSE_;
  }
  if (S_ISLNK(r.st.st_mode)) {
    SetError(ERROR_SUCCESS);
    return TRUE_;
  }
  const mode_t writable = S_IWUSR | S_IWGRP | S_IWOTH;
  const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? (r.st.st_mode & ~writable) : (r.st.st_mode | S_IWUSR);
  if ((mode & 07777) != (r.st.st_mode & 07777) && ::chmod(r.host.c_str(), mode & 07777) != 0) {
    SetErrno(errno);
    return FALSE_;
  }
  SetError(ERROR_SUCCESS);
  return TRUE_;
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
    if (errno == EINVAL)
      SetError(131);
    else
      SetErrno(errno);
    return FALSE_;
  }
  if (newPosition) *newPosition = static_cast<std::int64_t>(at);
  SetError(ERROR_SUCCESS);
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

}  // namespace win
