// X-Plane's library.txt: the virtual paths a pack exports to every other
// pack, each backed by a real file of the pack.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orvella::check {

enum class ExportKind { Export, Extend, Exclude, Backup, Ratio, Season, ExtendSeason, ExcludeSeason };

// Its paths are views of its library's names (see LibraryFile).
struct LibraryExport {
  ExportKind kind = ExportKind::Export;
  std::string_view virtualPath;  // '\' and ':' turned into '/'
  std::string_view realPath;     // relative to the pack, '/'-separated, "." and ".." resolved
  std::string_view region;       // the REGION in force ("" for all)
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
  // The exports' paths end to end, shared by every copy of the file: a
  // library of thousands of exports is one block to make and to free.
  std::shared_ptr<const std::string> names;
};

// Builds a LibraryFile's names: room for every path is made first, so the
// views handed out stay valid.
class LibraryNames {
 public:
  explicit LibraryNames(size_t room) : names_(std::make_shared<std::string>()) { names_->reserve(room); }
  // Appends path (its '\' and ':' made '/' for a virtual path). The room
  // made must hold it: the names never move once viewed.
  std::string_view add(std::string_view path, bool virtualPath = false);
  // Hands the names to f, whose exports view them.
  void give(LibraryFile& f) { f.names = std::move(names_); }

 private:
  std::shared_ptr<std::string> names_;
};

// Reads a library.txt's text; never throws.
LibraryFile ParseLibrary(std::string_view text);

// A path as the library index keys it: '\' and ':' become '/'.
std::string VirtualPath(std::string_view path);
// The same, in place, for the bytes of s from `from` on.
void MakeVirtual(std::string& s, size_t from = 0);

// A real path relative to its pack: separators made '/', "." dropped, ".."
// resolved; empty when it climbs out of the pack or is absolute.
std::string PackRelative(std::string_view path);
// Whether path is already as PackRelative makes it (most paths are).
bool PlainRelative(std::string_view path);

}  // namespace orvella::check
