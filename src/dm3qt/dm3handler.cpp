#include "dm3qt/dm3handler.h"

#include <QBuffer>
#include <QByteArray>
#include <QFileDevice>
#include <QIODevice>
#include <QImage>
#include <QLoggingCategory>
#include <QSize>
#include <limits>
#include <new>

#include "dm3qt/dm3qimage.h"
#include "logic/core/errors.h"
#include "logic/dm3/dm3image.h"
#include "qtansi/ansiqt.h"

namespace orvella {

namespace {
Q_LOGGING_CATEGORY(lcDm3, "orvella.dm3")

std::int32_t BigEndian32(const char* p) {
  const auto* u = reinterpret_cast<const unsigned char*>(p);
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(u[0]) << 24 | static_cast<std::uint32_t>(u[1]) << 16 |
                                   static_cast<std::uint32_t>(u[2]) << 8 | u[3]);
}
}  // namespace

void IODeviceStream::ReadBuffer(void* buffer, std::size_t size) {
  auto* out = static_cast<char*>(buffer);
  std::size_t done = 0;
  while (done < size) {
    const qint64 got = device_.read(out + done, static_cast<qint64>(size - done));
    if (got <= 0) throw EReadError();
    done += static_cast<std::size_t>(got);
  }
}

std::uint64_t IODeviceStream::Position() const { return static_cast<std::uint64_t>(device_.pos()); }

std::uint64_t IODeviceStream::Remaining() const {
  const qint64 left = device_.size() - device_.pos();
  return left > 0 ? static_cast<std::uint64_t>(left) : 0;
}

bool IODeviceStream::CanReadAt() const { return !device_.isSequential(); }

void IODeviceStream::ReadAt(std::uint64_t pos, void* buffer, std::size_t size) {
  const qint64 back = device_.pos();
  const bool moved =
      pos <= static_cast<std::uint64_t>(std::numeric_limits<qint64>::max()) && device_.seek(static_cast<qint64>(pos));
  bool complete = false;
  if (moved) {
    try {
      ReadBuffer(buffer, size);
      complete = true;
    } catch (const EReadError&) {
    }
  }
  if (!device_.seek(back) || !complete) throw EReadError();
}

IODeviceStream::~IODeviceStream() { unmap(); }

void IODeviceStream::unmap() {
  if (!mapped_) return;
  if (auto* file = qobject_cast<QFileDevice*>(&device_)) file->unmap(mapped_);
  mapped_ = nullptr;
}

const std::byte* IODeviceStream::ViewAt(std::uint64_t pos, std::size_t size) {
  unmap();
  if (device_.isSequential() || pos > Position() + Remaining() || size > Position() + Remaining() - pos) return nullptr;
  if (auto* buffer = qobject_cast<QBuffer*>(&device_))
    return reinterpret_cast<const std::byte*>(buffer->data().constData()) + pos;
  auto* file = qobject_cast<QFileDevice*>(&device_);
  if (!file || size == 0) return nullptr;
  mapped_ = file->map(static_cast<qint64>(pos), static_cast<qint64>(size));
  return reinterpret_cast<const std::byte*>(mapped_);
}

bool IODeviceStream::SkipOver(std::uint64_t size) {
  if (device_.isSequential() || size > Remaining()) return false;
  const qint64 at = device_.pos();
  if (device_.seek(at + static_cast<qint64>(size))) return true;
  device_.seek(at);
  return false;
}

bool Dm3ImageIOHandler::canRead(QIODevice* device) {
  if (!device || !device->isReadable()) return false;
  const QByteArray head = device->peek(12);
  if (head.size() < 12) return false;
  const std::int32_t byteOrder = BigEndian32(head.constData() + 8);
  return BigEndian32(head.constData()) == 3 && (byteOrder == 0 || byteOrder == 1);
}

bool Dm3ImageIOHandler::canRead() const {
  if (!canRead(device())) return false;
  setFormat(kDm3Format);
  return true;
}

bool Dm3ImageIOHandler::read(QImage* image) {
  QIODevice* dev = device();
  if (!dev || !image) return false;
  try {
    TDM3Image picture;
    picture.SetDumpTags(dumpTags_);
    if (dev->isSequential()) {
      // No size to check array lengths against: read it all first.
      dm3::MemoryStream stream(dev->readAll().toStdString());
      picture.LoadFromStream(stream);
    } else {
      IODeviceStream stream(*dev);
      picture.LoadFromStream(stream);
    }
    const bool empty = picture.GetEmpty();
    QImage result = ToQImage(picture.TakeBitmap(), picture.GreyPalette());
    if (result.isNull() && !empty) throw std::bad_alloc();
    *image = std::move(result);
    lastError_.clear();
    return true;
  } catch (const Error& e) {
    lastError_ = FromAnsi(e.what());
  } catch (const std::bad_alloc&) {
    lastError_ = QStringLiteral("Not enough memory for the DM3 picture");
  }
  qCWarning(lcDm3).noquote() << lastError_;
  return false;
}

}  // namespace orvella
