#include "logic/check/scenerycheck.h"

#include <algorithm>
#include <atomic>
#include <charconv>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <functional>
#include <future>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <thread>
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
#include "logic/core/pathnames.h"
#include "logic/core/readerthreads.h"
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
  // Each folder listed is told to listed (for the stamps of a verdict),
  // with its stamp when the listing gave it, else before it is listed.
  // The root's attributes, when its parent's listing gave them, let its own
  // listing stamp it (see folder()).
  PackFiles(std::string root, std::function<void(const std::string&, std::optional<FileStamp>)> listed,
            win::DWORD rootAttributes = win::INVALID_FILE_ATTRIBUTES)
      : root_(std::move(root)), listed_(std::move(listed)), rootAttributes_(rootAttributes) {}

  // Whether the pack holds a folder at rel (any letter case): asked of the
  // listings rather than of the system, which would search the parent of
  // every missing name for another spelling.
  bool hasFolder(std::string_view rel) { return find(rel, true) != Found::None; }

  // The file at rel ('/'-separated, relative to the pack).
  Found find(std::string_view rel, bool folderWanted = false) {
    const size_t slash = rel.rfind('/');
    const Folder* f = nullptr;
    bool otherCase = false;
    if (slash == std::string_view::npos) {
      f = &rootFolder();
    } else {
      // Paths come in runs of one folder: the last folder found is kept.
      const std::string_view dir = rel.substr(0, slash);
      if (!lastValid_ || dir != lastDir_) {
        lastDir_.assign(dir);
        lastFolder_ = walk(dir, lastOtherCase_);
        lastValid_ = true;
      }
      f = lastFolder_;
      otherCase = lastOtherCase_;
      if (!f) return Found::None;
    }
    const std::string_view leaf = rel.substr(slash + 1);
    const auto fits = [folderWanted](win::DWORD a) {
      return folderWanted ? (a & win::FILE_ATTRIBUTE_DIRECTORY) != 0 : Regular(a);
    };
    return entry(*f, leaf, fits, otherCase) ? (otherCase ? Found::OtherCase : Found::Exact) : Found::None;
  }

  // Whether the pack's own file at rel meets a reference as the simulator
  // opens it: a file of that path (of any letter case where the system
  // finds one so). A folder not listed yet is not listed for it: the file
  // is asked of the system alone, once, and only a file not found so (or a
  // link, or a hidden file, which the listing judges) has its folder
  // listed. Most packs name one or two files of their own per folder.
  Found ownFile(std::string_view rel) {
    const size_t slash = rel.rfind('/');
    if (slash == std::string_view::npos || folders_.find(rel.substr(0, slash)) != folders_.end()) return find(rel);
    // A character a search takes as a pattern (or that no Windows name
    // holds): the listing looks the name up as it stands.
    for (const char c : rel)
      if (static_cast<unsigned char>(c) < 32 || std::strchr("*?<>\"|:", c)) return find(rel);
    const auto [it, fresh] = looked_.try_emplace(std::string(rel), false);
    if (it->second) return Found::Exact;
    if (!fresh) return find(rel);
    std::string host = root_;
    host += '\\';
    for (const char c : rel) host += c == '/' ? '\\' : c;
    win::WIN32_FIND_DATAA d;
    const platform::FindHandle one(win::FindFirstFileExA(host.c_str(), win::FindExInfoBasic, &d,
                                                         win::FindExSearchNameMatch, nullptr,
                                                         FoldedFileSystem() ? 0 : win::FIND_FIRST_EX_CASE_SENSITIVE));
    if (!one.valid() || !Regular(d.dwFileAttributes) ||
        (d.dwFileAttributes & (kSkippedAttributes | win::FILE_ATTRIBUTE_REPARSE_POINT)))
      return find(rel);
    if (listed_) listed_(host, StampOf(d));
    it->second = true;
    return Found::Exact;
  }

  // The entries of the pack's folder at rel (any letter case), listed when
  // first asked about; null when there is no such folder.
  const ViewMap<win::DWORD>* entries(std::string_view rel) {
    bool otherCase = false;
    const Folder* f = walk(rel, otherCase);
    return f ? &f->names : nullptr;
  }

 private:
  struct Folder {
    ViewMap<win::DWORD> names;
    // Folded name -> name, made when a name is first not found as given.
    std::vector<std::string_view> order;  // the names' keys, in listing order
    mutable ViewMap<std::string_view> folded;
    mutable bool foldedMade = false;
  };
  // Whether f holds name as fits wants it; spelled, when given, is set to
  // the name as the disk spells it, and otherCase when that differs.
  template <typename Fits>
  static bool entry(const Folder& f, std::string_view name, const Fits& fits, bool& otherCase,
                    std::string_view* spelled = nullptr) {
    auto it = f.names.find(name);
    if (it != f.names.end() && fits(it->second)) {
      if (spelled) *spelled = it->first;
      return true;
    }
    if (!f.foldedMade) {
      f.foldedMade = true;
      // In listing order: the first spelling of a folded name is kept.
      for (const std::string_view n : f.order) f.folded.emplace(FoldAsciiCase(n), n);
    }
    auto ft = f.folded.find(FoldAsciiCase(name));
    if (ft == f.folded.end() || !fits(f.names.find(ft->second)->second)) return false;
    if (spelled) *spelled = ft->second;
    otherCase = true;
    return true;
  }
  // The folder at dir (every part a folder, any letter case), or null.
  const Folder* walk(std::string_view dir, bool& otherCase) {
    otherCase = false;
    const Folder* f = &rootFolder();
    std::string spelledPath;  // the folders as the disk spells them
    const auto isFolder = [](win::DWORD a) { return (a & win::FILE_ATTRIBUTE_DIRECTORY) != 0; };
    for (size_t at = 0;;) {
      const size_t slash = dir.find('/', at);
      const std::string_view part =
          dir.substr(at, slash == std::string_view::npos ? std::string_view::npos : slash - at);
      std::string_view spelled;
      if (!entry(*f, part, isFolder, otherCase, &spelled)) return nullptr;
      const bool link = (f->names.find(spelled)->second & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
      if (!spelledPath.empty()) spelledPath += '/';
      spelledPath += spelled;
      f = &folder(spelledPath, !link);
      if (slash == std::string_view::npos) return f;
      at = slash + 1;
    }
  }
  // The pack's own folder. When its parent's listing told that it is a
  // plain folder, its own listing stamps it; a link is stamped before, by
  // the folder it leads to, as a later look at its path sees it.
  const Folder& rootFolder() {
    const bool plain = rootAttributes_ != win::INVALID_FILE_ATTRIBUTES &&
                       (rootAttributes_ & win::FILE_ATTRIBUTE_DIRECTORY) &&
                       !(rootAttributes_ & win::FILE_ATTRIBUTE_REPARSE_POINT);
    return folder(std::string_view(), plain);
  }
  // The folder at rel, listed when first asked about. A folder known to be
  // no link (plain) is stamped by its listing's "." entry, taken as the
  // folder is opened, before any name is read; any other is stamped before
  // it is listed (a link by the folder it leads to, see PathStampOf).
  const Folder& folder(std::string_view rel, bool plain = false) {
    auto it = folders_.find(rel);
    if (it != folders_.end()) return it->second;
    Folder f;
    std::string host = root_;
    if (!rel.empty()) {
      host += '\\';
      for (const char c : rel) host += c == '/' ? '\\' : c;
    }
    if (listed_ && !plain) listed_(host, std::nullopt);
    // Without a "." entry there is no stamp taken before the names: one
    // that no later look matches leaves the next check to read again.
    FileStamp self{kUnstamped, 0};
    win::WIN32_FIND_DATAA d;
    const platform::FindHandle find(win::FindFirstFileA((host + "\\*.*").c_str(), &d));
    if (find.valid()) {
      do {
        if (bool timed = false; IsListingSelf(d, timed)) {
          if (timed) self = {kFolderStampSize, FileTimeOf(d.ftLastWriteTime)};
          continue;
        }
        if ((d.dwFileAttributes & kSkippedAttributes) || std::strcmp(d.cFileName, "..") == 0) continue;
        const auto [at, fresh] = f.names.emplace(d.cFileName, d.dwFileAttributes);
        if (fresh) f.order.push_back(at->first);
      } while (win::FindNextFileA(find.get(), &d));
    } else {
      // Gone or never there: stamped as a later look will see it.
      self = PathStampOf(host);
    }
    if (listed_ && plain) listed_(host, self);
    return folders_.emplace(std::string(rel), std::move(f)).first->second;
  }
  // The size of a folder's stamp when its listing gave none (see folder()).
  static constexpr std::uint64_t kUnstamped = ~4ull;
  std::string root_;
  std::function<void(const std::string&, std::optional<FileStamp>)> listed_;
  win::DWORD rootAttributes_;
  ViewMap<Folder> folders_;
  std::string lastDir_;
  const Folder* lastFolder_ = nullptr;
  bool lastOtherCase_ = false;
  bool lastValid_ = false;
  std::unordered_map<std::string, bool> looked_;  // own files asked of the system: found
};

