#include "logic/links/ajout.h"

#include "logic/core/ansi.h"
#include "logic/core/folders.h"
#include "logic/model/etats.h"
#include "platform/winapi.h"

namespace orvella {

std::string ResoutRaccourci(const std::string& lnkPath) { return platform::ResolveShellLink(lnkPath); }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

namespace {
// Calls fn for every listed sub-folder of folder, in listing order.
template <typename Fn>
void ForEachSubFolder(const std::string& folder, Fn&& fn) {
  ForEachEntry(folder, [&](const std::string& name, win::DWORD attributes) {
    if (attributes & win::FILE_ATTRIBUTE_DIRECTORY) fn(name);
  });
}
}  // namespace

namespace {
// Links (junctions) met on the way down are followed, since users keep
// scenes behind them, but only this many on one path: links that lead back
// up would otherwise make the walk endless.
constexpr int kMaxLinksOnAPath = 4;

void AjouteDossierSousLiens(SceneryTree& tree, const std::string& path, Node* parent, bool triAuto, int links) {
  if (EstDossierScene(path)) {
    tree.addChild(parent, path, kKindScene);
  } else {
    Node* group = nullptr;
    ForEachEntry(path, [&](const std::string& name, win::DWORD attributes) {
      // The group stands as soon as the folder lists anything.
      if (!group) group = tree.addChild(parent, LastComponent(path), kKindGroup);
      if (!(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return;
      const bool link = (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (link && links >= kMaxLinksOnAPath) return;
      AjouteDossierSousLiens(tree, JoinPath(path, name), group, triAuto, links + (link ? 1 : 0));
    });
    if (group && !group->hasChildren()) tree.remove(group);
  }
  if (triAuto) TrieEnfants(tree, parent);
}
}  // namespace

void AjouteDossier(SceneryTree& tree, const std::string& path, Node* parent, bool triAuto) {
  AjouteDossierSousLiens(tree, path, parent, triAuto, 0);
}

void AjouteDossierChoisi(SceneryTree& tree, const std::string& path, Node* group, bool triAuto) {
  if (EstDossierScene(path)) {
    tree.addChild(group, path, kKindScene);
    return;
  }
  ForEachSubFolder(path, [&](const std::string& name) { AjouteDossier(tree, JoinPath(path, name), group, triAuto); });
}

}  // namespace orvella
