#include "logic/links/orphans.h"

#include <algorithm>

#include "logic/core/ansi.h"
#include "logic/core/folders.h"
#include "logic/core/pathnames.h"
#include "logic/links/addfolder.h"
#include "logic/model/nodestates.h"
#include "logic/model/refresh.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
bool MoinsQue(const std::string& a, const std::string& b) { return win::lstrcmpiA(a.c_str(), b.c_str()) < 0; }

void Releve(const SceneryTree& tree, std::vector<std::string>& out) {
  for (Node* top = PremierNoeud(tree); top; top = top->nextSibling()) {
    if (top == tree.unmanaged()) continue;
    std::vector<const Node*> pending{top};
    while (!pending.empty()) {
      const Node* n = pending.back();
      pending.pop_back();
      if (n->isScene()) out.push_back(n->text());
      for (int i = n->childCount() - 1; i >= 0; --i) pending.push_back(n->child(i));
    }
  }
}
}  // namespace

ListeGeree::ListeGeree(const SceneryTree& first, const SceneryTree& second) {
  Releve(first, paths_);
  Releve(second, paths_);
  std::stable_sort(paths_.begin(), paths_.end(), MoinsQue);
}

bool ListeGeree::contient(const std::string& path) const {
  return std::binary_search(paths_.begin(), paths_.end(), path, MoinsQue);
}

bool BaseCommune(const std::string& b, std::string& d) {
  const size_t shorter = std::min(b.size(), d.size());
  size_t k = 0;
  while (k < shorter && b[k] == d[k]) ++k;
  while (k > 0 && b[k - 1] != '\\') --k;
  if (k == 0) return false;
  d.resize(k);
  return true;
}

std::vector<std::string> DossiersBibliotheques(const ListeGeree& managed) {
  std::vector<std::string> libraries;
  for (const std::string& path : managed.paths()) {
    std::string d = FolderPart(path);
    if (d.empty()) continue;
    bool merged = false;
    for (std::string& b : libraries) {
      if (BaseCommune(b, d)) {
        b = d;
        merged = true;
        break;
      }
    }
    if (!merged) libraries.push_back(d);
  }
  std::stable_sort(libraries.begin(), libraries.end(), MoinsQue);
  return libraries;
}

void ChercheOrphelins(const std::string& f, const ListeGeree& managed, SceneryTree& tree, Node* group) {
  // An empty entry would search the current drive from its root.
  if (f.empty()) return;
  if (EstDossierScene(f)) {
    std::string s = f;
    if (s.back() == '\\') s.pop_back();
    if (!managed.contient(s)) tree.addChild(group, s, kKindScene);
    return;
  }
  const std::string folder = f.back() == '\\' ? f : f + "\\";
  ForEachEntry(folder, [&](const std::string& name, win::DWORD attributes) {
    // Links are not followed: a scene reached through one is not where the
    // scene lies (the links of a scenery folder below a library would all
    // come back as orphans), and links that lead back up would never end.
    if (!(attributes & win::FILE_ATTRIBUTE_DIRECTORY) || (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT)) return;
    if (NameIsRepresentable(name))
      ChercheOrphelins(folder + name + "\\", managed, tree, group);
    else
      NoteDossierIllisible(folder + name);
  });
}

}  // namespace orvella
