// Group editing: create, move, sort, remove and rename nodes of the current
// tree. Only the tree changes; states are recomputed locally.
#include "logic/core/interaction.h"
#include "logic/editing/groupediting.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/nodestates.h"
#include "logic/model/sorting.h"
#include "logic/texts/textes.h"

namespace orvella {

void EcrOrvellaLogic::btnNouvGroupeClick() {
  const std::string& caption = ctl.btnNouvGroupe.caption;
  const auto name = UI().InputBox(caption, Textes().EntrerNomGroupe.text, caption);
  if (!name) return;
  // The top level keeps the user's order, whatever the auto-sort flag.
  SceneryTree& tree = *current;
  Node* group = tree.addChild(nullptr, *name, kKindGroup);
  tree.select(group);
  TreeChange(&tree);
}

void EcrOrvellaLogic::btnNouvSousGroupeClick() {
  if (!current->selected()) return;
  const std::string& caption = ctl.btnNouvSousGroupe.caption;
  const auto name = UI().InputBox(caption, Textes().EntrerNomSousGrp.text, caption);
  if (!name) return;
  SceneryTree& tree = *current;
  Node* parent = tree.selected();
  if (!parent || !parent->isGroup()) return;
  Node* group = tree.addChild(parent, *name, kKindGroup);
  tree.select(group);
  if (triAuto()) TrieEnfants(tree, parent);
  TreeChange(&tree);
}

// The moves keep the parent, so no state changes and the availability stays
// as the selection left it.
void EcrOrvellaLogic::btnDeplHClick() { MonteGroupe(*current, current->selected()); }

void EcrOrvellaLogic::btnDeplBClick() { DescendGroupe(*current, current->selected()); }

void EcrOrvellaLogic::btnTrierClick() { TrieGroupe(*current, current->selected()); }

void EcrOrvellaLogic::btnSuppGroupeClick() {
  SceneryTree& tree = *current;
  Node* s = tree.selected();
  if (!s || tree.selectionCount() == 0) return;
  const int n = tree.selectionCount();
  Catalogue& t = Textes();
  const std::string& question =
      n != 1 ? t.ConfirmeOteElemSel.text : (s->isScene() ? t.ConfirmeOteScene.text : t.ConfirmeOteGroupe.text);
  if (!UI().WarnYesNo(question, UI().MousePos())) return;

  if (n != 1) {
    OteSelection(tree);
    return;
  }
  Node* successor = s->nextSibling() ? s->nextSibling() : s->prevSibling();
  OteNoeud(tree, s);
  if (successor) {
    tree.select(successor);
    TreeChange(&tree);
  } else {
    ctl.btnAjoutScene.enabled = false;
    ctl.btnSuppGroupe.enabled = false;
  }
}

void EcrOrvellaLogic::TreeEdited(SceneryTree* tree, Node* node, const std::string& newText) {
  if (!node) return;
  // A scene is its folder's path: an emptied editor is dropped, as Escape
  // would, and the scene keeps its path and its link.
  if (node->isScene() && newText.empty()) return;
  SceneryTree& t = tree ? *tree : *node->tree();
  t.setText(node, newText);
  if (!node->isScene()) return;
  // The scene now names another folder: its link and its folder decide, as
  // the next refresh would; no link is made or renamed.
  FixeEtat(node, EtatSceneRenommee(t.sceneryFolder, newText));
  Node* parent = node->parent();
  if (parent && parent->isGroup()) RemonteEtat(parent);
}

}  // namespace orvella