// A folder that can provide exports: a loaded pack, a disabled one, or a
// scene of the user's trees that is not active.
enum class SourceKind { Loaded, Disabled, Inactive };

struct Source {
  std::string name;    // as the report names it
  std::string folder;  // Windows path
  std::string area;
  SourceKind kind = SourceKind::Loaded;
  int order = -1;  // among the loaded packs
  // Where its files are read: its folder, or for a link the folder it leads
  // to (see Checker::readLibrary).
  std::string at;
  win::DWORD attributes = win::INVALID_FILE_ATTRIBUTES;  // its folder's, when known
  std::unique_ptr<PackFiles> files;
};

// Whether a loaded pack is one of the user's (of Custom Scenery, or listed
// by its absolute path), not one the simulator brings.
bool UsersPack(const Source& s) { return s.area != kGlobal && s.area != kDefaultArea; }

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
  std::sort(out.begin(), out.end(), [](const auto& a, const auto& b) { return LessAsciiNoCase(a.first, b.first); });
  return out;
}

// A link whose target is gone is no pack. A live link to a folder gives
// linkStamp the stamp PathStampOf gives it, from the same look.
bool Alive(const std::string& path, win::DWORD attributes, std::optional<FileStamp>& linkStamp) {
  if (!(attributes & win::FILE_ATTRIBUTE_REPARSE_POINT)) return true;
  win::BY_HANDLE_FILE_INFORMATION target;
  if (!FollowedInformation(path, target)) return false;
  if (attributes & win::FILE_ATTRIBUTE_DIRECTORY) linkStamp = FolderLinkStamp(target);
  return true;
}

// A Windows path in the full form the system gives it: "Custom
// Scenery//A/./" names the folder "Custom Scenery/A" names.
std::string Normalized(const std::string& path) {
  std::string full = FullPathName(path);
  return full.empty() ? path : full;
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
    return Normalized(platform::FromHostPath(w));
  }
  std::string w = p;
  std::replace(w.begin(), w.end(), '/', '\\');
  if (w.size() >= 2 && w[1] == ':') return Normalized(w);
  return Normalized(installation + "\\" + w);
}

struct DsfFacts {
  std::string status;  // "" when read, else the damage's key
  bool overlay = false;
  std::string refs;  // the names it needs as the index keys them, each ended by '\0'
};

// The facts of a tile as the memory keeps them: joined, not copied one by one.
std::string DsfLine(const DsfFacts& f) {
  std::string line;
  line.reserve(f.refs.size() + 16);
  CheckMemory::append(line, "dsf");
  CheckMemory::append(line, f.status);
  CheckMemory::append(line, f.overlay ? "1" : "0");
  CheckMemory::appendEach(line, f.refs);
  return line;
}

std::optional<DsfFacts> DsfOfFields(const std::vector<std::string>& v) {
  if (v.size() < 3 || v[0] != "dsf") return std::nullopt;
  DsfFacts f;
  f.status = v[1];
  f.overlay = v[2] == "1";
  for (size_t i = 3; i < v.size(); ++i) {
    if (v[i].empty() || v[i].find('\0') != std::string::npos) return std::nullopt;  // no name of a tile
    f.refs += v[i];
    f.refs += '\0';
  }
  return f;
}

