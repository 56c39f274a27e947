// The one file of a 7z archive shaped as compressed DSF tiles are (by 7-Zip
// or by libarchive): one file in one LZMA or LZMA2 stream. Its start is
// decompressed as far as asked and no further, without the buffers and the
// checksum of the whole file that a general reader spends on it.
//
// An archive of any other shape, or one whose headers fail their checksums,
// is not opened here: the general reader (libarchive) takes it, with its
// own errors, so that what such a file says never depends on this one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace orvella {

class SevenZipFirstFile {
 public:
  // Puts the n bytes of the archive at offset in out (replacing what it
  // held); false when they cannot all be read.
  using ReadAt = std::function<bool(std::uint64_t offset, size_t n, std::string& out)>;

  SevenZipFirstFile();
  ~SevenZipFirstFile();
  SevenZipFirstFile(const SevenZipFirstFile&) = delete;
  SevenZipFirstFile& operator=(const SevenZipFirstFile&) = delete;

  enum class Opened {
    Yes,
    // Of another shape, or damaged past the start: for libarchive (and
    // every archive when this build has no LZMA decoder).
    Other,
    // Its start header fails its checksum or points outside the file: no
    // reader can take it.
    Damaged,
  };
  // Opens the archive of `size` bytes read through readAt, of which no
  // more than `limit` bytes of its file will be asked.
  Opened open(ReadAt readAt, std::uint64_t size, size_t limit);
  // Whether this build has the LZMA decoder (else every archive is Other).
  static bool Supported();
  // Appends up to n further bytes of the file to out (fewer at its end);
  // false when its stream is damaged or cannot be read.
  bool read(std::string& out, size_t n);

 private:
  struct Impl;
  std::unique_ptr<Impl> d_;
};

}  // namespace orvella
