#include "logic/dm3/dm3stream.h"

#include <algorithm>
#include <cstring>

#include "logic/core/ansi.h"
#include "logic/core/errors.h"

namespace orvella::dm3 {

namespace {
constexpr std::size_t kBufferSize = 64 * 1024;
}

void Stream::ReadAt(std::uint64_t, void*, std::size_t) { throw EReadError(); }
const std::byte* Stream::ViewAt(std::uint64_t, std::size_t) { return nullptr; }
bool Stream::SkipOver(std::uint64_t) { return false; }

MemoryStream::MemoryStream(const void* data, std::size_t size)
    : data_(static_cast<const unsigned char*>(data)), size_(size) {}

MemoryStream::MemoryStream(std::string bytes)
    : owned_(std::move(bytes)), data_(reinterpret_cast<const unsigned char*>(owned_.data())), size_(owned_.size()) {}

void MemoryStream::ReadBuffer(void* buffer, std::size_t size) {
  if (size > size_ - pos_) {
    pos_ = size_;
    throw EReadError();
  }
  if (size != 0) std::memcpy(buffer, data_ + pos_, size);
  pos_ += size;
}

void MemoryStream::ReadAt(std::uint64_t pos, void* buffer, std::size_t size) {
  if (pos > size_ || size > size_ - pos) throw EReadError();
  if (size != 0) std::memcpy(buffer, data_ + pos, size);
}

const std::byte* MemoryStream::ViewAt(std::uint64_t pos, std::size_t size) {
  if (pos > size_ || size > size_ - pos) return nullptr;
  return reinterpret_cast<const std::byte*>(data_ + pos);
}

bool MemoryStream::SkipOver(std::uint64_t size) {
  if (size > size_ - pos_) return false;
  pos_ += static_cast<std::size_t>(size);
  return true;
}

platform::FileHandle FileStream::Open(const std::string& path) {
  platform::FileHandle h(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!h.valid()) {
    const win::DWORD code = win::GetLastError();
    throw EFOpenError(CatalogueText("Dm3Conv", "OuvrirFichier", "Impossible d'ouvrir le fichier \"%s\". %s",
                                    {path, OSErrorMessage(code)}));
  }
  return h;
}

FileStream::FileStream(const std::string& path) : path_(path) {
  handle_ = Open(path);
  win::DWORD high = 0;
  win::SetLastError(win::ERROR_SUCCESS);
  const win::DWORD low = win::GetFileSize(handle_.get(), &high);
  if (low == 0xFFFFFFFFu && win::GetLastError() != win::ERROR_SUCCESS) {
    const win::DWORD code = win::GetLastError();
    throw EFOpenError(CatalogueText("Dm3Conv", "OuvrirFichier", "Impossible d'ouvrir le fichier \"%s\". %s",
                                    {path, OSErrorMessage(code)}));
  }
  size_ = (static_cast<std::uint64_t>(high) << 32) | low;
  buf_ = std::make_unique<unsigned char[]>(kBufferSize);
}

FileStream::~FileStream() = default;

std::size_t FileStream::ReadFromHandle(win::HANDLE handle, void* buffer, std::size_t size, std::uint64_t& pos) {
  std::size_t total = 0;
  auto* out = static_cast<unsigned char*>(buffer);
  while (total < size) {
    const win::DWORD chunk = static_cast<win::DWORD>(std::min<std::size_t>(size - total, 1u << 30));
    win::DWORD got = 0;
    if (!win::ReadFile(handle, out + total, chunk, &got, nullptr) || got == 0) break;
    total += got;
    pos += got;
  }
  return total;
}

void FileStream::ReadAt(std::uint64_t pos, void* buffer, std::size_t size) {
  if (pos > size_ || size > size_ - pos) throw EReadError();
  if (!side_.valid() || pos < sidePos_) {
    side_.reset();
    side_ = Open(path_);
    sidePos_ = 0;
  }
  // Forwards to pos.
  while (sidePos_ < pos) {
    if (!skip_) skip_ = std::make_unique<unsigned char[]>(kBufferSize);
    const auto step = static_cast<std::size_t>(std::min<std::uint64_t>(pos - sidePos_, kBufferSize));
    if (ReadFromHandle(side_.get(), skip_.get(), step, sidePos_) != step) throw EReadError();
  }
  if (ReadFromHandle(side_.get(), buffer, size, sidePos_) != size) throw EReadError();
}

void FileStream::ReadBuffer(void* buffer, std::size_t size) {
  auto* out = static_cast<unsigned char*>(buffer);
  const std::size_t buffered = std::min(size, bufEnd_ - bufPos_);
  if (buffered != 0) std::memcpy(out, buf_.get() + bufPos_, buffered);
  bufPos_ += buffered;
  out += buffered;
  size -= buffered;
  if (size == 0) return;
  if (size >= kBufferSize) {
    // Large reads (picture blocks) go straight into the caller's memory.
    if (ReadFromFile(out, size) != size) throw EReadError();
    return;
  }
  bufPos_ = 0;
  bufEnd_ = ReadFromFile(buf_.get(), kBufferSize);
  if (bufEnd_ < size) {
    bufPos_ = bufEnd_;
    throw EReadError();
  }
  std::memcpy(out, buf_.get(), size);
  bufPos_ = size;
}

}  // namespace orvella::dm3
