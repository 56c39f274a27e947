#include "logic/order/packs.h"

#include <algorithm>
#include <cstdlib>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/core/textfile.h"
#include "logic/order/dsf.h"
#include "logic/order/files.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

constexpr const char* kNavData = "\\Earth nav data";
constexpr const char* kAptDat = "\\Earth nav data\\apt.dat";

struct KindName {
  PackKind kind;
  const char* key;
  const char* label;  // UTF-8
};
constexpr KindName kKinds[] = {
    {PackKind::Airport, "airport", "aéroport"},
    {PackKind::GlobalAirports, "global_airports", "aéroports du simulateur"},
    {PackKind::Library, "library", "bibliothèque"},
    {PackKind::Overlay, "overlay", "surcouche"},
    {PackKind::Orthophoto, "orthophoto", "orthophoto"},
    {PackKind::Mesh, "mesh", "maillage"},
    {PackKind::Unknown, "unknown", "inconnu"},
};

// One entry of a folder's listing.
struct Listed {
  std::string name;
  win::DWORD attributes = 0;
};

// The entries of folder (hidden and system ones left out), one search.
std::vector<Listed> List(const std::string& folder) {
  std::vector<Listed> out;
  ForEachEntry(folder, [&](const std::string& name, win::DWORD attributes) { out.push_back({name, attributes}); });
  return out;
}

const Listed* Find(const std::vector<Listed>& entries, const char* name, bool folder) {
  for (const Listed& e : entries)
    if (EqualsAsciiNoCase(e.name, name) && ((e.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0) == folder) return &e;
  return nullptr;
}

// The first DSF of a tile folder: one search with the mask "*.dsf".
std::string FirstDsfIn(const std::string& tileFolder) {
  win::WIN32_FIND_DATAA d;
  const platform::FindHandle find(win::FindFirstFileA((tileFolder + "\\*.dsf").c_str(), &d));
  if (!find.valid()) return {};
  std::string found;
  do {
    if (!(d.dwFileAttributes & (win::FILE_ATTRIBUTE_DIRECTORY | kSkippedAttributes))) found = d.cFileName;
  } while (found.empty() && win::FindNextFileA(find.get(), &d));
  return found;
}

// The airport codes at the start of a pack's apt.dat: read in small steps
// until a step holds the first airport header; the airports of that step
// are taken, the rest of the file is not read.
std::vector<std::string> ReadAirports(const std::string& path) {
  size_t limit = kAptDatStep;
  for (;;) {
    const std::optional<std::string> start = ReadFileStart(path, limit);
    if (!start) return {};
    const bool complete = start->size() < limit;
    std::vector<std::string> codes = AirportCodes(*start, complete);
    if (!codes.empty() || complete || limit >= kAptDatGiveUp) return codes;
    limit *= 4;
  }
}

// Whether a text fits one field of a line of the memory file.
bool Storable(const std::string& s) { return s.find_first_of("\t\r\n", 0) == std::string::npos; }

}  // namespace

const char* PackKindKey(PackKind kind) {
  for (const KindName& k : kKinds)
    if (k.kind == kind) return k.key;
  return "unknown";
}

std::optional<PackKind> PackKindFromKey(const std::string& key) {
  for (const KindName& k : kKinds)
    if (key == k.key) return k.kind;
  return std::nullopt;
}

std::string PackKindLabel(PackKind kind) {
  for (const KindName& k : kKinds)
    if (k.kind == kind) return Ansi(k.label);
  return Ansi("inconnu");
}

std::vector<std::string> AirportCodes(const std::string& text, bool complete) {
  std::vector<std::string> codes;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find_first_of("\r\n", at);
    if (end == std::string::npos) {
      if (!complete) break;  // the line goes on past what was read
      end = text.size();
    }
    // Fields are separated by blanks or tabs.
    std::vector<std::string_view> fields;
    const std::string_view line(text.data() + at, end - at);
    size_t i = 0;
    while (i < line.size() && fields.size() < 5) {
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      const size_t f = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      if (i > f) fields.push_back(line.substr(f, i - f));
    }
    if (fields.size() == 5 && (fields[0] == "1" || fields[0] == "16" || fields[0] == "17"))
      codes.emplace_back(fields[4]);
    if (!fields.empty() && fields[0] == "99") break;  // the end of the data
    at = end + 1;
  }
  return codes;
}

