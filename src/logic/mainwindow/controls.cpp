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
#define ORVELLA_CONTROL(n) n(Resolve(form, #n)),

EcrOrvellaControls::EcrOrvellaControls(Form& form) : ORVELLA_ECRORVELLA_CONTROLS(ORVELLA_CONTROL) PM_Type{} {
  for (std::size_t i = 0; i < kTypeItemCount; ++i) PM_Type[i] = &Resolve(form, kTypeItems[i].first);
}

#undef ORVELLA_CONTROL

}  // namespace orvella
