#include "logic/check/scenerycheck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "logic/check/checkmemory.h"
#include "logic/check/checktexts.h"
#include "logic/check/dsfdefs.h"
#include "logic/check/librarytxt.h"
#include "logic/check/logtxt.h"
#include "logic/core/asciitext.h"
#include "logic/core/errors.h"
#include "logic/core/folders.h"
#include "logic/core/textfile.h"
#include "logic/order/dsf.h"
#include "logic/order/files.h"
#include "logic/order/packs.h"
#include "logic/order/scenerypacks.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella::check {

namespace {

constexpr const char* kCustom = "Custom Scenery";
constexpr const char* kGlobal = "Global Scenery";
constexpr const char* kDefault = "Resources\\default scenery";
constexpr const char* kDefaultArea = "Resources/default scenery";
constexpr const char* kGlobalAirports = "Global Airports";
// Terrain names the simulator knows without a file.
constexpr const char* kBuiltInTerrains[] = {"terrain_Water"};

bool Regular(win::DWORD attributes) {
  return !(attributes & (win::FILE_ATTRIBUTE_DIRECTORY | win::FILE_ATTRIBUTE_DEVICE));
}

// Whether the system finds real files whatever their letter case.
bool FoldedFileSystem() {
  const platform::HostSystem h = platform::CurrentHostSystem();
  return h == platform::HostSystem::Windows || h == platform::HostSystem::MacOS;
}

// How a path was found among a pack's files.
enum class Found { None, Exact, OtherCase };

// Hashing that looks strings up by views, without a copy.
struct ViewHash {
  using is_transparent = void;
  size_t operator()(std::string_view v) const { return std::hash<std::string_view>{}(v); }
};
template <typename T>
using ViewMap = std::unordered_map<std::string, T, ViewHash, std::equal_to<>>;

// A pack's files, each folder listed once when first asked about.
class PackFiles {
 public:
  // Each folder listed is told to listed (for the stamps of a verdict).
  PackFiles(std::string root, std::function<void(const std::string&)> listed)
      : root_(std::move(root)), listed_(std::move(listed)) {}

  // Whether the pack holds a folder at rel (any letter case): asked of the
  // listings rather than of the system, which would search the parent of
  // every missing name for another spelling.
  bool hasFolder(std::string_view rel) { return find(rel, true) != Found::None; }

  // The file at rel ('/'-separated, relative to the pack).
  Found find(std::string_view rel, bool folderWanted = false) {
    const Folder* f = &folder(std::string_view());
    std::string spelledPath;  // the folders as the disk spells them, when they differ
    bool otherCase = false;
    size_t at = 0;
    for (;;) {
      const size_t slash = rel.find('/', at);
      const bool last = slash == std::string_view::npos;
      const std::string_view part = rel.substr(at, last ? std::string_view::npos : slash - at);
      auto it = f->names.find(part);
      const auto fits = [last, folderWanted](win::DWORD a) {
        return last && !folderWanted ? Regular(a) : (a & win::FILE_ATTRIBUTE_DIRECTORY) != 0;
      };
      std::string_view spelled = part;
      if (it == f->names.end() || !fits(it->second)) {
        auto ft = f->folded.find(FoldAsciiCase(part));
        if (ft == f->folded.end() || !fits(f->names.find(ft->second)->second)) return Found::None;
        spelled = ft->second;
        otherCase = true;
      }
      if (last) return otherCase ? Found::OtherCase : Found::Exact;
      if (!spelledPath.empty()) spelledPath += '/';
      spelledPath += spelled;
      f = &folder(spelledPath);
      at = slash + 1;
    }
  }

 private:
  struct Folder {
    ViewMap<win::DWORD> names;
    ViewMap<std::string> folded;  // folded name -> name
  };
  const Folder& folder(std::string_view rel) {
    auto it = folders_.find(rel);
    if (it != folders_.end()) return it->second;
    Folder f;
    std::string host = root_;
    if (!rel.empty()) {
      host += '\\';
      for (const char c : rel) host += c == '/' ? '\\' : c;
    }
    if (listed_) listed_(host);
    ForEachEntry(host, [&](const std::string& name, win::DWORD a) {
      f.names.emplace(name, a);
      f.folded.emplace(FoldAsciiCase(name), name);
    });
    return folders_.emplace(std::string(rel), std::move(f)).first->second;
  }
  std::string root_;
  std::function<void(const std::string&)> listed_;
  ViewMap<Folder> folders_;
};

// A folder that can provide exports: a loaded pack, a disabled one, or a
// scene of the user's trees that is not active.
enum class SourceKind { Loaded, Disabled, Inactive };

struct Source {
  std::string name;    // as the report names it
  std::string folder;  // Windows path
  std::string area;
  SourceKind kind = SourceKind::Loaded;
  std::unique_ptr<PackFiles> files;
};

std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == '\\' || s.back() == '/')) s.pop_back();
  return s;
}

std::string LastPart(const std::string& path) {
  const std::string p = Trimmed(path);
  const size_t sep = p.find_last_of("\\/");
  return sep == std::string::npos ? p : p.substr(sep + 1);
}

