// Small file helpers of the scenery order: reading the start of a file,
// stamps of files and folders, and replacing a file safely.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logic/core/errors.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

// The error given for a path that names a named pipe, a device or a socket
// where a file was looked for (ERROR_BAD_FILE_TYPE).
inline constexpr win::DWORD kNotAFile = 222;

// A file opened for reading only when it is a file of a disk: a named pipe
// or a device in its place is never read, nor waited on (its opening does not
// block either).
class RegularFile {
 public:
  explicit RegularFile(const std::string& path);
  bool ok() const { return h_.valid(); }
  // Why it could not be opened or read: the system's error, kNotAFile, or 0.
  win::DWORD error() const { return error_; }
  win::HANDLE handle() const { return h_.get(); }
  // Puts the open file's status in *out (when out is given), or
  // INVALID_FILE_ATTRIBUTES as its attributes when it is not open or gives
  // none.
  void status(win::BY_HANDLE_FILE_INFORMATION* out) const;
  // Appends up to n bytes read at the current position to out (fewer at the
  // end of the file); false when the read fails.
  bool read(std::string& out, size_t n);

 private:
  platform::FileHandle h_;
  win::DWORD error_ = 0;
};

// Up to limit bytes from the start of the file at path; nothing when it
// cannot be opened or read, or is no file (error, when given, tells why).
std::optional<std::string> ReadFileStart(const std::string& path, size_t limit, win::DWORD* error = nullptr);

// Modification time and size of a file or folder (through a link, of the
// one it leads to), folded into one number; 0 when the path does not exist.
std::uint64_t PathStamp(const std::string& path);
// The same number from the fields a listing gives (its "." entry for the
// folder listed).
std::uint64_t StampOf(const win::FILETIME& written, win::DWORD sizeHigh, win::DWORD sizeLow, win::DWORD attributes);
// The same number from an open file's status (0 when it gave none).
std::uint64_t StampOf(const win::BY_HANDLE_FILE_INFORMATION& opened);

// A failed write of one of the order's files: the message says which file
// and why (the system's text).
class EOrderWrite : public Error {
 public:
  EOrderWrite(const std::string& path, win::DWORD code);
  win::DWORD code() const { return code_; }

 private:
  win::DWORD code_;
};

// Writes bytes into a new file beside path, flushed, then renamed over path:
// a failure part way leaves the previous file whole (raises EOrderWrite).
// A file that only spares work (a memory of what was read: durable false)
// is not forced to the disk.
void ReplaceFile(const std::string& path, const std::string& bytes, bool durable = true);

}  // namespace orvella
