// The main window's controls and popup-menu items the logic works on, each
// resolved once from the window's component table. A name that the table
// lacks (a misspelt or removed control) fails when the window's logic is
// built, not when a user first clicks the control.
#pragma once

#include <array>
#include <cstddef>

#include "logic/core/form.h"

namespace orvella {

// The popup menu's kind items, in the order of kTypeItems.
inline constexpr std::size_t kTypeItemCount = 7;

struct EcrOrvellaControls {
  // Throws std::out_of_range naming the first control `form` lacks. The
  // references stay valid while `form` lives and gains no component.
  explicit EcrOrvellaControls(Form& form);

  // Installations and launch.
  Component& rgListeXP;
  Component& btnAjouteXPlane;
  Component& btnOteXPlane;
  Component& btnOuvrirXP;
  Component& btnOuvrirXPQuitter;
  Component& btnQuitter;
  Component& cbEffaceIni;
  Component& cbOrdonneIni;
  // The trees' pages.
  Component& Pages;
  Component& CustScn;
  Component& GlobScn;
  // The side panel.
  Component& pnlBtns;
  Component& btnDeplH;
  Component& btnDeplB;
  Component& btnNouvGroupe;
  Component& btnSuppGroupe;
  Component& btnAjoutScene;
  Component& btnNouvSousGroupe;
  Component& cbTriAuto;
  Component& btnTrier;
  Component& btnAjoutOrphelins;
  Component& btnActiver;
  Component& btnDesactiver;
  Component& btnVerifier;
  // The popup menu.
  Component& PM_Activer;
  Component& PM_Desactiver;
  Component& PM_N1;
  Component& PM_NouvGroupe;
  Component& PM_NouvSousGroupe;
  Component& PM_Supprime;
  Component& PM_Trier;
  Component& PM_TriAuto;
  Component& PM_DeplH;
  Component& PM_DeplB;
  Component& PM_N2;
  Component& PM_AjoutScene;
  Component& PM_AjoutOrphelins;
  Component& PM_N3;
  Component& PM_BtnLat;
  Component& PM_N4;
  Component& PM_ApercuOrdre;
  Component& PM_N5;
  Component& PM_Verifier;
  // PM_TypeAuto ... PM_TypeInconnu, in the order of kTypeItems.
  std::array<Component*, kTypeItemCount> PM_Type;
};

}  // namespace orvella
