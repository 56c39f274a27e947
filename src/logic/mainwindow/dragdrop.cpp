// Drag and drop: nodes dragged onto a group inside a tree, and folders
// dropped from the desktop shell.
#include "logic/core/ansi.h"
#include "logic/core/interaction.h"
#include "logic/core/pathnames.h"
#include "logic/editing/groupediting.h"
#include "logic/links/addfolder.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"
#include "logic/model/sorting.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
// What DragQueryFileA delivers into the drop handler's buffer of 255
// characters with a stated capacity of 254. Characters, not bytes: a name
// in UTF-8 takes up to three bytes for one character that Windows counts once.
constexpr size_t kMaxDroppedName = 253;
}  // namespace

bool EcrOrvellaLogic::TreeDragOver(SceneryTree* tree, Node* target) {
  if (tree != &CustScn && tree != &GlobScn) return false;
  return target && target->tree() == tree && target->isGroup();
}

void EcrOrvellaLogic::TreeDragDrop(SceneryTree* tree, Node* target) {
  SceneryTree& t = tree ? *tree : *current;
  Node* d = t.selected();
  if (d && target && target->tree() == &t && target->isGroup()) {
    if (d->kind() == kKindUnmanaged) {
      UI().ShowMessage(Ansi("Impossible de déplacer les scènes non gérées"));
    } else {
      switch (UI().AskCopyOrMove()) {
        case kMrYes:
          CopieBranche(t, d, target);
          break;
        case kMrNo:
          DeplaceBranche(t, d, target);
          break;
        default:
          break;
      }
    }
  }
  // Every state from the disk again, for the old and the new place alike.
  RafraichitArbre(t, installationSelected());
}

void EcrOrvellaLogic::DropFiles(SceneryTree* tree, Node* node, const std::vector<std::string>& names) {
  if (!tree) return;
  SceneryTree& t = *tree;
  if (node && node->tree() != &t) node = nullptr;
  const bool selectionChanges = t.selected() != node || t.selectionCount() != (node ? 1 : 0);
  t.select(node);
  if (selectionChanges) TreeChange(&t);
  if (!node) return;
  if (node->isGroup() || node->hasChildren()) t.setExpanded(node, true);
  if (!node->isGroup()) return;

  const UnreadableFolderScope unreadable;

  for (const std::string& dropped : names) {
    // A longer name would arrive cut short and could name another folder.
    if (AnsiLength(dropped) > kMaxDroppedName) continue;
    std::string name = dropped;
    if (ExtractExtension(name) == ".lnk") name = ResoutRaccourci(name);
    if (name.empty()) continue;
    if (!NameIsRepresentable(name)) {
      NoteDossierIllisible(name);
      continue;
    }
    const win::DWORD attributes = win::GetFileAttributesA(name.c_str());
    if (attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY))
      AjouteDossier(name, node);
  }
  SignaleDossiersIllisibles();
  if (triAuto()) TrieEnfants(t, node);
  RafraichitArbre(t, installationSelected());
  TreeChange(&t);
}

}  // namespace orvella
