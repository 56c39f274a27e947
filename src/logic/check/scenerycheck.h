// The scenery check: what X-Plane will miss when it loads an installation,
// found before it starts. An installation is read as the simulator loads it
// (scenery_packs.ini, the unlisted folders of Custom Scenery, Global Scenery,
// the default libraries); every loaded pack's library.txt makes the library
// index; every DSF of every loaded pack gives the references it needs. Nothing
// is ever written into the installation or a scene folder.
//
// Paths are Windows paths in the ANSI code page, as everywhere in the logic.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace orvella::check {

// Why a reference is not met.
enum class Reason {
  Absent,    // nobody provides it
  Disabled,  // a pack disabled in scenery_packs.ini provides it
  Inactive,  // a scene of Orvella's trees, not active, provides it
  Backup,    // only an EXPORT_BACKUP placeholder provides it
  Case,      // provided with other letter case (virtual paths are case-sensitive)
};
// "absent", "disabled", "inactive", "backup", "case": the words of the JSON.
const char* ReasonKey(Reason reason);

// The kind of a loaded pack, as the map colours it.
enum class PackRole { Airport, Library, Overlay, Orthophoto, Mesh, Other };

// One tile of the 1° grid: latitude -90..89, longitude -180..179 of its
// south-west corner. Written "+46+007".
struct Tile {
  int lat = 0;
  int lon = 0;
  friend bool operator==(const Tile&, const Tile&) = default;
};
std::string TileName(Tile tile);

// One pack as the simulator loads it, in priority order (the top wins).
struct LoadedPack {
  std::string name;    // the folder's name as in Custom Scenery ("" for none)
  std::string folder;  // the pack's folder (links resolved by the system)
  std::string area;    // "Custom Scenery", "Global Scenery" or "Resources/default scenery"
  PackRole role = PackRole::Other;
  std::vector<Tile> tiles;            // tiles it has a DSF for
  std::vector<Tile> overlayTiles;     // of those, the overlay ones
  std::vector<std::string> airports;  // ICAO codes its apt.dat declares
};

// A reference of a DSF (or a library) that nothing loaded meets.
struct Missing {
  std::string path;     // the virtual path, as the DSF names it
  std::string library;  // its first component
  Reason reason = Reason::Absent;
  std::string provider;            // the folder that provides it, for disabled/inactive/backup/case
  std::vector<std::string> packs;  // names of the packs that need it
  std::string sample;              // one DSF (relative to its pack) that names it
};

// An export whose real file is missing.
struct BrokenExport {
  std::string pack;
  std::string path;  // the virtual path exported
  std::string file;  // the real file, relative to the pack
};

struct DuplicateAirport {
  std::string icao;
  std::vector<std::string> packs;  // in priority order, the winner first
};

// Two or more loaded base meshes of one tile: all but the first are hidden.
struct TileConflict {
  Tile tile;
  std::vector<std::string> packs;  // in priority order, the winner first
};

// A file that could not be read ("DSF endommagé", "7z illisible", ...): the
// check goes on without it.
struct DamagedFile {
  std::string pack;
  std::string file;  // relative to the pack
  std::string what;
  std::string key;  // what's key in the texts: a kept report is told in the language of the day
};

// What X-Plane's Log.txt said after the last flight.
struct LogFinding {
  std::string kind;  // "missing_resource", "object", "dsf", "terrain", "package", ...
  std::string pack;  // the pack it is tied to ("" when none could be named)
  std::string what;  // the resource, file or message
  std::string line;  // the log line as written
};
struct LogReport {
  bool read = false;
  std::string version;  // from its first line
  std::vector<LogFinding> findings;
  std::vector<std::string> loadOrder;  // when it differs from scenery_packs.ini
  size_t omitted = 0;                  // findings past the most that is kept
};

struct Report {
  std::string folder;  // the installation
  std::vector<LoadedPack> packs;
  std::vector<Missing> missing;
  std::vector<BrokenExport> brokenExports;
  std::vector<DuplicateAirport> duplicateAirports;
  std::vector<TileConflict> tileConflicts;
  std::vector<DamagedFile> damaged;
  LogReport log;
  bool cancelled = false;
  int filesRead = 0;        // DSF, library.txt and apt.dat files read, not remembered
  bool remembered = false;  // the last check's findings: nothing they depend on changed
  bool problems() const;
};

struct Options {
  bool readLog = false;
  // Scene folders of Orvella's trees that are not active in this
  // installation: they can provide what is missing ("inactive").
  std::vector<std::string> inactiveScenes;
  // Where remembered stamps are kept between checks ("" = none).
  std::string memoryFile;
  // Called now and then with (done, total) packs; may be null.
  std::function<void(int, int)> progress;
  // Set from another thread to stop; the report then says cancelled.
  const std::atomic<bool>* cancel = nullptr;
};

// Checks the installation in folder. Raises EOSError when the folder is no
// X-Plane installation or cannot be read; damaged files inside are reported.
Report CheckInstallation(const std::string& folder, const Options& options);

// The report as text (grouped by library, then by pack) and as JSON.
std::string ReportText(const Report& report);
std::string ReportJson(const Report& report);

}  // namespace orvella::check
