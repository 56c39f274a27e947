// The auto-sort flag.
#include "logic/mainwindow/ecrorvellalogic.h"

namespace orvella {

void EcrOrvellaLogic::cbTriAutoClick() {
  triAuto_ = !triAuto_;
  AfficheTriAuto();
  ActualiseCommandes();
}

}  // namespace orvella
