#include "logic/order/sevenzip.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#if ORVELLA_HAVE_LZMA
#include <lzma.h>
#endif

namespace orvella {

#if ORVELLA_HAVE_LZMA
namespace {

constexpr unsigned char kSignature[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
constexpr size_t kSignatureHeaderSize = 32;
// A header of one file is a few hundred bytes; a larger one is another shape.
constexpr std::uint64_t kHeaderLimit = std::uint64_t{1} << 20;
constexpr size_t kInputStep = 16 * 1024;

// Property ids of the format's headers.
enum : std::uint8_t {
  kEnd = 0x00,
  kHeader = 0x01,
  kMainStreamsInfo = 0x04,
  kFilesInfo = 0x05,
  kPackInfo = 0x06,
  kUnpackInfo = 0x07,
  kSubStreamsInfo = 0x08,
  kSize = 0x09,
  kCrc = 0x0A,
  kFolder = 0x0B,
  kCodersUnpackSize = 0x0C,
  kNumUnpackStream = 0x0D,
  kEmptyStream = 0x0E,
  kAttributes = 0x15,
  kEncodedHeader = 0x17,
};

#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
constexpr bool kFuzzing = true;
#else
constexpr bool kFuzzing = false;
#endif

std::uint64_t Le(const unsigned char* p, int bytes) {
  std::uint64_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

// Reads header bytes; a read past their end fails the cursor for good.
struct Cursor {
  const unsigned char* p;
  size_t n;
  size_t at = 0;
  bool ok = true;

  std::uint8_t byte() {
    if (at >= n) {
      ok = false;
      return 0xFF;  // no property id: parsing stops at it
    }
    return p[at++];
  }
  const unsigned char* bytes(std::uint64_t k) {
    if (k > n - at) {
      ok = false;
      return nullptr;
    }
    const unsigned char* r = p + at;
    at += static_cast<size_t>(k);
    return r;
  }
  // The format's numbers: the high bits of the first byte say how many
  // bytes follow, little-endian, above that byte's remaining bits.
  std::uint64_t number() {
    const std::uint8_t first = byte();
    std::uint8_t mask = 0x80;
    std::uint64_t value = 0;
    for (int i = 0; i < 8; ++i) {
      if (!(first & mask)) return value | (static_cast<std::uint64_t>(first & (mask - 1)) << (8 * i));
      value |= static_cast<std::uint64_t>(byte()) << (8 * i);
      mask >>= 1;
    }
    return value;
  }
};

// The one folder of a stream description that this reader takes.
struct Folder {
  std::uint64_t packPos = 0;
  std::uint64_t packSize = 0;
  std::uint64_t unpackSize = 0;
  lzma_vli filter = LZMA_VLI_UNKNOWN;
  std::string properties;
  bool crcDefined = false;
  std::uint32_t crc = 0;
};

// A list of `count` checksums; the first one's, when defined, in *first.
bool Digests(Cursor& c, size_t count, bool* firstDefined = nullptr, std::uint32_t* first = nullptr) {
  std::vector<bool> defined(count, true);
  if (c.byte() == 0) {
    for (size_t i = 0; i < count; i += 8) {
      const std::uint8_t bits = c.byte();
      for (size_t j = 0; j < 8 && i + j < count; ++j) defined[i + j] = bits & (0x80 >> j);
    }
  }
  for (size_t i = 0; i < count && c.ok; ++i) {
    if (!defined[i]) continue;
    const unsigned char* d = c.bytes(4);
    if (i == 0 && d && first) {
      *first = static_cast<std::uint32_t>(Le(d, 4));
      *firstDefined = true;
    }
  }
  return c.ok;
}

// A StreamsInfo of one pack stream, one folder of one LZMA or LZMA2 coder,
// and one file in it; false for anything else.
bool ParseStreams(Cursor& c, Folder& f) {
  std::uint8_t id = c.byte();
  if (id != kPackInfo) return false;
  f.packPos = c.number();
  if (c.number() != 1) return false;
  for (id = c.byte(); c.ok && id != kEnd; id = c.byte()) {
    if (id == kSize)
      f.packSize = c.number();
    else if (id != kCrc || !Digests(c, 1))
      return false;
  }
  if (c.byte() != kUnpackInfo || c.byte() != kFolder || c.number() != 1 || c.byte() != 0) return false;
  if (c.number() != 1) return false;  // coders
  const std::uint8_t flags = c.byte();
  // Neither a coder of several streams (0x10) nor alternative methods (0x80).
  if ((flags & 0xD0) || !(flags & 0x20)) return false;
  const size_t idSize = flags & 0x0F;
  const unsigned char* method = c.bytes(idSize);
  if (!method) return false;
  if (idSize == 3 && std::memcmp(method, "\x03\x01\x01", 3) == 0)
    f.filter = LZMA_FILTER_LZMA1;
  else if (idSize == 1 && method[0] == 0x21)
    f.filter = LZMA_FILTER_LZMA2;
  else
    return false;
  const std::uint64_t propertiesSize = c.number();
  if (propertiesSize > 16) return false;
  const unsigned char* properties = c.bytes(propertiesSize);
  if (!properties) return false;
  f.properties.assign(reinterpret_cast<const char*>(properties), static_cast<size_t>(propertiesSize));
  if (c.byte() != kCodersUnpackSize) return false;
  f.unpackSize = c.number();
  id = c.byte();
  if (id == kCrc) {
    if (!Digests(c, 1, &f.crcDefined, &f.crc)) return false;
    id = c.byte();
  }
  if (id != kEnd) return false;
  id = c.byte();
  if (id == kSubStreamsInfo) {
    for (id = c.byte(); c.ok && id != kEnd; id = c.byte()) {
      if (id == kNumUnpackStream) {
        if (c.number() != 1) return false;
      } else if (id == kCrc) {
        // Checksums of the files whose folder gives none.
        if (!Digests(c, f.crcDefined ? 0 : 1)) return false;
      } else if (id != kSize) {  // one file per folder: no sizes listed
        return false;
      }
    }
    id = c.byte();
  }
  return c.ok && id == kEnd && f.packSize > 0;
}

// The files of a header: exactly one, holding the stream, and no folder, link
// or other kind of file by its attributes.
bool ParseFiles(Cursor& c) {
  if (c.number() != 1) return false;
  for (std::uint64_t type = c.number(); c.ok && type != kEnd; type = c.number()) {
    const std::uint64_t size = c.number();
    const unsigned char* data = c.bytes(size);
    if (!data || type == kEmptyStream) return false;
    if (type == kAttributes) {
      Cursor a{data, static_cast<size_t>(size)};
      const bool all = a.byte() != 0;
      const bool defined = all || (a.byte() & 0x80);
      if (defined) {
        if (a.byte() != 0) return false;  // kept elsewhere
        const unsigned char* v = a.bytes(4);
        if (!v) return false;
        const auto attributes = static_cast<std::uint32_t>(Le(v, 4));
        if (attributes & 0x10) return false;  // a folder
        // Unix permissions above: the file's kind is theirs.
        if ((attributes & 0x8000) && ((attributes >> 16) & 0170000) != 0100000) return false;
      }
      if (!a.ok) return false;
    }
  }
  return c.ok;
}

}  // namespace

struct SevenZipFirstFile::Impl {
  ReadAt readAt;
  Folder folder;
  lzma_stream stream = LZMA_STREAM_INIT;
  bool decoding = false;
  std::string input;  // pack bytes read and not yet decoded: input[used..]
  size_t used = 0;
  std::uint64_t packRead = 0;  // pack bytes read so far
  std::uint64_t produced = 0;
  bool ended = false;

  ~Impl() { lzma_end(&stream); }

  // The decoder of folder, with a dictionary no larger than the output that
  // will be asked for: a match never reaches further back than what came
  // out, and one that would is an error of the stream, never a wrong byte.
  bool start(const Folder& f, std::uint64_t limit) {
    lzma_end(&stream);
    stream = LZMA_STREAM_INIT;
    folder = f;
    input.clear();
    used = 0;
    packRead = produced = 0;
    ended = false;
    lzma_filter filters[2];
    filters[0].id = f.filter;
    filters[0].options = nullptr;
    filters[1].id = LZMA_VLI_UNKNOWN;
    filters[1].options = nullptr;
    if (lzma_properties_decode(&filters[0], nullptr, reinterpret_cast<const std::uint8_t*>(f.properties.data()),
                               f.properties.size()) != LZMA_OK)
      return false;
    auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
    const std::uint64_t cap = std::max<std::uint64_t>(LZMA_DICT_SIZE_MIN, (limit + 4095) & ~std::uint64_t{4095});
    if (options->dict_size > cap) options->dict_size = static_cast<std::uint32_t>(cap);
    const lzma_ret r = lzma_raw_decoder(&stream, filters);
    std::free(filters[0].options);
    decoding = r == LZMA_OK;
    return decoding;
  }

  bool read(std::string& out, size_t n) {
    if (!decoding) return false;
    const size_t before = out.size();
    const std::uint64_t left = folder.unpackSize - produced;
    if (n > left) n = static_cast<size_t>(left);
    out.resize(before + n);
    size_t done = 0;
    while (done < n && !ended) {
      if (used == input.size() && packRead < folder.packSize) {
        const size_t step = static_cast<size_t>(std::min<std::uint64_t>(kInputStep, folder.packSize - packRead));
        if (!readAt(kSignatureHeaderSize + folder.packPos + packRead, step, input)) {
          out.resize(before + done);
          return false;
        }
        packRead += step;
        used = 0;
      }
      stream.next_in = reinterpret_cast<const std::uint8_t*>(input.data()) + used;
      stream.avail_in = input.size() - used;
      stream.next_out = reinterpret_cast<std::uint8_t*>(out.data()) + before + done;
      stream.avail_out = n - done;
      const lzma_ret r = lzma_code(&stream, LZMA_RUN);
      used = input.size() - stream.avail_in;
      const size_t got = (n - done) - stream.avail_out;
      done += got;
      if (r == LZMA_STREAM_END) {
        ended = true;
      } else if (r != LZMA_OK) {
        out.resize(before + done);
        produced += done;
        return false;
      } else if (got == 0 && used == input.size() && packRead == folder.packSize) {
        ended = true;  // the pack stream is over before the file: cut short
      }
    }
    out.resize(before + done);
    produced += done;
    return true;
  }
};

SevenZipFirstFile::SevenZipFirstFile() = default;
SevenZipFirstFile::~SevenZipFirstFile() = default;

SevenZipFirstFile::Opened SevenZipFirstFile::open(ReadAt readAt, std::uint64_t size, size_t limit) {
  d_.reset();
  auto d = std::make_unique<Impl>();
  d->readAt = std::move(readAt);
  std::string start;
  if (size < kSignatureHeaderSize || !d->readAt(0, kSignatureHeaderSize, start)) return Opened::Other;
  const auto* s = reinterpret_cast<const unsigned char*>(start.data());
  if (std::memcmp(s, kSignature, sizeof kSignature) != 0) return Opened::Other;
  // A checksum that fails makes the archive damaged. A fuzzing build reads
  // on (its mutations could never keep one right), yet never hands such an
  // archive to libarchive, which would read it on as well.
  bool damaged = false;
  auto crcFails = [&damaged](const void* p, size_t n, std::uint64_t crc) {
    if (lzma_crc32(static_cast<const std::uint8_t*>(p), n, 0) == crc) return false;
    damaged = true;
    return !kFuzzing;
  };
  auto other = [&damaged] { return damaged ? Opened::Damaged : Opened::Other; };
  if (crcFails(s + 12, 20, Le(s + 8, 4))) return Opened::Damaged;
  if (s[6] != 0) return other();  // a later major version of the format
  const std::uint64_t offset = Le(s + 12, 8);
  const std::uint64_t headerSize = Le(s + 20, 8);
  if (headerSize > size - kSignatureHeaderSize || offset > size - kSignatureHeaderSize - headerSize)
    return Opened::Damaged;
  if (headerSize == 0 || headerSize > kHeaderLimit) return other();
  std::string header;
  if (!d->readAt(kSignatureHeaderSize + offset, static_cast<size_t>(headerSize), header)) return other();
  auto bytes = [](const std::string& b) { return reinterpret_cast<const unsigned char*>(b.data()); };
  if (crcFails(header.data(), header.size(), Le(s + 28, 4))) return Opened::Damaged;
  Cursor c{bytes(header), header.size()};
  const std::uint8_t kind = c.byte();
  if (kind == kEncodedHeader) {
    // The header itself is compressed: its own folder gives it.
    Folder encoded;
    if (!ParseStreams(c, encoded) || encoded.unpackSize > kHeaderLimit) return other();
    if (!d->start(encoded, encoded.unpackSize)) return other();
    std::string plain;
    if (!d->read(plain, static_cast<size_t>(encoded.unpackSize)) || plain.size() != encoded.unpackSize) return other();
    if (encoded.crcDefined && crcFails(plain.data(), plain.size(), encoded.crc)) return Opened::Damaged;
    header = std::move(plain);
    c = Cursor{bytes(header), header.size()};
    if (c.byte() != kHeader) return other();
  } else if (kind != kHeader) {
    return other();
  }
  // Archive properties and additional streams are not of this shape.
  Folder main;
  bool files = false;
  if (c.byte() != kMainStreamsInfo || !ParseStreams(c, main)) return other();
  for (std::uint8_t id = c.byte(); c.ok && id != kEnd; id = c.byte()) {
    if (id != kFilesInfo || files || !ParseFiles(c)) return other();
    files = true;
  }
  if (!c.ok || !files) return other();
  if (main.packPos > size - kSignatureHeaderSize || main.packSize > size - kSignatureHeaderSize - main.packPos)
    return other();
  if (!d->start(main, limit)) return other();
  d_ = std::move(d);
  return Opened::Yes;
}

bool SevenZipFirstFile::read(std::string& out, size_t n) { return d_ && d_->read(out, n); }

bool SevenZipFirstFile::Supported() { return true; }

#else

struct SevenZipFirstFile::Impl {};
SevenZipFirstFile::SevenZipFirstFile() = default;
SevenZipFirstFile::~SevenZipFirstFile() = default;
SevenZipFirstFile::Opened SevenZipFirstFile::open(ReadAt, std::uint64_t, size_t) { return Opened::Other; }
bool SevenZipFirstFile::read(std::string&, size_t) { return false; }
bool SevenZipFirstFile::Supported() { return false; }

#endif

}  // namespace orvella
