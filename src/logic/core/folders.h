// Folder enumeration and existence tests, as every part of the program uses
// them: entries listed with "*.*", hidden, system and volume-label entries
// never listed, "." and ".." skipped, file-system order.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/winapi.h"

namespace orvella {

inline constexpr win::DWORD kSkippedAttributes =
    win::FILE_ATTRIBUTE_HIDDEN | win::FILE_ATTRIBUTE_SYSTEM | win::FILE_ATTRIBUTE_VOLUME_LABEL;

// Calls fn(name, attributes) for each listed entry of folder (with or
// without a final "\"). A folder that is missing or cannot be listed yields
// nothing. fn may throw; the search handle is closed all the same.
void ForEachEntry(const std::string& folder, const std::function<void(const std::string&, win::DWORD)>& fn);

// A file time as one number (100 ns since 1601).
inline std::uint64_t FileTimeOf(const win::FILETIME& t) {
  return static_cast<std::uint64_t>(t.dwHighDateTime) << 32 | t.dwLowDateTime;
}

// Whether d is a listing's "." entry, the folder itself as it stood when
// the listing began (before any name was read); timed tells whether the
// listing gave that entry a time, which a folder's stamp can be taken from.
inline bool IsListingSelf(const win::WIN32_FIND_DATAA& d, bool& timed) {
  if (d.cFileName[0] != '.' || d.cFileName[1] != '\0') return false;
  timed = d.ftLastWriteTime.dwLowDateTime != 0 || d.ftLastWriteTime.dwHighDateTime != 0;
  return true;
}

// What a link (or any path) leads to, as an open of it sees it: its size,
// time and attributes; false when it leads nowhere. A link's own size and
// time never change with what it leads to, so a link is stamped by this.
bool FollowedInformation(const std::string& path, win::BY_HANDLE_FILE_INFORMATION& out);

// A folder exists when its attributes can be read and carry the directory
// bit (a junction counts, even when its target is gone).
bool DirectoryExists(const std::string& path);
// A file exists when a directory search finds the name and it is no folder.
bool FileExists(const std::string& path);

}  // namespace orvella
