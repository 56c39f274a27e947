#include "logic/order/files.h"

#include <algorithm>

#include "logic/core/ansi.h"
#include "logic/core/folders.h"
#include "logic/core/textfile.h"
#include "logic/texts/textes.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

RegularFile::RegularFile(const std::string& path)
    : h_(win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0,
                          nullptr)) {
  if (!h_.valid()) {
    error_ = win::GetLastError();
    if (error_ == 0) error_ = win::ERROR_ACCESS_DENIED;
  } else if (win::GetFileType(h_.get()) != win::FILE_TYPE_DISK) {
    h_.close();
    error_ = kNotAFile;
  }
}

void RegularFile::status(win::BY_HANDLE_FILE_INFORMATION* out) const {
  if (!out) return;
  if (!h_.valid() || !win::GetFileInformationByHandle(h_.get(), out)) {
    *out = win::BY_HANDLE_FILE_INFORMATION();
    out->dwFileAttributes = win::INVALID_FILE_ATTRIBUTES;
  }
}

bool RegularFile::read(std::string& out, size_t n) {
  if (!h_.valid()) return false;
  const size_t before = out.size();
  out.resize(before + n);
  win::DWORD got = 0;
  const bool r = win::ReadFile(h_.get(), out.data() + before, static_cast<win::DWORD>(n), &got, nullptr) != 0;
  out.resize(before + (r ? got : 0));
  if (!r) error_ = win::GetLastError() ? win::GetLastError() : win::ERROR_READ_FAULT;
  return r;
}

std::optional<std::string> ReadFileStart(const std::string& path, size_t limit, win::DWORD* error) {
  RegularFile f(path);
  if (error) *error = f.error();
  if (!f.ok()) return std::nullopt;
  std::string out;
  while (out.size() < limit) {
    const size_t before = out.size();
    if (!f.read(out, std::min<size_t>(limit - before, 65536))) {
      if (error) *error = f.error();
      return std::nullopt;
    }
    if (out.size() == before) break;
  }
  return out;
}

std::uint64_t StampOf(const win::FILETIME& written, win::DWORD sizeHigh, win::DWORD sizeLow, win::DWORD attributes) {
  std::uint64_t s = FileTimeOf(written);
  s ^= ((static_cast<std::uint64_t>(sizeHigh) << 32) | sizeLow) * 0x9E3779B97F4A7C15ull;
  s ^= attributes & win::FILE_ATTRIBUTE_DIRECTORY;
  return s | 1;  // never 0, which stands for a missing path
}

std::uint64_t StampOf(const win::BY_HANDLE_FILE_INFORMATION& opened) {
  if (opened.dwFileAttributes == win::INVALID_FILE_ATTRIBUTES) return 0;
  return StampOf(opened.ftLastWriteTime, opened.nFileSizeHigh, opened.nFileSizeLow, opened.dwFileAttributes);
}

std::uint64_t PathStamp(const std::string& path) {
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d)) return 0;
  // A link is stamped by what it leads to: its own size and time never
  // change with that file or folder. One that leads nowhere keeps its own.
  if (win::BY_HANDLE_FILE_INFORMATION target;
      (d.dwFileAttributes & win::FILE_ATTRIBUTE_REPARSE_POINT) && FollowedInformation(path, target))
    return StampOf(target);
  return StampOf(d.ftLastWriteTime, d.nFileSizeHigh, d.nFileSizeLow, d.dwFileAttributes);
}

EOrderWrite::EOrderWrite(const std::string& path, win::DWORD code)
    : Error(Text("EcrOrdre", "ImpossibleEcrire",
                 {path, win::FormatMessageA(code).empty() ? OSErrorMessage(code) : win::FormatMessageA(code)})),
      code_(code) {}

void ReplaceFile(const std::string& path, const std::string& bytes, bool durable) {
  if (const win::DWORD error = ReplaceFileContents(path, bytes, durable)) throw EOrderWrite(path, error);
}

}  // namespace orvella