// Sorted entry names of kind folder under path.
std::vector<std::pair<std::string, win::DWORD>> Folders(const std::string& path) {
  std::vector<std::pair<std::string, win::DWORD>> out;
  ForEachEntry(path, [&](const std::string& name, win::DWORD a) {
    if (a & win::FILE_ATTRIBUTE_DIRECTORY) out.emplace_back(name, a);
  });
  std::sort(out.begin(), out.end(),
            [](const auto& a, const auto& b) { return FoldAsciiCase(a.first) < FoldAsciiCase(b.first); });
  return out;
}

// A link whose target is gone is no pack.
bool Alive(const std::string& path, win::DWORD attributes) {
  if (!(attributes & win::FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  const platform::FileHandle h(win::CreateFileA(path.c_str(), 0, win::FILE_SHARE_READ | win::FILE_SHARE_WRITE, nullptr,
                                                win::OPEN_EXISTING, win::FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return h.valid();
}

// The path of a scenery_packs.ini line as a Windows path ("" when none).
std::string LineFolder(const std::string& installation, const std::string& utf8Path) {
  std::string p = utf8Path;
  while (!p.empty() && (p.back() == '/' || p.back() == '\\')) p.pop_back();
  if (p.empty()) return {};
  // An absolute path of the host or of Windows.
  std::u16string wide;
  for (const char c : p) wide += static_cast<char16_t>(static_cast<unsigned char>(c));
  if (p[0] == '/') {
    // The bytes are UTF-8: the host path is rebuilt through UTF-16.
    const int n = win::MultiByteToWideChar(win::CP_UTF8, 0, p.data(), static_cast<int>(p.size()), nullptr, 0);
    std::u16string w(static_cast<size_t>(std::max(n, 0)), u'\0');
    if (n > 0) win::MultiByteToWideChar(win::CP_UTF8, 0, p.data(), static_cast<int>(p.size()), w.data(), n);
    return platform::FromHostPath(w);
  }
  std::string w = p;
  std::replace(w.begin(), w.end(), '/', '\\');
  if (w.size() >= 2 && w[1] == ':') return w;
  return installation + "\\" + w;
}

struct DsfFacts {
  std::string status;  // "" when read, else the damage's key
  bool overlay = false;
  std::vector<std::string> refs;
};

// The facts of a tile as the memory keeps them: joined, not copied one by one.
std::string DsfLine(const DsfFacts& f) {
  std::string line;
  CheckMemory::append(line, "dsf");
  CheckMemory::append(line, f.status);
  CheckMemory::append(line, f.overlay ? "1" : "0");
  for (const std::string& r : f.refs) CheckMemory::append(line, r);
  return line;
}

std::optional<DsfFacts> DsfOfFields(const std::vector<std::string>& v) {
  if (v.size() < 3 || v[0] != "dsf") return std::nullopt;
  DsfFacts f;
  f.status = v[1];
  f.overlay = v[2] == "1";
  f.refs.assign(v.begin() + 3, v.end());
  return f;
}

DsfFacts ReadDsf(const std::string& path) {
  DsfFacts f;
  const DsfPrefix p = ReadDsfPrefix(path, ScanDsfDefinitions, kDsfDefinitionsLimit);
  switch (p.status) {
    case DsfPrefix::Status::Done:
      break;
    case DsfPrefix::Status::Damaged:
      f.status = "DsfEndommage";
      return f;
    case DsfPrefix::Status::Unreadable:
      f.status = "DsfIllisible";
      return f;
    case DsfPrefix::Status::Unreadable7z:
      f.status = p.compressed ? "SeptZIllisible" : "DsfEndommage";
      return f;
    case DsfPrefix::Status::No7z:
      f.status = "SeptZNonPris";
      return f;
  }
  const std::optional<DsfDefinitions> d = ParseDsfDefinitions(p.bytes);
  if (!d) {
    f.status = "DsfEndommage";
    return f;
  }
  f.overlay = IsOverlay(d->properties);
  for (const auto* table : {&d->terrains, &d->objects, &d->polygons, &d->networks})
    for (const std::string& s : *table) f.refs.push_back(VirtualPath(s));
  std::sort(f.refs.begin(), f.refs.end());
  f.refs.erase(std::unique(f.refs.begin(), f.refs.end()), f.refs.end());
  return f;
}

std::string LibraryLine(const LibraryFile& l) {
  std::string line;
  CheckMemory::append(line, "lib");
  CheckMemory::append(line, l.valid ? "1" : "0");
  for (const LibraryExport& e : l.exports) {
    CheckMemory::append(line, e.kind == ExportKind::Backup ? "b" : "e");
    CheckMemory::append(line, e.virtualPath);
    CheckMemory::append(line, e.realPath);
  }
  return line;
}

std::optional<LibraryFile> LibraryOfFields(const std::vector<std::string>& v) {
  if (v.size() < 2 || v[0] != "lib" || (v.size() - 2) % 3 != 0) return std::nullopt;
  LibraryFile l;
  l.valid = v[1] == "1";
  for (size_t i = 2; i < v.size(); i += 3) {
    LibraryExport e;
    e.kind = v[i] == "b" ? ExportKind::Backup : ExportKind::Export;
    e.virtualPath = v[i + 1];
    e.realPath = v[i + 2];
    l.exports.push_back(std::move(e));
  }
  return l;
}

// Reads a whole small text file that is a regular file ("" when not).
std::optional<std::string> ReadText(const std::string& path, size_t limit) {
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d) || !Regular(d.dwFileAttributes))
    return std::nullopt;
  return ReadFileStart(path, limit);
}

// The airport codes of an apt.dat, read in steps of 1 MB: the file of the
// simulator's own airports is hundreds of megabytes.
std::vector<std::string> ReadAirportCodes(const std::string& path) {
  std::vector<std::string> codes;
  win::WIN32_FILE_ATTRIBUTE_DATA d;
  if (!win::GetFileAttributesExA(path.c_str(), win::GetFileExInfoStandard, &d) || !Regular(d.dwFileAttributes))
    return codes;
  platform::FileHandle f(
      win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr, win::OPEN_EXISTING, 0, nullptr));
  if (!f.valid()) return codes;
  std::string carry;
  std::string buffer(size_t{1} << 20, '\0');
  for (;;) {
    win::DWORD got = 0;
    const bool ok = win::ReadFile(f.get(), buffer.data(), static_cast<win::DWORD>(buffer.size()), &got, nullptr) != 0;
    const bool end = !ok || got == 0;
    carry.append(buffer.data(), end ? 0 : got);
    size_t cut = end ? carry.size() : carry.find_last_of('\n');
    if (cut == std::string::npos) continue;
    if (!end) ++cut;
    const std::string part = carry.substr(0, cut);
    carry.erase(0, cut);
    for (std::string& c : AirportCodes(part, true)) codes.push_back(std::move(c));
    if (end) break;
  }
  return codes;
}

// A tile from a DSF's name: "+46+007.dsf".
std::optional<Tile> TileOfName(const std::string& name) {
  int lat = 0, lon = 0;
  char a = 0, b = 0;
  int used = 0;
  if (std::sscanf(name.c_str(), "%c%2d%c%3d.%n", &a, &lat, &b, &lon, &used) != 4 || used != 8) return std::nullopt;
  if ((a != '+' && a != '-') || (b != '+' && b != '-')) return std::nullopt;
  if (a == '-') lat = -lat;
  if (b == '-') lon = -lon;
  if (lat < -90 || lat > 89 || lon < -180 || lon > 179) return std::nullopt;
  return Tile{lat, lon};
}

bool EndsWithNoCase(const std::string& s, const char* tail) {
  const size_t n = std::char_traits<char>::length(tail);
  return s.size() >= n && EqualsAsciiNoCase(std::string_view(s).substr(s.size() - n), tail);
}

// The report's findings as strings for the memory, and back.
class Fields {
 public:
  std::vector<std::string> out;
  void put(const std::string& v) { out.push_back(v); }
  void put(long long v) { out.push_back(std::to_string(v)); }
  void list(const std::vector<std::string>& v) {
    put(static_cast<long long>(v.size()));
    out.insert(out.end(), v.begin(), v.end());
  }
};
class FieldReader {
 public:
  explicit FieldReader(const std::vector<std::string>& in) : in_(in) {}
  bool ok() const { return ok_; }
  std::string str() {
    if (at_ >= in_.size()) {
      ok_ = false;
      return {};
    }
    return in_[at_++];
  }
  long long num(long long most) {
    const std::string v = str();
    char* stop = nullptr;
    const long long n = std::strtoll(v.c_str(), &stop, 10);
    if (v.empty() || *stop || n < -most || n > most) ok_ = false;
    return ok_ ? n : 0;
  }
  size_t count() { return static_cast<size_t>(std::max(0LL, num(static_cast<long long>(in_.size())))); }
  std::vector<std::string> list() {
    std::vector<std::string> v(count());
    for (std::string& x : v) x = str();
    return v;
  }

 private:
  const std::vector<std::string>& in_;
  size_t at_ = 0;
  bool ok_ = true;
};

std::vector<std::string> ReportFields(const Report& r) {
  Fields f;
  f.put(static_cast<long long>(r.packs.size()));
  for (const LoadedPack& p : r.packs) {
    f.put(p.name);
    f.put(p.folder);
    f.put(p.area);
    f.put(static_cast<long long>(p.role));
    f.put(static_cast<long long>(p.tiles.size()));
    for (const Tile& t : p.tiles) {
      f.put(t.lat);
      f.put(t.lon);
    }
    f.put(static_cast<long long>(p.overlayTiles.size()));
    for (const Tile& t : p.overlayTiles) {
      f.put(t.lat);
      f.put(t.lon);
    }
    f.list(p.airports);
  }
  f.put(static_cast<long long>(r.missing.size()));
  for (const Missing& m : r.missing) {
    f.put(m.path);
    f.put(static_cast<long long>(m.reason));
    f.put(m.provider);
    f.list(m.packs);
    f.put(m.sample);
  }
  f.put(static_cast<long long>(r.brokenExports.size()));
  for (const BrokenExport& b : r.brokenExports) f.list({b.pack, b.path, b.file});
  f.put(static_cast<long long>(r.duplicateAirports.size()));
  for (const DuplicateAirport& d : r.duplicateAirports) {
    f.put(d.icao);
    f.list(d.packs);
  }
  f.put(static_cast<long long>(r.tileConflicts.size()));
  for (const TileConflict& t : r.tileConflicts) {
    f.put(t.tile.lat);
    f.put(t.tile.lon);
    f.list(t.packs);
  }
  f.put(static_cast<long long>(r.damaged.size()));
  for (const DamagedFile& d : r.damaged) f.list({d.pack, d.file, d.what});
  return f.out;
}

bool ReportOfFields(const std::vector<std::string>& in, Report& r) {
  FieldReader f(in);
  auto tile = [&] {
    Tile t;
    t.lat = static_cast<int>(f.num(90));
    t.lon = static_cast<int>(f.num(180));
    return t;
  };
  r.packs.resize(f.count());
  for (LoadedPack& p : r.packs) {
    p.name = f.str();
    p.folder = f.str();
    p.area = f.str();
    p.role = static_cast<PackRole>(f.num(static_cast<long long>(PackRole::Other)));
    p.tiles.resize(f.count());
    for (Tile& t : p.tiles) t = tile();
    p.overlayTiles.resize(f.count());
    for (Tile& t : p.overlayTiles) t = tile();
    p.airports = f.list();
    if (!f.ok()) return false;
  }
  r.missing.resize(f.count());
  for (Missing& m : r.missing) {
    m.path = f.str();
    m.library = m.path.substr(0, m.path.find('/'));
    m.reason = static_cast<Reason>(f.num(static_cast<long long>(Reason::Case)));
    m.provider = f.str();
    m.packs = f.list();
    m.sample = f.str();
    if (!f.ok()) return false;
  }
  auto three = [&](std::string& a, std::string& b, std::string& c) {
    if (f.count() != 3) return false;
    a = f.str();
    b = f.str();
    c = f.str();
    return f.ok();
  };
  r.brokenExports.resize(f.count());
  for (BrokenExport& b : r.brokenExports)
    if (!three(b.pack, b.path, b.file)) return false;
  r.duplicateAirports.resize(f.count());
  for (DuplicateAirport& d : r.duplicateAirports) {
    d.icao = f.str();
    d.packs = f.list();
  }
  r.tileConflicts.resize(f.count());
  for (TileConflict& t : r.tileConflicts) {
    t.tile = tile();
    t.packs = f.list();
  }
  r.damaged.resize(f.count());
  for (DamagedFile& d : r.damaged)
    if (!three(d.pack, d.file, d.what)) return false;
  return f.ok();
}

// One provision of the index: who gives it and how.
struct Provision {
  std::string path;  // the virtual path (kept on the first provision of a path)
  int next = -1;     // the next provision of the same path, -1 for none
  int source = 0;
  bool backup = false;
  bool present = false;  // its real file is there
};

// Virtual paths to the first of their provisions: an open-addressed table
// of hashes, so that most look-ups touch one slot and one path.
class PathIndex {
 public:
  // The slot of path: its first provision, or -1 when it has none yet.
  int& slot(std::string_view path, const std::vector<Provision>& provisions) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow();
    const std::uint64_t h = std::hash<std::string_view>{}(path) | 1;  // 0 marks an empty slot
    for (size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      Slot& s = slots_[i];
      if (s.hash == 0) {
        s.hash = h;
        ++used_;
        return s.first;
      }
      if (s.hash == h && provisions[static_cast<size_t>(s.first)].path == path) return s.first;
    }
  }
  int find(std::string_view path, const std::vector<Provision>& provisions) const {
    if (slots_.empty()) return -1;
    const std::uint64_t h = std::hash<std::string_view>{}(path) | 1;
    for (size_t i = h & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1)) {
      const Slot& s = slots_[i];
      if (s.hash == 0) return -1;
      if (s.hash == h && provisions[static_cast<size_t>(s.first)].path == path) return s.first;
    }
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;
    int first = -1;
  };
  void grow() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(std::max<size_t>(1024, old.size() * 2), Slot());
    for (const Slot& s : old) {
      if (s.hash == 0) continue;
      for (size_t i = s.hash & (slots_.size() - 1);; i = (i + 1) & (slots_.size() - 1))
        if (slots_[i].hash == 0) {
          slots_[i] = s;
          break;
        }
    }
  }
  std::vector<Slot> slots_;
  size_t used_ = 0;
};

