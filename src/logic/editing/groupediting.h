// Editing a scenery tree: sorting groups, moving groups among their siblings,
// copying and moving branches, removing nodes, and the state a scene takes
// when its path is edited. These change only the tree: nothing on disk.
#pragma once

#include <string>

#include "logic/model/tree.h"

namespace orvella {

// Sorts the children of a group by their texts (lstrcmpA, groups and scenes
// together), then every group below it, level by level. Anything but a group
// (a scene, the unmanaged node, nullptr: the top level) is left alone.
void TrieGroupe(SceneryTree& tree, Node* node);

// Moves group s before its previous sibling; never above the unmanaged node.
// Answers whether anything moved.
bool MonteGroupe(SceneryTree& tree, Node* s);
// Moves the next sibling of group s (group or scene) to just before s, so that
// s goes one place down. Answers whether anything moved.
bool DescendGroupe(SceneryTree& tree, Node* s);

// Adds a copy of n and its subtree (texts and kinds; new nodes collapsed, in
// state 0) as the last child of t. The subtree is copied as it stood before
// the copy began, so t may be n itself or lie inside n's subtree. Answers the
// new node.
Node* CopieBranche(SceneryTree& tree, Node* n, Node* t);

// Moves d with its subtree so that it becomes the last child of t. Nothing
// moves when t is d or lies inside d's subtree; answers whether d moved.
bool DeplaceBranche(SceneryTree& tree, Node* d, Node* t);

// Removes node with its subtree, then recomputes the states of its parent and
// the parent's ancestors when the parent is a group.
void OteNoeud(SceneryTree& tree, Node* node);

// Removes every selected node, from the last selected to the first; nodes
// already gone with a selected ancestor are skipped. When the unmanaged node
// goes, the tree forgets it and the next refresh builds a new one.
void OteSelection(SceneryTree& tree);

// The state of a scene whose folder path became `path`, in a tree compared
// with sceneryFolder: 2 when a link of the path's last component stands in
// the scenery folder, else 0; 3 more when path is no scene folder.
int EtatSceneRenommee(const std::string& sceneryFolder, const std::string& path);

}  // namespace orvella