DsfFacts ReadDsf(const std::string& path, win::BY_HANDLE_FILE_INFORMATION* opened = nullptr) {
  DsfFacts f;
  const DsfPrefix p = ReadDsfPrefix(path, ScanDsfDefinitions, kDsfDefinitionsLimit, opened);
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
  std::vector<std::string_view> names;
  if (!DsfDefinitionNames(p.bytes, f.overlay, names)) {
    f.overlay = false;
    f.status = "DsfEndommage";
    return f;
  }
  // Each name as the index keys it ('\\' and ':' made '/'): the pack sorts
  // them and keeps each once.
  size_t size = 0;
  for (const std::string_view n : names) size += n.size() + 1;
  f.refs.reserve(size);
  for (const std::string_view n : names) {
    const size_t at = f.refs.size();
    f.refs += n;
    MakeVirtual(f.refs, at);
    f.refs += '\0';
  }
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
  size_t room = 0;
  for (size_t i = 2; i < v.size(); i += 3) room += v[i + 1].size() + v[i + 2].size();
  LibraryNames names(room);
  l.exports.reserve((v.size() - 2) / 3);
  for (size_t i = 2; i < v.size(); i += 3) {
    LibraryExport e;
    e.kind = v[i] == "b" ? ExportKind::Backup : ExportKind::Export;
    e.virtualPath = names.add(v[i + 1]);
    e.realPath = names.add(v[i + 2]);
    l.exports.push_back(e);
  }
  names.give(l);
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
std::optional<Tile> TileOfName(std::string_view name) {
  // "+46+007." : a sign and two digits, a sign and three digits, a dot.
  if (name.size() < 8 || name[7] != '.') return std::nullopt;
  const auto number = [name](size_t at, size_t digits, int& v) {
    v = 0;
    for (size_t i = at; i < at + digits; ++i) {
      if (name[i] < '0' || name[i] > '9') return false;
      v = v * 10 + (name[i] - '0');
    }
    return true;
  };
  const char a = name[0], b = name[3];
  int lat = 0, lon = 0;
  if ((a != '+' && a != '-') || (b != '+' && b != '-') || !number(1, 2, lat) || !number(4, 3, lon)) return std::nullopt;
  if (a == '-') lat = -lat;
  if (b == '-') lon = -lon;
  if (lat < -90 || lat > 89 || lon < -180 || lon > 179) return std::nullopt;
  return Tile{lat, lon};
}

bool EndsWithNoCase(std::string_view s, const char* tail) {
  const size_t n = std::char_traits<char>::length(tail);
  return s.size() >= n && EqualsAsciiNoCase(s.substr(s.size() - n), tail);
}

// Whether the simulator loads the file `name` of the tile folder `folder`
// of "Earth nav data": only a tile's own name ("+46+007.dsf"), in the
// folder of its ten degrees ("+40+000"). Copies, old versions and tiles put
// in another folder are never loaded.
bool LoadedTileFile(std::string_view folder, std::string_view name) {
  const std::optional<Tile> tile = TileOfName(name);
  if (!tile || name.size() != 11 || !EndsWithNoCase(name, ".dsf")) return false;
  const auto ten = [](int v) { return v >= 0 ? v / 10 * 10 : -((-v + 9) / 10 * 10); };
  return folder == TileName(Tile{ten(tile->lat), ten(tile->lon)});
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
  std::string str() { return next(); }
  long long num(long long most) {
    // Read where it stands: a report holds thousands of numbers.
    const std::string& v = next();
    long long n = 0;
    const auto [stop, error] = std::from_chars(v.data(), v.data() + v.size(), n);
    if (v.empty() || error != std::errc() || stop != v.data() + v.size() || n < -most || n > most) ok_ = false;
    return ok_ ? n : 0;
  }
  size_t count() { return static_cast<size_t>(std::max(0LL, num(static_cast<long long>(in_.size())))); }
  std::vector<std::string> list() {
    std::vector<std::string> v(count());
    for (std::string& x : v) x = str();
    return v;
  }

 private:
  // The next field, or an empty one past the end (and no longer ok).
  const std::string& next() {
    static const std::string kNone;
    if (at_ < in_.size()) return in_[at_++];
    ok_ = false;
    return kNone;
  }
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
  for (const DamagedFile& d : r.damaged) f.list({d.pack, d.file, d.key});
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
  for (DamagedFile& d : r.damaged) {
    if (!three(d.pack, d.file, d.key)) return false;
    d.what = CheckText(d.key.c_str());
  }
  return f.ok();
}

// What reading one folder (a pack, a library) found, gathered on a thread of
// its own and taken in by the check in priority order.
struct Reading {
  std::vector<std::pair<std::string, FileStamp>> depends;         // what it depends on, as stamped then
  std::vector<std::pair<std::string, std::string>> damaged;       // file (relative) and key
  std::vector<std::pair<std::string, std::string>> damagedTiles;  // the same, of a pack's tiles
  struct Kept {
    std::string path;
    Remembered entry;  // made here, on the reading thread
  };
  std::vector<Kept> kept;  // facts for the memory
  int reads = 0;           // files read rather than remembered
  // A library: its file, and how each export's real file was found.
  std::optional<LibraryFile> library;
  std::vector<Found> found;
  // A pack's references that nothing loaded meets.
  struct Unmet {
    std::string_view path;
    Reason reason = Reason::Absent;
    std::string provider;
    size_t sample = 0;
  };
  std::vector<Unmet> unmet;
};

// The reading of the current thread: where listings note their folders.
thread_local Reading* tReading = nullptr;

// One provision of the index: who gives it and how.
struct Provision {
  int next = -1;  // the next provision of the same path, -1 for none
  int source = 0;
  SourceKind kind = SourceKind::Loaded;  // its source's
  bool backup = false;
  bool present = false;  // its real file is there
};

// Virtual paths to the first of their provisions: an open-addressed table
// of hashes whose paths are kept end to end in one string, so that a
// look-up touches one slot and one stretch of that string. Look-ups come in
// batches that fetch their slots ahead: the table is far larger than the
// processor's caches.
class PathIndex {
 public:
  static std::uint64_t hash(std::string_view path) { return std::hash<std::string_view>{}(path) | 1; }

  size_t size() const { return used_; }
  // Room for n paths in all, made at once.
  void reserve(size_t n) {
    size_t slots = std::max<size_t>(slots_.size(), 1024);
    while ((n + 1) * 4 > slots * 3) slots *= 2;
    if (slots != slots_.size()) grow(slots);
  }
  // The slot of path (h its hash): its first provision, or -1 when it has
  // none yet.
  int& slot(std::string_view path) { return slot(path, hash(path)); }
  int& slot(std::string_view path, std::uint64_t h) {
    if ((used_ + 1) * 4 > slots_.size() * 3) grow(std::max<size_t>(1024, slots_.size() * 2));
    for (size_t i = h & mask();; i = (i + 1) & mask()) {
      Slot& s = slots_[i];
      if (s.hash == 0) {
        s.hash = h;
        s.at = paths_.size();
        s.size = path.size();
        paths_ += path;
        order_.push_back(i);
        ++used_;
        return s.first;
      }
      if (s.hash == h && pathOf(s) == path) return s.first;
    }
  }
  int find(std::string_view path, std::uint64_t h) const {
    if (slots_.empty()) return -1;
    for (size_t i = h & mask();; i = (i + 1) & mask()) {
      const Slot& s = slots_[i];
      if (s.hash == 0) return -1;
      if (s.hash == h && pathOf(s) == path) return s.first;
    }
  }
  int find(std::string_view path) const { return find(path, hash(path)); }
  // Brings the slot of hash h, and the path it holds, nearer the processor.
  void prefetchSlot(std::uint64_t h) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[h & mask()]);
  }
  void prefetchPath(std::uint64_t h) const {
    if (slots_.empty()) return;
    const Slot& s = slots_[h & mask()];
    if (s.hash == h) __builtin_prefetch(paths_.data() + s.at);
  }
  // Each path once, in the order it was first given.
  template <typename Fn>
  void forEachPath(Fn&& fn) const {
    for (const size_t i : order_) fn(pathOf(slots_[i]), slots_[i].first);
  }

 private:
  struct Slot {
    std::uint64_t hash = 0;  // 0 marks an empty slot
    std::uint64_t at = 0;    // where its path starts in paths_
    std::uint32_t size = 0;
    int first = -1;
  };
  size_t mask() const { return slots_.size() - 1; }
  std::string_view pathOf(const Slot& s) const { return std::string_view(paths_).substr(s.at, s.size); }
  // Rehashes into a table of `slots` (a power of two).
  void grow(size_t slots) {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(slots, Slot());
    paths_.reserve(paths_.size() * 2);
    for (size_t& o : order_) {
      const Slot& s = old[o];
      for (size_t i = s.hash & mask();; i = (i + 1) & mask())
        if (slots_[i].hash == 0) {
          slots_[i] = s;
          o = i;
          break;
        }
    }
  }
  std::vector<Slot> slots_;
  std::vector<size_t> order_;  // slots in the order their paths came
  std::string paths_;
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
  void addSource(std::string name, std::string folder, std::string area, SourceKind kind,
                 win::DWORD attributes = win::INVALID_FILE_ATTRIBUTES,
                 std::optional<FileStamp> linkStamp = std::nullopt);
  std::unique_ptr<PackFiles> packFiles(const std::string& root, win::DWORD attributes);
  // Reads loaded pack `order` (on any thread; what it finds goes to r).
  void readPack(size_t order, Reading& r);
  // Reads a source's library.txt (on any thread), then indexes it.
  void readLibrary(int source, Reading& r);
  void indexLibrary(int source, Reading& r);
  std::vector<std::string> airports(Source& s, Reading& r);
  // Notes into r that the verdict depends on path (stamp as read, if known).
  void note(Reading& r, const std::string& path, std::optional<FileStamp> known = std::nullopt) const {
    if (!remember_) return;
    // A folder is noted before it is listed, and listed when first asked
    // about: each is stamped once.
    for (auto it = r.depends.rbegin(); it != r.depends.rend() && it - r.depends.rbegin() < 4; ++it)
      if (it->first == path) return;
    r.depends.emplace_back(path, known ? *known : PathStampOf(path));
  }
  // Takes in what a reading found about source.
  void takeIn(int source, Reading& r);
  // Runs work(i, reading) for i < count on a few threads, and take(i,
  // reading) on this one in the order of i; false when cancelled first.
  template <typename Work, typename Take>
  bool inOrder(size_t count, const Work& work, const Take& take);
  // False when cancelled first.
  bool judge();
  // The references of pack loaded_[order] (on any thread), and one of them
  // (firstProvision from index_); what nothing meets goes to r.
  void judgePack(size_t order, Reading& r);
  void judgeRef(size_t order, std::string_view path, size_t sampleIndex, int firstProvision, Reading& r);
  void takeJudged(size_t order, Reading& r);
  bool cancelled() const { return options_.cancel && options_.cancel->load(); }
  // The verdict depends on path as it stands now (stamp as read, when known).
  void depend(const std::string& path, std::optional<FileStamp> known = std::nullopt) {
    if (!remember_) return;
    int& seen = dependSeen_.slot(path);
    if (seen >= 0) return;  // depended on already
    seen = 0;
    const FileStamp st = known ? *known : PathStampOf(path);
    // A path changed within the clock's step may change again unseen.
    if (st.time != ~0ull && st.time + 20'000'000 > now_) racy_ = true;
    depends_.emplace_back(path, st);
  }
  // Frees the readings, the index and the listings: all but the report
  // and the memory.
  void release();
  std::string signature() const;
  // The stamps of the kept verdict, looked at by each thread that calls
  // checkStamps in shares taken in turn, until one differs or the verdict
  // is not wanted.
  struct StampCheck {
    std::atomic<size_t> next{0};
    std::atomic<bool> changed{false};
    std::atomic<bool> unwanted{false};
  };
  void checkStamps(StampCheck& c) const;
  // Takes the kept verdict when it is of these packs and no stamp differs;
  // joins the loader, which may still be looking at stamps.
  bool reuseVerdict(StampCheck& stamps, std::thread& loader);
  void keepVerdict();
  void damaged(int source, const std::string& rel, const char* key) {
    report_.damaged.push_back({sources_[static_cast<size_t>(source)].name, rel, CheckText(key), key});
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
    std::vector<std::string> samples;  // DSFs, relative to the pack
    std::string names;                 // the references of its tiles end to end
    // Each reference once (a view into names, which no longer changes),
    // with its hash in the index and its first tile among samples.
    struct Ref {
      std::uint64_t hash;
      std::string_view path;
      size_t sample;
    };
    std::vector<Ref> refs;
  };
  std::vector<PackRefs> refs_;
  // The library index: each exported path's first provision in provisions_,
  // the others chained from it.
  PathIndex index_;
  std::vector<Provision> provisions_;
  // Missing references by virtual path, in the order they were met.
  std::unordered_map<std::string, size_t> missingAt_;
  // Folded virtual path -> one spelling: made when first needed.
  std::unordered_map<std::string, std::string> foldedIndex_;
  std::once_flag foldedMade_;
  const std::unordered_map<std::string, std::string>& foldedIndex() {
    // Asked from the threads that judge the packs: made by the first.
    std::call_once(foldedMade_, [this] {
      index_.forEachPath([this](std::string_view path, int) { foldedIndex_.emplace(FoldAsciiCase(path), path); });
    });
    return foldedIndex_;
  }
  std::vector<std::pair<std::string, FileStamp>> depends_;
  std::vector<DamagedFile> damagedTiles_;
  std::vector<Reading::Kept> kept_;  // read facts, for the memory
  PathIndex dependSeen_;             // the paths in depends_ (one block, not one string each)
  // The stamps of the links gathered as packs, by folder (see Alive).
  std::unordered_map<std::string, FileStamp> linkStamps_;
  bool racy_ = false;
  bool remember_ = !options_.memoryFile.empty();
};