// The reading and the verdicts of one check.
class Checker {
 public:
  Checker(std::string installation, const Options& options) : inst_(std::move(installation)), options_(options) {}

  Report run();
  int filesRead() const { return memory_.reads; }

 private:
  void gatherPacks();
  void addSource(std::string name, std::string folder, std::string area, SourceKind kind);
  void readPack(size_t index);
  void readLibrary(int source);
  std::vector<std::string> airports(Source& s);
  void judge();
  bool cancelled() const { return options_.cancel && options_.cancel->load(); }
  // The verdict depends on path as it stands now (stamp as read, when known).
  void depend(const std::string& path, std::optional<FileStamp> known = std::nullopt) {
    if (!remember_ || !dependSeen_.insert(path).second) return;
    const FileStamp st = known ? *known : PathStampOf(path);
    // A path changed within the clock's step may change again unseen.
    if (st.time != ~0ull && st.time + 20'000'000 > now_) racy_ = true;
    depends_.emplace_back(path, st);
  }
  std::string signature() const;
  bool reuseVerdict();
  void keepVerdict();
  void damaged(int source, const std::string& rel, const char* key) {
    report_.damaged.push_back({sources_[static_cast<size_t>(source)].name, rel, CheckText(key)});
  }

  std::string inst_;
  const Options& options_;
  Report report_;
  CheckMemory memory_;
  std::uint64_t now_ = FileTimeNow();
  std::vector<Source> sources_;
  std::vector<int> loaded_;  // indices of sources_ in priority order
  std::vector<std::string> iniOrder_;
  // Per loaded pack: its references and a sample DSF for each.
  struct PackRefs {
    std::vector<std::string> samples;                  // DSFs, relative to the pack
    std::vector<std::pair<std::string, size_t>> refs;  // virtual path, its sample
  };
  std::vector<PackRefs> refs_;
  // The library index: each exported path's first provision in provisions_,
  // the others chained from it.
  PathIndex index_;
  std::vector<Provision> provisions_;
  // Folded virtual path -> one spelling: made when first needed.
  std::unordered_map<std::string, std::string> foldedIndex_;
  bool foldedMade_ = false;
  const std::unordered_map<std::string, std::string>& foldedIndex() {
    if (!foldedMade_) {
      foldedMade_ = true;
      for (const Provision& p : provisions_)
        if (!p.path.empty()) foldedIndex_.emplace(FoldAsciiCase(p.path), p.path);
    }
    return foldedIndex_;
  }
  std::vector<std::pair<std::string, FileStamp>> depends_;
  std::unordered_set<std::string> dependSeen_;
  bool racy_ = false;
  bool remember_ = !options_.memoryFile.empty();
};

