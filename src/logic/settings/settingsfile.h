// The settings file (orvella.ini) as data: what it holds, read from its
// bytes and written back, in the program's own line format (version 5
// written, 1 to 5 read). Nothing here touches a window: the main window
// captures its state into a SettingsFile and applies one it was given.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "logic/core/errors.h"
#include "logic/core/interaction.h"

namespace orvella {

// The format version this program writes.
inline constexpr int kSettingsVersion = 5;
// Groups nest at most this deep. No arrangement comes near it; a file that
// goes deeper is damaged, and reading it on would exhaust the stack here and
// in every walk of the tree.
inline constexpr int kMaxSettingsGroupDepth = 256;

// One node of a scenery tree: a group with its children, or a scene.
struct SettingsNode {
  bool group = false;
  bool expanded = false;  // a group shown open ('*' rather than '+')
  // A group whose children were read to their end ('-' line or end of the
  // file). The groups open when a damaged file stopped the reading are not:
  // they are neither sorted nor opened when the tree is rebuilt.
  bool complete = true;
  std::string text;
  std::vector<SettingsNode> children;
};

// What a settings file holds. A field the file did not reach (damaged, cut
// short, or of a version without it) is empty and leaves the window's state
// as it is; the writer writes it as its default.
struct SettingsFile {
  int version = kSettingsVersion;          // as read; the writer writes kSettingsVersion
  std::optional<Rect> bounds;              // the window's outer bounds
  std::vector<std::string> installations;  // as listed, vanished ones included
  int selected = -1;                       // selected installation (version 2 on)
  std::optional<bool> triAuto;             // version 3 on
  std::optional<bool> panelShown;          // version 5 on
  std::optional<bool> effaceIni;           // version 5 on
  std::vector<SettingsNode> custom;        // tab "Custom Scenery"
  std::vector<SettingsNode> global;        // tab "Global Scenery" (version 3 on)
};

// A file read: as much as could be taken from it and, when it is damaged,
// the error that stopped the reading (an input/output error 106).
struct SettingsRead {
  SettingsFile settings;
  std::optional<EInOutError> error;
};

// Reads the file's bytes. Bytes that are not valid UTF-8 where the ANSI code
// page is UTF-8 come from an earlier version or a Windows machine and are read
// as Windows-1252. Never throws for bad content: the damage is in `error`.
SettingsRead ParseSettings(std::string_view bytes);

// The file's bytes for s, with "\r\n" line ends.
std::string FormatSettings(const SettingsFile& s);

}  // namespace orvella
