#include "logic/order/dsf.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

#include "logic/order/files.h"
#include "logic/order/sevenzip.h"
#include "platform/handle.h"
#include "platform/winapi.h"

#if ORVELLA_HAVE_LIBARCHIVE
#include "logic/order/libarchive.h"
#endif

namespace orvella {

namespace {

constexpr char kMagic[] = "XPLNEDSF";
constexpr size_t kMagicSize = 8;
constexpr size_t kFileHeaderSize = 12;  // magic and version
constexpr size_t kAtomHeaderSize = 8;   // id and length, little-endian
// Atom ids as the format writes them: four characters read as one
// little-endian integer ('HEAD' is stored as the bytes "DAEH").
constexpr std::uint32_t kHeadAtom = 0x48454144u;
constexpr std::uint32_t kPropAtom = 0x50524F50u;
constexpr unsigned char k7zMagic[] = {'7', 'z', 0xBC, 0xAF, 0x27, 0x1C};
// The first read: what a tile's header nearly always fits in.
constexpr size_t kFirstRead = 4096;
// The first bytes decompressed of a 7z tile: each byte costs, and the
// parser asks for the rest of what it needs.
constexpr size_t kFirst7zRead = 512;

std::uint32_t U32(std::string_view b, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(b[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(b[at + 3])) << 24;
}

DsfStart Damaged() { return {}; }
DsfStart NeedMore(size_t n) {
  DsfStart s;
  s.status = DsfStart::Status::NeedMore;
  s.needed = n;
  return s;
}

// The zero-ended string pairs of a property atom's payload.
DsfStart ParseProperties(std::string_view payload) {
  DsfStart s;
  std::optional<std::string_view> key;  // a name still waiting for its value
  size_t at = 0;
  while (at < payload.size()) {
    const size_t end = payload.find('\0', at);
    if (end == std::string_view::npos) return Damaged();  // a string without its end
    const std::string_view text = payload.substr(at, end - at);
    if (key) {
      s.properties.emplace_back(*key, text);
      key.reset();
    } else {
      key = text;
    }
    at = end + 1;
  }
  if (key) return Damaged();
  s.status = DsfStart::Status::Done;
  return s;
}

using File = RegularFile;

// Reads the plain DSF held by `more`, which appends up to n further bytes of
// the file to its argument and answers false at a read failure.
template <typename More>
std::optional<DsfProperties> ReadPlain(std::string bytes, More&& more) {
  for (;;) {
    DsfStart s = ParseDsfStart(bytes);
    if (s.status == DsfStart::Status::Done) return std::move(s.properties);
    if (s.status == DsfStart::Status::Damaged || s.needed > kDsfHeaderLimit) return std::nullopt;
    const size_t had = bytes.size();
    if (!more(bytes, s.needed - had) || bytes.size() == had) return std::nullopt;  // the file ends first
  }
}

#if ORVELLA_HAVE_LIBARCHIVE
// libarchive reads the archive through the platform layer's file calls.
struct ArchiveSource {
  File* file;
  char buffer[65536];
};

la_ssize_t ArchiveRead(struct archive*, void* data, const void** out) {
  auto* s = static_cast<ArchiveSource*>(data);
  win::DWORD got = 0;
  if (!win::ReadFile(s->file->handle(), s->buffer, sizeof s->buffer, &got, nullptr)) return ARCHIVE_FATAL;
  *out = s->buffer;
  return static_cast<la_ssize_t>(got);
}

la_int64_t ArchiveSeek(struct archive*, void* data, la_int64_t offset, int whence) {
  auto* s = static_cast<ArchiveSource*>(data);
  const win::DWORD method = whence == SEEK_SET   ? win::FILE_BEGIN
                            : whence == SEEK_CUR ? win::FILE_CURRENT
                                                 : win::FILE_END;
  std::int64_t at = 0;
  if (!win::SetFilePointerEx(s->file->handle(), offset, &at, method)) return ARCHIVE_FATAL;
  return at;
}

la_int64_t ArchiveSkip(struct archive* a, void* data, la_int64_t request) {
  auto* s = static_cast<ArchiveSource*>(data);
  std::int64_t before = 0;
  if (!win::SetFilePointerEx(s->file->handle(), 0, &before, win::FILE_CURRENT)) return 0;
  const la_int64_t at = ArchiveSeek(a, data, request, SEEK_CUR);
  return at < 0 ? 0 : at - before;
}

class Archive {
 public:
  Archive() : a_(archive_read_new()) {}
  ~Archive() {
    if (a_) archive_read_free(a_);
  }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  struct archive* get() const {
    return a_;
  }

 private:
  struct archive* a_;
};

// The plain stream of a 7z tile for a prefix reader: the archive opened at
// its first regular file, or the failure.
DsfPrefix::Status Open7zStream(File& file, Archive& archive, ArchiveSource& source) {
  if (!win::SetFilePointerEx(file.handle(), 0, nullptr, win::FILE_BEGIN)) return DsfPrefix::Status::Unreadable;
  struct archive* a = archive.get();
  if (!a) return DsfPrefix::Status::Unreadable;
  source.file = &file;
  archive_read_support_format_7zip(a);
  archive_read_set_callback_data(a, &source);
  archive_read_set_read_callback(a, ArchiveRead);
  archive_read_set_seek_callback(a, ArchiveSeek);
  archive_read_set_skip_callback(a, ArchiveSkip);
  if (archive_read_open1(a) != ARCHIVE_OK) return DsfPrefix::Status::Unreadable7z;
  struct archive_entry* entry = nullptr;
  for (;;) {
    const int r = archive_read_next_header(a, &entry);
    if (r != ARCHIVE_OK && r != ARCHIVE_WARN) return DsfPrefix::Status::Unreadable7z;
    if (archive_entry_filetype(entry) == AE_IFREG) return DsfPrefix::Status::Done;
  }
}

// Appends up to n further bytes of the archive's current file to out (fewer
// at its end); false at a read failure.
bool ReadArchive(struct archive* a, std::string& out, size_t n) {
  const size_t before = out.size();
  out.resize(before + n);
  size_t done = 0;
  bool ok = true;
  while (done < n) {
    const la_ssize_t got = archive_read_data(a, out.data() + before + done, n - done);
    if (got < 0) {
      ok = false;
      break;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  out.resize(before + done);
  return ok;
}

// Opens the file of a 7z tile of the usual shape without libarchive (see
// SevenZipFirstFile), status being the file's as it was opened and start the
// bytes already read from its beginning (not read again: a small archive is
// often all there); Other leaves it to libarchive.
SevenZipFirstFile::Opened OpenSimple7z(File& file, const win::BY_HANDLE_FILE_INFORMATION& status, SevenZipFirstFile& z,
                                       size_t limit, const std::string& start) {
  if (status.dwFileAttributes == win::INVALID_FILE_ATTRIBUTES) return SevenZipFirstFile::Opened::Other;
  const std::uint64_t size = static_cast<std::uint64_t>(status.nFileSizeHigh) << 32 | status.nFileSizeLow;
  return z.open(
      [&file, &start](std::uint64_t offset, size_t n, std::string& out) {
        if (offset <= start.size() && n <= start.size() - offset) {
          out.assign(start, static_cast<size_t>(offset), n);
          return true;
        }
        out.clear();
        return win::SetFilePointerEx(file.handle(), static_cast<std::int64_t>(offset), nullptr, win::FILE_BEGIN) &&
               file.read(out, n) && out.size() == n;
      },
      size, limit);
}

std::optional<DsfProperties> Read7z(File& file, const win::BY_HANDLE_FILE_INFORMATION& status,
                                    const std::string& start) {
  SevenZipFirstFile simple;
  const SevenZipFirstFile::Opened opened = OpenSimple7z(file, status, simple, kDsfHeaderLimit, start);
  if (opened == SevenZipFirstFile::Opened::Damaged) return std::nullopt;
  if (opened == SevenZipFirstFile::Opened::Yes) {
    auto more = [&simple](std::string& out, size_t n) { return simple.read(out, n); };
    std::string bytes;
    if (!more(bytes, kFirst7zRead)) return std::nullopt;
    return ReadPlain(std::move(bytes), more);
  }
  ArchiveSource source;
  Archive archive;
  if (Open7zStream(file, archive, source) != DsfPrefix::Status::Done) return std::nullopt;
  // Only as much of the stream is decompressed as the header needs.
  auto more = [a = archive.get()](std::string& out, size_t n) { return ReadArchive(a, out, n); };
  std::string bytes;
  if (!more(bytes, kFirstRead)) return std::nullopt;
  return ReadPlain(std::move(bytes), more);
}
#endif

// Feeds `more` to parse until it is done, damaged, or past limit.
template <typename More>
DsfPrefix::Status Feed(std::string& bytes, const std::function<DsfStart(std::string_view)>& parse, size_t limit,
                       More&& more, DsfPrefix::Status failure) {
  for (;;) {
    const DsfStart s = parse(bytes);
    if (s.status == DsfStart::Status::Done) return DsfPrefix::Status::Done;
    if (s.status == DsfStart::Status::Damaged || s.needed > limit || s.needed <= bytes.size())
      return DsfPrefix::Status::Damaged;
    const size_t had = bytes.size();
    const size_t want = s.needed - had;
    if (!more(bytes, want)) return failure;
    if (bytes.size() == had) return DsfPrefix::Status::Damaged;  // the file ends first
  }
}

}  // namespace

DsfStart ParseDsfStart(std::string_view b) {
  const size_t cut = std::min(b.size(), kMagicSize);
  if (std::memcmp(b.data(), kMagic, cut) != 0) return Damaged();
  if (b.size() < kFileHeaderSize) return NeedMore(kFileHeaderSize);
  if (U32(b, kMagicSize) != 1) return Damaged();  // the only version there is
  // The top-level atoms, up to the header atom (written first in practice).
  size_t at = kFileHeaderSize;
  for (;;) {
    if (b.size() < at + kAtomHeaderSize) return NeedMore(at + kAtomHeaderSize);
    const std::uint32_t id = U32(b, at);
    const std::uint32_t length = U32(b, at + 4);
    if (length < kAtomHeaderSize) return Damaged();
    if (id != kHeadAtom) {
      at += length;
      continue;
    }
    // Inside the header atom: its property atom.
    const size_t end = at + length;
    size_t in = at + kAtomHeaderSize;
    while (in < end) {
      if (b.size() < in + kAtomHeaderSize) return NeedMore(in + kAtomHeaderSize);
      const std::uint32_t subId = U32(b, in);
      const std::uint32_t subLength = U32(b, in + 4);
      if (subLength < kAtomHeaderSize || in + subLength > end) return Damaged();
      if (subId == kPropAtom) {
        if (b.size() < in + subLength) return NeedMore(in + subLength);
        return ParseProperties(b.substr(in + kAtomHeaderSize, subLength - kAtomHeaderSize));
      }
      in += subLength;
    }
    // A header without properties: no property is set.
    DsfStart s;
    s.status = DsfStart::Status::Done;
    return s;
  }
}

std::optional<DsfProperties> ReadDsfProperties(const std::string& path, DsfFailure* failure,
                                               win::BY_HANDLE_FILE_INFORMATION* opened) {
  DsfFailure none;
  DsfFailure& why = failure ? *failure : none;
  why = DsfFailure();
  File file(path);
  // Its status once, for the caller's stamp and a 7z archive's size.
  win::BY_HANDLE_FILE_INFORMATION status;
  file.status(&status);
  if (opened) *opened = status;
  std::string bytes;
  if (!file.ok() || !file.read(bytes, kFirstRead)) {
    why.kind = DsfFailure::Kind::Unreadable;
    why.code = file.error();
    return std::nullopt;
  }
  std::optional<DsfProperties> properties;
  if (bytes.size() >= sizeof k7zMagic && std::memcmp(bytes.data(), k7zMagic, sizeof k7zMagic) == 0) {
#if ORVELLA_HAVE_LIBARCHIVE
    properties = Read7z(file, status, bytes);
#else
    why.kind = DsfFailure::Kind::No7z;
    return std::nullopt;
#endif
  } else {
    properties = ReadPlain(std::move(bytes), [&file](std::string& out, size_t n) { return file.read(out, n); });
  }
  if (!properties) {
    // A read that failed part way is no damage of the file.
    why.kind = file.error() ? DsfFailure::Kind::Unreadable : DsfFailure::Kind::Damaged;
    why.code = file.error();
  }
  return properties;
}

bool IsOverlay(const DsfProperties& properties) {
  for (const auto& [key, value] : properties)
    if (key == "sim/overlay" && value == "1") return true;
  return false;
}

bool Dsf7zSupported() { return ORVELLA_HAVE_LIBARCHIVE != 0; }

DsfPrefix ReadDsfPrefix(const std::string& path, const std::function<DsfStart(std::string_view)>& parse, size_t limit,
                        win::BY_HANDLE_FILE_INFORMATION* opened) {
  DsfPrefix out;
  // Only a file of a disk is opened: a named pipe or a device is never read.
  File file(path);
  // Its status once, for the caller's stamp and a 7z archive's size.
  win::BY_HANDLE_FILE_INFORMATION status;
  file.status(&status);
  if (opened) *opened = status;
  if (!file.ok()) return out;
  if (!file.read(out.bytes, kFirstRead)) return out;
  if (out.bytes.size() >= sizeof k7zMagic && std::memcmp(out.bytes.data(), k7zMagic, sizeof k7zMagic) == 0) {
    out.compressed = true;
#if ORVELLA_HAVE_LIBARCHIVE
    const std::string start = std::move(out.bytes);
    out.bytes.clear();
    SevenZipFirstFile simple;
    const SevenZipFirstFile::Opened shape = OpenSimple7z(file, status, simple, limit, start);
    if (shape == SevenZipFirstFile::Opened::Damaged) {
      out.status = DsfPrefix::Status::Unreadable7z;
      return out;
    }
    if (shape == SevenZipFirstFile::Opened::Yes) {
      auto more = [&simple](std::string& bytes, size_t n) { return simple.read(bytes, n); };
      out.status = more(out.bytes, kFirst7zRead) ? Feed(out.bytes, parse, limit, more, DsfPrefix::Status::Unreadable7z)
                                                 : DsfPrefix::Status::Unreadable7z;
      return out;
    }
    Archive archive;
    auto source = std::make_unique<ArchiveSource>();
    out.status = Open7zStream(file, archive, *source);
    if (out.status != DsfPrefix::Status::Done) return out;
    auto more = [a = archive.get()](std::string& bytes, size_t n) { return ReadArchive(a, bytes, n); };
    if (!more(out.bytes, kFirstRead)) {
      out.status = DsfPrefix::Status::Unreadable7z;
      return out;
    }
    out.status = Feed(out.bytes, parse, limit, more, DsfPrefix::Status::Unreadable7z);
#else
    out.bytes.clear();
    out.status = DsfPrefix::Status::No7z;
#endif
    return out;
  }
  out.status = Feed(
      out.bytes, parse, limit, [&file](std::string& bytes, size_t n) { return file.read(bytes, n); },
      DsfPrefix::Status::Unreadable);
  return out;
}

}  // namespace orvella
