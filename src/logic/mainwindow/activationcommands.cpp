// Activating and deactivating the selected scenes and groups of the current
// tree.
#include <vector>

#include "logic/core/interaction.h"
#include "logic/links/activation.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"

namespace orvella {

namespace {

// The selected nodes a command acts on, in selection order: all but the
// unmanaged node and its entries.
std::vector<Node*> NodesToVisit(const SceneryTree& tree) {
  std::vector<Node*> nodes;
  for (Node* n : tree.selection())
    if (n->kind() != kKindUnmanaged) nodes.push_back(n);
  return nodes;
}

// Nothing selected, or no installation whose scenery folder the links would go
// to (after the last one was removed, or before any was chosen): the command
// does nothing, neither on disk nor to the buttons.
bool CanActOn(const SceneryTree& tree, bool installationSelected) {
  return tree.selectionCount() > 0 && installationSelected && !tree.sceneryFolder.empty();
}

}  // namespace

void EcrOrvellaLogic::appliqueActivation(bool activer) {
  SceneryTree& tree = *current;
  if (!CanActOn(tree, installationSelected())) return;
  const std::string folder = tree.sceneryFolder;
  // Whatever happened, the trees then show what the disk holds, and the
  // buttons follow the states so read (with no node left selected, the
  // opposite button is the one to press next).
  const auto refresh = [this, activer] {
    RafraichitArbre(CustScn, installationSelected());
    RafraichitArbre(GlobScn, installationSelected());
    ctl.btnActiver.enabled = !activer;
    ctl.btnDesactiver.enabled = activer;
    ActualiseCommandes();
  };
  std::vector<SceneRefusee> refused;
  try {
    for (Node* n : NodesToVisit(tree)) activer ? ActiveNoeud(n, folder, refused) : DesactiveNoeud(n, folder);
  } catch (const Error&) {
    // The failure that stopped the command is told last, after the scenes
    // refused before it.
    try {
      refresh();
    } catch (const Error&) {
    }
    if (!refused.empty()) UI().ShowMessage(MessageScenesRefusees(refused));
    throw;
  }
  refresh();
  if (!refused.empty()) UI().ShowMessage(MessageScenesRefusees(refused));
}

void EcrOrvellaLogic::btnActiverClick() { appliqueActivation(true); }

void EcrOrvellaLogic::btnDesactiverClick() { appliqueActivation(false); }

}  // namespace orvella