void Checker::addSource(std::string name, std::string folder, std::string area, SourceKind kind, win::DWORD attributes,
                        std::optional<FileStamp> linkStamp) {
  Source s;
  s.name = std::move(name);
  s.folder = std::move(folder);
  s.area = std::move(area);
  s.kind = kind;
  s.at = s.folder;
  s.attributes = attributes;
  if (linkStamp) linkStamps_.emplace(s.folder, *linkStamp);
  s.files = packFiles(s.at, attributes);
  if (kind == SourceKind::Loaded) {
    s.order = static_cast<int>(loaded_.size());
    loaded_.push_back(static_cast<int>(sources_.size()));
  }
  sources_.push_back(std::move(s));
}

std::unique_ptr<PackFiles> Checker::packFiles(const std::string& root, win::DWORD attributes) {
  return std::make_unique<PackFiles>(
      root,
      [this](const std::string& p, std::optional<FileStamp> st) {
        if (tReading)
          note(*tReading, p, st);
        else
          depend(p, st);
      },
      attributes);
}

void Checker::gatherPacks() {
  // In the form the lines' folders are compared in (see LineFolder).
  const std::string custom = Normalized(inst_ + "\\" + kCustom);
  const std::string global = Normalized(inst_ + "\\" + kGlobal);
  SceneryPacksFile ini;
  if (std::optional<std::string> text = ReadText(SceneryPacksPath(inst_), 16u << 20)) ini = ParseSceneryPacks(*text);

  // What the file lists, by folded folder; the first line of a pack counts.
  std::unordered_set<std::string> listed;
  bool globalAirportsListed = false;
  struct Line {
    std::string name, folder, area;
    bool disabled;
    win::DWORD attributes = win::INVALID_FILE_ATTRIBUTES;  // the folder's, once looked at
    std::optional<FileStamp> linkStamp;                    // a link's (see Alive)
  };
  std::vector<Line> lines;
  const std::string customFolder = custom + "\\";
  // The folders and links of Custom Scenery, by folded name: a line of a
  // pack there is looked up in it rather than asked of the system.
  const std::vector<std::pair<std::string, win::DWORD>> customEntries = Folders(custom);
  std::unordered_map<std::string, win::DWORD> customByName;
  customByName.reserve(customEntries.size());
  for (const auto& [name, attributes] : customEntries) customByName.emplace(FoldAsciiCase(name), attributes);
  const auto exists = [&](Line& l) {
    win::DWORD& attributes = l.attributes;
    if (l.area == kCustom && l.folder.find('\\', customFolder.size()) == std::string::npos)
      if (auto it = customByName.find(FoldAsciiCase(std::string_view(l.folder).substr(customFolder.size())));
          it != customByName.end())
        attributes = it->second;
    // Not there, or a name that folds beyond ASCII: the system says.
    if (attributes == win::INVALID_FILE_ATTRIBUTES) attributes = win::GetFileAttributesA(l.folder.c_str());
    return attributes != win::INVALID_FILE_ATTRIBUTES && (attributes & win::FILE_ATTRIBUTE_DIRECTORY) &&
           Alive(l.folder, attributes, l.linkStamp);
  };
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
      line.area = line.folder.size() >= customFolder.size() &&
                          EqualsAsciiNoCase(std::string_view(line.folder).substr(0, customFolder.size()), customFolder)
                      ? kCustom
                      : "";
      if (line.area == kCustom && EqualsAsciiNoCase(line.name, kGlobalAirports)) globalAirportsListed = true;
    }
    if (!exists(line)) continue;  // the simulator drops lines of packs that are gone
    if (!listed.insert(FoldAsciiCase(line.folder)).second) continue;
    lines.push_back(std::move(line));
  }
  // Folders and links of Custom Scenery the file does not list: the
  // simulator adds them at the top, enabled, in alphabetical order.
  for (const auto& [name, attributes] : customEntries) {
    const std::string folder = custom + "\\" + name;
    std::optional<FileStamp> linkStamp;
    if (listed.count(FoldAsciiCase(folder)) || !Alive(folder, attributes, linkStamp)) continue;
    addSource(name, folder, kCustom, SourceKind::Loaded, attributes, linkStamp);
  }
  for (Line& l : lines) {
    iniOrder_.push_back(l.name);
    addSource(l.name, l.folder, l.area, l.disabled ? SourceKind::Disabled : SourceKind::Loaded, l.attributes,
              l.linkStamp);
  }
  // The simulator's own packs, below every custom one.
  for (const auto& [name, attributes] : Folders(global)) {
    if (globalAirportsListed && EqualsAsciiNoCase(name, kGlobalAirports)) continue;
    addSource(name, global + "\\" + name, kGlobal, SourceKind::Loaded, attributes);
  }
  for (const auto& [name, attributes] : Folders(inst_ + "\\" + kDefault)) {
    const std::string folder = inst_ + "\\" + kDefault + "\\" + name;
    if (FileExists(folder + "\\library.txt")) addSource(name, folder, kDefaultArea, SourceKind::Loaded, attributes);
  }
  for (const std::string& scene : options_.inactiveScenes)
    addSource(LastPart(scene), Trimmed(scene), "", SourceKind::Inactive);
}

