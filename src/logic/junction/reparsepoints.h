// Scene links: directory junctions (reparse points of the mount-point kind)
// in the simulator's scenery folders.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orvella {

// Whether the volume holding path can carry reparse points. A failed volume
// query shows "Erreur GetVolumeInfo" and answers false.
bool VolumeSupportsReparsePoints(const std::string& path);

// Creates a directory junction at linkPath pointing to targetPath. Answers
// true; every failure raises EOSError. A directory this call created is
// removed again when setting the reparse point fails; one that existed before
// is never removed. A target whose full path needs 260 characters or more is
// refused with ERROR_FILENAME_EXCED_RANGE. The error raised is the first
// failing step's (a folder that cannot be made says why, not that it is
// missing afterwards). With exactName, the link bears exactly its name even
// where an entry differing from it only in case stands beside it (in a folder
// that tells case apart); an entry of exactly that name is then refused.
bool CreateJunction(const std::string& linkPath, const std::string& targetPath, bool exactName = false);

// Whether the entry at path carries the reparse-point attribute; raises
// EOSError when its attributes cannot be read.
bool IsReparsePoint(const std::string& path);

// The mount-point reparse data buffer for a target whose full path is
// fullTarget (ANSI): the allocated bytes (2(n + 1) + 28, zero-filled) of which
// the first `passed` bytes go to the file-system control.
struct MountPointBuffer {
  std::vector<std::uint8_t> bytes;
  std::uint32_t passed = 0;
};
MountPointBuffer BuildMountPointBuffer(const std::string& fullTarget);

}  // namespace orvella
