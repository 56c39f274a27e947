#include "logic/order/packs.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/core/readerthreads.h"
#include "logic/core/textfile.h"
#include "logic/order/dsf.h"
#include "logic/order/files.h"
#include "logic/texts/textes.h"
#include "platform/handle.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

constexpr const char* kNavData = "Earth nav data";

struct KindName {
  PackKind kind;
  const char* key;
  const char* label;  // its key in the catalogue
};
constexpr KindName kKinds[] = {
    {PackKind::Airport, "airport", "TypeAeroport"},
    {PackKind::GlobalAirports, "global_airports", "TypeAeroportsSimulateur"},
    {PackKind::Library, "library", "TypeBibliotheque"},
    {PackKind::Overlay, "overlay", "TypeSurcouche"},
    {PackKind::Orthophoto, "orthophoto", "TypeOrthophoto"},
    {PackKind::Mesh, "mesh", "TypeMaillage"},
    {PackKind::Unknown, "unknown", "TypeInconnu"},
};

// One entry of a folder's listing.
struct Listed {
  std::string name;
  win::DWORD attributes = 0;
};

// Why a search that found nothing failed: 0 for a folder that is missing
// or holds no match, which is no error.
win::DWORD SearchError() {
  const win::DWORD e = win::GetLastError();
  return e == win::ERROR_FILE_NOT_FOUND || e == win::ERROR_PATH_NOT_FOUND || e == win::ERROR_NO_MORE_FILES ? 0 : e;
}

// The entries of folder (hidden and system ones left out), one search;
// error receives 0, or why the folder could not be listed (a missing folder
// lists nothing, without error).
// self, when given, receives the folder's stamp as its "." entry gives it
// (taken as the listing starts, before any name is read), 0 when the folder
// is missing, or PathStamp's where the listing gives no time.
std::vector<Listed> List(const std::string& folder, win::DWORD& error, std::uint64_t* self = nullptr) {
  std::vector<Listed> out;
  error = 0;
  if (self) *self = 0;
  win::WIN32_FIND_DATAA d;
  const platform::FindHandle find(win::FindFirstFileA((folder + "\\*.*").c_str(), &d));
  if (!find.valid()) {
    error = SearchError();
    return out;
  }
  bool stamped = false;
  do {
    if (bool timed = false; IsListingSelf(d, timed)) {
      if (self && timed) {
        *self = StampOf(d.ftLastWriteTime, d.nFileSizeHigh, d.nFileSizeLow, d.dwFileAttributes);
        stamped = true;
      }
      continue;
    }
    if (d.dwFileAttributes & kSkippedAttributes) continue;
    if (std::strcmp(d.cFileName, "..") == 0) continue;
    out.push_back({d.cFileName, d.dwFileAttributes});
  } while (win::FindNextFileA(find.get(), &d));
  if (self && !stamped) *self = PathStamp(folder);
  return out;
}

bool IsDsfName(const std::string& name) {
  return name.size() > 4 && EqualsAsciiNoCase(std::string_view(name).substr(name.size() - 4), ".dsf");
}

// The first DSF of a tile folder in listing order (what List would give
// first): the search stops there, without reading the folder to its end.
// error as for List.
std::optional<Listed> FirstDsf(const std::string& folder, win::DWORD& error) {
  error = 0;
  win::WIN32_FIND_DATAA d;
  const platform::FindHandle find(win::FindFirstFileA((folder + "\\*.dsf").c_str(), &d));
  if (!find.valid()) {
    error = SearchError();
    return std::nullopt;
  }
  do {
    // The mask may also meet a short name: the name itself decides.
    if (!(d.dwFileAttributes & (kSkippedAttributes | win::FILE_ATTRIBUTE_DIRECTORY)) && IsDsfName(d.cFileName))
      return Listed{d.cFileName, d.dwFileAttributes};
  } while (win::FindNextFileA(find.get(), &d));
  return std::nullopt;
}

