// The scenery order's own settings, kept in a file beside the settings file
// (which stays as it is): whether the launch writes scenery_packs.ini in
// order, and the kinds the user set by hand, by scene folder.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "logic/order/packs.h"

namespace orvella {

struct OrderSettings {
  bool orderIni = false;
  // Kinds set by hand, by the folder's path as the tree names it.
  std::map<std::string, PackKind> kinds;
  // The digest of the scenery_packs.ini the program last wrote, by the
  // file's folded path: a file of another digest is the user's or the
  // simulator's, kept aside before it is replaced.
  std::map<std::string, std::uint64_t> written;

  // The kind set by hand for folder (without regard to the case of A-Z).
  std::optional<PackKind> kindOf(const std::string& folder) const;
  // Sets (or, with nothing, forgets) the kind of folder.
  void setKind(const std::string& folder, std::optional<PackKind> kind);
  // The kinds by folded path, as PlanOrder takes them.
  std::map<std::string, PackKind> foldedKinds() const;

  std::string save() const;
  // Reads what save wrote; lines that cannot be read are passed over.
  static OrderSettings load(const std::string& text);
};

// The file beside the settings file: "orvella.ini" gives "orvella.ordre.ini",
// and the memory of classified packs "orvella.packs".
std::string OrderSettingsPath(const std::string& settingsPath);
std::string PackMemoryPath(const std::string& settingsPath);

}  // namespace orvella
