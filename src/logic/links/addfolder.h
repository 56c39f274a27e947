// Scene intake: folders taken into a scenery tree as scenes, or as groups that
// mirror the folders leading to scenes, and shell shortcuts resolved to the
// folders they name. Intake only creates nodes: nothing on disk changes.
#pragma once

#include <string>

#include "logic/model/tree.h"

namespace orvella {

// The path a shell shortcut (.lnk) points to, or the empty text when the
// shortcut cannot be read.
std::string ResoutRaccourci(const std::string& lnkPath);

// folder + "\" + name, without doubling the separator of a drive root.
std::string JoinPath(const std::string& folder, const std::string& name);

// Adds the folder at path under parent: as one scene node when it is a scene
// folder (its own sub-folders are not looked at), otherwise as a group named
// after the folder holding what its visible sub-folders yield, in listing
// order; a group that ends up empty is removed again. With triAuto the
// children of parent are sorted afterwards, one level.
void AjouteDossier(SceneryTree& tree, const std::string& path, Node* parent, bool triAuto);

// Folders the intake and the orphan search meet whose name the system cannot
// give in the ANSI code page (NameIsRepresentable): they are left out, never
// silently. They are noted here, and the command that ran the search names
// them all in one message box at its end.
void NoteDossierIllisible(const std::string& path);
// Shows the folders noted since the last call, if any, and forgets them.
void SignaleDossiersIllisibles();

// One command's list of such folders: it starts empty, and what the command
// noted but did not show (it ended with an exception) is forgotten with it,
// never shown by the next command.
class UnreadableFolderScope {
 public:
  UnreadableFolderScope();
  ~UnreadableFolderScope();
  UnreadableFolderScope(const UnreadableFolderScope&) = delete;
  UnreadableFolderScope& operator=(const UnreadableFolderScope&) = delete;
};

// The intake of a folder chosen with the add-scene command: a scene folder is
// added as one scene under group; otherwise each visible sub-folder goes
// through AjouteDossier directly under group (the folder gets no group of
// its own).
void AjouteDossierChoisi(SceneryTree& tree, const std::string& path, Node* group, bool triAuto);

}  // namespace orvella