const Listed* Find(const std::vector<Listed>& entries, const char* name, bool folder) {
  for (const Listed& e : entries)
    if (EqualsAsciiNoCase(e.name, name) && ((e.attributes & win::FILE_ATTRIBUTE_DIRECTORY) != 0) == folder) return &e;
  return nullptr;
}

// Folding of stamps into one number.
void Mix(std::uint64_t& h, std::uint64_t v) {
  h ^= v;
  h *= 1099511628211ull;
  h ^= h >> 29;
}
constexpr std::uint64_t kStampSeed = 1469598103934665603ull;

// The stamp of one input of a pack: its size and time ("" is the pack's
// own folder; through a link, of the folder it leads to, whose time changes
// as entries come and go, as the listing's "." gives it).
std::uint64_t InputStamp(const std::string& folder, const std::string& rel, std::string& path) {
  if (rel.empty()) return PathStamp(folder);
  path.assign(folder).append(1, '\\').append(rel);  // the caller's buffer, kept from input to input
  return PathStamp(path);
}

// What a classification read, stamped as it goes.
struct Reading {
  const std::string& folder;
  PackFacts& facts;
  std::uint64_t stamp = kStampSeed;
  // Stamps an input before it is read.
  void input(const std::string& rel) {
    std::string path;
    input(rel, InputStamp(folder, rel, path));
  }
  // An input whose stamp its listing gave.
  void input(const std::string& rel, std::uint64_t taken) {
    facts.inputs.push_back(rel);
    Mix(stamp, taken);
  }
  // A file input read by read(opened), its listing's attributes given: the
  // stamp of a plain file is that of the file read, as it was opened; a
  // link's is its own, taken before (the link's own time is what a later
  // look at the path sees).
  template <typename Read>
  void file(const std::string& rel, win::DWORD listed, Read&& read) {
    if (listed & win::FILE_ATTRIBUTE_REPARSE_POINT) {
      input(rel);
      read(nullptr);
      return;
    }
    win::BY_HANDLE_FILE_INFORMATION opened;
    read(&opened);
    input(rel, StampOf(opened));
  }
};

// Where the line starting at `from` ends (its CR or LF), or npos.
size_t LineEnd(std::string_view text, size_t from) {
  for (size_t i = from; i < text.size(); ++i)
    if (text[i] == '\n' || text[i] == '\r') return i;
  return std::string_view::npos;
}

std::string UnreadableReason(win::DWORD error, const std::string& rel) {
  if (error == kNotAFile) return Text("EcrOrdre", "PasFichierOrdinaire", {rel});
  if (error == win::ERROR_ACCESS_DENIED || error == win::ERROR_SHARING_VIOLATION || error == win::ERROR_LOCK_VIOLATION)
    return Text("EcrOrdre", "AccesRefuse");
  const std::string text = win::FormatMessageA(error);
  return Text("EcrOrdre", "Illisible", {rel}) + (text.empty() ? std::string() : " (" + text + ")");
}

// The airport codes at the start of a pack's apt.dat, read in growing steps
// until a step holds the first airport header; the airports of that step
// are taken, the rest of the file is not read. Only complete lines are
// looked at; a line longer than the largest step is passed over.
std::vector<std::string> ReadAirports(const std::string& path, win::DWORD& error,
                                      win::BY_HANDLE_FILE_INFORMATION* opened) {
  RegularFile f(path);
  f.status(opened);
  error = f.error();
  if (!f.ok()) return {};
  std::string pending;
  bool skipping = false;  // inside a line too long to keep
  size_t step = kAptDatStep;
  for (;;) {
    const size_t had = pending.size();
    if (!f.read(pending, step)) {
      error = f.error();
      return {};
    }
    const bool end = pending.size() == had;
    size_t from = 0;
    if (skipping) {
      const size_t eol = LineEnd(pending, 0);
      if (eol == std::string::npos) {
        pending.clear();
        if (end) return {};
        continue;
      }
      skipping = false;
      from = eol + 1;
    }
    const size_t last = end ? pending.size() : pending.find_last_of("\r\n");
    if (last != std::string::npos && last >= from) {
      std::vector<std::string> codes =
          AirportCodes(std::string_view(pending).substr(from, last - from + (end ? 0 : 1)), true);
      if (!codes.empty() || end) return codes;
      pending.erase(0, last + 1);
    } else if (end) {
      return {};
    } else {
      pending.erase(0, from);
    }
    if (pending.size() > kAptDatMaxStep) {
      pending.clear();
      skipping = true;
    }
    step = std::min(step * 4, kAptDatMaxStep);
  }
}

