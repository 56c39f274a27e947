#include "logic/links/addfolder.h"

#include <vector>

#include "logic/core/ansi.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/core/pathnames.h"
#include "logic/model/refresh.h"
#include "logic/model/sorting.h"
#include "platform/winapi.h"

namespace orvella {

std::string ResoutRaccourci(const std::string& lnkPath) { return platform::ResolveShellLink(lnkPath); }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (!folder.empty() && folder.back() == '\\') return folder + name;
  return folder + "\\" + name;
}

namespace {
std::vector<std::string>& Illisibles() {
  static std::vector<std::string> folders;
  return folders;
}

// Calls fn for every listed sub-folder of folder, in listing order; one
// whose name cannot be used is noted instead.
template <typename Fn>
void ForEachSubFolder(const std::string& folder, Fn&& fn) {
  ForEachEntry(folder, [&](const std::string& name, win::DWORD attributes) {
    if (!(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (NameIsRepresentable(name))
      fn(name);
    else
      NoteDossierIllisible(JoinPath(folder, name));
  });
}
}  // namespace

void NoteDossierIllisible(const std::string& path) { Illisibles().push_back(path); }

UnreadableFolderScope::UnreadableFolderScope() { Illisibles().clear(); }
UnreadableFolderScope::~UnreadableFolderScope() { Illisibles().clear(); }

void SignaleDossiersIllisibles() {
  std::vector<std::string> folders;
  folders.swap(Illisibles());
  if (folders.empty()) return;
  std::string text = Ansi(
      "Le nom de ces dossiers contient des caractères que le système ne peut pas représenter ; "
      "ils n'ont pas été ajoutés :");
  for (const std::string& f : folders) text += "\r" + f;
  UI().ShowMessage(text);
}

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
      if (!NameIsRepresentable(name)) {
        NoteDossierIllisible(JoinPath(path, name));
        return;
      }
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
  if (!NameIsRepresentable(path)) {
    NoteDossierIllisible(path);
    return;
  }
  AjouteDossierSousLiens(tree, path, parent, triAuto, 0);
}

void AjouteDossierChoisi(SceneryTree& tree, const std::string& path, Node* group, bool triAuto) {
  if (!NameIsRepresentable(path)) {
    NoteDossierIllisible(path);
    return;
  }
  if (EstDossierScene(path)) {
    tree.addChild(group, path, kKindScene);
    return;
  }
  ForEachSubFolder(path, [&](const std::string& name) { AjouteDossier(tree, JoinPath(path, name), group, triAuto); });
}

}  // namespace orvella
