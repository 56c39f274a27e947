// What a scenery pack is, told from its own files, and the memory of what
// earlier runs found, so that a pack is read again only when it changed.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
  // Why the kind is unknown, as shown to the user (ANSI): "accès refusé",
  // "DSF endommagé : <file>", "aucun fichier de scène", ...; empty otherwise.
  std::string reason;
  // The pack's folder does not exist (the kind is then unknown).
  bool missing = false;
  // What decided the kind, relative to the pack: the folders whose names
  // decided it ("" for the pack's own) and the files read, in that order.
  // The tile folder searched for the DSF is not one: which DSF of a pack
  // is read does not decide its kind, and the DSF read is an input itself.
  std::vector<std::string> inputs;
  // The stamp of those inputs, each taken before it was read.
  std::uint64_t stamp = 0;
};

// How much of an apt.dat is read first: then steps four times as large
// (up to kAptDatMaxStep) until one holds the first airport rows; the
// airports of that step are listed, those further down are not. A file
// without any airport is read to its end, one step at a time.
inline constexpr size_t kAptDatStep = size_t{4} * 1024;
inline constexpr size_t kAptDatMaxStep = size_t{1024} * 1024;

// The codes of the airports an apt.dat text declares (row codes 1, 16 and
// 17; the fifth field is the code), in file order. `complete` is false when
// the text is only the start of the file: a last line without its end is
// then left out.
std::vector<std::string> AirportCodes(std::string_view text, bool complete);

// Classifies the pack in folder (a Windows path without a final "\"):
// airport (apt.dat with an airport), library (library.txt), overlay (a DSF
// whose header sets sim/overlay), orthophoto (other DSF, with "terrain" and
// "textures" folders), mesh (other DSF), or unknown with its reason. Reads
// one DSF header and the start of apt.dat, regular files only; damaged or
// unreadable files give unknown, never an error.
PackFacts ClassifyPack(const std::string& folder);

// The stamp of the inputs of a pack as they stand now: size and modification
// time of each file and folder (a link's own folder by the names it lists).
// Equal to facts.stamp while nothing that decided the kind changed.
std::uint64_t PackStamp(const std::string& folder, const std::vector<std::string>& inputs);

// A pack looked at apart from the memory (on another thread): its folder,
// what the memory held of it, and what it is now.
struct PackCheck {
  std::string folder;
  std::optional<PackFacts> remembered;
  PackFacts facts;
};
// Fills check.facts: the remembered facts when their stamp still holds and
// their kind is known, else the pack read again.
void RunPackCheck(PackCheck& check);
// RunPackCheck over every check, on up to `threads` threads (0: as many as
// the machine runs at once, at most 4; the reads wait on the disk more than
// on the processor). Stops taking new checks once *cancelled is set; counts
// the checks done in *done. Answers false when cancelled.
bool RunPackChecks(std::vector<PackCheck>& checks, const std::atomic<bool>* cancelled = nullptr,
                   std::atomic<int>* done = nullptr, unsigned threads = 0);

// The classifications of earlier runs, by pack folder, with their stamps.
class PackMemory {
 public:
  // The facts of the pack in folder: remembered when its kind is known and
  // its stamp is unchanged, else read again (and remembered when known).
  const PackFacts& facts(const std::string& folder);

  // The packs of folders as the memory holds them, to be checked elsewhere
  // (RunPackCheck), and their results taken back: the next facts() call of
  // each such folder answers the result without reading again.
  std::vector<PackCheck> checks(const std::vector<std::string>& folders) const;
  void learn(std::vector<PackCheck>&& checks);

  size_t size() const { return entries_.size(); }
  void clear() { entries_.clear(); }

  // The memory as text (one line per pack of a known kind) and back; lines
  // that cannot be read are dropped, as if the pack had never been seen.
  std::string save() const;
  void load(const std::string& text);
  // The same through a file; a file that cannot be read leaves the memory
  // empty; saving raises EOrderWrite when the file cannot be written.
  void loadFile(const std::string& path);
  void saveFile(const std::string& path) const;

 private:
  struct Entry {
    std::string folder;
    PackFacts facts;
    bool fresh = false;  // just checked: trusted once without reading
  };
  std::unordered_map<std::string, Entry> entries_;  // by folded folder
};

}  // namespace orvella
