// The links of scenes in a scenery folder: the name a scene's link bears, and
// how names are matched in that folder.
#pragma once

#include <string>

#include "platform/winapi.h"

namespace orvella {

// The link of a scene: the part of its path after the last "\" or ":".
std::string LinkName(const std::string& scenePath);

// Whether names that differ only in case can stand side by side in folder,
// as the system says of that folder. Where they can, each scene owns the link
// of exactly its name; elsewhere (Windows, FAT volumes, a folder that cannot
// be opened) names match without regard to the case of A-Z.
bool FolderTellsCaseApart(const std::string& folder);

// The attributes of the entry at path (INVALID_FILE_ATTRIBUTES, with the last
// error set, when there is none). With `exact`, only an entry of exactly that
// name counts, never one whose name differs from it in case.
win::DWORD EntryAttributes(const std::string& path, bool exact);

}  // namespace orvella