void Checker::addSource(std::string name, std::string folder, std::string area, SourceKind kind) {
  Source s;
  s.name = std::move(name);
  s.folder = std::move(folder);
  s.area = std::move(area);
  s.kind = kind;
  s.files = std::make_unique<PackFiles>(s.folder, [this](const std::string& p) { depend(p); });
  if (kind == SourceKind::Loaded) loaded_.push_back(static_cast<int>(sources_.size()));
  sources_.push_back(std::move(s));
}

void Checker::gatherPacks() {
  const std::string custom = inst_ + "\\" + kCustom;
  const std::string global = inst_ + "\\" + kGlobal;
  SceneryPacksFile ini;
  if (std::optional<std::string> text = ReadText(SceneryPacksPath(inst_), 16u << 20)) ini = ParseSceneryPacks(*text);

  // What the file lists, by folded folder; the first line of a pack counts.
  std::unordered_set<std::string> listed;
  bool globalAirportsListed = false;
  struct Line {
    std::string name, folder, area;
    bool disabled;
  };
  std::vector<Line> lines;
  for (const PackLine& l : ini.lines) {
    Line line;
    line.disabled = l.disabled;
    if (l.path == kGlobalAirports12) {
      line = {kGlobalAirports, global + "\\" + kGlobalAirports, kGlobal, l.disabled};
      globalAirportsListed = true;
    } else {
      line.folder = LineFolder(inst_, l.path);
      if (line.folder.empty()) continue;
      line.name = LastPart(line.folder);
      const std::string folded = FoldAsciiCase(line.folder);
      const std::string customFolded = FoldAsciiCase(custom + "\\");
      line.area = folded.compare(0, customFolded.size(), customFolded) == 0 ? kCustom : "";
      if (line.area == kCustom && EqualsAsciiNoCase(line.name, kGlobalAirports)) globalAirportsListed = true;
    }
    if (!DirectoryExists(line.folder)) continue;  // the simulator drops lines of packs that are gone
    if (!listed.insert(FoldAsciiCase(line.folder)).second) continue;
    lines.push_back(std::move(line));
  }
  // Folders and links of Custom Scenery the file does not list: the
  // simulator adds them at the top, enabled, in alphabetical order.
  for (const auto& [name, attributes] : Folders(custom)) {
    const std::string folder = custom + "\\" + name;
    if (listed.count(FoldAsciiCase(folder)) || !Alive(folder, attributes)) continue;
    addSource(name, folder, kCustom, SourceKind::Loaded);
  }
  for (Line& l : lines) {
    iniOrder_.push_back(l.name);
    addSource(l.name, l.folder, l.area, l.disabled ? SourceKind::Disabled : SourceKind::Loaded);
  }
  // The simulator's own packs, below every custom one.
  for (const auto& [name, attributes] : Folders(global)) {
    if (globalAirportsListed && EqualsAsciiNoCase(name, kGlobalAirports)) continue;
    addSource(name, global + "\\" + name, kGlobal, SourceKind::Loaded);
  }
  for (const auto& [name, attributes] : Folders(inst_ + "\\" + kDefault)) {
    const std::string folder = inst_ + "\\" + kDefault + "\\" + name;
    if (FileExists(folder + "\\library.txt")) addSource(name, folder, kDefaultArea, SourceKind::Loaded);
  }
  for (const std::string& scene : options_.inactiveScenes)
    addSource(LastPart(scene), Trimmed(scene), "", SourceKind::Inactive);
}

