// X-Plane's scenery_packs.ini: reading the file the simulator keeps in its
// Custom Scenery folder, planning the order the packs should load in (top
// first: airports, the simulator's own airports, libraries, overlays,
// orthophotos, meshes, then packs of no known kind), and writing it safely.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
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
  std::string reason;  // why the kind is unknown (ANSI), else empty
};

struct OrderPlan {
  std::vector<OrderEntry> entries;    // top first
  std::vector<std::string> warnings;  // two enabled packs declaring one airport (ANSI)
  bool crlf = false;
};

// The path of the order file of an installation.
std::string SceneryPacksPath(const std::string& installation);

// What the order is made of, before any pack is read: the existing file's
// lines, the entries of Custom Scenery and the tree's places. folders() are
// the packs to classify (see PackMemory::checks) before PlanGathered.
struct OrderSources {
  struct Planned;
  std::vector<Planned> planned;
  bool crlf = false;
  std::vector<std::string> folders() const;

  OrderSources();
  ~OrderSources();
  OrderSources(OrderSources&&) noexcept;
  OrderSources& operator=(OrderSources&&) noexcept;
};
OrderSources GatherOrder(const OrderInput& input);
OrderPlan PlanGathered(const OrderInput& input, OrderSources sources, PackMemory& memory);

// Plans the order: every pack X-Plane will see in Custom Scenery (folders and
// links whose target is there) and every pack the existing file names by an
// absolute path that still exists. Inside one kind: the tree's order, then
// the existing file's, then new packs alphabetically. Lines of the existing
// file for packs that are gone are dropped; disabled ones stay disabled. A
// line for a pack the system cannot name is kept byte for byte, in its state,
// below the line that stood above it; such a pack without a line is left out
// (the simulator adds it itself). Same as PlanGathered(GatherOrder()).
OrderPlan PlanOrder(const OrderInput& input, PackMemory& memory);

// The file's text as X-Plane writes it.
std::string RenderSceneryPacks(const OrderPlan& plan);

// A digest of a text, never 0: what the program wrote, to tell its own file
// from one written by the user or the simulator.
std::uint64_t TextDigest(const std::string& text);
// Where the last file the program did not write itself is kept.
std::string UserBackupPath(const std::string& path);

// The order file at path as it stands, whole, to be rewritten: nothing when
// there is none. One that is there but cannot be read whole (access refused,
// no file of a disk, past the size an order file can have) raises
// EOrderWrite: a file the program could not read is never replaced, nor
// written back cut.
std::optional<std::string> ReadSceneryPacksToRewrite(const std::string& path);

// Writes the order file: the previous one is kept as "scenery_packs.ini.bak",
// and also as "scenery_packs.ini.user.bak" when its digest is not ownDigest
// (the program's last output there), so that the user's or the simulator's
// last file stays until a newer one of theirs replaces it. The new text goes
// into a file beside it that is renamed over. A backup that cannot be
// written is passed over; the new file's failure raises EOrderWrite (the
// previous file whole), as does a previous file that cannot be read (see
// ReadSceneryPacksToRewrite). A file that already holds the text is left as
// it is. Answers the new text's digest.
std::uint64_t WriteSceneryPacks(const std::string& path, const std::string& text, std::uint64_t ownDigest = 0);

}  // namespace orvella
