// Owning handles: an open file or folder (CloseHandle) and a search
// (FindClose), closed when the owner goes out of scope. close() closes
// early and says whether closing succeeded, for writers that must know.
#pragma once

#include <string_view>

#include "platform/winapi.h"

namespace platform {

template <win::BOOL (*CloseFn)(win::HANDLE)>
class OwnedHandle {
 public:
  OwnedHandle() = default;
  explicit OwnedHandle(win::HANDLE h) noexcept : h_(h) {}
  ~OwnedHandle() { close(); }
  OwnedHandle(const OwnedHandle&) = delete;
  OwnedHandle& operator=(const OwnedHandle&) = delete;
  OwnedHandle(OwnedHandle&& other) noexcept : h_(other.release()) {}
  OwnedHandle& operator=(OwnedHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }

  win::HANDLE get() const { return h_; }
  bool valid() const { return h_ != win::INVALID_HANDLE_VALUE; }
  explicit operator bool() const { return valid(); }

  // Gives the handle up without closing it.
  win::HANDLE release() noexcept {
    const win::HANDLE h = h_;
    h_ = win::INVALID_HANDLE_VALUE;
    return h;
  }
  // Closes the handle held (if any) and takes `h`.
  void reset(win::HANDLE h = win::INVALID_HANDLE_VALUE) {
    close();
    h_ = h;
  }
  // Closes now. True when nothing was open or closing succeeded; false with
  // the last error set otherwise. The handle is given up either way.
  bool close() {
    if (!valid()) return true;
    const bool ok = CloseFn(release()) != 0;
    return ok;
  }

 private:
  win::HANDLE h_ = win::INVALID_HANDLE_VALUE;
};

// An open file or folder (CreateFile).
using FileHandle = OwnedHandle<&win::CloseHandle>;
// A search (FindFirstFile).
using FindHandle = OwnedHandle<&win::FindClose>;

// Writes all of `bytes` to an open file, in as many calls as it takes.
// Answers 0, or the error of the write that failed (ERROR_DISK_FULL when a
// write takes nothing and names no error).
win::DWORD WriteWhole(win::HANDLE file, std::string_view bytes);

}  // namespace platform