void Checker::readLibrary(int source, Reading& r) {
  Source& s = sources_[static_cast<size_t>(source)];
  // A name the system cannot give (bytes of another code page, a character
  // Windows names never hold) comes with '?' in their place: nothing in that
  // folder can be reached, and the report says so rather than nothing.
  if (s.kind == SourceKind::Loaded && s.name.find('?') != std::string::npos) {
    r.damaged.emplace_back(std::string(), "NomIllisible");
    return;
  }
  // A folder that is a link (as Orvella makes a pack's) is read in the
  // folder it leads to: every path in it is looked up once, not through the
  // link again. The verdict depends on the link, which stamps where it leads.
  // A folder whose full path is longer than the link's is read through the
  // link: no path in it grows longer than it was.
  if (s.attributes != win::INVALID_FILE_ATTRIBUTES && (s.attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) &&
      (s.attributes & win::FILE_ATTRIBUTE_DIRECTORY)) {
    // Stamped as it was gathered, when it was (the map no longer changes).
    const auto gathered = linkStamps_.find(s.folder);
    note(r, s.folder, gathered != linkStamps_.end() ? std::optional<FileStamp>(gathered->second) : std::nullopt);
    if (std::string final = FinalPathName(s.folder, true); !final.empty() && final.size() <= s.folder.size()) {
      s.at = std::move(final);
      s.files = packFiles(s.at, win::FILE_ATTRIBUTE_DIRECTORY);
    }
  }
  const std::string path = s.at + "\\library.txt";
  // The folder is stamped as it is listed: a library.txt that comes later
  // changes that stamp.
  if (s.files->find("library.txt") == Found::None) return;
  const std::optional<FileStamp> st = StampOf(path);
  note(r, path, st);
  if (!st) return;
  std::optional<LibraryFile>& lib = r.library;
  if (const auto fields = memory_.find(path, *st)) lib = LibraryOfFields(*fields);
  if (!lib) {
    ++r.reads;
    const std::optional<std::string> text = ReadText(path, 64u << 20);
    if (!text) {
      if (s.kind == SourceKind::Loaded) r.damaged.emplace_back("library.txt", "LibraryEndommage");
      return;
    }
    lib = ParseLibrary(*text);
    if (remember_) r.kept.push_back({path, CheckMemory::entry(path, *st, LibraryLine(*lib))});
  }
  if (!lib->valid) {
    if (s.kind == SourceKind::Loaded) r.damaged.emplace_back("library.txt", "LibraryEndommage");
    lib.reset();
    return;
  }
  r.found.reserve(lib->exports.size());
  for (const LibraryExport& e : lib->exports) r.found.push_back(s.files->find(e.realPath));
}

void Checker::indexLibrary(int source, Reading& r) {
  takeIn(source, r);
  if (!r.library) return;
  const Source& s = sources_[static_cast<size_t>(source)];
  const bool folded = FoldedFileSystem();
  const std::vector<LibraryExport>& exports = r.library->exports;
  index_.reserve(index_.size() + exports.size());
  // In batches: the hashes first, and the slots they lead to fetched ahead
  // (the table is far larger than the processor's caches).
  constexpr size_t kBatch = 64;
  std::uint64_t hashes[kBatch];
  for (size_t i = 0; i < exports.size(); ++i) {
    if (i % kBatch == 0)
      for (size_t k = i; k < std::min(exports.size(), i + kBatch); ++k) {
        hashes[k - i] = PathIndex::hash(exports[k].virtualPath);
        index_.prefetchSlot(hashes[k - i]);
      }
    const LibraryExport& e = exports[i];
    const Found f = r.found[i];
    Provision p;
    p.source = source;
    p.kind = s.kind;
    p.backup = e.kind == ExportKind::Backup;
    p.present = f == Found::Exact || (folded && f == Found::OtherCase);
    if (!p.present && s.kind == SourceKind::Loaded)
      report_.brokenExports.push_back({s.name, std::string(e.virtualPath), std::string(e.realPath)});
    // Appended at the chain's end: the providers stay in priority order.
    const int at = static_cast<int>(provisions_.size());
    int& first = index_.slot(e.virtualPath, hashes[i % kBatch]);
    if (first < 0) {
      first = at;
    } else {
      int last = first;
      while (provisions_[static_cast<size_t>(last)].next >= 0) last = provisions_[static_cast<size_t>(last)].next;
      provisions_[static_cast<size_t>(last)].next = at;
    }
    provisions_.push_back(p);
  }
}