PackFacts ClassifyPack(const std::string& folder) {
  PackFacts f;
  // "Earth nav data" and the pack's own folder are listed once each; an
  // airport is told from the first alone.
  const std::vector<Listed> navData = List(folder + kNavData);
  if (Find(navData, "apt.dat", false)) {
    f.airports = ReadAirports(folder + kAptDat);
    if (!f.airports.empty()) {
      f.kind = PackKind::Airport;
      return f;
    }
  }
  const std::vector<Listed> root = List(folder);
  if (Find(root, "library.txt", false)) {
    f.kind = PackKind::Library;
    return f;
  }
  for (const Listed& tile : navData) {
    if (!(tile.attributes & win::FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string dsf = FirstDsfIn(folder + kNavData + "\\" + tile.name);
    if (dsf.empty()) continue;
    f.dsf = std::string("Earth nav data\\") + tile.name + "\\" + dsf;
    break;
  }
  if (f.dsf.empty()) return f;
  const std::optional<DsfProperties> properties = ReadDsfProperties(folder + "\\" + f.dsf);
  if (!properties) return f;  // damaged or unreadable: unknown
  if (IsOverlay(*properties))
    f.kind = PackKind::Overlay;
  else if (Find(root, "terrain", true) && Find(root, "textures", true))
    f.kind = PackKind::Orthophoto;
  else
    f.kind = PackKind::Mesh;
  return f;
}

std::uint64_t PackStamp(const std::string& folder, const PackFacts& facts) {
  // The folder's own time changes when anything at its top comes or goes
  // (library.txt, "terrain", "textures", "Earth nav data", or the whole pack
  // copied anew). An airport's apt.dat is also stamped itself: scenery
  // editors rewrite it in place, and its airports feed the warnings.
  std::uint64_t h = 1469598103934665603ull;
  auto mix = [&h](std::uint64_t v) {
    h ^= v;
    h *= 1099511628211ull;
    h ^= h >> 29;
  };
  mix(PathStamp(folder));
  if (facts.kind == PackKind::Airport) mix(PathStamp(folder + kAptDat));
  return h;
}

const PackFacts& PackMemory::facts(const std::string& folder) {
  const std::string key = FoldAsciiCase(folder);
  auto it = entries_.find(key);
  if (it != entries_.end() && it->second.stamp == PackStamp(folder, it->second.facts)) return it->second.facts;
  ++reads_;
  Entry e;
  e.folder = folder;
  e.facts = ClassifyPack(folder);
  e.stamp = PackStamp(folder, e.facts);
  Entry& stored = entries_[key];
  stored = std::move(e);
  return stored.facts;
}

// One line per pack: stamp, kind, DSF, airport codes (comma-separated),
// folder, separated by tabs; the folder last.
std::string PackMemory::save() const {
  std::string out = "OrvellaPacks 1\n";
  // In the order of the folders, so that the same memory gives the same file.
  std::vector<const Entry*> sorted;
  sorted.reserve(entries_.size());
  // A name holding a line break or a tab cannot be kept in this file: such a
  // pack is read again next time.
  for (const auto& [key, e] : entries_)
    if (Storable(e.folder) && Storable(e.facts.dsf)) sorted.push_back(&e);
  std::sort(sorted.begin(), sorted.end(), [](const Entry* a, const Entry* b) { return a->folder < b->folder; });
  for (const Entry* p : sorted) {
    const Entry& e = *p;
    out += IntToHex(e.stamp, 16);
    out += '\t';
    out += PackKindKey(e.facts.kind);
    out += '\t';
    out += e.facts.dsf;
    out += '\t';
    bool firstCode = true;
    for (const std::string& code : e.facts.airports) {
      if (!Storable(code) || code.find(',') != std::string::npos) continue;
      if (!firstCode) out += ',';
      out += code;
      firstCode = false;
    }
    out += '\t';
    out += e.folder;
    out += '\n';
  }
  return out;
}

void PackMemory::load(const std::string& text) {
  entries_.clear();
  bool first = true;
  for (const std::string& line : SplitLines(text)) {
    if (first) {
      first = false;
      if (line != "OrvellaPacks 1") return;  // another format: start afresh
      continue;
    }
    std::vector<std::string> fields;
    size_t f = 0;
    for (int i = 0; i < 4; ++i) {
      const size_t tab = line.find('\t', f);
      if (tab == std::string::npos) break;
      fields.push_back(line.substr(f, tab - f));
      f = tab + 1;
    }
    if (fields.size() != 4 || f >= line.size()) continue;
    const std::string folder = line.substr(f);
    if (!Storable(folder) || !Storable(fields[2])) continue;
    const std::optional<PackKind> kind = PackKindFromKey(fields[1]);
    if (!kind || fields[0].size() != 16) continue;
    char* stop = nullptr;
    const unsigned long long stamp = std::strtoull(fields[0].c_str(), &stop, 16);
    if (*stop != '\0') continue;
    Entry e;
    e.folder = folder;
    e.stamp = stamp;
    e.facts.kind = *kind;
    e.facts.dsf = fields[2];
    size_t c = 0;
    const std::string& codes = fields[3];
    while (c < codes.size()) {
      size_t comma = codes.find(',', c);
      if (comma == std::string::npos) comma = codes.size();
      if (comma > c) e.facts.airports.push_back(codes.substr(c, comma - c));
      c = comma + 1;
    }
    entries_[FoldAsciiCase(folder)] = std::move(e);
  }
}

void PackMemory::loadFile(const std::string& path) {
  entries_.clear();
  if (std::optional<std::string> text = ReadFileStart(path, 64u << 20)) load(*text);
}

void PackMemory::saveFile(const std::string& path) const { ReplaceFile(path, save()); }

}  // namespace orvella
