// The DM3 image handler of Qt's image machinery, and the reader's stream over
// a QIODevice.
#pragma once

#include <QImageIOHandler>
#include <QString>

#include "logic/dm3/dm3stream.h"

class QIODevice;

namespace orvella {

// The format and file extension under which Qt's image machinery
// (QImageReader, QImage::load, QPixmap) knows DM3 pictures.
inline constexpr const char* kDm3Format = "dm3";

// Reads a random-access QIODevice from its current position. ReadAt moves
// the device to the position asked and back; ViewAt maps a piece of a file
// (QFileDevice), one at a time, or points into a QBuffer's bytes.
class IODeviceStream : public dm3::Stream {
 public:
  explicit IODeviceStream(QIODevice& device) : device_(device) {}
  ~IODeviceStream() override;
  IODeviceStream(const IODeviceStream&) = delete;
  IODeviceStream& operator=(const IODeviceStream&) = delete;
  void ReadBuffer(void* buffer, std::size_t size) override;
  std::uint64_t Position() const override;
  std::uint64_t Remaining() const override;
  bool CanReadAt() const override;
  void ReadAt(std::uint64_t pos, void* buffer, std::size_t size) override;
  const std::byte* ViewAt(std::uint64_t pos, std::size_t size) override;
  bool SkipOver(std::uint64_t size) override;

 private:
  void unmap();

  QIODevice& device_;
  uchar* mapped_ = nullptr;  // the current view of a QFileDevice
};

// Loads a DM3 picture through TDM3Image into an 8-bit indexed QImage with
// the grey palette. Loading writes "DM3_Tags.txt" in the current directory,
// as the program and dm3conv do, unless the handler is told not to (the
// plugin module that other Qt programs load writes nothing).
// A random-access device is read in pieces and the image takes over the
// reader's bitmap, so the picture is in memory once; a sequential device is
// read whole first.
class Dm3ImageIOHandler : public QImageIOHandler {
 public:
  bool canRead() const override;
  bool read(QImage* image) override;

  // Whether the device starts with a DM3 version 3 header. Only peeks.
  static bool canRead(QIODevice* device);
  // The message of the last failed read, empty after a successful one.
  const QString& lastError() const { return lastError_; }
  void setDumpTags(bool dump) { dumpTags_ = dump; }

 private:
  QString lastError_;
  bool dumpTags_ = true;
};

}  // namespace orvella
