// The handle table of the POSIX backend: files, folders and searches are
// objects behind small opaque handle values, as on Windows.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>

#include <atomic>
#include <memory>
#include <string>

#include "platform/winapi.h"

namespace platform::posix {

struct Object {
  virtual ~Object() = default;
};

struct FileObject : Object {
  int fd = -1;
  std::string host;        // host path at open time
  bool directory = false;  // a folder (or a link to one) opened with backup semantics
  bool link = false;       // the link itself (FILE_FLAG_OPEN_REPARSE_POINT)
  win::DWORD access = 0;
  win::DWORD share = 0;
  dev_t dev = 0;
  ino_t ino = 0;
  mode_t mode = 0;  // the kind of what was opened (0: not known), which never changes while open
  // The status taken as a file was opened to be read (or with no access,
  // only to be asked about), answered by the first query of it when nothing
  // was done through the handle before: a query then could not have told
  // another answer (a change by another process in between is a race either
  // way). One system call less for each file that is stamped and read.
  struct stat opened {};
  std::atomic<bool> openedFresh{false};
  ~FileObject() override;
};

struct FindObject : Object {
  int dir = -1;  // the folder being read, or -1
  // Entries read from it in one go (getdents64), given from `at` to `end`.
  std::unique_ptr<char[]> buffer;
  size_t at = 0;
  size_t end = 0;
  std::string folderHost;
  std::string mask;  // UTF-8; empty: one entry already given, nothing more
  std::u32string foldedMask;
  bool matchesAll = false;  // "*" or "*.*"
  int dots = 0;             // "." and ".." still to give (2, 1 or 0)
  struct stat self {};      // the folder's own status, given with "." as Windows does
  ~FindObject() override;
};

win::HANDLE AddObject(std::shared_ptr<Object> object);
std::shared_ptr<Object> GetObject(win::HANDLE h);
std::shared_ptr<Object> TakeObject(win::HANDLE h);
// Whether an open file handle of this process on (dev, ino) forbids the
// access (read/write/delete) that another open asks for, or whose sharing
// the new open refuses.
bool SharingConflict(dev_t dev, ino_t ino, win::DWORD access, win::DWORD share, bool deleting);

// The object of type T behind a handle, or nothing.
template <class T>
std::shared_ptr<T> Get(win::HANDLE h) {
  return std::dynamic_pointer_cast<T>(GetObject(h));
}

// Sets the last error ERROR_INVALID_HANDLE; answers false.
bool InvalidHandle();

// Closes a handle whose object is a T; false, with the last error
// ERROR_INVALID_HANDLE, when the handle is not one.
template <class T>
bool CloseObjectOf(win::HANDLE h) {
  if (!Get<T>(h)) return InvalidHandle();
  TakeObject(h);
  return true;
}

// The open file or folder behind a handle; nothing, with the last error
// ERROR_INVALID_HANDLE, when the handle is not one.
std::shared_ptr<FileObject> OpenFileOf(win::HANDLE h);

}  // namespace platform::posix
