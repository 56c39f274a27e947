// What a scenery pack is, told from its own files, and the memory of what
// earlier runs found, so that a pack is read again only when it changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace orvella {

// The kinds of packs, in the order X-Plane should load them (top first).
// GlobalAirports is the simulator's own airport pack.
enum class PackKind { Airport, GlobalAirports, Library, Overlay, Orthophoto, Mesh, Unknown };

// The key kept in files ("airport", "library", ...); nothing for an unknown key.
const char* PackKindKey(PackKind kind);
std::optional<PackKind> PackKindFromKey(const std::string& key);
// The name shown to the user (Windows-1252).
std::string PackKindLabel(PackKind kind);

// What a pack's files say.
struct PackFacts {
  PackKind kind = PackKind::Unknown;
  std::vector<std::string> airports;  // codes of the airports its apt.dat declares first
  std::string dsf;                    // the DSF read, relative to the pack ("" for none)
};

// How much of an apt.dat is read: steps of this size (then four times as
// much each time) until one holds its first airport rows; the airports of
// that part are listed, those further down are not.
inline constexpr size_t kAptDatStep = size_t{4} * 1024;
// A file holding no airport header within this many bytes is taken as none.
inline constexpr size_t kAptDatGiveUp = size_t{1024} * 1024;

// The codes of the airports an apt.dat text declares (row codes 1, 16 and
// 17; the fifth field is the code), in file order. `complete` is false when
// the text is only the start of the file: a last line without its end is
// then left out.
std::vector<std::string> AirportCodes(const std::string& text, bool complete);

// Classifies the pack in folder (a Windows path without a final "\"):
// airport (apt.dat with an airport), library (library.txt), overlay (a DSF
// whose header sets sim/overlay), orthophoto (other DSF, with "terrain" and
// "textures" folders), mesh (other DSF), or unknown. Reads one DSF header
// and the start of apt.dat; damaged files give unknown, never an error.
PackFacts ClassifyPack(const std::string& folder);

// A fingerprint of the pack as classified: the modification time of its
// folder, and for an airport that of its apt.dat too. One or two status
// reads: a pack whose files are rewritten in place without its folder
// changing keeps its remembered kind (a kind set by hand overrides it).
std::uint64_t PackStamp(const std::string& folder, const PackFacts& facts);

// The classifications of earlier runs, by pack folder, with their stamps.
class PackMemory {
 public:
  // The facts of the pack in folder: remembered when its stamp is unchanged,
  // else read again (and remembered).
  const PackFacts& facts(const std::string& folder);

  // How many packs the last calls read from disk (for tests and measures).
  int readCount() const { return reads_; }
  void resetReadCount() { reads_ = 0; }
  size_t size() const { return entries_.size(); }
  void clear() { entries_.clear(); }

  // The memory as text (one line per pack) and back; lines that cannot be
  // read are dropped, as if the pack had never been seen.
  std::string save() const;
  void load(const std::string& text);
  // The same through a file; a file that cannot be read leaves the memory
  // empty; saving raises EOSError when the file cannot be written.
  void loadFile(const std::string& path);
  void saveFile(const std::string& path) const;

 private:
  struct Entry {
    std::string folder;
    std::uint64_t stamp = 0;
    PackFacts facts;
  };
  std::unordered_map<std::string, Entry> entries_;  // by folded folder
  int reads_ = 0;
};

}  // namespace orvella
