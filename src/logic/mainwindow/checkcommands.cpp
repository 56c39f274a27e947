// The scenery check's side of the main window: what a check starts from, and
// the repairs its report offers (activating a scene that provides what is
// missing, enabling a pack that scenery_packs.ini disables).
#include <string>
#include <string_view>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/pathnames.h"
#include "logic/core/textfile.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/linknames.h"
#include "logic/order/files.h"

namespace orvella {

namespace {

// A folder path without its final separators, for comparisons.
std::string_view Trimmed(std::string_view path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.remove_suffix(1);
  return path;
}

bool SameFolder(std::string_view a, std::string_view b) { return EqualsAsciiNoCase(Trimmed(a), Trimmed(b)); }

// The last component of a path written with either separator.
std::string_view LastPart(std::string_view path) {
  path = Trimmed(path);
  const size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

constexpr std::string_view kDisabledKey = "SCENERY_PACK_DISABLED ";
constexpr std::string_view kEnabledKey = "SCENERY_PACK ";

}  // namespace

void EcrOrvellaLogic::btnVerifierClick() {
  if (host_) host_->queueCheck();
}

EcrOrvellaLogic::CheckRequest EcrOrvellaLogic::makeCheckRequest() const {
  if (selected_ < 0 || selected_ >= static_cast<int>(installations_.size())) throw EListError(selected_);
  CheckRequest d;
  d.installation = installations_[static_cast<size_t>(selected_)];
  for (const SceneryTree* tree : {&custScn_, &globScn_})
    tree->forEach([&](Node* n) {
      if (n->isScene() && IsSceneryState(n->state()) && ActiveState(n->state()) == kStateNone &&
          !HasMissing(n->state()))
        d.inactiveScenes.push_back(n->text());
    });
  // The memory orvella-check keeps beside the same settings.
  if (!settingsPath_.empty()) d.memoryFile = FolderPart(settingsPath_) + "orvella.check";
  return d;
}

Node* EcrOrvellaLogic::nodeOfPack(const std::string& folder, const std::string& name) const {
  Node* byName = nullptr;
  Node* found = nullptr;
  for (const SceneryTree* tree : {&custScn_, &globScn_}) {
    tree->forEach([&](Node* n) {
      if (found) return;
      const std::string f = packFolderOf(n);
      if (f.empty()) return;
      if (!folder.empty() && SameFolder(f, folder))
        found = n;
      else if (!byName && !name.empty() && EqualsAsciiNoCase(n->isScene() ? LinkName(f) : n->text(), name))
        byName = n;
    });
  }
  return found ? found : byName;
}

bool EcrOrvellaLogic::activateSceneFolder(const std::string& folder) {
  Node* n = nodeOfPack(folder);
  if (!n || !n->isScene() || !HasInactive(n->state())) return false;
  SceneryTree* tree = n->tree();
  current_ = tree;
  pageIndex_ = tree == &globScn_ ? 1 : 0;
  tree->select(n);
  btnActiverClick();
  ActualiseCommandes();
  return true;
}

bool EcrOrvellaLogic::enablePackInIni(const std::string& folder) {
  if (!ordersSceneryPacks() || selected_ < 0 || selected_ >= static_cast<int>(installations_.size())) return false;
  const std::string& installation = installations_[static_cast<size_t>(selected_)];
  const std::string path = SceneryPacksPath(installation);
  const std::optional<std::string> text = ReadSceneryPacksToRewrite(path);
  if (!text) return false;
  bool crlf = false;
  std::vector<std::string> lines = SplitLines(*text, &crlf);
  const std::string wanted = Utf8FromAnsi(std::string(LastPart(folder)));
  bool done = false;
  for (std::string& line : lines) {
    if (!line.starts_with(kDisabledKey)) continue;
    const std::string_view written = std::string_view(line).substr(kDisabledKey.size());
    // "Custom Scenery/X/" inside the installation, or an absolute path.
    std::string whole(written);
    for (char& c : whole)
      if (c == '/') c = '\\';
    const bool relative = whole.size() < 2 || (whole[1] != ':' && whole[0] != '\\');
    if (relative) whole = installation + "\\" + whole;
    if (SameFolder(whole, folder) || EqualsAsciiNoCase(LastPart(written), wanted)) {
      line = std::string(kEnabledKey) + std::string(written);
      done = true;
    }
  }
  if (!done) return false;
  std::string out;
  for (const std::string& line : lines) out += line + (crlf ? "\r\n" : "\n");
  writeSceneryPacksFile(path, out);
  return true;
}

}  // namespace orvella
