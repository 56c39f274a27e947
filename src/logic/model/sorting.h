// The order of the nodes of a scenery tree.
#pragma once

#include "logic/model/tree.h"

namespace orvella {

// Sorts the children of parent (one level, nullptr: the top level) by their
// texts with the locale-aware comparison lstrcmpA; groups and scenes mixed.
void TrieEnfants(SceneryTree& tree, Node* parent);

}  // namespace orvella
