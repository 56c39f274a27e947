#include "logic/links/activation.h"

#include <cstring>

#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/junction/reparsepoints.h"
#include "logic/model/etats.h"
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

}  // namespace

std::string LinkPathOf(const std::string& sceneryFolder, const std::string& scenePath) {
  const std::string name = LinkName(scenePath);
  // A scene path ending with "\" or ":" or naming "." or ".." would point the
  // link path at the scenery folder itself or at its parent.
  if (name.empty() || name == "." || name == "..") return {};
  return sceneryFolder + name;
}

void ActiveNoeud(Node* node, const std::string& sceneryFolder) {
  if (node->kind() == kKindScene) {
    if (node->state() != kStateNone) return;
    const std::string linkPath = LinkPathOf(sceneryFolder, node->text());
    // A name already taken, by a plain folder or by another scene's link, is
    // left as it stands.
    if (linkPath.empty() || DirectoryExists(linkPath)) return;
    CreateJunction(linkPath, node->text());
  } else if (node->kind() == kKindGroup) {
    const int n = node->childCount();
    for (int i = 0; i < n; ++i) ActiveNoeud(node->child(i), sceneryFolder);
  }
}

std::string ActiveLinkPath(const std::string& sceneryFolder, const std::string& scenePath) {
  const std::string linkPath = LinkPathOf(sceneryFolder, scenePath);
  if (linkPath.empty()) return {};
  const win::DWORD a = win::GetFileAttributesA(linkPath.c_str());
  if (a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_REPARSE_POINT)) return linkPath;
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

void DesactiveNoeud(Node* node, const std::string& sceneryFolder) {
  if (node->kind() == kKindScene) {
    // A link whose scene folder has gone (state 5) serves nobody: it goes too.
    if (node->state() != kStateAll && node->state() != kStateAllMissing) return;
    const std::string linkPath = ActiveLinkPath(sceneryFolder, node->text());
    if (!linkPath.empty()) RetireLien(linkPath);
  } else if (node->kind() == kKindGroup) {
    const int n = node->childCount();
    for (int i = 0; i < n; ++i) DesactiveNoeud(node->child(i), sceneryFolder);
  }
}

void RetireLien(const std::string& linkPath) {
  const win::DWORD a = win::GetFileAttributesA(linkPath.c_str());
  // Gone since the last refresh, or a plain file: nothing to take away.
  if (a == win::INVALID_FILE_ATTRIBUTES || !(a & win::FILE_ATTRIBUTE_DIRECTORY)) return;
  // Removing a directory takes a link away without following it. A plain
  // folder is removed only when empty: its contents are never at stake.
  if (!(a & win::FILE_ATTRIBUTE_REPARSE_POINT) && !FolderIsEmpty(linkPath)) RaiseOSError(win::ERROR_DIR_NOT_EMPTY);
  if (!platform::RemoveDirectoryLink(linkPath)) RaiseLastOSError();
}

}  // namespace orvella