// Whether a text fits one field of a line of the memory file.
bool Storable(const std::string& s) { return s.find_first_of("\t\r\n\x1f", 0) == std::string::npos; }
// Separates the inputs inside their field.
constexpr char kInputSeparator = '\x1f';
constexpr const char* kMemoryHeader = "OrvellaPacks 2";

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
    if (k.kind == kind) return Text("EcrOrdre", k.label);
  return Text("EcrOrdre", "TypeInconnu");
}

std::vector<std::string> AirportCodes(std::string_view text, bool complete) {
  std::vector<std::string> codes;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = LineEnd(text, at);
    if (end == std::string::npos) {
      if (!complete) break;  // the line goes on past what was read
      end = text.size();
    }
    // Fields are separated by blanks or tabs.
    std::string_view fields[5];
    size_t count = 0;
    const std::string_view line(text.data() + at, end - at);
    size_t i = 0;
    while (i < line.size() && count < 5) {
      // Only airport headers and the end of the data need more than their first field.
      if (count == 1 && fields[0] != "1" && fields[0] != "16" && fields[0] != "17") break;
      while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
      const size_t f = i;
      while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
      if (i > f) fields[count++] = line.substr(f, i - f);
    }
    if (count == 5 && (fields[0] == "1" || fields[0] == "16" || fields[0] == "17")) codes.emplace_back(fields[4]);
    if (count > 0 && fields[0] == "99") break;  // the end of the data
    at = end + 1;
  }
  return codes;
}

PackFacts ClassifyPack(const std::string& folder) {
  PackFacts f;
  f.inputs.reserve(4);
  Reading r{folder, f};
  auto done = [&]() -> PackFacts {
    f.stamp = r.stamp;
    return std::move(f);
  };
  auto unknown = [&](std::string reason) -> PackFacts {
    f.kind = PackKind::Unknown;
    f.reason = std::move(reason);
    f.airports.clear();
    return done();
  };
  // "Earth nav data" and the pack's own folder are listed once each; an
  // airport is told from the first alone.
  win::DWORD error = 0;
  std::uint64_t self = 0;
  const std::vector<Listed> navData = List(folder + "\\" + kNavData, error, &self);
  r.input(kNavData, self);
  if (error) return unknown(UnreadableReason(error, kNavData));
  if (const Listed* apt = Find(navData, "apt.dat", false)) {
    const std::string rel = std::string(kNavData) + "\\" + apt->name;
    r.file(rel, apt->attributes, [&](win::BY_HANDLE_FILE_INFORMATION* opened) {
      f.airports = ReadAirports(folder + "\\" + rel, error, opened);
    });
    if (error) return unknown(UnreadableReason(error, rel));
    if (!f.airports.empty()) {
      f.kind = PackKind::Airport;
      return done();
    }
  }
  // The pack's own folder, stamped by its listing as "Earth nav data" is.
  std::uint64_t rootSelf = 0;
  const std::vector<Listed> root = List(folder, error, &rootSelf);
  r.input("", rootSelf);
  if (error) return unknown(UnreadableReason(error, ""));
  if (root.empty() && !DirectoryExists(folder)) {
    f.missing = true;
    return unknown(Text("EcrOrdre", "DossierIntrouvable"));
  }
  if (Find(root, "library.txt", false)) {
    f.kind = PackKind::Library;
    return done();
  }
  // The first DSF of the first tile folder that holds one.
  win::DWORD tileError = 0;
  win::DWORD dsfAttributes = 0;
  for (const Listed& tile : navData) {
    if (!(tile.attributes & win::FILE_ATTRIBUTE_DIRECTORY)) continue;
    const std::string rel = std::string(kNavData) + "\\" + tile.name;
    if (const std::optional<Listed> dsf = FirstDsf(folder + "\\" + rel, error)) {
      f.dsf = rel + "\\" + dsf->name;
      dsfAttributes = dsf->attributes;
    }
    if (error && !tileError) tileError = error;
    if (!f.dsf.empty()) break;
  }
  if (f.dsf.empty())
    return unknown(tileError ? UnreadableReason(tileError, kNavData) : Text("EcrOrdre", "AucunFichierScene"));
  DsfFailure failure;
  std::optional<DsfProperties> properties;
  r.file(f.dsf, dsfAttributes, [&](win::BY_HANDLE_FILE_INFORMATION* opened) {
    properties = ReadDsfProperties(folder + "\\" + f.dsf, &failure, opened);
  });
  if (!properties) {
    if (failure.kind == DsfFailure::Kind::Unreadable)
      return unknown(UnreadableReason(static_cast<win::DWORD>(failure.code), f.dsf));
    if (failure.kind == DsfFailure::Kind::No7z) return unknown(Text("EcrOrdre", "DsfSeptZ"));
    return unknown(Text("EcrOrdre", "DsfEndommage", {f.dsf}));
  }
  if (IsOverlay(*properties))
    f.kind = PackKind::Overlay;
  else if (Find(root, "terrain", true) && Find(root, "textures", true))
    f.kind = PackKind::Orthophoto;
  else
    f.kind = PackKind::Mesh;
  return done();
}

