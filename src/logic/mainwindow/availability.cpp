// Command availability, the popup menu and the side panel.
#include "logic/core/folders.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"

namespace orvella {

void EcrOrvellaLogic::ActualiseCommandes() {
  ctl.btnVerifier.enabled = installationSelected();
  SceneryTree& tree = *current;
  Node* s = tree.selected();
  if (!s) return;
  const int n = tree.selectionCount();
  Node* u = tree.unmanaged();
  const bool group = s->kind() == kKindGroup;
  const bool scene = s->kind() == kKindScene;
  const int state = s->state();
  Catalogue& t = Textes();

  ctl.btnNouvSousGroupe.enabled = group;
  ctl.btnDeplH.enabled = group && s->prevSibling() && s->prevSibling() != u;
  ctl.btnDeplB.enabled = group && s->nextSibling();
  ctl.btnTrier.enabled = group;
  ctl.btnAjoutScene.enabled = group && n == 1;
  ctl.btnAjoutOrphelins.enabled = ctl.btnAjoutScene.enabled;
  ctl.btnSuppGroupe.enabled = group || scene;
  ctl.btnActiver.enabled = HasInactive(state);
  ctl.btnDesactiver.enabled = HasActive(state);

  if (ctl.btnSuppGroupe.enabled) {
    if (n != 1)
      ctl.btnSuppGroupe.caption = t.OteElemSel.text;
    else if (scene)
      ctl.btnSuppGroupe.caption = t.OteScene.text;
    else
      ctl.btnSuppGroupe.caption = t.OteGroupe.text;
  }
  if (group || n > 1) {
    ctl.btnActiver.caption = t.InstLesScenes.text;
    ctl.btnDesactiver.caption = t.DesinsLesScenes.text;
  }
  if (scene) {
    ctl.btnActiver.caption = t.InstLaScene.text;
    ctl.btnDesactiver.caption = t.DesinsLaScene.text;
  }
  changed();
}

void EcrOrvellaLogic::TreeChange(SceneryTree* tree) {
  current = tree;
  ActualiseCommandes();
}

void EcrOrvellaLogic::CustScnMouseDown(bool rightButton, Node* node) {
  if (!rightButton) return;
  // The right click acts on the current tree, as the menu that follows does.
  current->select(node);
  changed();
}

void EcrOrvellaLogic::PM_PagePopup() {
  ActualiseCommandes();
  auto show = [](Component& item, bool visible) { item.visible = visible; };
  auto copy = [](Component& item, const Component& button) { item.caption = button.caption; };
  EcrOrvellaControls& c = ctl;

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
  c.PM_TriAuto.checked = triAuto_;
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
  const bool ordre = ordonneIni();
  show(c.PM_N4, ordre);
  show(c.PM_ApercuOrdre, ordre);
  Node* s = current == &CustScn ? CustScn.selected() : nullptr;
  std::string folder = ordre && s && CustScn.selectionCount() == 1 ? PackFolderOf(s) : std::string();
  if (!folder.empty() && !DirectoryExists(folder)) folder.clear();  // a missing scene, a plain file
  const std::optional<PackKind> hand = folder.empty() ? std::nullopt : orderSettings.kindOf(folder);
  for (std::size_t i = 0; i < kTypeItemCount; ++i) {
    show(*c.PM_Type[i], !folder.empty());
    c.PM_Type[i]->checked = !folder.empty() && hand == kTypeItems[i].second;
  }
  // The scenery check of the selected installation.
  show(c.PM_N5, installationSelected());
  show(c.PM_Verifier, installationSelected());
  changed();
}

void EcrOrvellaLogic::PM_BtnLatClick() {
  const int W = form.clientWidth();
  const int H = form.clientHeight();
  Rect& pages = ctl.Pages.bounds;
  Component& quitter = ctl.btnQuitter;
  Component& ouvrirQuitter = ctl.btnOuvrirXPQuitter;
  Component& ouvrir = ctl.btnOuvrirXP;
  Component& efface = ctl.cbEffaceIni;
  Component& ordonne = ctl.cbOrdonneIni;
  Component& panel = ctl.pnlBtns;
  const Rect& desactiver = ctl.btnDesactiver.bounds;

  if (panel.visible) {
    panel.visible = false;
    pages.width = W - 2 * pages.left;
    pages.height = H - pages.top - pages.left - quitter.bounds.height;
    quitter.bounds.top = H - quitter.bounds.height - 4;
    quitter.bounds.left = W - quitter.bounds.width - pages.left;
    ouvrirQuitter.bounds.top = quitter.bounds.top;
    ouvrirQuitter.bounds.left = quitter.bounds.left - ouvrirQuitter.bounds.width - 8;
    ouvrir.bounds.width = 98;
    ouvrir.bounds.top = quitter.bounds.top;
    ouvrir.bounds.left = ouvrirQuitter.bounds.left - 98 - 8;
    efface.bounds.top = quitter.bounds.top + (quitter.bounds.height - efface.bounds.height) / 2;
    efface.bounds.left = ouvrir.bounds.left - efface.bounds.width - 8;
    for (Component* c : {&quitter, &ouvrirQuitter, &ouvrir, &efface}) c->anchors = akRight | akBottom;
    // The order's box in the row's free start.
    ordonne.bounds = Rect{pages.left, efface.bounds.top, efface.bounds.left - pages.left - 8, ordonne.bounds.height};
    ordonne.anchors = akLeft | akBottom;
  } else {
    pages.width = W - panel.bounds.width - 3 * pages.left;
    pages.height = H - pages.top - pages.left;
    const int x = panel.bounds.left + desactiver.left + desactiver.width / 2;
    efface.bounds.top = panel.bounds.top + panel.bounds.height + 12;
    efface.bounds.left = x - efface.bounds.width / 2;
    ouvrir.bounds.width = ouvrirQuitter.bounds.width;
    ouvrir.bounds.top = efface.bounds.top + efface.bounds.height + 8;
    ouvrir.bounds.left = x - ouvrir.bounds.width / 2;
    ouvrirQuitter.bounds.top = ouvrir.bounds.top + ouvrir.bounds.height + 8;
    ouvrirQuitter.bounds.left = x - ouvrirQuitter.bounds.width / 2;
    quitter.bounds.top = ouvrirQuitter.bounds.top + ouvrirQuitter.bounds.height + 8;
    quitter.bounds.left = x - quitter.bounds.width / 2;
    for (Component* c : {&efface, &ouvrir, &ouvrirQuitter, &quitter}) c->anchors = akTop | akRight;
    // Under the buttons, as designed: its bottom 6 pixels above the window's.
    ordonne.bounds =
        Rect{efface.bounds.left, H - ordonne.bounds.height - 6, efface.bounds.width, ordonne.bounds.height};
    ordonne.anchors = akTop | akRight;
    panel.visible = true;
  }
  changed();
}

void EcrOrvellaLogic::AfficheTriAuto() {
  // Only the shown state changes: no click handler runs.
  ctl.cbTriAuto.checked = triAuto_;
  ctl.PM_TriAuto.checked = triAuto_;
  changed();
}

}  // namespace orvella
