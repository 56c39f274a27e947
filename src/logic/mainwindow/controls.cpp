#include "logic/mainwindow/controls.h"

#include <stdexcept>
#include <string>

#include "logic/mainwindow/ecrorvellalogic.h"

namespace orvella {

namespace {

Component& Resolve(Form& form, const char* name) {
  if (Component* c = form.find(name)) return *c;
  throw std::out_of_range(form.name() + " has no control " + name);
}

}  // namespace

static_assert(std::size(kTypeItems) == kTypeItemCount);

// Each member bears its control's name: the macro spells it once.
#define ORVELLA_CONTROL(n) n(Resolve(form, #n))

EcrOrvellaControls::EcrOrvellaControls(Form& form)
    : ORVELLA_CONTROL(rgListeXP),
      ORVELLA_CONTROL(btnAjouteXPlane),
      ORVELLA_CONTROL(btnOteXPlane),
      ORVELLA_CONTROL(btnOuvrirXP),
      ORVELLA_CONTROL(btnOuvrirXPQuitter),
      ORVELLA_CONTROL(btnQuitter),
      ORVELLA_CONTROL(cbEffaceIni),
      ORVELLA_CONTROL(cbOrdonneIni),
      ORVELLA_CONTROL(Pages),
      ORVELLA_CONTROL(CustScn),
      ORVELLA_CONTROL(GlobScn),
      ORVELLA_CONTROL(pnlBtns),
      ORVELLA_CONTROL(btnDeplH),
      ORVELLA_CONTROL(btnDeplB),
      ORVELLA_CONTROL(btnNouvGroupe),
      ORVELLA_CONTROL(btnSuppGroupe),
      ORVELLA_CONTROL(btnAjoutScene),
      ORVELLA_CONTROL(btnNouvSousGroupe),
      ORVELLA_CONTROL(cbTriAuto),
      ORVELLA_CONTROL(btnTrier),
      ORVELLA_CONTROL(btnAjoutOrphelins),
      ORVELLA_CONTROL(btnActiver),
      ORVELLA_CONTROL(btnDesactiver),
      ORVELLA_CONTROL(btnVerifier),
      ORVELLA_CONTROL(PM_Activer),
      ORVELLA_CONTROL(PM_Desactiver),
      ORVELLA_CONTROL(PM_N1),
      ORVELLA_CONTROL(PM_NouvGroupe),
      ORVELLA_CONTROL(PM_NouvSousGroupe),
      ORVELLA_CONTROL(PM_Supprime),
      ORVELLA_CONTROL(PM_Trier),
      ORVELLA_CONTROL(PM_TriAuto),
      ORVELLA_CONTROL(PM_DeplH),
      ORVELLA_CONTROL(PM_DeplB),
      ORVELLA_CONTROL(PM_N2),
      ORVELLA_CONTROL(PM_AjoutScene),
      ORVELLA_CONTROL(PM_AjoutOrphelins),
      ORVELLA_CONTROL(PM_N3),
      ORVELLA_CONTROL(PM_BtnLat),
      ORVELLA_CONTROL(PM_N4),
      ORVELLA_CONTROL(PM_ApercuOrdre),
      ORVELLA_CONTROL(PM_N5),
      ORVELLA_CONTROL(PM_Verifier),
      PM_Type{} {
  for (std::size_t i = 0; i < kTypeItemCount; ++i) PM_Type[i] = &Resolve(form, kTypeItems[i].first);
}

#undef ORVELLA_CONTROL

}  // namespace orvella