std::uint64_t PackStamp(const std::string& folder, const std::vector<std::string>& inputs) {
  std::uint64_t h = kStampSeed;
  std::string path;
  for (const std::string& rel : inputs) Mix(h, InputStamp(folder, rel, path));
  return h;
}

void RunPackCheck(PackCheck& check) {
  std::optional<PackFacts>& r = check.remembered;
  if (r && r->kind != PackKind::Unknown && !r->inputs.empty() && PackStamp(check.folder, r->inputs) == r->stamp) {
    check.facts = std::move(*r);  // what was remembered is the answer: no copy
    r.reset();
    return;
  }
  check.facts = ClassifyPack(check.folder);
}

bool RunPackChecks(std::vector<PackCheck>& checks, const std::atomic<bool>* cancelled, std::atomic<int>* done,
                   unsigned threads) {
  threads =
      threads == 0 ? ReaderThreads(checks.size()) : static_cast<unsigned>(std::min<size_t>(threads, checks.size()));
  std::atomic<size_t> next{0};
  auto work = [&] {
    for (;;) {
      if (cancelled && *cancelled) return;
      const size_t i = next++;
      if (i >= checks.size()) return;
      RunPackCheck(checks[i]);
      if (done) ++*done;
    }
  };
  std::vector<std::thread> others;
  for (unsigned t = 1; t < threads; ++t) others.emplace_back(work);
  work();
  for (std::thread& t : others) t.join();
  return !(cancelled && *cancelled);
}

const PackFacts& PackMemory::facts(const std::string& folder) {
  const std::string key = FoldAsciiCase(folder);
  Entry& e = entries_[key];
  if (e.fresh) {
    e.fresh = false;
    return e.facts;
  }
  PackCheck check;
  check.folder = folder;
  if (!e.folder.empty()) check.remembered = std::move(e.facts);
  RunPackCheck(check);
  e.folder = folder;
  e.facts = std::move(check.facts);
  return e.facts;
}

std::vector<PackCheck> PackMemory::checks(const std::vector<std::string>& folders) const {
  std::vector<PackCheck> out(folders.size());
  for (size_t i = 0; i < folders.size(); ++i) {
    out[i].folder = folders[i];
    auto it = entries_.find(FoldAsciiCase(folders[i]));
    if (it != entries_.end() && !it->second.folder.empty()) out[i].remembered = it->second.facts;
  }
  return out;
}

