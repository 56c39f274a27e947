// Node states: the comparison of a scenery tree with its scenery folder.
#pragma once

#include <string>
#include <utility>

#include "logic/model/tree.h"
#include "platform/winapi.h"

namespace orvella {

// Stores a state as the node's image (and selected image).
void FixeEtat(Node* node, int state);

// Compares the whole tree with its scenery folder: every node's state, and
// the unmanaged node rebuilt from what no scene claims. With no installation
// selected it only removes the unmanaged node. Raises EOSError when an
// entry's attributes cannot be read.
void RafraichitArbre(SceneryTree& tree, bool installationSelected);

// Recomputes the states of group and its ancestors from their children's
// stored states.
void RemonteEtat(Node* group);

// The first top node that is not the unmanaged node, or nullptr.
Node* PremierNoeud(const SceneryTree& tree);

// Whether the folder holds "Earth nav data" (folder), "library.txt" (file)
// or "Mars nav data" (folder). An empty path is never a scene folder.
bool EstDossierScene(const std::string& path);

// Sorts the children of parent (one level, nullptr: the top level) by their
// texts with the locale-aware comparison lstrcmpA; groups and scenes mixed.
void TrieEnfants(SceneryTree& tree, Node* parent);

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
