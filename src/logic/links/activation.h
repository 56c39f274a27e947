// Activating and deactivating scenes: a scene is active when a link named
// after its folder stands in the scenery folder of its tree and points to the
// scene folder. Activation makes that link, deactivation takes it away; the
// scene folder itself is never touched.
#pragma once

#include <string>
#include <vector>

#include "logic/core/errors.h"
#include "logic/model/tree.h"

namespace orvella {

// A link that could not be made or taken away: the message names the link's
// path, then gives the system's error.
class ELinkError : public EOSError {
 public:
  ELinkError(const std::string& linkPath, win::DWORD code);
  const std::string& linkPath() const { return linkPath_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string linkPath_;
  std::string message_;
};

// A scene that activation left inactive, and why (a text for the user).
struct RefusedScene {
  std::string scene;  // the scene's path
  std::string reason;
};

// The message that tells the user which scenes were not activated and why.
std::string RefusedScenesMessage(const std::vector<RefusedScene>& refused);

// The link path of a scene in a scenery folder (ending with "\"): the folder
// followed by the scene's link name. Empty when the scene path gives no usable
// link name (it ends with "\" or ":", or names "." or "..").
std::string LinkPathOf(const std::string& sceneryFolder, const std::string& scenePath);

// The link that makes the scene at scenePath active, as the refresh matches
// it. Where the scenery folder tells case apart: the link path itself. Else
// the entry of the link path when it is a link, else the first link of the
// scenery folder whose name differs from the link name only in the case of
// A-Z, else the link path. Empty when the scene gives no usable link name.
std::string ActiveLinkPath(const std::string& sceneryFolder, const std::string& scenePath);

// Activates node: a scene in state 0 gets its link in sceneryFolder unless a
// link of its name already stands there; a group activates its children in
// order, to any depth; other nodes are left alone. Decisions use the states
// of the last refresh. A scene left inactive for a reason of its own is told
// in `refused` and the walk goes on: its folder is missing (state 3, or gone
// since), or a folder or file that is no link holds its name. A failure of
// the system's link service stops the walk with ELinkError, naming the link's
// path (what is refused until then stays in `refused`).
void ActiveNoeud(Node* node, const std::string& sceneryFolder, std::vector<RefusedScene>& refused);

// Deactivates node: the link of a scene in state 2 (active) or 5 (active, its
// folder gone) is removed from sceneryFolder (ActiveLinkPath); a group deactivates its children
// in order, to any depth; other nodes are left alone. Only a link is ever
// removed (see RemoveLink). A failure raises ELinkError and stops the walk.
void DesactiveNoeud(Node* node, const std::string& sceneryFolder);

// Removes the scene link at linkPath, the link only: what it points to is
// never opened or changed. A plain folder of that name is removed only when
// it is empty; one that holds anything is refused with ERROR_DIR_NOT_EMPTY.
// Nothing at all there, or a plain file: nothing is done. With exactName only
// an entry of exactly that name is looked at (see EntryAttributes). Raises
// ELinkError, naming linkPath, on failure.
void RemoveLink(const std::string& linkPath, bool exactName = false);

}  // namespace orvella
