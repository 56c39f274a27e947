// The states stored on a tree's nodes: setting one, carrying the states of
// scenes up to their groups, and the first node that carries one.
#pragma once

#include "logic/model/tree.h"

namespace orvella {

// Stores a state as the node's image (and selected image).
void FixeEtat(Node* node, int state);

// Recomputes the states of group and its ancestors from their children's
// stored states.
void RemonteEtat(Node* group);

// The first top node that is not the unmanaged node, or nullptr.
Node* PremierNoeud(const SceneryTree& tree);

}  // namespace orvella
