// Command availability, the popup menu and the side panel.
#include "logic/app/ecrorvella.h"
#include "logic/core/folders.h"
#include "logic/texts/textes.h"

namespace orvella {


void EcrOrvellaLogic::ActualiseCommandes() {
  SceneryTree& tree = *current;
  Node* s = tree.selected();
  if (!s) return;
  const int n = tree.selectionCount();
  Node* u = tree.unmanaged();
  const bool group = s->kind() == kKindGroup;
  const bool scene = s->kind() == kKindScene;
  const int state = s->state();
  Catalogue& t = Textes();

  form["btnNouvSousGroupe"].enabled = group;
  form["btnDeplH"].enabled = group && s->prevSibling() && s->prevSibling() != u;
  form["btnDeplB"].enabled = group && s->nextSibling();
  form["btnTrier"].enabled = group;
  form["btnAjoutScene"].enabled = group && n == 1;
  form["btnAjoutOrphelins"].enabled = form["btnAjoutScene"].enabled;
  form["btnSuppGroupe"].enabled = group || scene;
  form["btnActiver"].enabled = HasInactive(state);
  form["btnDesactiver"].enabled = HasActive(state);

  if (form["btnSuppGroupe"].enabled) {
    if (n != 1)
      form["btnSuppGroupe"].caption = t.OteElemSel.text;
    else if (scene)
      form["btnSuppGroupe"].caption = t.OteScene.text;
    else
      form["btnSuppGroupe"].caption = t.OteGroupe.text;
  }
  if (group || n > 1) {
    form["btnActiver"].caption = t.InstLesScenes.text;
    form["btnDesactiver"].caption = t.DesinsLesScenes.text;
  }
  if (scene) {
    form["btnActiver"].caption = t.InstLaScene.text;
    form["btnDesactiver"].caption = t.DesinsLaScene.text;
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
  auto show = [&](const char* item, bool visible) { form[item].visible = visible; };
  auto copy = [&](const char* item, const char* button) { form[item].caption = form[button].caption; };

  show("PM_Activer", form["btnActiver"].enabled);
  copy("PM_Activer", "btnActiver");
  show("PM_Desactiver", form["btnDesactiver"].enabled);
  copy("PM_Desactiver", "btnDesactiver");
  show("PM_N1", form["PM_Activer"].visible || form["PM_Desactiver"].visible);
  show("PM_NouvGroupe", true);
  show("PM_NouvSousGroupe", form["btnNouvSousGroupe"].enabled);
  show("PM_Supprime", form["btnSuppGroupe"].enabled);
  copy("PM_Supprime", "btnSuppGroupe");
  show("PM_Trier", form["btnTrier"].enabled);
  show("PM_TriAuto", true);
  form["PM_TriAuto"].checked = triAuto_;
  show("PM_DeplH", form["btnDeplH"].enabled);
  show("PM_DeplB", form["btnDeplB"].enabled);
  show("PM_N2", true);
  show("PM_AjoutScene", form["btnAjoutScene"].enabled);
  show("PM_AjoutOrphelins", form["btnAjoutOrphelins"].enabled);
  show("PM_N3", form["PM_AjoutScene"].visible || form["PM_AjoutOrphelins"].visible);
  show("PM_BtnLat", true);
  form["PM_BtnLat"].caption = panelShown() ? Textes().MasqueBtns.text : Textes().MontreBtns.text;
  // The scenery order's items: the preview while the order is written at
  // launch, and the kinds for one pack of Custom Scenery.
  const bool ordre = ordonneIni();
  show("PM_N4", ordre);
  show("PM_ApercuOrdre", ordre);
  Node* s = current == &CustScn ? CustScn.selected() : nullptr;
  std::string folder = ordre && s && CustScn.selectionCount() == 1 ? PackFolderOf(s) : std::string();
  if (!folder.empty() && !DirectoryExists(folder)) folder.clear();  // a missing scene, a plain file
  const std::optional<PackKind> hand = folder.empty() ? std::nullopt : orderSettings.kindOf(folder);
  for (const auto& [item, kind] : kTypeItems) {
    show(item, !folder.empty());
    form[item].checked = !folder.empty() && hand == kind;
  }
  changed();
}

void EcrOrvellaLogic::PM_BtnLatClick() {
  const int W = form.clientWidth();
  const int H = form.clientHeight();
  Rect& pages = form["Pages"].bounds;
  Component& quitter = form["btnQuitter"];
  Component& ouvrirQuitter = form["btnOuvrirXPQuitter"];
  Component& ouvrir = form["btnOuvrirXP"];
  Component& efface = form["cbEffaceIni"];
  Component& ordonne = form["cbOrdonneIni"];
  Component& panel = form["pnlBtns"];
  const Rect& desactiver = form["btnDesactiver"].bounds;

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
    ordonne.bounds = Rect{efface.bounds.left, H - ordonne.bounds.height - 6, efface.bounds.width,
                          ordonne.bounds.height};
    ordonne.anchors = akTop | akRight;
    panel.visible = true;
  }
  changed();
}

void EcrOrvellaLogic::AfficheTriAuto() {
  // Only the shown state changes: no click handler runs.
  form["cbTriAuto"].checked = triAuto_;
  form["PM_TriAuto"].checked = triAuto_;
  changed();
}

}  // namespace orvella
