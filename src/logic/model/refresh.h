// The refresh: the comparison of a scenery tree with its scenery folder.
#pragma once

#include <string>

#include "logic/model/tree.h"

namespace orvella {

// Compares the whole tree with its scenery folder: every node's state, and
// the unmanaged node rebuilt from what no scene claims. With no installation
// selected it only removes the unmanaged node. Raises EOSError when an
// entry's attributes cannot be read.
void RafraichitArbre(SceneryTree& tree, bool installationSelected);

// Whether the folder holds "Earth nav data" (folder), "library.txt" (file)
// or "Mars nav data" (folder). An empty path is never a scene folder.
bool EstDossierScene(const std::string& path);

}  // namespace orvella
