// Adding scenes: the add-scene command and the folder intake the trees use
// for folders dropped from the desktop shell.
#include "logic/core/interaction.h"
#include "logic/links/addfolder.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"
#include "logic/model/sorting.h"
#include "logic/texts/textes.h"

namespace orvella {

void EcrOrvellaLogic::btnAjoutSceneClick() {
  SceneryTree& tree = *current;
  Node* g = tree.selected();
  if (!g || !g->isGroup()) return;
  if (const auto chosen = UI().PickFolder(Textes().AjouteScene.text)) {
    BusyCursor busy;
    const UnreadableFolderScope unreadable;
    AjouteDossierChoisi(tree, *chosen, g, triAuto());
    SignaleDossiersIllisibles();
  }
  if (triAuto()) TrieEnfants(tree, g);
  RafraichitArbre(*current, installationSelected());
  TreeChange(current);
}

void EcrOrvellaLogic::AjouteDossier(const std::string& path, Node* parent) {
  if (!parent) return;
  orvella::AjouteDossier(*parent->tree(), path, parent, triAuto());
}

}  // namespace orvella