void Checker::takeIn(int source, Reading& r) {
  for (const auto& [path, st] : r.depends) depend(path, st);
  memory_.reads += r.reads;
  // Into the memory once no thread looks it up any more.
  for (Reading::Kept& k : r.kept) kept_.push_back(std::move(k));
  for (const auto& [rel, key] : r.damaged) damaged(source, rel, key.c_str());
  // After every library's: the report names the damaged tiles last.
  for (const auto& [rel, key] : r.damagedTiles)
    damagedTiles_.push_back({sources_[static_cast<size_t>(source)].name, rel, CheckText(key.c_str()), key});
}

template <typename Work, typename Take>
bool Checker::inOrder(size_t count, const Work& work, const Take& take) {
  const unsigned threads = ReaderThreads(count);
  if (threads <= 1) {
    for (size_t i = 0; i < count; ++i) {
      if (cancelled()) return false;
      Reading r;
      tReading = &r;
      work(i, r);
      tReading = nullptr;
      take(i, r);
    }
    return true;
  }
  // This thread reads too: while the item it is to take next is still
  // being read elsewhere, it reads the next unclaimed one rather than wait.
  // It sleeps only when nothing is left to claim.
  std::vector<Reading> readings(count);
  const std::unique_ptr<std::atomic<bool>[]> done(new std::atomic<bool>[count]);
  for (size_t i = 0; i < count; ++i) done[i].store(false, std::memory_order_relaxed);
  std::mutex m;
  std::condition_variable cv;
  std::atomic<size_t> next{0};
  std::atomic<bool> stop{false};
  const unsigned helpers = threads - 1;
  unsigned finished = 0;   // helpers gone (under m)
  size_t awaited = count;  // the item this thread sleeps for (under m)
  std::exception_ptr error;
  // Reads the next unclaimed item; false when none is left or reading stops.
  const auto readOne = [&] {
    if (stop || cancelled()) return false;
    const size_t i = next++;
    if (i >= count) return false;
    try {
      tReading = &readings[i];
      work(i, readings[i]);
      tReading = nullptr;
    } catch (...) {
      tReading = nullptr;
      const std::lock_guard<std::mutex> lock(m);
      if (!error) error = std::current_exception();
      stop = true;
    }
    done[i].store(true, std::memory_order_release);
    const std::lock_guard<std::mutex> lock(m);
    if (awaited == i || stop) cv.notify_one();
    return true;
  };
  const auto helper = [&] {
    while (readOne()) {
    }
    const std::lock_guard<std::mutex> lock(m);
    ++finished;
    cv.notify_one();
  };
  std::vector<std::thread> pool;
  for (unsigned t = 0; t < helpers; ++t) pool.emplace_back(helper);
  bool whole = true;
  std::exception_ptr takeError;  // of this thread's taking: the helpers still stop first
  try {
    for (size_t i = 0; i < count; ++i) {
      while (!done[i].load(std::memory_order_acquire)) {
        if (readOne()) continue;
        std::unique_lock<std::mutex> lock(m);
        awaited = i;
        cv.wait(lock, [&] { return done[i].load(std::memory_order_acquire) || finished == helpers || stop; });
        awaited = count;
        break;
      }
      // A failed reading stops everything (its error is thrown below).
      if (!done[i].load(std::memory_order_acquire) || stop) {
        whole = false;
        break;
      }
      // Cancelling stops before the next item is taken, as it would without
      // threads.
      if (cancelled()) {
        whole = false;
        break;
      }
      take(i, readings[i]);
      readings[i] = Reading();
    }
  } catch (...) {
    takeError = std::current_exception();
  }
  stop = true;
  for (std::thread& t : pool) t.join();
  if (error) std::rethrow_exception(error);
  if (takeError) std::rethrow_exception(takeError);
  return whole;
}

