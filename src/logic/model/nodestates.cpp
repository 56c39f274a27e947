#include "logic/model/nodestates.h"

namespace orvella {

void FixeEtat(Node* node, int state) { node->tree()->setState(node, state); }

void RemonteEtat(Node* group) {
  for (Node* node = group; node; node = node->parent()) {
    int base = kStateNone;
    bool missing = false;
    int remaining = node->childCount();
    for (int i = 0; i < node->childCount(); ++i) {
      const int state = node->child(i)->state();
      // The unmanaged node's states and an unclaimed link's count as neither.
      if (!IsSceneryState(state)) continue;
      if (HasActive(state)) base = kStateSome;
      if (ActiveState(state) == kStateAll) --remaining;
      if (HasMissing(state)) missing = true;
    }
    if (remaining == 0) base = kStateAll;
    FixeEtat(node, SceneryState(base, missing));
  }
}

Node* PremierNoeud(const SceneryTree& tree) {
  Node* first = tree.firstTop();
  if (first && tree.unmanaged() && first == tree.unmanaged()) return first->nextSibling();
  return first;
}

}  // namespace orvella
