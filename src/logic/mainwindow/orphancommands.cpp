// The add-orphans command: scene folders below the library folders that no
// tree names yet, added flat under the selected group.
#include "logic/core/interaction.h"
#include "logic/links/addfolder.h"
#include "logic/links/orphans.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/sorting.h"

namespace orvella {

void EcrOrvellaLogic::btnAjoutOrphelinsClick() {
  SceneryTree& tree = *current;
  Node* g = tree.selected();
  if (!g || !g->isGroup()) return;
  BusyCursor busy;
  const UnreadableFolderScope unreadable;
  const ListeGeree managed(CustScn, GlobScn);
  // The dialog shows the folders and gives back the list the user left;
  // it cannot cancel the command.
  const std::vector<std::string> libraries = UI().EditLibraries(DossiersBibliotheques(managed));
  for (const std::string& f : libraries) ChercheOrphelins(f, managed, tree, g);
  SignaleDossiersIllisibles();
  // No refresh: the new scenes show state 0 until the next one.
  if (triAuto()) TrieEnfants(tree, g);
}

}  // namespace orvella
