// Orphan scenes: scene folders below the library folders that no scene node
// of either tree names yet. The library folders are derived from the paths of
// the scenes already managed.
#pragma once

#include <string>
#include <vector>

#include "logic/model/tree.h"

namespace orvella {

// The managed scenes: the texts of every scene node of both trees, the
// unmanaged node and its entries left out, sorted without regard to case
// (lstrcmpiA). Duplicates stay.
class ListeGeree {
 public:
  ListeGeree() = default;
  ListeGeree(const SceneryTree& first, const SceneryTree& second);

  const std::vector<std::string>& paths() const { return paths_; }
  // Whether path is managed, compared without regard to case. A binary
  // search: libraries hold thousands of folders.
  bool contient(const std::string& path) const;

 private:
  std::vector<std::string> paths_;
};

// Whether library folder b and folder d share a leading part (compared
// exactly) that ends with "\"; d is then cut to that part.
bool BaseCommune(const std::string& b, std::string& d);

// The library folders of the managed scenes: for each drive, the deepest
// folder holding all its managed scenes, each ending with "\", sorted
// without regard to case.
std::vector<std::string> DossiersBibliotheques(const ListeGeree& managed);

// Adds, as the last children of group, the scene folders found at or below
// library folder f (ending with "\") that managed does not name. A scene
// folder is not looked inside; hidden and system folders are not searched.
void ChercheOrphelins(const std::string& f, const ListeGeree& managed, SceneryTree& tree, Node* group);

}  // namespace orvella
