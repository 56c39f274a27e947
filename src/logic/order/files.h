// Small file helpers of the scenery order: reading the start of a file,
// stamps of files and folders, and replacing a file safely.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "logic/core/errors.h"

namespace orvella {

// Up to limit bytes from the start of the file at path; nothing when it
// cannot be opened or read.
std::optional<std::string> ReadFileStart(const std::string& path, size_t limit);

// Modification time and size of a file or folder, folded into one number;
// 0 when the path does not exist.
std::uint64_t PathStamp(const std::string& path);

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
void ReplaceFile(const std::string& path, const std::string& bytes);

}  // namespace orvella
