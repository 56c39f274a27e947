// Command availability, the popup menu and the side panel.
#include "logic/core/folders.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"

namespace orvella {

void EcrOrvellaLogic::ActualiseCommandes() {
  ctl_.btnVerifier.enabled = installationSelected();
  SceneryTree& tree = *current_;
  Node* s = tree.selected();
  if (!s) return;
  const int n = tree.selectionCount();
  Node* u = tree.unmanaged();
  const bool group = s->kind() == kKindGroup;
  const bool scene = s->kind() == kKindScene;
  const int state = s->state();
  Catalogue& t = Textes();

  ctl_.btnNouvSousGroupe.enabled = group;
  ctl_.btnDeplH.enabled = group && s->prevSibling() && s->prevSibling() != u;
  ctl_.btnDeplB.enabled = group && s->nextSibling();
  ctl_.btnTrier.enabled = group;
  ctl_.btnAjoutScene.enabled = group && n == 1;
  ctl_.btnAjoutOrphelins.enabled = ctl_.btnAjoutScene.enabled;
  ctl_.btnSuppGroupe.enabled = group || scene;
  ctl_.btnActiver.enabled = HasInactive(state);
  ctl_.btnDesactiver.enabled = HasActive(state);

  if (ctl_.btnSuppGroupe.enabled) {
    if (n != 1)
      ctl_.btnSuppGroupe.caption = t.OteElemSel.text;
    else if (scene)
      ctl_.btnSuppGroupe.caption = t.OteScene.text;
    else
      ctl_.btnSuppGroupe.caption = t.OteGroupe.text;
  }
  if (group || n > 1) {
    ctl_.btnActiver.caption = t.InstLesScenes.text;
    ctl_.btnDesactiver.caption = t.DesinsLesScenes.text;
  }
  if (scene) {
    ctl_.btnActiver.caption = t.InstLaScene.text;
    ctl_.btnDesactiver.caption = t.DesinsLaScene.text;
  }
}

void EcrOrvellaLogic::TreeChange(SceneryTree* tree) {
  current_ = tree;
  ActualiseCommandes();
}

void EcrOrvellaLogic::CustScnMouseDown(bool rightButton, Node* node) {
  if (!rightButton) return;
  // The right click acts on the current_ tree, as the menu that follows does.
  current_->select(node);
}

void EcrOrvellaLogic::PM_PagePopup() {
  ActualiseCommandes();
  auto show = [](Component& item, bool visible) { item.visible = visible; };
  auto copy = [](Component& item, const Component& button) { item.caption = button.caption; };
  EcrOrvellaControls& c = ctl_;

  show(c.PM_Activer, c.btnActiver.enabled);
  copy(c.PM_Activer, c.btnActiver);
  show(c.PM_Desactiver, c.btnDesactiver.enabled);
  copy(c.PM_Desactiver, c.btnDesactiver);
  show(c.PM_N1, c.PM_Activer.visible || c.PM_Desactiver.visible);
  show(c.PM_NouvGroupe, true);
  show(c.PM_NouvSousGroupe, c.btnNouvSousGroupe.enabled);
  show(c.PM_Supprime, c.btnSuppGroupe.enabled);
  copy(c.PM_Supprime, c.btnSuppGroupe);
  show(c.PM_Trier, c.btnTrier.enabled);
  show(c.PM_TriAuto, true);
  c.PM_TriAuto.checked = autoSort_;
  show(c.PM_DeplH, c.btnDeplH.enabled);
  show(c.PM_DeplB, c.btnDeplB.enabled);
  show(c.PM_N2, true);
  show(c.PM_AjoutScene, c.btnAjoutScene.enabled);
  show(c.PM_AjoutOrphelins, c.btnAjoutOrphelins.enabled);
  show(c.PM_N3, c.PM_AjoutScene.visible || c.PM_AjoutOrphelins.visible);
  show(c.PM_BtnLat, true);
  c.PM_BtnLat.caption = panelShown() ? Textes().MasqueBtns.text : Textes().MontreBtns.text;
  // The scenery order's items: the preview while the order is written at
  // launch, and the kinds for one pack of Custom Scenery.
  const bool ordered = ordersSceneryPacks();
  show(c.PM_N4, ordered);
  show(c.PM_ApercuOrdre, ordered);
  Node* s = current_ == &custScn_ ? custScn_.selected() : nullptr;
  std::string folder = ordered && s && custScn_.selectionCount() == 1 ? packFolderOf(s) : std::string();
  if (!folder.empty() && !DirectoryExists(folder)) folder.clear();  // a missing scene, a plain file
  const std::optional<PackKind> hand = folder.empty() ? std::nullopt : orderSettings_.kindOf(folder);
  for (std::size_t i = 0; i < kTypeItemCount; ++i) {
    show(*c.PM_Type[i], !folder.empty());
    c.PM_Type[i]->checked = !folder.empty() && hand == kTypeItems[i].second;
  }
  // The scenery check of the selected installation.
  show(c.PM_N5, installationSelected());
  show(c.PM_Verifier, installationSelected());
}

void EcrOrvellaLogic::PM_BtnLatClick() {
  LayOutSidePanel(ctl_, form_.clientWidth(), form_.clientHeight(), !panelShown());
}

void EcrOrvellaLogic::AfficheTriAuto() {
  // Only the shown state changes: no click handler runs.
  ctl_.cbTriAuto.checked = autoSort_;
  ctl_.PM_TriAuto.checked = autoSort_;
}

}  // namespace orvella
