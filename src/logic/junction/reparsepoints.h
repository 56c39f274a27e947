// Scene links: directory junctions (reparse points of the mount-point kind)
// in the simulator's scenery folders.
#pragma once

#include <string>

namespace orvella {

// Whether the volume holding path can carry reparse points. A failed volume
// query shows "Erreur GetVolumeInfo" and answers false.
bool VolumeSupportsReparsePoints(const std::string& path);

// Creates a directory junction at linkPath pointing to targetPath (made
// absolute against the current directory) through the platform's
// MakeDirectoryLink. Answers true; every failure raises EOSError with the
// first failing step's error (a folder that cannot be made says why, not that
// it is missing afterwards). A directory this call created is removed again
// when setting the link fails; one that existed before is never removed. A
// target whose full path needs 260 characters or more is refused with
// ERROR_FILENAME_EXCED_RANGE before anything is made. With exactName, the
// link bears exactly its name even where an entry differing from it only in
// case stands beside it (in a folder that tells case apart). The link's bytes
// are platform/reparsedata.h's.
bool CreateJunction(const std::string& linkPath, const std::string& targetPath, bool exactName = false);

// Whether the entry at path carries the reparse-point attribute; raises
// EOSError when its attributes cannot be read.
bool IsReparsePoint(const std::string& path);

}  // namespace orvella
