// The header of an X-Plane DSF scenery tile: the properties of its header
// atom, read from the start of the file only. A DSF is either plain (magic
// "XPLNEDSF", a version, then atoms) or a 7z archive holding the plain file.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/winapi.h"

namespace orvella {

using DsfProperties = std::vector<std::pair<std::string, std::string>>;

// What the start of a plain DSF tells.
struct DsfStart {
  enum class Status { Done, NeedMore, Damaged };
  Status status = Status::Damaged;
  DsfProperties properties;  // Done: the header's properties, in file order
  size_t needed = 0;         // NeedMore: how many bytes from the start are needed
};

// Parses the first bytes of a plain DSF (the whole file is never needed).
DsfStart ParseDsfStart(std::string_view bytes);

// Upper bound of what is read from one DSF to reach its header properties.
inline constexpr size_t kDsfHeaderLimit = 1u << 20;

// Why a DSF's properties could not be read.
struct DsfFailure {
  enum class Kind {
    None,
    Unreadable,  // not opened or not read (code: the system's error, or kNotAFile)
    Damaged,     // read, but no DSF or cut short
    No7z,        // compressed, and this build reads no 7z
  };
  Kind kind = Kind::None;
  unsigned long code = 0;
};

// The header properties of the DSF at path (a Windows path), plain or 7z;
// nothing when the file cannot be read, is damaged, or is no DSF (failure,
// when given, says which). Reads and decompresses only the start of the
// file; a named pipe or a device in place of the file is never opened.
// opened, when given, receives the status of the file as it was opened,
// before anything was read (dwFileAttributes INVALID_FILE_ATTRIBUTES when it
// was not opened): the stamp of what was read, without a second look.
std::optional<DsfProperties> ReadDsfProperties(const std::string& path, DsfFailure* failure = nullptr,
                                               win::BY_HANDLE_FILE_INFORMATION* opened = nullptr);

// Whether the properties mark an overlay (sim/overlay = 1).
bool IsOverlay(const DsfProperties& properties);

// Whether this build reads DSF files compressed with 7z.
bool Dsf7zSupported();

// The start of a DSF as far as a parser of plain bytes asks for it.
struct DsfPrefix {
  enum class Status { Done, Unreadable, Damaged, Unreadable7z, No7z };
  Status status = Status::Unreadable;
  bool compressed = false;  // the file is a 7z archive
  std::string bytes;        // Done: the plain bytes read, at least what the parser needed
};
// Reads the plain bytes of the DSF at path (decompressing a 7z archive as it
// goes) until parse answers Done, at most limit bytes; parse answers NeedMore
// with the total it needs, or Damaged. Only regular files are opened.
// with the gaps filled; opened as for ReadDsfProperties.
DsfPrefix ReadDsfPrefix(const std::string& path, const std::function<DsfStart(std::string_view)>& parse, size_t limit,
                        win::BY_HANDLE_FILE_INFORMATION* opened = nullptr);

}  // namespace orvella
