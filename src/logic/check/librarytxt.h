// X-Plane's library.txt: the virtual paths a pack exports to every other
// pack, each backed by a real file of the pack.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvella::check {

enum class ExportKind { Export, Extend, Exclude, Backup, Ratio, Season, ExtendSeason, ExcludeSeason };

struct LibraryExport {
  ExportKind kind = ExportKind::Export;
  std::string virtualPath;  // '\' and ':' turned into '/'
  std::string realPath;     // relative to the pack, '/'-separated, "." and ".." resolved
  std::string region;       // the REGION in force ("" for all)
  bool privateExport = false;
  bool deprecated = false;
  int line = 0;
};

struct LibraryFile {
  bool valid = false;  // the header ("A"/"I", a version, "LIBRARY") was there
  std::vector<LibraryExport> exports;
  std::vector<std::string> regions;  // REGION_DEFINE names
  int climbing = 0;                  // exports whose real path left the pack: ignored
  int unknown = 0;                   // lines of no known keyword: passed over
};

// Reads a library.txt's text; never throws.
LibraryFile ParseLibrary(std::string_view text);

// A path as the library index keys it: '\' and ':' become '/'.
std::string VirtualPath(std::string_view path);

// A real path relative to its pack: separators made '/', "." dropped, ".."
// resolved; empty when it climbs out of the pack or is absolute.
std::string PackRelative(std::string_view path);
// Whether path is already as PackRelative makes it (most paths are).
bool PlainRelative(std::string_view path);

}  // namespace orvella::check
