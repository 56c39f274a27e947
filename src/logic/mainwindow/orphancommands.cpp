// The add-orphans command: scene folders below the library folders that no
// tree names yet, added flat under the selected group.
#include "logic/core/interaction.h"
#include "logic/links/addfolder.h"
#include "logic/links/orphans.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/sorting.h"

namespace orvella {

void EcrOrvellaLogic::btnAjoutOrphelinsClick() {
  SceneryTree& tree = *current_;
  Node* g = tree.selected();
  if (!g || !g->isGroup()) return;
  BusyCursor busy;
  const UnreadableFolderScope unreadable;
  const ManagedScenes managed(custScn_, globScn_);
  // The dialog shows the folders and gives back the list the user left;
  // it cannot cancel the command.
  const std::vector<std::string> libraries = UI().EditLibraries(LibraryFolders(managed));
  for (const std::string& f : libraries) ChercheOrphelins(f, managed, tree, g);
  ReportUnreadableFolders();
  // No refresh: the new scenes show state 0 until the next one.
  if (autoSort()) SortChildren(tree, g);
}

}  // namespace orvella
