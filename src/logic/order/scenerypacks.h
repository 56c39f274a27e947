// X-Plane's scenery_packs.ini: reading the file the simulator keeps in its
// Custom Scenery folder, planning the order the packs should load in (top
// first: airports, the simulator's own airports, libraries, overlays,
// orthophotos, meshes, then packs of no known kind), and writing it safely.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "logic/order/packs.h"

namespace orvella {

// One line of an existing file.
struct PackLine {
  std::string path;  // as written after the keyword (UTF-8), e.g. "Custom Scenery/KSEA/"
  bool disabled = false;
};

struct SceneryPacksFile {
  std::vector<PackLine> lines;
  bool crlf = false;  // lines ended by CR LF
};

// Reads the pack lines of a file's text; other lines are passed over.
SceneryPacksFile ParseSceneryPacks(const std::string& text);

// The simulator's own airports as X-Plane 12 and X-Plane 11 name them.
inline constexpr const char* kGlobalAirports12 = "*GLOBAL_AIRPORTS*";
inline constexpr const char* kGlobalAirports11 = "Custom Scenery/Global Airports/";

// A scene of the user's Custom Scenery tree, in the tree's order.
struct ScenePlace {
  std::string linkName;   // the name of its link in Custom Scenery
  std::string scenePath;  // the scene's folder
};

struct OrderInput {
  std::string installation;                   // the X-Plane folder (Windows path)
  std::vector<ScenePlace> scenes;             // depth first, groups and scenes as they stand
  std::map<std::string, PackKind> handKinds;  // kinds set by hand, by folded scene or pack folder
};

struct OrderEntry {
  std::string path;    // as written after the keyword (UTF-8)
  std::string name;    // shown to the user (ANSI): link name, or the path as written
  std::string folder;  // the pack's folder as read (Windows path), empty for the simulator's airports
  PackKind kind = PackKind::Unknown;
  bool handSet = false;
  bool disabled = false;
  std::vector<std::string> airports;
};

struct OrderPlan {
  std::vector<OrderEntry> entries;    // top first
  std::vector<std::string> warnings;  // two enabled packs declaring one airport (ANSI)
  bool crlf = false;
};

// The path of the order file of an installation.
std::string SceneryPacksPath(const std::string& installation);

// Plans the order: every pack X-Plane will see in Custom Scenery (folders and
// links whose target is there) and every pack the existing file names by an
// absolute path that still exists. Inside one kind: the tree's order, then
// the existing file's, then new packs alphabetically. Lines of the existing
// file for packs that are gone are dropped; disabled ones stay disabled.
OrderPlan PlanOrder(const OrderInput& input, PackMemory& memory);

// The file's text as X-Plane writes it.
std::string RenderSceneryPacks(const OrderPlan& plan);

// Writes the order file: the previous one is kept as "scenery_packs.ini.bak",
// the new text goes into a file beside it that is renamed over. Raises
// EOrderWrite (the previous file whole) when it fails.
void WriteSceneryPacks(const std::string& path, const std::string& text);

}  // namespace orvella
