// The byte streams the DM3 reader reads from: a memory buffer and a file.
// Every read is exact: a stream that ends early raises EReadError.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella::dm3 {

class Stream {
 public:
  virtual ~Stream() = default;
  // Reads exactly size bytes into buffer, or raises EReadError.
  virtual void ReadBuffer(void* buffer, std::size_t size) = 0;
  // The position of the next byte, from the start of the stream.
  virtual std::uint64_t Position() const = 0;
  // The number of bytes from the position to the end of the stream.
  virtual std::uint64_t Remaining() const = 0;
  // Whether ReadAt is offered. The reader then leaves large blocks in the
  // stream and reads them again, piece by piece, when it needs them.
  virtual bool CanReadAt() const { return false; }
  // Reads exactly size bytes from the stream position pos, without moving
  // the position that ReadBuffer reads from; EReadError when the stream does
  // not hold them all. Reads at increasing positions are the cheap ones. The
  // base offers none: it raises EReadError.
  virtual void ReadAt(std::uint64_t pos, void* buffer, std::size_t size);
  // Where the stream can point at its bytes (memory, a mapped file): a view
  // of size bytes from the stream position pos, valid until the next ViewAt
  // or the stream's end; null otherwise, or when the bytes are not all there
  // (the reader then uses ReadAt). The base offers none.
  virtual const std::byte* ViewAt(std::uint64_t pos, std::size_t size);
  // Moves the position size bytes on without reading them, when the stream
  // can (size is at most Remaining); false otherwise, and nothing moves.
  virtual bool SkipOver(std::uint64_t size);
};

// Reads from a buffer in memory: borrowed (the caller keeps it alive) or
// owned (moved in).
class MemoryStream : public Stream {
 public:
  MemoryStream(const void* data, std::size_t size);
  explicit MemoryStream(std::string bytes);
  void ReadBuffer(void* buffer, std::size_t size) override;
  std::uint64_t Position() const override { return pos_; }
  std::uint64_t Remaining() const override { return size_ - pos_; }
  // Moves the position (clamped to the end).
  void Seek(std::uint64_t pos) { pos_ = pos < size_ ? static_cast<std::size_t>(pos) : size_; }
  bool CanReadAt() const override { return true; }
  void ReadAt(std::uint64_t pos, void* buffer, std::size_t size) override;
  const std::byte* ViewAt(std::uint64_t pos, std::size_t size) override;
  bool SkipOver(std::uint64_t size) override;

 private:
  std::string owned_;
  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

// Reads a file through the platform layer, buffered for the many small reads
// of the tag structure; large reads go straight into the caller's buffer.
// ReadAt reads through a second handle of the same file, opened at the first
// ReadAt; the platform layer moves a handle only forwards, so going back opens
// that handle again and reads up to the position.
class FileStream : public Stream {
 public:
  // Opens a file (Windows path) for reading; EFOpenError when it cannot.
  explicit FileStream(const std::string& path);
  ~FileStream() override;
  FileStream(const FileStream&) = delete;
  FileStream& operator=(const FileStream&) = delete;

  void ReadBuffer(void* buffer, std::size_t size) override;
  std::uint64_t Position() const override { return filePos_ - (bufEnd_ - bufPos_); }
  std::uint64_t Remaining() const override { return size_ - Position(); }
  bool CanReadAt() const override { return true; }
  void ReadAt(std::uint64_t pos, void* buffer, std::size_t size) override;

 private:
  // Reads up to size bytes from handle at its position, which advances;
  // answers the count.
  static std::size_t ReadFromHandle(win::HANDLE handle, void* buffer, std::size_t size, std::uint64_t& pos);
  std::size_t ReadFromFile(void* buffer, std::size_t size) {
    return ReadFromHandle(handle_.get(), buffer, size, filePos_);
  }
  static platform::FileHandle Open(const std::string& path);

  std::string path_;
  platform::FileHandle handle_;
  // The handle of ReadAt and its position.
  platform::FileHandle side_;
  std::uint64_t sidePos_ = 0;
  std::unique_ptr<unsigned char[]> skip_;
  std::uint64_t size_ = 0;
  std::uint64_t filePos_ = 0;  // position of the file handle
  std::unique_ptr<unsigned char[]> buf_;
  std::size_t bufPos_ = 0;
  std::size_t bufEnd_ = 0;
};

}  // namespace orvella::dm3
