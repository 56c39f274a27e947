// The handle table of the POSIX backend and the closing of handles.
#include <dirent.h>
#include <unistd.h>

#include <cstdint>
#include <mutex>
#include <vector>

#include "platform/posix/handles.h"
#include "platform/posix/internal.h"
#include "platform/winapi.h"

namespace platform::posix {

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
  if (dir >= 0) ::close(dir);
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

bool InvalidHandle() {
  SetError(win::ERROR_INVALID_HANDLE);
  return false;
}

std::shared_ptr<FileObject> OpenFileOf(win::HANDLE h) {
  auto f = Get<FileObject>(h);
  if (!f) InvalidHandle();
  return f;
}

}  // namespace platform::posix

namespace win {

using namespace platform::posix;

BOOL CloseHandle(HANDLE h) { return CloseObjectOf<FileObject>(h) ? TRUE_ : FALSE_; }

}  // namespace win
