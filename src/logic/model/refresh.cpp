#include "logic/model/refresh.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/junction/reparsepoints.h"
#include "logic/model/linknames.h"
#include "logic/model/nodestates.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

struct Entry {
  std::string name;
  bool claimed = false;    // a scene of the tree matched it
  bool unclaimed = false;  // a link that no scene claimed
};

// The links of a scenery folder, found by name. Where the folder tells case
// apart, a scene owns the link of exactly its name and no other. Elsewhere the
// link of that very name comes first, else the first link, in listing order
// as a scan would find it, whose name differs only in the case of A-Z. The
// fold leaves every byte above 127 alone, so it never touches a UTF-8 sequence.
class LinkList {
 public:
  explicit LinkList(bool exactNames) : exactNames_(exactNames) {}
  void add(std::string name) { entries_.push_back({std::move(name)}); }
  // Indexes the links once the listing is complete (the index refers to the
  // names it holds, which no longer move).
  void index() {
    exact_.reserve(entries_.size());
    if (!exactNames_) folded_.reserve(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
      exact_.try_emplace(entries_[i].name, i);
      if (!exactNames_) folded_.try_emplace(FoldAsciiCase(entries_[i].name), i);
    }
  }
  // Claims the link a scene named `name` is activated by; answers whether there is one.
  bool claim(const std::string& name) {
    size_t at = 0;
    if (const auto e = exact_.find(name); e != exact_.end()) {
      at = e->second;
    } else if (exactNames_) {
      return false;
    } else if (const auto f = folded_.find(FoldAsciiCase(name)); f != folded_.end()) {
      at = f->second;
    } else {
      return false;
    }
    entries_[at].claimed = true;
    return true;
  }
  std::vector<Entry>& entries() { return entries_; }

 private:
  bool exactNames_;
  std::vector<Entry> entries_;
  std::unordered_map<std::string_view, size_t> exact_;
  std::unordered_map<std::string, size_t> folded_;
};

// The places of the names the unmanaged node listed, in its sorted order:
// names that compare equal share a place. Built only from children found in
// order (an entry renamed in place since may break it: then nothing is kept).
std::unordered_map<std::string, int> PlacesOf(const Node* unmanaged) {
  std::unordered_map<std::string, int> places;
  if (!unmanaged) return places;
  places.reserve(static_cast<size_t>(unmanaged->childCount()));
  int place = 0;
  for (int i = 0; i < unmanaged->childCount(); ++i) {
    const std::string& name = unmanaged->child(i)->text();
    if (i > 0) {
      const int c = win::lstrcmpiA(unmanaged->child(i - 1)->text().c_str(), name.c_str());
      if (c > 0) return {};
      if (c < 0) ++place;
    }
    if (!places.try_emplace(name, place).second && places[name] != place) return {};
  }
  return places;
}

// Sorts the entries of the unmanaged node by name, without regard to case,
// with the locale-aware comparison; equal names keep their order. A refresh
// mostly lists the names of the previous one: those take their known places
// and need no comparison; one new name sorts them all again.
void SortByName(std::vector<Entry>& others, const std::unordered_map<std::string, int>& places) {
  std::vector<std::pair<int, size_t>> keys;
  keys.reserve(others.size());
  for (size_t i = 0; i < others.size() && !places.empty(); ++i) {
    const auto p = places.find(others[i].name);
    if (p == places.end()) break;
    keys.emplace_back(p->second, i);
  }
  if (!places.empty() && keys.size() == others.size()) {
    std::sort(keys.begin(), keys.end());
    std::vector<Entry> sorted;
    sorted.reserve(others.size());
    for (const auto& k : keys) sorted.push_back(std::move(others[k.second]));
    others = std::move(sorted);
    return;
  }
  std::stable_sort(others.begin(), others.end(),
                   [](const Entry& a, const Entry& b) { return win::lstrcmpiA(a.name.c_str(), b.name.c_str()) < 0; });
}

struct Etat {
  int base = kStateNone;  // kStateNone, kStateSome or kStateAll
  bool missing = false;
};

Etat CalculeEtat(Node* node, LinkList& links) {
  Etat e;
  if (node->kind() == kKindGroup) {
    int remaining = node->childCount();
    for (int i = 0; i < node->childCount(); ++i) {
      const Etat c = CalculeEtat(node->child(i), links);
      if (c.base == kStateSome) e.base = kStateSome;
      if (c.base == kStateAll) {
        e.base = kStateSome;
        --remaining;
      }
      if (c.missing) e.missing = true;
    }
    if (remaining == 0) e.base = kStateAll;
  } else if (node->kind() == kKindScene) {
    if (links.claim(LinkName(node->text()))) e.base = kStateAll;
    if (!DirectoryExists(node->text())) e.missing = true;
  }
  FixeEtat(node, SceneryState(e.base, e.missing));
  return e;
}

class UpdateScope {
 public:
  explicit UpdateScope(SceneryTree& t) : t_(t) { t_.beginUpdate(); }
  ~UpdateScope() { t_.endUpdate(); }
  UpdateScope(const UpdateScope&) = delete;
  UpdateScope& operator=(const UpdateScope&) = delete;

 private:
  SceneryTree& t_;
};

}  // namespace

void RafraichitArbre(SceneryTree& tree, bool installationSelected) {
  UpdateScope update(tree);
  std::unordered_map<std::string, int> places;
  if (Node* old = tree.unmanaged()) {
    if (installationSelected) places = PlacesOf(old);
    tree.remove(old);
    tree.setUnmanaged(nullptr);
  }
  if (!installationSelected) return;

  const std::string folder = tree.sceneryFolder;
  LinkList links(FolderTellsCaseApart(folder));
  std::vector<Entry> others;
  ForEachEntry(folder, [&](const std::string& name, win::DWORD attributes) {
    // The listing already carries each entry's own attributes (those of a
    // link, not of its target), which is what IsReparsePoint would read
    // again: one system call less per entry.
    if (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT)
      links.add(name);
    else
      others.push_back({name});
  });

  links.index();
  for (int i = 0; i < tree.topCount(); ++i) CalculeEtat(tree.top(i), links);

  auto& l = links.entries();
  for (auto it = l.rbegin(); it != l.rend(); ++it) {
    if (!it->claimed) others.push_back({it->name, false, true});
  }
  if (others.empty()) return;

  Node* u = tree.insert(nullptr, 0, Textes().NonGerees.text, kKindUnmanaged);
  tree.setUnmanaged(u);
  FixeEtat(u, kStateUnmanaged);
  SortByName(others, places);
  for (const Entry& e : others) {
    Node* child = tree.addChild(u, e.name, kKindUnmanaged);
    if (e.unclaimed) {
      FixeEtat(child, kStateUnclaimed);
      tree.setKind(child, kKindScene);
    } else {
      FixeEtat(child, kStateUnmanaged);
    }
  }
}

bool EstDossierScene(const std::string& pathIn) {
  if (pathIn.empty()) return false;
  std::string path = pathIn;
  if (path.back() != '\\') path += '\\';
  if (DirectoryExists(path + "Earth nav data")) return true;
  if (FileExists(path + "library.txt")) return true;
  return DirectoryExists(path + "Mars nav data");
}

}  // namespace orvella
