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

// Every control the logic works on, by its name in the design: adding one
// here gives EcrOrvellaControls its member, resolved from the Form.
#define ORVELLA_ECRORVELLA_CONTROLS(X) \
  /* Installations and launch. */      \
  X(rgListeXP)                         \
  X(btnAjouteXPlane)                   \
  X(btnOteXPlane)                      \
  X(btnOuvrirXP)                       \
  X(btnOuvrirXPQuitter)                \
  X(btnQuitter)                        \
  X(cbEffaceIni)                       \
  X(cbOrdonneIni)                      \
  /* The trees' pages. */              \
  X(Pages)                             \
  X(CustScn)                           \
  X(GlobScn)                           \
  /* The side panel. */                \
  X(pnlBtns)                           \
  X(btnDeplH)                          \
  X(btnDeplB)                          \
  X(btnNouvGroupe)                     \
  X(btnSuppGroupe)                     \
  X(btnAjoutScene)                     \
  X(btnNouvSousGroupe)                 \
  X(cbTriAuto)                         \
  X(btnTrier)                          \
  X(btnAjoutOrphelins)                 \
  X(btnActiver)                        \
  X(btnDesactiver)                     \
  X(btnVerifier)                       \
  /* The popup menu. */                \
  X(PM_Activer)                        \
  X(PM_Desactiver)                     \
  X(PM_N1)                             \
  X(PM_NouvGroupe)                     \
  X(PM_NouvSousGroupe)                 \
  X(PM_Supprime)                       \
  X(PM_Trier)                          \
  X(PM_TriAuto)                        \
  X(PM_DeplH)                          \
  X(PM_DeplB)                          \
  X(PM_N2)                             \
  X(PM_AjoutScene)                     \
  X(PM_AjoutOrphelins)                 \
  X(PM_N3)                             \
  X(PM_BtnLat)                         \
  X(PM_N4)                             \
  X(PM_ApercuOrdre)                    \
  X(PM_N5)                             \
  X(PM_Verifier)

struct EcrOrvellaControls {
  // Throws std::out_of_range naming the first control `form` lacks. The
  // references stay valid while `form` lives and gains no component.
  explicit EcrOrvellaControls(Form& form);

#define ORVELLA_CONTROL_MEMBER(n) Component& n;
  ORVELLA_ECRORVELLA_CONTROLS(ORVELLA_CONTROL_MEMBER)
#undef ORVELLA_CONTROL_MEMBER
  // PM_TypeAuto ... PM_TypeInconnu, in the order of kTypeItems.
  std::array<Component*, kTypeItemCount> PM_Type;
};

}  // namespace orvella