void Checker::readLibrary(int source) {
  Source& s = sources_[static_cast<size_t>(source)];
  const std::string path = s.folder + "\\library.txt";
  depend(s.folder);
  // A library.txt that comes later changes the folder's stamp.
  if (s.files->find("library.txt") == Found::None) return;
  const std::optional<FileStamp> st = StampOf(path);
  depend(path, st);
  if (!st) return;
  std::optional<LibraryFile> lib;
  if (const auto fields = memory_.find(path, *st)) lib = LibraryOfFields(*fields);
  if (!lib) {
    ++memory_.reads;
    const std::optional<std::string> text = ReadText(path, 64u << 20);
    if (!text) {
      if (s.kind == SourceKind::Loaded) damaged(source, "library.txt", "LibraryEndommage");
      return;
    }
    lib = ParseLibrary(*text);
    if (remember_) memory_.putLine(path, *st, LibraryLine(*lib), now_);
  }
  if (!lib->valid) {
    if (s.kind == SourceKind::Loaded) damaged(source, "library.txt", "LibraryEndommage");
    return;
  }
  const bool folded = FoldedFileSystem();
  for (const LibraryExport& e : lib->exports) {
    const Found f = s.files->find(e.realPath);
    Provision p;
    p.source = source;
    p.backup = e.kind == ExportKind::Backup;
    p.present = f == Found::Exact || (folded && f == Found::OtherCase);
    if (!p.present && s.kind == SourceKind::Loaded) {
      std::string real = e.realPath;
      report_.brokenExports.push_back({s.name, e.virtualPath, real});
    }
    // Appended at the chain's end: the providers stay in priority order.
    const int at = static_cast<int>(provisions_.size());
    int& first = index_.slot(e.virtualPath, provisions_);
    if (first < 0) {
      p.path = e.virtualPath;
      first = at;
    } else {
      int last = first;
      while (provisions_[static_cast<size_t>(last)].next >= 0) last = provisions_[static_cast<size_t>(last)].next;
      provisions_[static_cast<size_t>(last)].next = at;
    }
    provisions_.push_back(std::move(p));
  }
}

