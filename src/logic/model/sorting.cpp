#include "logic/model/sorting.h"

#include "platform/winapi.h"

namespace orvella {

void TrieEnfants(SceneryTree& tree, Node* parent) {
  tree.sortChildren(
      parent, [](const Node* a, const Node* b) { return win::lstrcmpA(a->text().c_str(), b->text().c_str()) < 0; });
}

}  // namespace orvella
