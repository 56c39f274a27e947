// The auto-sort flag.
#include "logic/mainwindow/ecrorvellalogic.h"

namespace orvella {

void EcrOrvellaLogic::cbTriAutoClick() {
  autoSort_ = !autoSort_;
  AfficheTriAuto();
  ActualiseCommandes();
}

}  // namespace orvella