void Checker::readPack(size_t order) {
  const int source = loaded_[order];
  Source& s = sources_[static_cast<size_t>(source)];
  LoadedPack& pack = report_.packs[order];
  pack.airports = airports(s);
  auto& refs = refs_[order];
  bool anyDsf = false, anyBase = false, anyOverlay = false;
  const std::string nav = s.folder + "\\Earth nav data";
  depend(s.folder);
  depend(nav);
  const bool hasNav = s.files->hasFolder("Earth nav data");
  for (const auto& [tileFolder, a] : hasNav ? Folders(nav) : decltype(Folders(nav))()) {
    (void)a;
    depend(nav + "\\" + tileFolder);
    std::vector<std::string> names;
    ForEachEntry(nav + "\\" + tileFolder, [&](const std::string& name, win::DWORD attributes) {
      if (Regular(attributes) && EndsWithNoCase(name, ".dsf")) names.push_back(name);
    });
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
      const std::string path = nav + "\\" + tileFolder + "\\" + name;
      const std::string rel = "Earth nav data/" + tileFolder + "/" + name;
      const std::optional<FileStamp> st = StampOf(path);
      if (!st) continue;
      depend(path, st);
      std::optional<DsfFacts> facts;
      if (const auto fields = memory_.find(path, *st)) facts = DsfOfFields(*fields);
      if (!facts) {
        ++memory_.reads;
        facts = ReadDsf(path);
        if (remember_) memory_.putLine(path, *st, DsfLine(*facts), now_);
      }
      if (!facts->status.empty()) {
        damaged(source, rel, facts->status.c_str());
        continue;
      }
      anyDsf = true;
      if (const std::optional<Tile> tile = TileOfName(name)) {
        pack.tiles.push_back(*tile);
        if (facts->overlay) pack.overlayTiles.push_back(*tile);
      }
      (facts->overlay ? anyOverlay : anyBase) = true;
      for (const std::string& r : facts->refs) refs.refs.emplace_back(r, refs.samples.size());
      refs.samples.push_back(rel);
    }
  }
  // Each reference once, with the first tile that names it.
  std::stable_sort(refs.refs.begin(), refs.refs.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  refs.refs.erase(
      std::unique(refs.refs.begin(), refs.refs.end(), [](const auto& a, const auto& b) { return a.first == b.first; }),
      refs.refs.end());
  const bool library = s.files->find("library.txt") != Found::None;
  if (!pack.airports.empty())
    pack.role = PackRole::Airport;
  else if (library)
    pack.role = PackRole::Library;
  else if (anyDsf && !anyBase)
    pack.role = PackRole::Overlay;
  else if (anyBase)
    pack.role = s.files->hasFolder("terrain") && s.files->hasFolder("textures") ? PackRole::Orthophoto : PackRole::Mesh;
  (void)anyOverlay;
}