void Checker::readPack(size_t order, Reading& r) {
  const int source = loaded_[order];
  Source& s = sources_[static_cast<size_t>(source)];
  LoadedPack& pack = report_.packs[order];
  pack.airports = airports(s, r);
  auto& refs = refs_[order];
  bool anyDsf = false, anyBase = false, anyOverlay = false;
  const std::string nav = s.at + "\\Earth nav data";
  note(r, nav);  // the pack's folder was noted with its library
  // The folders of the pack's listings: the same names the system gives.
  const ViewMap<win::DWORD>* navEntries = s.files->entries("Earth nav data");
  std::vector<std::string_view> tileFolders;
  if (navEntries)
    for (const auto& [name, a] : *navEntries)
      if (a & win::FILE_ATTRIBUTE_DIRECTORY) tileFolders.push_back(name);
  std::sort(tileFolders.begin(), tileFolders.end(),
            [](std::string_view a, std::string_view b) { return LessAsciiNoCase(a, b); });
  struct Span {
    size_t at, size, sample;
  };
  std::vector<Span> spans;
  std::string rel;
  for (const std::string_view tileFolder : tileFolders) {
    rel.assign("Earth nav data/").append(tileFolder);
    const ViewMap<win::DWORD>* tileEntries = s.files->entries(rel);
    std::vector<std::pair<std::string_view, win::DWORD>> names;
    if (tileEntries)
      for (const auto& [name, a] : *tileEntries)
        if (Regular(a) && LoadedTileFile(tileFolder, name)) names.emplace_back(name, a);
    std::sort(names.begin(), names.end());
    const std::string folderPath = nav + "\\" + std::string(tileFolder) + "\\";
    for (const auto& [name, attributes] : names) {
      const std::string path = folderPath + std::string(name);
      std::optional<FileStamp> st;
      std::optional<DsfFacts> facts;
      if (!(attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) && !memory_.knows(path)) {
        // A file never read before is stamped as it is opened to be read. A
        // link is not: its own stamp is what a later check sees.
        win::BY_HANDLE_FILE_INFORMATION opened;
        ++r.reads;
        facts = ReadDsf(path, &opened);
        st = StampOf(opened);
        if (!st) st = StampOf(path);  // not opened: why is in the facts
        if (!st) continue;
        if (remember_) r.kept.push_back({path, CheckMemory::entry(path, *st, DsfLine(*facts))});
      } else {
        st = StampOf(path);
        if (!st) continue;
        if (const auto fields = memory_.find(path, *st)) facts = DsfOfFields(*fields);
        if (!facts) {
          ++r.reads;
          facts = ReadDsf(path);
          if (remember_) r.kept.push_back({path, CheckMemory::entry(path, *st, DsfLine(*facts))});
        }
      }
      note(r, path, st);
      std::string tileRel = rel + "/" + std::string(name);
      if (!facts->status.empty()) {
        r.damagedTiles.emplace_back(std::move(tileRel), std::move(facts->status));
        continue;
      }
      anyDsf = true;
      if (const std::optional<Tile> tile = TileOfName(name)) {
        pack.tiles.push_back(*tile);
        if (facts->overlay) pack.overlayTiles.push_back(*tile);
      }
      (facts->overlay ? anyOverlay : anyBase) = true;
      // Offsets for now: names grows, and is viewed once whole.
      const size_t sample = refs.samples.size();
      const size_t base = refs.names.size();
      refs.names += facts->refs;
      for (size_t at = base; at < refs.names.size();) {
        const size_t end = refs.names.find('\0', at);
        spans.push_back({at, end - at, sample});
        at = end + 1;
      }
      refs.samples.push_back(std::move(tileRel));
    }
  }
  // Each reference once, with the first tile that names it.
  refs.refs.reserve(spans.size());
  for (const Span& span : spans) {
    const std::string_view path = std::string_view(refs.names).substr(span.at, span.size);
    refs.refs.push_back({PathIndex::hash(path), path, span.sample});
  }
  // Sorted by hash: equal paths meet, mostly told apart by one comparison
  // of numbers. The first tile of each is kept.
  std::sort(refs.refs.begin(), refs.refs.end(), [](const PackRefs::Ref& a, const PackRefs::Ref& b) {
    if (a.hash != b.hash) return a.hash < b.hash;
    if (a.path != b.path) return a.path < b.path;
    return a.sample < b.sample;
  });
  refs.refs.erase(std::unique(refs.refs.begin(), refs.refs.end(),
                              [](const PackRefs::Ref& a, const PackRefs::Ref& b) { return a.path == b.path; }),
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

std::vector<std::string> Checker::airports(Source& s, Reading& r) {
  if (s.files->find("Earth nav data/apt.dat") == Found::None) return {};
  const std::string path = s.at + "\\Earth nav data\\apt.dat";
  const std::optional<FileStamp> st = StampOf(path);
  note(r, path, st);
  if (!st) return {};
  if (const auto fields = memory_.find(path, *st); fields && !fields->empty() && fields->front() == "apt")
    return std::vector<std::string>(fields->begin() + 1, fields->end());
  ++r.reads;
  std::vector<std::string> codes = ReadAirportCodes(path);
  if (remember_) {
    std::string line;
    CheckMemory::append(line, "apt");
    for (const std::string& c : codes) CheckMemory::append(line, c);
    r.kept.push_back({path, CheckMemory::entry(path, *st, line)});
  }
  return codes;
}

void Checker::judgeRef(size_t order, std::string_view path, size_t sampleIndex, int firstProvision, Reading& r) {
  if (std::find(std::begin(kBuiltInTerrains), std::end(kBuiltInTerrains), path) != std::end(kBuiltInTerrains)) return;
  Source& s = sources_[static_cast<size_t>(loaded_[order])];
  // A loaded export meets it, unless it is a placeholder.
  const Provision* backup = nullptr;
  const Provision* disabled = nullptr;
  const Provision* inactive = nullptr;
  for (int i = firstProvision; i >= 0; i = provisions_[static_cast<size_t>(i)].next) {
    const Provision& p = provisions_[static_cast<size_t>(i)];
    if (!p.present) continue;
    if (p.kind == SourceKind::Loaded && !p.backup) return;
    if (p.kind == SourceKind::Loaded && p.backup && !backup) backup = &p;
    if (p.kind == SourceKind::Disabled && !disabled) disabled = &p;
    if (p.kind == SourceKind::Inactive && !inactive) inactive = &p;
  }
  // Then the pack's own file (asked only now: most references are met by
  // an export). Most references are plain paths: no copy is made of those.
  const bool plain = PlainRelative(path);
  const std::string cleaned = plain ? std::string() : PackRelative(path);
  const std::string_view rel = plain ? path : std::string_view(cleaned);
  const Found own = rel.empty() ? Found::None : s.files->ownFile(rel);
  if (own == Found::Exact || (own == Found::OtherCase && FoldedFileSystem())) return;
  Reason reason = Reason::Absent;
  std::string provider;
  if (const Provision* by = disabled ? disabled : inactive ? inactive : backup) {
    reason = disabled ? Reason::Disabled : inactive ? Reason::Inactive : Reason::Backup;
    const Source& p = sources_[static_cast<size_t>(by->source)];
    provider = reason == Reason::Inactive ? p.folder : p.name;
  }
  if (reason == Reason::Absent) {
    // The same path with other letters: an export of a loaded pack, or
    // the pack's own file where the system tells letter case apart.
    auto ft = foldedIndex().find(FoldAsciiCase(path));
    if (ft != foldedIndex_.end()) {
      for (int i = index_.find(ft->second); i >= 0; i = provisions_[static_cast<size_t>(i)].next) {
        const Provision& p = provisions_[static_cast<size_t>(i)];
        if (p.present && p.kind == SourceKind::Loaded) {
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
  r.unmet.push_back({path, reason, std::move(provider), sampleIndex});
}

void Checker::takeJudged(size_t order, Reading& r) {
  const Source& s = sources_[static_cast<size_t>(loaded_[order])];
  takeIn(loaded_[order], r);
  for (Reading::Unmet& u : r.unmet) {
    auto [at, fresh] = missingAt_.emplace(std::string(u.path), report_.missing.size());
    if (fresh) {
      Missing m;
      m.path = u.path;
      m.library = u.path.substr(0, u.path.find('/'));
      m.reason = u.reason;
      m.provider = std::move(u.provider);
      m.sample = refs_[order].samples[u.sample];
      report_.missing.push_back(std::move(m));
    }
    std::vector<std::string>& packs = report_.missing[at->second].packs;
    if (std::find(packs.begin(), packs.end(), s.name) == packs.end()) packs.push_back(s.name);
  }
}

void Checker::judgePack(size_t order, Reading& r) {
  constexpr size_t kBatch = 256;
  int firsts[kBatch];
  {
    const PackRefs& packRefs = refs_[order];
    const auto& refs = packRefs.refs;
    for (size_t batch = 0; batch < refs.size(); batch += kBatch) {
      const size_t n = std::min(kBatch, refs.size() - batch);
      const PackRefs::Ref* b = refs.data() + batch;
      // The slots, then the paths they hold, then the provisions: fetched
      // ahead for the whole batch, each waited for once.
      for (size_t k = 0; k < n; ++k) index_.prefetchSlot(b[k].hash);
      for (size_t k = 0; k < n; ++k) index_.prefetchPath(b[k].hash);
      for (size_t k = 0; k < n; ++k) {
        firsts[k] = index_.find(b[k].path, b[k].hash);
        if (firsts[k] >= 0) __builtin_prefetch(&provisions_[static_cast<size_t>(firsts[k])]);
      }
      for (size_t k = 0; k < n; ++k) judgeRef(order, b[k].path, b[k].sample, firsts[k], r);
    }
    // The report lists a pack's missing paths in the order of their names.
    std::sort(r.unmet.begin(), r.unmet.end(),
              [](const Reading::Unmet& x, const Reading::Unmet& y) { return x.path < y.path; });
  }
}

bool Checker::judge() {
  // The packs on a few threads, their findings taken in priority order.
  if (!inOrder(
          loaded_.size(), [this](size_t order, Reading& r) { judgePack(order, r); },
          [this](size_t order, Reading& r) { takeJudged(order, r); }))
    return false;

  // Airports: every loaded pack but the simulator's own, which custom
  // airports are meant to replace.
  std::map<std::string, std::vector<std::string>> byCode;
  std::vector<std::string> codes;
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    if (!UsersPack(s) || EqualsAsciiNoCase(s.name, kGlobalAirports)) continue;
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

  // Base meshes of one tile in the user's packs: only the first is loaded.
  // Those of Global Scenery are meant to be hidden by custom ones.
  std::map<std::pair<int, int>, std::vector<std::string>> byTile;
  std::vector<std::pair<int, int>> tiles;
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    if (!UsersPack(s)) continue;
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
  return true;
}

void Checker::release() {
  std::vector<Source>().swap(sources_);
  std::vector<PackRefs>().swap(refs_);
  std::vector<Provision>().swap(provisions_);
  index_ = PathIndex();
  std::unordered_map<std::string, std::string>().swap(foldedIndex_);
  std::unordered_map<std::string, size_t>().swap(missingAt_);
  dependSeen_ = PathIndex();
}

std::string Checker::signature() const {
  std::string sig = FoldedFileSystem() ? "folded" : "exact";
  for (const Source& s : sources_) {
    sig += '\n';
    sig += std::to_string(static_cast<int>(s.kind)) + "|" + s.area + "|" + s.name + "|" + s.folder;
  }
  return sig;
}

void Checker::checkStamps(StampCheck& c) const {
  const CheckMemory::Verdict* v = memory_.verdict();
  if (!v) return;
  const std::vector<std::pair<std::string, FileStamp>>& depends = v->depends;
  constexpr size_t kShare = 64;
  try {
    while (!c.changed && !c.unwanted) {
      const size_t from = c.next.fetch_add(kShare);
      if (from >= depends.size()) return;
      for (size_t i = from; i < std::min(from + kShare, depends.size()); ++i)
        // A link's stamp is left for when the packs are gathered: most are
        // the packs' own, stamped then.
        if (!IsFolderLinkStamp(depends[i].second) && !(PathStampOf(depends[i].first) == depends[i].second)) {
          c.changed = true;
          return;
        }
    }
  } catch (...) {
    c.changed = true;  // a stamp that could not be taken is no match
  }
}

bool Checker::reuseVerdict(StampCheck& stamps, std::thread& loader) {
  const CheckMemory::Verdict* v = memory_.verdict();
  const bool wanted = v && v->signature == signature();
  if (!wanted) stamps.unwanted = true;
  if (wanted) {
    // The stamps the loader has not looked at yet, on a few threads: the
    // first that differs stops them all.
    const unsigned threads = ReaderThreads(v->depends.size() / 256 + 1);
    std::vector<std::thread> others;
    for (unsigned t = loader.joinable() ? 2 : 1; t < threads; ++t)
      others.emplace_back([this, &stamps] { checkStamps(stamps); });
    checkStamps(stamps);
    for (std::thread& t : others) t.join();
  }
  if (loader.joinable()) loader.join();
  if (!wanted || stamps.changed) return false;
  try {
    for (const auto& [path, st] : v->depends) {
      if (!IsFolderLinkStamp(st)) continue;
      const auto it = linkStamps_.find(path);
      if (!((it != linkStamps_.end() ? it->second : PathStampOf(path)) == st)) return false;
    }
  } catch (...) {
    return false;  // a stamp that could not be taken is no match
  }
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
  // The memory is read on a thread of its own while the packs are gathered:
  // neither needs the other. That thread then looks at the stamps of the
  // kept verdict, which needs the packs only to be taken.
  std::exception_ptr loadError;
  std::promise<void> loadedPromise;
  std::future<void> loaded = loadedPromise.get_future();
  StampCheck stamps;
  std::thread loader;
  if (!options_.memoryFile.empty())
    loader = std::thread([this, &loadError, &loadedPromise, &stamps] {
      try {
        memory_.loadFile(options_.memoryFile);
      } catch (...) {
        loadError = std::current_exception();
      }
      const bool failed = loadError != nullptr;
      loadedPromise.set_value();
      if (!failed) checkStamps(stamps);
    });
  // Whatever leaves before the verdict is taken stops the loader first.
  struct StopLoader {
    std::thread& loader;
    StampCheck& stamps;
    ~StopLoader() {
      stamps.unwanted = true;
      if (loader.joinable()) loader.join();
    }
  } stopLoader{loader, stamps};
  gatherPacks();
  if (loader.joinable()) loaded.wait();
  if (loadError) std::rethrow_exception(loadError);
  report_.packs.resize(loaded_.size());
  refs_.resize(loaded_.size());
  for (size_t order = 0; order < loaded_.size(); ++order) {
    const Source& s = sources_[static_cast<size_t>(loaded_[order])];
    report_.packs[order].name = s.name;
    report_.packs[order].folder = s.folder;
    report_.packs[order].area = s.area;
  }
  const bool reused = reuseVerdict(stamps, loader);
  // The remembered files are parsed now, before the threads that look
  // them up (a kept verdict needs none of them).
  if (!reused) memory_.size();
  // Every folder that can provide a library, each read whole by one
  // thread: its library, then, for a loaded pack, its tiles. Taken in the
  // folders' order, which is the packs' priority order.
  const bool whole = reused || inOrder(
                                   sources_.size(),
                                   [this](size_t i, Reading& r) {
                                     readLibrary(static_cast<int>(i), r);
                                     if (const int order = sources_[i].order; order >= 0)
                                       readPack(static_cast<size_t>(order), r);
                                   },
                                   [this](size_t i, Reading& r) {
                                     indexLibrary(static_cast<int>(i), r);
                                     if (const int order = sources_[i].order; order >= 0 && options_.progress)
                                       options_.progress(order + 1, static_cast<int>(loaded_.size()));
                                   });
  for (DamagedFile& d : damagedTiles_) report_.damaged.push_back(std::move(d));
  damagedTiles_.clear();
  if (!whole) {
    report_.cancelled = true;
    return std::move(report_);
  }
  if (remember_)
    for (Reading::Kept& k : kept_) memory_.putEntry(std::move(k.path), std::move(k.entry), now_);
  kept_.clear();
  const int total = static_cast<int>(loaded_.size());
  if (!reused && !judge()) {
    report_.cancelled = true;
    return std::move(report_);
  }
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
    // The memory is written on a thread of its own while this one frees
    // what the report no longer needs. The memory is a help, never a need:
    // a file that cannot be written leaves the next check to read
    // everything again.
    std::exception_ptr error;
    std::promise<void> madePromise;
    std::future<void> made = madePromise.get_future();
    std::thread writer([this, &error, &madePromise] {
      bool told = false;
      try {
        const std::string text = memory_.save();
        madePromise.set_value();
        told = true;
        ReplaceFile(options_.memoryFile, text, false);
      } catch (const Error&) {
      } catch (...) {
        error = std::current_exception();
      }
      if (!told) madePromise.set_value();
    });
    release();
    // Once its text is made, the memory is freed while the text is written.
    made.wait();
    memory_.forget();
    writer.join();
    if (error) std::rethrow_exception(error);
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
  // "+46+007": asked of every tile file a check meets.
  std::string name;
  const auto put = [&name](int v, int digits) {
    name += v < 0 ? '-' : '+';
    const unsigned u = static_cast<unsigned>(v < 0 ? -v : v);
    const std::string d = std::to_string(u);
    if (d.size() < static_cast<size_t>(digits)) name.append(static_cast<size_t>(digits) - d.size(), '0');
    name += d;
  };
  put(tile.lat, 2);
  put(tile.lon, 3);
  return name;
}

bool Report::problems() const {
  return !missing.empty() || !brokenExports.empty() || !duplicateAirports.empty() || !tileConflicts.empty() ||
         !damaged.empty() || !log.findings.empty() || !log.loadOrder.empty();
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