void PackMemory::learn(std::vector<PackCheck>&& checks) {
  for (PackCheck& c : checks) {
    Entry& e = entries_[FoldAsciiCase(c.folder)];
    e.folder = c.folder;
    e.facts = std::move(c.facts);
    e.fresh = true;
  }
}

// One line per pack of a known kind: stamp, kind, DSF, airport codes
// (comma-separated), inputs (separated by US), folder, separated by tabs;
// the folder last.
std::string PackMemory::save() const {
  std::string out = std::string(kMemoryHeader) + "\n";
  // In the order of the folders, so that the same memory gives the same file.
  std::vector<const Entry*> sorted;
  sorted.reserve(entries_.size());
  // A name holding a line break or a tab cannot be kept in this file: such a
  // pack is read again next time. So is a pack of no known kind.
  for (const auto& [key, e] : entries_) {
    if (e.facts.kind == PackKind::Unknown || e.folder.empty() || e.facts.inputs.empty()) continue;
    if (!Storable(e.folder) || !Storable(e.facts.dsf)) continue;
    if (!std::all_of(e.facts.inputs.begin(), e.facts.inputs.end(), Storable)) continue;
    sorted.push_back(&e);
  }
  std::sort(sorted.begin(), sorted.end(), [](const Entry* a, const Entry* b) { return a->folder < b->folder; });
  for (const Entry* p : sorted) {
    const Entry& e = *p;
    out += IntToHex(e.facts.stamp, 16);
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
    for (size_t i = 0; i < e.facts.inputs.size(); ++i) {
      if (i) out += kInputSeparator;
      out += e.facts.inputs[i].empty() ? "." : e.facts.inputs[i];
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
      if (line != kMemoryHeader) return;  // another format: start afresh
      continue;
    }
    std::vector<std::string> fields;
    size_t f = 0;
    for (int i = 0; i < 5; ++i) {
      const size_t tab = line.find('\t', f);
      if (tab == std::string::npos) break;
      fields.push_back(line.substr(f, tab - f));
      f = tab + 1;
    }
    if (fields.size() != 5 || f >= line.size()) continue;
    const std::string folder = line.substr(f);
    if (!Storable(folder) || !Storable(fields[2])) continue;
    const std::optional<PackKind> kind = PackKindFromKey(fields[1]);
    if (!kind || *kind == PackKind::Unknown || fields[0].size() != 16 || fields[4].empty()) continue;
    char* stop = nullptr;
    const unsigned long long stamp = std::strtoull(fields[0].c_str(), &stop, 16);
    if (*stop != '\0') continue;
    Entry e;
    e.folder = folder;
    e.facts.stamp = stamp;
    e.facts.kind = *kind;
    e.facts.dsf = fields[2];
    auto split = [](const std::string& s, char sep, std::vector<std::string>& out) {
      size_t c = 0;
      while (c <= s.size()) {
        size_t at = s.find(sep, c);
        if (at == std::string::npos) at = s.size();
        if (at > c) out.push_back(s.substr(c, at - c));
        c = at + 1;
      }
    };
    split(fields[3], ',', e.facts.airports);
    split(fields[4], kInputSeparator, e.facts.inputs);
    // What save() would not write again is not taken either: a pack whose
    // stamp names nothing it was decided by, or a name the file cannot hold.
    if (e.facts.inputs.empty() || !std::all_of(e.facts.inputs.begin(), e.facts.inputs.end(), Storable)) continue;
    for (std::string& in : e.facts.inputs)
      if (in == ".") in.clear();
    entries_[FoldAsciiCase(folder)] = std::move(e);
  }
}

void PackMemory::loadFile(const std::string& path) {
  entries_.clear();
  if (std::optional<std::string> text = ReadFileStart(path, 64u << 20)) load(*text);
}

void PackMemory::saveFile(const std::string& path) const { ReplaceFile(path, save(), false); }

}  // namespace orvella