std::vector<std::string> Checker::airports(Source& s) {
  if (s.files->find("Earth nav data/apt.dat") == Found::None) return {};
  const std::string path = s.folder + "\\Earth nav data\\apt.dat";
  const std::optional<FileStamp> st = StampOf(path);
  depend(path, st);
  if (!st) return {};
  if (const auto fields = memory_.find(path, *st); fields && !fields->empty() && fields->front() == "apt")
    return std::vector<std::string>(fields->begin() + 1, fields->end());
  ++memory_.reads;
  std::vector<std::string> codes = ReadAirportCodes(path);
  std::vector<std::string> fields{"apt"};
  fields.insert(fields.end(), codes.begin(), codes.end());
  if (remember_) memory_.put(path, *st, fields, now_);
  return codes;
}

void Checker::judge() {
  const bool foldedFiles = FoldedFileSystem();
  // Missing references by virtual path, in the order they were met.
  std::unordered_map<std::string, size_t> missingAt;
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const int source = loaded_[order];
    Source& s = sources_[static_cast<size_t>(source)];
    const PackRefs& packRefs = refs_[order];
    for (const auto& [path, sampleIndex] : packRefs.refs) {
      const std::string& ref = path;
      if (std::find(std::begin(kBuiltInTerrains), std::end(kBuiltInTerrains), ref) != std::end(kBuiltInTerrains))
        continue;
      // The pack's own file first.
      // Most references are plain paths: no copy is made of those.
      const bool plain = !path.empty() && path[0] != '/' && path.find("./") == std::string::npos &&
                         path.find("//") == std::string::npos && path.back() != '/' && path.back() != '.';
      const std::string cleaned = plain ? std::string() : PackRelative(path);
      const std::string& rel = plain ? path : cleaned;
      Found own = rel.empty() ? Found::None : s.files->find(rel);
      if (own == Found::Exact || (own == Found::OtherCase && foldedFiles)) continue;
      Reason reason = Reason::Absent;
      std::string provider;
      const int firstProvision = index_.find(path, provisions_);
      bool met = false;
      if (firstProvision >= 0) {
        const Provision* backup = nullptr;
        const Provision* disabled = nullptr;
        const Provision* inactive = nullptr;
        for (int i = firstProvision; i >= 0; i = provisions_[static_cast<size_t>(i)].next) {
          const Provision& p = provisions_[static_cast<size_t>(i)];
          const SourceKind kind = sources_[static_cast<size_t>(p.source)].kind;
          if (!p.present) continue;
          if (kind == SourceKind::Loaded && !p.backup) met = true;
          if (kind == SourceKind::Loaded && p.backup && !backup) backup = &p;
          if (kind == SourceKind::Disabled && !disabled) disabled = &p;
          if (kind == SourceKind::Inactive && !inactive) inactive = &p;
        }
        if (met) continue;
        const Provision* by = disabled ? disabled : inactive ? inactive : backup;
        if (by) {
          reason = disabled ? Reason::Disabled : inactive ? Reason::Inactive : Reason::Backup;
          const Source& p = sources_[static_cast<size_t>(by->source)];
          provider = reason == Reason::Inactive ? p.folder : p.name;
        }
      }
      if (reason == Reason::Absent) {
        // The same path with other letters: an export of a loaded pack, or
        // the pack's own file where the system tells letter case apart.
        auto ft = foldedIndex().find(FoldAsciiCase(path));
        if (ft != foldedIndex_.end()) {
          for (int i = index_.find(ft->second, provisions_); i >= 0; i = provisions_[static_cast<size_t>(i)].next) {
            const Provision& p = provisions_[static_cast<size_t>(i)];
            if (p.present && sources_[static_cast<size_t>(p.source)].kind == SourceKind::Loaded) {
              reason = Reason::Case;
              provider = sources_[static_cast<size_t>(p.source)].name;
              break;
            }
          }
        }
        if (reason == Reason::Absent && own == Found::OtherCase) {
          reason = Reason::Case;
          provider = s.name;
        }
      }
      auto [at, fresh] = missingAt.emplace(path, report_.missing.size());
      if (fresh) {
        Missing m;
        m.path = path;
        m.library = path.substr(0, path.find('/'));
        m.reason = reason;
        m.provider = provider;
        m.sample = packRefs.samples[sampleIndex];
        report_.missing.push_back(std::move(m));
      }
      std::vector<std::string>& packs = report_.missing[at->second].packs;
      if (std::find(packs.begin(), packs.end(), s.name) == packs.end()) packs.push_back(s.name);
    }
  }

  // Airports: every loaded pack but the simulator's own, which custom
  // airports are meant to replace.
  std::map<std::string, std::vector<std::string>> byCode;
  std::vector<std::string> codes;
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    if (s.area != kCustom || EqualsAsciiNoCase(s.name, kGlobalAirports)) continue;
    std::unordered_set<std::string> once;
    for (const std::string& code : report_.packs[order].airports) {
      if (!once.insert(code).second) continue;
      auto& list = byCode[code];
      if (list.empty()) codes.push_back(code);
      list.push_back(s.name);
    }
  }
  for (const std::string& code : codes)
    if (byCode[code].size() > 1) report_.duplicateAirports.push_back({code, byCode[code]});

  // Base meshes of one tile in Custom Scenery: only the first is loaded.
  // Those of Global Scenery are meant to be hidden by custom ones.
  std::map<std::pair<int, int>, std::vector<std::string>> byTile;
  std::vector<std::pair<int, int>> tiles;
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    if (s.area != kCustom) continue;
    const LoadedPack& pack = report_.packs[order];
    std::set<std::pair<int, int>> once;
    for (const Tile& t : pack.tiles) {
      if (std::find(pack.overlayTiles.begin(), pack.overlayTiles.end(), t) != pack.overlayTiles.end()) continue;
      if (!once.insert({t.lat, t.lon}).second) continue;
      auto& list = byTile[{t.lat, t.lon}];
      if (list.empty()) tiles.push_back({t.lat, t.lon});
      list.push_back(s.name);
    }
  }
  for (const auto& t : tiles)
    if (byTile[t].size() > 1) report_.tileConflicts.push_back({Tile{t.first, t.second}, byTile[t]});
}

