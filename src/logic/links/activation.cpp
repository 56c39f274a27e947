#include "logic/links/activation.h"

#include <cstring>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/junction/reparsepoints.h"
#include "logic/model/linknames.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

// Whether the folder holds no entry at all, hidden and system ones included.
bool FolderIsEmpty(const std::string& folder) {
  win::WIN32_FIND_DATAA data;
  const platform::FindHandle find(win::FindFirstFileA((folder + "\\*.*").c_str(), &data));
  if (!find.valid()) RaiseLastOSError();
  bool empty = true;
  do {
    if (std::strcmp(data.cFileName, ".") != 0 && std::strcmp(data.cFileName, "..") != 0) {
      empty = false;
      break;
    }
  } while (win::FindNextFileA(find.get(), &data));
  return empty;
}

bool IsLink(win::DWORD a) { return a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_REPARSE_POINT); }
bool IsFolder(win::DWORD a) { return a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_DIRECTORY); }

// Activates one scene in state 0 or 3; what stops it goes to `refused`.
void ActiveScene(const Node* node, const std::string& sceneryFolder, bool exactNames,
                 std::vector<SceneRefusee>& refused) {
  const std::string& scene = node->text();
  const std::string linkPath = LinkPathOf(sceneryFolder, scene);
  if (linkPath.empty()) {
    refused.push_back({scene, Ansi("ce chemin ne finit par aucun nom de dossier")});
    return;
  }
  const win::DWORD a = EntryAttributes(linkPath, exactNames);
  // Another scene of that name already made the link: both are active.
  if (IsLink(a) && IsFolder(a)) return;
  if (IsFolder(a)) {
    refused.push_back({scene, Ansi("un dossier qui n'est pas un lien porte déjà ce nom : ") + linkPath});
    return;
  }
  if (a != win::INVALID_FILE_ATTRIBUTES) {
    refused.push_back({scene, Ansi("un fichier porte déjà ce nom : ") + linkPath});
    return;
  }
  if (!DirectoryExists(scene)) {
    refused.push_back({scene, Ansi("le dossier de la scène est introuvable")});
    return;
  }
  try {
    CreateJunction(linkPath, scene, exactNames);
  } catch (const EOSError& e) {
    // The system refuses links here (a read-only folder, a volume without
    // links): the next scenes would fail alike, so the command stops.
    throw ELinkError(linkPath, e.code());
  }
}

void ActiveNoeud(Node* node, const std::string& sceneryFolder, bool exactNames, std::vector<SceneRefusee>& refused) {
  if (node->kind() == kKindScene) {
    // The states of the last refresh decide: active ones stay as they are.
    if (node->state() == kStateNone || node->state() == kStateNone + kStateMissing)
      ActiveScene(node, sceneryFolder, exactNames, refused);
  } else if (node->kind() == kKindGroup) {
    const int n = node->childCount();
    for (int i = 0; i < n; ++i) ActiveNoeud(node->child(i), sceneryFolder, exactNames, refused);
  }
}

std::string ActiveLinkPath(const std::string& sceneryFolder, const std::string& scenePath, bool exactNames) {
  const std::string linkPath = LinkPathOf(sceneryFolder, scenePath);
  if (linkPath.empty() || exactNames) return linkPath;
  const win::DWORD a = win::GetFileAttributesA(linkPath.c_str());
  if (IsLink(a)) return linkPath;
  // Where the file system tells names apart by case, a plain folder of the
  // scene's name may stand beside the link that the refresh matched (by the
  // case of A-Z): that link, not the folder, is what makes the scene active.
  const std::string name = LinkName(scenePath);
  std::string found;
  ForEachEntry(sceneryFolder, [&](const std::string& entry, win::DWORD attributes) {
    if (found.empty() && (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) && EqualsAsciiNoCase(entry, name))
      found = sceneryFolder + entry;
  });
  return found.empty() ? linkPath : found;
}

void DesactiveNoeud(Node* node, const std::string& sceneryFolder, bool exactNames) {
  if (node->kind() == kKindScene) {
    // A link whose scene folder has gone (state 5) serves nobody: it goes too.
    if (node->state() != kStateAll && node->state() != kStateAllMissing) return;
    const std::string linkPath = ActiveLinkPath(sceneryFolder, node->text(), exactNames);
    if (!linkPath.empty()) RetireLien(linkPath, exactNames);
  } else if (node->kind() == kKindGroup) {
    const int n = node->childCount();
    for (int i = 0; i < n; ++i) DesactiveNoeud(node->child(i), sceneryFolder, exactNames);
  }
}

}  // namespace

ELinkError::ELinkError(const std::string& linkPath, win::DWORD code)
    : EOSError(code), linkPath_(linkPath), message_(linkPath + " :\r\n" + OSErrorMessage(code)) {}

std::string MessageScenesRefusees(const std::vector<SceneRefusee>& refused) {
  std::string m =
      refused.size() == 1 ? Ansi("Cette scène n'a pas été activée :") : Ansi("Ces scènes n'ont pas été activées :");
  for (const SceneRefusee& r : refused) m += "\r\n\r\n" + r.scene + "\r\n" + r.reason;
  return m;
}

std::string LinkPathOf(const std::string& sceneryFolder, const std::string& scenePath) {
  const std::string name = LinkName(scenePath);
  // A scene path ending with "\" or ":" or naming "." or ".." would point the
  // link path at the scenery folder itself or at its parent.
  if (name.empty() || name == "." || name == "..") return {};
  return sceneryFolder + name;
}

void ActiveNoeud(Node* node, const std::string& sceneryFolder, std::vector<SceneRefusee>& refused) {
  ActiveNoeud(node, sceneryFolder, FolderTellsCaseApart(sceneryFolder), refused);
}

std::string ActiveLinkPath(const std::string& sceneryFolder, const std::string& scenePath) {
  return ActiveLinkPath(sceneryFolder, scenePath, FolderTellsCaseApart(sceneryFolder));
}

void DesactiveNoeud(Node* node, const std::string& sceneryFolder) {
  DesactiveNoeud(node, sceneryFolder, FolderTellsCaseApart(sceneryFolder));
}

void RetireLien(const std::string& linkPath, bool exactName) {
  try {
    const win::DWORD a = EntryAttributes(linkPath, exactName);
    // Gone since the last refresh, or a plain file: nothing to take away.
    if (!IsFolder(a)) return;
    // Removing a directory takes a link away without following it. A plain
    // folder is removed only when empty: its contents are never at stake.
    if (!IsLink(a) && !FolderIsEmpty(linkPath)) RaiseOSError(win::ERROR_DIR_NOT_EMPTY);
    if (!platform::RemoveDirectoryLink(linkPath)) RaiseLastOSError();
  } catch (const EOSError& e) {
    throw ELinkError(linkPath, e.code());
  }
}

}  // namespace orvella
