// The auto-sort flag.
#include "logic/app/ecrorvella.h"

namespace orvella {

void EcrOrvellaLogic::cbTriAutoClick() {
  triAuto_ = !triAuto_;
  AfficheTriAuto();
  ActualiseCommandes();
}

}  // namespace orvella
