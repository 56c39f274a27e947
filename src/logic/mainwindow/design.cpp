// The design of the program's three windows: every control with its kind,
// parent, caption, position, anchors, initial state and tooltip, then the
// popup-menu items, in creation order (translation walks them in this order).
#include <set>
#include <stdexcept>
#include <string>

#include "logic/core/ansi.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/texts/textes.h"

namespace orvella {

namespace {

constexpr unsigned kTR = akTop | akRight;
constexpr unsigned kLT = akLeft | akTop;
constexpr unsigned kLTR = akLeft | akTop | akRight;
constexpr unsigned kLTRB = akLeft | akTop | akRight | akBottom;
constexpr unsigned kRB = akRight | akBottom;

// Adds one control; captions and hints are UTF-8 literals stored in the ANSI code page.
Component& Add(Form& f, const char* name, ComponentKind kind, const char* parent, const char* caption, Rect bounds,
               unsigned anchors = kLT, bool enabled = true) {
  Component c;
  c.name = name;
  c.kind = kind;
  c.parent = parent;
  c.caption = Ansi(caption);
  c.bounds = bounds;
  c.anchors = anchors;
  c.enabled = enabled;
  return f.add(std::move(c));
}

void AddMenuItem(Form& f, const char* name, const char* caption) {
  Component c;
  c.name = name;
  c.kind = ComponentKind::MenuItem;
  c.caption = Ansi(caption);
  f.add(std::move(c));
}

}  // namespace

Form CreateEcrOrvellaForm() {
  using K = ComponentKind;
  Form f("EcrOrvella", "X-Plane Orvella", 673, 542);

  Add(f, "Bevel3", K::Bevel, "", "", {477, 13, 189, 76}, kTR);
  Add(f, "btnAjouteXPlane", K::Button, "", "Ajouter un dossier X-Plane", {489, 24, 169, 25}, kTR);
  Add(f, "btnOteXPlane", K::Button, "", "Oter cette version X-Plane", {489, 56, 169, 25}, kTR, false);
  Add(f, "rgListeXP", K::RadioGroup, "", "Liste des installations X-Plane gérées ", {8, 8, 474, 81}, kLTR);
  Add(f, "btnOuvrirXPQuitter", K::Button, "", "Lancer X-Plane et quitter", {507, 457, 146, 25}, kTR);
  Add(f, "btnQuitter", K::Button, "", "Quitter", {540, 489, 80, 25}, kTR);
  Add(f, "Pages", K::PageControl, "", "", {7, 98, 474, 439}, kLTRB);
  // The sheets fill the page control below its tabs; the trees fill the sheets.
  Add(f, "TabCustom", K::TabSheet, "Pages", "Custom Scenery", {4, 24, 466, 411}, kLTRB);
  Add(f, "CustScn", K::TreeView, "TabCustom", "", {0, 0, 466, 411}, kLTRB);
  Add(f, "TabGlobal", K::TabSheet, "Pages", "Global Scenery", {4, 24, 466, 411}, kLTRB);
  Add(f, "GlobScn", K::TreeView, "TabGlobal", "", {0, 0, 466, 411}, kLTRB);
  Add(f, "btnOuvrirXP", K::Button, "", "Lancer X-Plane", {507, 425, 146, 25}, kTR);
  Add(f, "cbEffaceIni", K::CheckBox, "", "Supprimer scenery_packs.ini", {500, 405, 161, 17}, kTR).checked = true;
  Add(f, "cbOrdonneIni", K::CheckBox, "", "Ordonner scenery_packs.ini", {500, 519, 161, 17}, kTR).hint =
      Text("EcrOrvella", "IndiceOrdonneIni");
  Add(f, "pnlBtns", K::Panel, "", "", {487, 96, 186, 297}, kTR);
  Add(f, "gbGroupes", K::GroupBox, "pnlBtns", " Groupes ", {4, 4, 177, 205}, kTR);
  Add(f, "Bevel1", K::Bevel, "gbGroupes", "", {120, 10, 17, 103});
  Add(f, "btnDeplH", K::SpeedButton, "gbGroupes", "", {145, 34, 23, 23}, kLT, false).hint = "Ctrl+NumPad8 / Ctrl+Z";
  Add(f, "btnDeplB", K::SpeedButton, "gbGroupes", "", {145, 68, 23, 23}, kLT, false).hint = "Ctrl+NumPad2 / Ctrl+X";
  Add(f, "Bevel2", K::Bevel, "gbGroupes", "", {6, 112, 130, 9});
  Add(f, "Bevel4", K::Bevel, "gbGroupes", "", {4, 137, 165, 8});
  Add(f, "btnNouvGroupe", K::Button, "gbGroupes", "Créer un groupe", {8, 16, 121, 25});
  Add(f, "btnSuppGroupe", K::Button, "gbGroupes", "Supprimer le groupe", {8, 80, 121, 25}, kLT, false);
  Add(f, "btnAjoutScene", K::Button, "gbGroupes", "Ajouter une/des scène(s)", {8, 152, 161, 17}, kTR, false);
  Add(f, "btnNouvSousGroupe", K::Button, "gbGroupes", "Créer un sous-groupe", {8, 48, 121, 25}, kLT, false);
  Add(f, "cbTriAuto", K::CheckBox, "gbGroupes", "Tri auto", {16, 119, 61, 17});
  Add(f, "btnTrier", K::Button, "gbGroupes", "Trier le groupe", {80, 118, 89, 19}, kLT, false);
  Add(f, "btnAjoutOrphelins", K::Button, "gbGroupes", "Ajoute les scènes orphelines", {8, 176, 161, 17}, kTR, false);
  Add(f, "btnActiver", K::Button, "pnlBtns", "Activer les scènes du groupe", {4, 231, 177, 26}, kTR, false);
  Add(f, "btnDesactiver", K::Button, "pnlBtns", "Désactiver les scènes du groupe", {4, 263, 177, 26}, kTR, false);
  // The scenery check: in the panel's free row between the groups and the
  // activation buttons, the designed controls where they were.
  Add(f, "btnVerifier", K::Button, "pnlBtns", "Vérifier les scènes", {4, 211, 177, 18}, kTR, false).hint = "F7";

  AddMenuItem(f, "PM_Activer", "Activer les scènes");
  AddMenuItem(f, "PM_Desactiver", "Désactiver les scenes");
  AddMenuItem(f, "PM_N1", "-");
  AddMenuItem(f, "PM_NouvGroupe", "Créer un nouveau groupe");
  AddMenuItem(f, "PM_NouvSousGroupe", "Créer un nouveau sous-groupe");
  AddMenuItem(f, "PM_Supprime", "Supprimer le groupe");
  AddMenuItem(f, "PM_Trier", "Trier le groupe");
  AddMenuItem(f, "PM_TriAuto", "Tri automatique");
  AddMenuItem(f, "PM_DeplH", "Monter le groupe avant le précédent");
  AddMenuItem(f, "PM_DeplB", "Descendre le groupe après le suivant");
  AddMenuItem(f, "PM_N2", "-");
  AddMenuItem(f, "PM_AjoutScene", "Ajouter une ou des scènes");
  AddMenuItem(f, "PM_AjoutOrphelins", "Ajouter les scènes orphelines");
  AddMenuItem(f, "PM_N3", "-");
  AddMenuItem(f, "PM_BtnLat", "Masquer les boutons latéraux");
  // The scenery order's items, shown while cbOrdonneIni is checked.
  AddMenuItem(f, "PM_N4", "-");
  AddMenuItem(f, "PM_ApercuOrdre", "Aperçu de scenery_packs.ini");
  AddMenuItem(f, "PM_TypeAuto", "Type : selon ses fichiers");
  AddMenuItem(f, "PM_TypeAeroport", "Type : aéroport");
  AddMenuItem(f, "PM_TypeBiblio", "Type : bibliothèque");
  AddMenuItem(f, "PM_TypeSurcouche", "Type : surcouche");
  AddMenuItem(f, "PM_TypeOrtho", "Type : orthophoto");
  AddMenuItem(f, "PM_TypeMaillage", "Type : maillage");
  AddMenuItem(f, "PM_TypeInconnu", "Type : inconnu");
  // The scenery check, for the selected installation.
  AddMenuItem(f, "PM_N5", "-");
  AddMenuItem(f, "PM_Verifier", "Vérifier les scènes");
  return f;
}

namespace {

using L = EcrOrvellaLogic;

// Each clickable control of CreateEcrOrvellaForm() and what its click runs;
// the popup menu runs the handlers of the buttons.
constexpr ControlHandler kHandlers[] = {
    {"btnAjouteXPlane", &L::btnAjouteXPlaneClick},
    {"btnOteXPlane", &L::btnOteXPlaneClick},
    {"btnOuvrirXPQuitter", nullptr, &L::btnOuvrirXPQuitterClick},
    {"btnQuitter", &L::btnQuitterClick},
    {"btnOuvrirXP", nullptr, &L::btnOuvrirXPQuitterClick},
    {"cbEffaceIni", &L::cbEffaceIniClick},
    {"cbOrdonneIni", &L::cbOrdonneIniClick},
    {"btnDeplH", &L::btnDeplHClick},
    {"btnDeplB", &L::btnDeplBClick},
    {"btnNouvGroupe", &L::btnNouvGroupeClick},
    {"btnSuppGroupe", &L::btnSuppGroupeClick},
    {"btnAjoutScene", &L::btnAjoutSceneClick},
    {"btnNouvSousGroupe", &L::btnNouvSousGroupeClick},
    {"cbTriAuto", &L::cbTriAutoClick},
    {"btnTrier", &L::btnTrierClick},
    {"btnAjoutOrphelins", &L::btnAjoutOrphelinsClick},
    {"btnActiver", &L::btnActiverClick},
    {"btnDesactiver", &L::btnDesactiverClick},
    {"btnVerifier", &L::btnVerifierClick},
    {"PM_Activer", &L::btnActiverClick},
    {"PM_Desactiver", &L::btnDesactiverClick},
    {"PM_NouvGroupe", &L::btnNouvGroupeClick},
    {"PM_NouvSousGroupe", &L::btnNouvSousGroupeClick},
    {"PM_Supprime", &L::btnSuppGroupeClick},
    {"PM_Trier", &L::btnTrierClick},
    {"PM_TriAuto", &L::cbTriAutoClick},
    {"PM_DeplH", &L::btnDeplHClick},
    {"PM_DeplB", &L::btnDeplBClick},
    {"PM_AjoutScene", &L::btnAjoutSceneClick},
    {"PM_AjoutOrphelins", &L::btnAjoutOrphelinsClick},
    {"PM_BtnLat", &L::PM_BtnLatClick},
    {"PM_ApercuOrdre", &L::PM_ApercuOrdreClick},
    {"PM_TypeAuto", nullptr, &L::PM_TypeClick},
    {"PM_TypeAeroport", nullptr, &L::PM_TypeClick},
    {"PM_TypeBiblio", nullptr, &L::PM_TypeClick},
    {"PM_TypeSurcouche", nullptr, &L::PM_TypeClick},
    {"PM_TypeOrtho", nullptr, &L::PM_TypeClick},
    {"PM_TypeMaillage", nullptr, &L::PM_TypeClick},
    {"PM_TypeInconnu", nullptr, &L::PM_TypeClick},
    {"PM_Verifier", &L::btnVerifierClick},
};

bool Clickable(const Component& c) {
  return c.kind == ComponentKind::Button || c.kind == ComponentKind::SpeedButton || c.kind == ComponentKind::CheckBox ||
         (c.isMenuItem() && c.caption != "-");
}

}  // namespace

std::span<const ControlHandler> ControlHandlers() { return kHandlers; }

void CheckHandlers(const Form& form) {
  std::set<std::string, std::less<>> named;
  for (const ControlHandler& h : kHandlers) {
    if (!form.find(h.control))
      throw std::logic_error("handler for " + std::string(h.control) + ", which " + form.name() + " lacks");
    if (!named.insert(h.control).second || !h.click == !h.shared)
      throw std::logic_error(form.name() + ": not one handler for " + h.control);
  }
  for (const Component& c : form.components())
    if (Clickable(c) && !named.contains(c.name)) throw std::logic_error(form.name() + ": no handler for " + c.name);
}

Form CreateEcrBibliosForm() {
  using K = ComponentKind;
  Form f("EcrBiblios", Ansi("Chemins de base des bibliothèques"), 460, 150);
  // A label sizes itself to its text: width and height 0.
  Add(f, "lbTitre", K::Label, "", "Liste des dossiers bibliothèques qui vont être scrutées :", {8, 8, 0, 0}).bold =
      true;
  Add(f, "Liste", K::ListBox, "", "", {8, 24, 330, 113}, kLTRB);
  Add(f, "btnAjoute", K::Button, "", "Ajouter un dossier", {351, 24, 105, 25}, kTR);
  Add(f, "btnSupprime", K::Button, "", "Supprimer le dossier", {351, 56, 105, 25}, kTR, false);
  Add(f, "btnOk", K::Button, "", "Ok", {367, 112, 75, 25}, kRB);
  return f;
}

Form CreateEcrConfirmeCopieForm() {
  using K = ComponentKind;
  Form f("EcrConfirmeCopie", "Que voulez vous faire ?", 273, 73);
  Add(f, "lbTitre", K::Label, "", "Voulez-vous copier ou déplacer ?", {32, 16, 0, 0}).bold = true;
  Add(f, "btnCopier", K::Button, "", "Copier", {8, 40, 75, 25});
  Add(f, "btnDeplacer", K::Button, "", "Déplacer", {96, 40, 75, 25});
  Add(f, "btnAnnuler", K::Button, "", "Annuler", {184, 40, 75, 25});
  return f;
}

// The side panel's two layouts: hidden, the launch row runs along the
// window's bottom right; shown, it stands centred under the panel.
void LayOutSidePanel(EcrOrvellaControls& c, int clientWidth, int clientHeight, bool shown) {
  Rect& pages = c.Pages.bounds;
  Component& quitter = c.btnQuitter;
  Component& ouvrirQuitter = c.btnOuvrirXPQuitter;
  Component& ouvrir = c.btnOuvrirXP;
  Component& efface = c.cbEffaceIni;
  Component& ordonne = c.cbOrdonneIni;
  Component& panel = c.pnlBtns;
  const Rect& desactiver = c.btnDesactiver.bounds;

  if (!shown) {
    panel.visible = false;
    pages.width = clientWidth - 2 * pages.left;
    pages.height = clientHeight - pages.top - pages.left - quitter.bounds.height;
    quitter.bounds.top = clientHeight - quitter.bounds.height - 4;
    quitter.bounds.left = clientWidth - quitter.bounds.width - pages.left;
    ouvrirQuitter.bounds.top = quitter.bounds.top;
    ouvrirQuitter.bounds.left = quitter.bounds.left - ouvrirQuitter.bounds.width - 8;
    ouvrir.bounds.width = 98;
    ouvrir.bounds.top = quitter.bounds.top;
    ouvrir.bounds.left = ouvrirQuitter.bounds.left - 98 - 8;
    efface.bounds.top = quitter.bounds.top + (quitter.bounds.height - efface.bounds.height) / 2;
    efface.bounds.left = ouvrir.bounds.left - efface.bounds.width - 8;
    for (Component* m : {&quitter, &ouvrirQuitter, &ouvrir, &efface}) m->anchors = akRight | akBottom;
    // The order's box in the row's free start.
    ordonne.bounds = Rect{pages.left, efface.bounds.top, efface.bounds.left - pages.left - 8, ordonne.bounds.height};
    ordonne.anchors = akLeft | akBottom;
  } else {
    pages.width = clientWidth - panel.bounds.width - 3 * pages.left;
    pages.height = clientHeight - pages.top - pages.left;
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
    for (Component* m : {&efface, &ouvrir, &ouvrirQuitter, &quitter}) m->anchors = akTop | akRight;
    // Under the buttons, as designed: its bottom 6 pixels above the window's.
    ordonne.bounds =
        Rect{efface.bounds.left, clientHeight - ordonne.bounds.height - 6, efface.bounds.width, ordonne.bounds.height};
    ordonne.anchors = akTop | akRight;
    panel.visible = true;
  }
}

}  // namespace orvella
