// The settings file taken into the main window (parse, then apply) and
// written from it (capture, then write).
#include <string>

#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/core/interaction.h"
#include "logic/core/textfile.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/nodestates.h"
#include "logic/model/sorting.h"
#include "logic/settings/settingsfile.h"
#include "logic/texts/textes.h"
#include "platform/winapi.h"

namespace orvella {

namespace {
SettingsNode CaptureNode(const Node* node) {
  SettingsNode n;
  n.text = node->text();
  if (node->kind() == kKindGroup) {
    n.group = true;
    n.expanded = node->expanded();
    n.children.reserve(static_cast<size_t>(node->childCount()));
    for (int i = 0; i < node->childCount(); ++i) n.children.push_back(CaptureNode(node->child(i)));
  }
  return n;
}

std::vector<SettingsNode> CaptureTree(const SceneryTree& tree) {
  std::vector<SettingsNode> nodes;
  for (const Node* node = PremierNoeud(tree); node; node = node->nextSibling()) nodes.push_back(CaptureNode(node));
  return nodes;
}

// The window's state as the settings file holds it.
SettingsFile CaptureSettings(const EcrOrvellaLogic& w) {
  SettingsFile s;
  s.bounds = w.windowBounds();
  s.installations = w.installations();
  s.selected = w.selectedInstallation();
  s.triAuto = w.autoSort();
  s.panelShown = w.panelShown();
  s.effaceIni = w.deletesSceneryPacks();
  s.custom = CaptureTree(w.custScn());
  s.global = CaptureTree(w.globScn());
  return s;
}

// Rebuilds a level of nodes below parent (nullptr: the top level, never
// sorted). With the auto-sort on, a group's children are sorted once the
// group was read to its end; the groups a damaged file cut off stay in the
// order read, and closed.
void ApplyNodes(SceneryTree& tree, Node* parent, const std::vector<SettingsNode>& nodes, bool triAuto, bool complete) {
  for (const SettingsNode& n : nodes) {
    if (n.group) {
      Node* group = tree.addChild(parent, n.text, kKindGroup);
      ApplyNodes(tree, group, n.children, triAuto, n.complete);
      if (n.complete && n.expanded) tree.setExpanded(group, true);
    } else {
      tree.addChild(parent, n.text, kKindScene);
    }
  }
  if (parent && triAuto && complete) SortChildren(tree, parent);
}
}  // namespace

void EcrOrvellaLogic::EcritParametres(const std::string& path) {
  const std::string out = FormatSettings(CaptureSettings(*this));
  // A file that was not taken in whole (damaged, cut short, of an older
  // version, naming vanished folders) is kept as it stood at start. That
  // copy is a safety net only: when it cannot be written (a read-only
  // leftover, say), the session is still saved.
  if (!originalSettings_.empty()) {
    try {
      WriteFileSafely(path + ".bak", originalSettings_, false);
    } catch (const EInOutError&) {
    }
  }
  // One that could not be read at all is moved aside whole, unread.
  if (readFailed_ && originalSettings_.empty() && FileExists(path) &&
      !win::MoveFileExA(path.c_str(), (path + ".bak").c_str(), win::MOVEFILE_REPLACE_EXISTING))
    throw EInOutError(InOutCodeFromWin32(win::GetLastError()));
  WriteFileSafely(path, out);
}

void EcrOrvellaLogic::LitParametres(const std::string& path) {
  originalSettings_.clear();
  readFailed_ = true;  // until the whole file was read
  originalSettings_ = ReadWholeFile(path);
  // A file from an earlier version or a Windows machine may be in 1252; it
  // is written back in the code page of this system (and kept as it was).
  const int selected = applySettings(ParseSettings(originalSettings_));
  readFailed_ = false;

  const int count = static_cast<int>(installations_.size());
  if (selected != -1) selectInstallation(selected >= count ? count - 1 : (selected < 0 ? -1 : selected));
  if (count > 0 && selected_ < 0) selectInstallation(0);
  // Nothing to keep when writing what was read gives the file back as it is.
  if (FormatSettings(CaptureSettings(*this)) == originalSettings_) originalSettings_.clear();
}

int EcrOrvellaLogic::applySettings(const SettingsRead& read) {
  const SettingsFile& s = read.settings;
  // What a damaged file gave is taken before its error is reported: the
  // messages about vanished installations_ come first.
  if (s.bounds) {
    bounds_ = *s.bounds;
    readBounds_ = *s.bounds;
  }
  int selected = s.selected;
  for (size_t k = 0; k < s.installations.size(); ++k) {
    const std::string& p = s.installations[k];
    if (DirectoryExists(p)) {
      installations_.push_back(p);
    } else {
      UI().ShowMessage(p + " :\r\n" + Textes().XPlaneAbsent.text);
      if (static_cast<long long>(k) < selected) --selected;
    }
  }
  if (s.triAuto) {
    setAutoSort(*s.triAuto);
    AfficheTriAuto();
  }
  if (s.panelShown && !*s.panelShown && panelShown()) PM_BtnLatClick();
  if (s.effaceIni) ctl_.cbEffaceIni.checked = *s.effaceIni;
  ApplyNodes(custScn_, nullptr, s.custom, autoSort_, true);
  ApplyNodes(globScn_, nullptr, s.global, autoSort_, true);
  if (read.error) throw *read.error;
  return selected;
}

}  // namespace orvella
