#include "logic/editing/groupediting.h"

#include <vector>

#include "logic/core/folders.h"
#include "logic/model/linknames.h"
#include "logic/model/nodestates.h"
#include "logic/model/refresh.h"
#include "logic/model/sorting.h"

namespace orvella {

void TrieGroupe(SceneryTree& tree, Node* node) {
  if (!node || !node->isGroup()) return;
  TrieEnfants(tree, node);
  for (int i = 0; i < node->childCount(); ++i) {
    Node* child = node->child(i);
    if (child->isGroup()) TrieGroupe(tree, child);
  }
}

bool MonteGroupe(SceneryTree& tree, Node* s) {
  if (!s || !s->isGroup()) return false;
  Node* prev = s->prevSibling();
  if (!prev || prev == tree.unmanaged() || prev->kind() == kKindUnmanaged) return false;
  return tree.moveTo(s, s->parent(), prev->index());
}

bool DescendGroupe(SceneryTree& tree, Node* s) {
  if (!s || !s->isGroup()) return false;
  Node* next = s->nextSibling();
  if (!next) return false;
  return tree.moveTo(next, s->parent(), s->index());
}

namespace {
// A branch as it stands: what a copy takes of each node.
struct Branche {
  std::string text;
  int kind = kKindGroup;
  std::vector<Branche> children;
};

Branche Releve(const Node* n) {
  Branche b{n->text(), n->kind(), {}};
  b.children.reserve(static_cast<size_t>(n->childCount()));
  for (int i = 0; i < n->childCount(); ++i) b.children.push_back(Releve(n->child(i)));
  return b;
}

Node* Plante(SceneryTree& tree, const Branche& b, Node* under) {
  Node* copy = tree.addChild(under, b.text, b.kind);
  for (const Branche& c : b.children) Plante(tree, c, copy);
  return copy;
}
}  // namespace

Node* CopieBranche(SceneryTree& tree, Node* n, Node* t) {
  if (!n || !t) return nullptr;
  // Taken in full first: copying into n's own subtree must not copy the
  // nodes the copy itself adds.
  const Branche b = Releve(n);
  return Plante(tree, b, t);
}

bool DeplaceBranche(SceneryTree& tree, Node* d, Node* t) {
  if (!d || !t || t->isSelfOrDescendantOf(d)) return false;
  return tree.moveTo(d, t, t->childCount());
}

void OteNoeud(SceneryTree& tree, Node* node) {
  if (!node) return;
  Node* parent = node->parent();
  tree.remove(node);
  // Only groups derive their state from their children; the unmanaged node
  // keeps its own image.
  if (parent && parent->isGroup()) RemonteEtat(parent);
}

void OteSelection(SceneryTree& tree) {
  // A copy: every removal takes the removed nodes out of the tree's selection,
  // which is also how a node gone with an ancestor is recognised (by address
  // only, never dereferenced; no node is created meanwhile).
  const std::vector<Node*> chosen = tree.selection();
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
    if (!tree.isSelected(*it)) continue;
    OteNoeud(tree, *it);
  }
}

int EtatSceneRenommee(const std::string& sceneryFolder, const std::string& path) {
  int state = kStateNone;
  const std::string name = LinkName(path);
  // No scenery folder yet, or a path without a last component: no link can
  // bear that name.
  if (!sceneryFolder.empty() && !name.empty()) {
    // As the refresh matches links: by the exact name where the folder tells
    // case apart.
    const win::DWORD a = EntryAttributes(sceneryFolder + name, FolderTellsCaseApart(sceneryFolder));
    if (a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY) &&
        (a & win::FILE_ATTRIBUTE_REPARSE_POINT))
      state = kStateAll;
  }
  if (!EstDossierScene(path)) state += kStateMissing;
  return state;
}

}  // namespace orvella