std::string Checker::signature() const {
  std::string sig = FoldedFileSystem() ? "folded" : "exact";
  for (const Source& s : sources_) {
    sig += '\n';
    sig += std::to_string(static_cast<int>(s.kind)) + "|" + s.area + "|" + s.name + "|" + s.folder;
  }
  return sig;
}

bool Checker::reuseVerdict() {
  const CheckMemory::Verdict* v = memory_.verdict();
  if (!v || v->signature != signature()) return false;
  for (const auto& [path, st] : v->depends)
    if (!(PathStampOf(path) == st)) return false;
  Report r;
  if (!ReportOfFields(v->report, r)) return false;
  r.folder = report_.folder;
  r.remembered = true;
  report_ = std::move(r);
  return true;
}

void Checker::keepVerdict() {
  if (racy_) {
    memory_.setVerdict(std::nullopt);
    return;
  }
  CheckMemory::Verdict v;
  v.signature = signature();
  v.depends = std::move(depends_);
  v.report = ReportFields(report_);
  memory_.setVerdict(std::move(v));
}

Report Checker::run() {
  report_.folder = inst_;
  if (!options_.memoryFile.empty()) memory_.loadFile(options_.memoryFile);
  gatherPacks();
  report_.packs.resize(loaded_.size());
  refs_.resize(loaded_.size());
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    report_.packs[order].name = s.name;
    report_.packs[order].folder = s.folder;
    report_.packs[order].area = s.area;
  }
  const bool reused = reuseVerdict();
  // Libraries first, of every folder that can provide one.
  for (size_t i = 0; !reused && i < sources_.size(); ++i) readLibrary(static_cast<int>(i));
  const int total = static_cast<int>(loaded_.size());
  for (size_t order = 0; !reused && order < loaded_.size(); ++order) {
    if (cancelled()) {
      report_.cancelled = true;
      return std::move(report_);
    }
    readPack(order);
    if (options_.progress) options_.progress(static_cast<int>(order) + 1, total);
  }
  if (!reused) judge();
  if (reused && options_.progress) options_.progress(total, total);
  if (options_.readLog) {
    report_.log = ReadLogFile(inst_ + "\\Log.txt");
    // The order the simulator printed matters only where it differs.
    std::vector<std::string> expected;
    for (const int i : loaded_)
      if (sources_[static_cast<size_t>(i)].area == kCustom) expected.push_back(sources_[static_cast<size_t>(i)].name);
    std::vector<std::string> printed;
    for (const std::string& n : report_.log.loadOrder)
      if (std::find(expected.begin(), expected.end(), n) != expected.end()) printed.push_back(n);
    std::vector<std::string> expectedPrinted;
    for (const std::string& n : expected)
      if (std::find(printed.begin(), printed.end(), n) != printed.end()) expectedPrinted.push_back(n);
    if (printed == expectedPrinted) report_.log.loadOrder.clear();
  }
  if (!options_.memoryFile.empty() && !reused) {
    keepVerdict();
    // The memory is a help, never a need: a file that cannot be written
    // leaves the next check to read everything again.
    try {
      ReplaceFile(options_.memoryFile, memory_.save());
    } catch (const Error&) {
    }
  }
  return std::move(report_);
}

}  // namespace

const char* ReasonKey(Reason reason) {
  switch (reason) {
    case Reason::Absent:
      return "absent";
    case Reason::Disabled:
      return "disabled";
    case Reason::Inactive:
      return "inactive";
    case Reason::Backup:
      return "backup";
    case Reason::Case:
      return "case";
  }
  return "absent";
}

std::string TileName(Tile tile) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%c%02d%c%03d", tile.lat < 0 ? '-' : '+', tile.lat < 0 ? -tile.lat : tile.lat,
                tile.lon < 0 ? '-' : '+', tile.lon < 0 ? -tile.lon : tile.lon);
  return buffer;
}

bool Report::problems() const {
  return !missing.empty() || !brokenExports.empty() || !duplicateAirports.empty() || !tileConflicts.empty() ||
         !damaged.empty() || !log.findings.empty();
}

Report CheckInstallation(const std::string& folder, const Options& options) {
  std::string inst = folder;
  while (inst.size() > 3 && (inst.back() == '\\' || inst.back() == '/')) inst.pop_back();
  if (!DirectoryExists(inst) || !DirectoryExists(inst + "\\" + kCustom)) RaiseOSError(win::ERROR_PATH_NOT_FOUND);
  Checker checker(inst, options);
  Report r = checker.run();
  r.filesRead = checker.filesRead();
  return r;
}

}  // namespace orvella::check
