// Activating and deactivating scenes: a scene is active when a link named
// after its folder stands in the scenery folder of its tree and points to the
// scene folder. Activation makes that link, deactivation takes it away; the
// scene folder itself is never touched.
#pragma once

#include <string>

#include "logic/model/tree.h"

namespace orvella {

// The link path of a scene in a scenery folder (ending with "\"): the folder
// followed by the scene's link name. Empty when the scene path gives no usable
// link name (it ends with "\" or ":", or names "." or "..").
std::string LinkPathOf(const std::string& sceneryFolder, const std::string& scenePath);

// The link that makes the scene at scenePath active, as the refresh matches
// it: the entry of the link path when it is a link, else the first link of
// the scenery folder whose name differs from the link name only in the case
// of A-Z (where the file system lets both stand side by side), else the link
// path.
// Empty when the scene gives no usable link name.
std::string ActiveLinkPath(const std::string& sceneryFolder, const std::string& scenePath);

// Activates node: a scene in state 0 gets its link in sceneryFolder unless a
// folder (a link or not) already holds that name; a group activates its
// children in order, to any depth; other nodes are left alone. Decisions use
// the states of the last refresh. A failure of the link service raises
// EOSError and stops the walk where it arose.
void ActiveNoeud(Node* node, const std::string& sceneryFolder);

// Deactivates node: the link of a scene in state 2 (active) or 5 (active, its
// folder gone) is removed from sceneryFolder (ActiveLinkPath); a group deactivates its children
// in order, to any depth; other nodes are left alone. Only a link is ever
// removed (see RetireLien). A failure raises EOSError and stops the walk.
void DesactiveNoeud(Node* node, const std::string& sceneryFolder);

// Removes the scene link at linkPath, the link only: what it points to is
// never opened or changed. A plain folder of that name is removed only when
// it is empty; one that holds anything is refused with ERROR_DIR_NOT_EMPTY.
// Nothing at all there, or a plain file: nothing is done. Raises EOSError on
// failure.
void RetireLien(const std::string& linkPath);

}  // namespace orvella
