// Group editing: create, move, sort, remove and rename nodes of the current_
// tree. Only the tree changes; states are recomputed locally.
#include "logic/core/interaction.h"
#include "logic/editing/groupediting.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/nodestates.h"
#include "logic/model/sorting.h"
#include "logic/texts/textes.h"

namespace orvella {

void EcrOrvellaLogic::btnNouvGroupeClick() {
  const std::string& caption = ctl_.btnNouvGroupe.caption;
  const auto name = UI().InputBox(caption, Textes().EntrerNomGroupe.text, caption);
  if (!name) return;
  // The top level keeps the user's order, whatever the auto-sort flag.
  SceneryTree& tree = *current_;
  Node* group = tree.addChild(nullptr, *name, kKindGroup);
  tree.select(group);
  TreeChange(&tree);
}

void EcrOrvellaLogic::btnNouvSousGroupeClick() {
  if (!current_->selected()) return;
  const std::string& caption = ctl_.btnNouvSousGroupe.caption;
  const auto name = UI().InputBox(caption, Textes().EntrerNomSousGrp.text, caption);
  if (!name) return;
  SceneryTree& tree = *current_;
  Node* parent = tree.selected();
  if (!parent || !parent->isGroup()) return;
  Node* group = tree.addChild(parent, *name, kKindGroup);
  tree.select(group);
  if (autoSort()) SortChildren(tree, parent);
  TreeChange(&tree);
}

// The moves keep the parent, so no state changes and the availability stays
// as the selection left it.
void EcrOrvellaLogic::btnDeplHClick() { MoveGroupUp(*current_, current_->selected()); }

void EcrOrvellaLogic::btnDeplBClick() { MoveGroupDown(*current_, current_->selected()); }

void EcrOrvellaLogic::btnTrierClick() { TrieGroupe(*current_, current_->selected()); }

void EcrOrvellaLogic::btnSuppGroupeClick() {
  SceneryTree& tree = *current_;
  Node* s = tree.selected();
  if (!s || tree.selectionCount() == 0) return;
  const int n = tree.selectionCount();
  Catalogue& t = Textes();
  const std::string& question =
      n != 1 ? t.ConfirmeOteElemSel.text : (s->isScene() ? t.ConfirmeOteScene.text : t.ConfirmeOteGroupe.text);
  if (!UI().WarnYesNo(question, UI().MousePos())) return;

  if (n != 1) {
    RemoveSelection(tree);
    return;
  }
  Node* successor = s->nextSibling() ? s->nextSibling() : s->prevSibling();
  RemoveNode(tree, s);
  if (successor) {
    tree.select(successor);
    TreeChange(&tree);
  } else {
    ctl_.btnAjoutScene.enabled = false;
    ctl_.btnSuppGroupe.enabled = false;
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
  FixeEtat(node, RenamedSceneState(t.sceneryFolder, newText));
  Node* parent = node->parent();
  if (parent && parent->isGroup()) RemonteEtat(parent);
}

}  // namespace orvella
