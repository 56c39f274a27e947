#include "logic/order/scenerypacks.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/core/pathnames.h"
#include "logic/core/textfile.h"
#include "logic/order/files.h"
#include "logic/texts/textes.h"
#include "platform/textcodec.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

constexpr const char* kCustomPrefix = "Custom Scenery/";
constexpr const char* kGlobalAirportsFolder = "Global Airports";
constexpr size_t kFileLimit = 16u << 20;

// Text between code pages through UTF-16.
std::string Recode(const std::string& s, win::UINT from, win::UINT to) {
  // ASCII is the same in every ANSI code page and in UTF-8: most names are.
  if (std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; })) return s;
  const int n = win::MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return s;
  std::u16string w(static_cast<size_t>(n), u'\0');
  win::MultiByteToWideChar(from, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  const int m = win::WideCharToMultiByte(to, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
  if (m <= 0) return s;
  std::string out(static_cast<size_t>(m), '\0');
  win::WideCharToMultiByte(to, 0, w.data(), n, out.data(), m, nullptr, nullptr);
  return out;
}
std::string Utf8OfAnsi(const std::string& s) { return Recode(s, win::CP_ACP, win::CP_UTF8); }
std::string AnsiOfUtf8(const std::string& s) { return Recode(s, win::CP_UTF8, win::CP_ACP); }

std::u16string Utf16OfUtf8(const std::string& s) {
  if (s.empty()) return {};
  const int n = win::MultiByteToWideChar(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  if (n <= 0) return {};
  std::u16string w(static_cast<size_t>(n), u'\0');
  win::MultiByteToWideChar(win::CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::string WithoutFinalSlash(std::string s) {
  while (!s.empty() && (s.back() == '/' || s.back() == '\\')) s.pop_back();
  return s;
}

// A name of a line (UTF-8 bytes) as the system lists the folder it names:
// in the ANSI code page, with '?' for what that code page cannot hold (where
// it is UTF-8: for each byte that is no UTF-8).
std::string ShownName(const std::string& utf8) {
  if (win::GetACP() == win::CP_UTF8) return platform::text::ReplaceBrokenUtf8(utf8, '?');
  return AnsiOfUtf8(utf8);
}

// The name of a "Custom Scenery/<name>/" line (ANSI), or nothing.
std::optional<std::string> CustomName(const std::string& path) {
  const std::string p = WithoutFinalSlash(path);
  const size_t n = std::char_traits<char>::length(kCustomPrefix);
  if (p.size() <= n || !EqualsAsciiNoCase(std::string_view(p).substr(0, n), kCustomPrefix)) return std::nullopt;
  const std::string name = p.substr(n);
  if (name.find_first_of("/\\") != std::string::npos) return std::nullopt;
  return ShownName(name);
}

// The folder an absolute line names, as a Windows path; empty when none.
std::string FolderOfAbsolute(const std::string& path) {
  const std::string p = WithoutFinalSlash(path);
  if (p.empty()) return {};
  std::string w = platform::FromHostPath(Utf16OfUtf8(p));
  if (w.empty()) {
    // A Windows path written with forward slashes.
    w = AnsiOfUtf8(p);
    std::replace(w.begin(), w.end(), '/', '\\');
    if (w.size() < 3 || w[1] != ':') return {};
  }
  return w;
}

bool IsGlobalAirportsLine(const std::string& path) {
  return path == kGlobalAirports12 || EqualsAsciiNoCase(WithoutFinalSlash(path), WithoutFinalSlash(kGlobalAirports11));
}

// Where an entry comes from, for its place inside its kind.
enum class Source { Tree, File, New };

}  // namespace

struct OrderSources::Planned {
  OrderEntry entry;
  Source source = Source::New;
  size_t rank = 0;
  std::optional<size_t> fileLine;  // its line in the existing file
  // A line for a pack the system cannot name: kept as it stands, where it
  // stood among its neighbours.
  bool floating = false;
  std::string linkPath;  // its link in Custom Scenery, for a kind set there by hand
  // A scene's link, taken as a pack unless the scene's folder proves missing
  // when it is classified and the link shows nothing either.
  bool aliveIfFound = false;
};

OrderSources::OrderSources() = default;
OrderSources::~OrderSources() = default;
OrderSources::OrderSources(OrderSources&&) noexcept = default;
OrderSources& OrderSources::operator=(OrderSources&&) noexcept = default;

std::vector<std::string> OrderSources::folders() const {
  std::vector<std::string> out;
  out.reserve(planned.size());
  for (const Planned& p : planned)
    if (!p.entry.folder.empty()) out.push_back(p.entry.folder);
  return out;
}

SceneryPacksFile ParseSceneryPacks(const std::string& text) {
  SceneryPacksFile f;
  for (const std::string& line : SplitLines(text, &f.crlf)) {
    static const std::string kEnabled = "SCENERY_PACK ";
    static const std::string kDisabled = "SCENERY_PACK_DISABLED ";
    PackLine p;
    if (line.compare(0, kEnabled.size(), kEnabled) == 0) {
      p.path = line.substr(kEnabled.size());
    } else if (line.compare(0, kDisabled.size(), kDisabled) == 0) {
      p.path = line.substr(kDisabled.size());
      p.disabled = true;
    } else {
      continue;
    }
    if (!p.path.empty()) f.lines.push_back(std::move(p));
  }
  return f;
}

std::string SceneryPacksPath(const std::string& installation) {
  return installation + "\\Custom Scenery\\scenery_packs.ini";
}

namespace {
// Whether a link shows anything of its target.
bool LinkShowsEntries(const std::string& linkPath) {
  bool alive = false;
  ForEachEntry(linkPath, [&](const std::string&, win::DWORD) { alive = true; });
  return alive;
}
}  // namespace

OrderSources GatherOrder(const OrderInput& input) {
  using Planned = OrderSources::Planned;
  OrderSources sources;
  const std::string custom = input.installation + "\\Custom Scenery\\";
  SceneryPacksFile existing;
  if (std::optional<std::string> text = ReadFileStart(SceneryPacksPath(input.installation), kFileLimit))
    existing = ParseSceneryPacks(*text);
  sources.crlf = existing.crlf;

  // The existing lines by what they name: "c:" a Custom Scenery name as the
  // system lists it, "a:" an absolute path, "g" the simulator's airports.
  // The first line of a name counts.
  std::unordered_map<std::string, size_t> listed;
  std::string globalForm;
  for (size_t i = 0; i < existing.lines.size(); ++i) {
    const std::string& path = existing.lines[i].path;
    std::string key;
    if (IsGlobalAirportsLine(path)) {
      key = "g";
      if (globalForm.empty()) globalForm = path == kGlobalAirports12 ? kGlobalAirports12 : kGlobalAirports11;
    } else if (std::optional<std::string> name = CustomName(path)) {
      key = "c:" + FoldAsciiCase(*name);
    } else {
      key = "a:" + FoldAsciiCase(WithoutFinalSlash(path));
    }
    listed.try_emplace(key, i);
  }
  // Custom Scenery listed once: its folders and links, and whether the
  // simulator's airports are among them (any letter case, as the system
  // finds a name).
  std::vector<std::pair<std::string, win::DWORD>> entries;
  bool globalFolder = false;
  ForEachEntry(custom, [&](const std::string& name, win::DWORD attributes) {
    if (!(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (EqualsAsciiNoCase(name, kGlobalAirportsFolder))
      // A link is the folder only while its target is there.
      globalFolder = !(attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) || LinkShowsEntries(custom + name);
    else
      entries.emplace_back(name, attributes);
  });
  // Without a file to follow, the installation tells: X-Plane 11 keeps its
  // airports in Custom Scenery, X-Plane 12 elsewhere.
  if (globalForm.empty()) globalForm = globalFolder ? kGlobalAirports11 : kGlobalAirports12;

  std::unordered_map<std::string, size_t> treeRank;
  std::unordered_map<std::string, std::string> scenePathOf;
  for (size_t i = 0; i < input.scenes.size(); ++i) {
    const std::string key = FoldAsciiCase(input.scenes[i].linkName);
    if (treeRank.try_emplace(key, i).second) scenePathOf.emplace(key, input.scenes[i].scenePath);
  }

  std::vector<Planned>& planned = sources.planned;
  auto place = [&](Planned& p, const std::string& fileKey, std::optional<size_t> tree) {
    auto it = listed.find(fileKey);
    if (it != listed.end()) {
      p.entry.disabled = existing.lines[it->second].disabled;
      p.fileLine = it->second;
    }
    if (tree) {
      p.source = Source::Tree;
      p.rank = *tree;
    } else if (it != listed.end()) {
      p.source = Source::File;
      p.rank = it->second;
    }
  };

  // The simulator's airports.
  if (globalForm == kGlobalAirports12 || globalFolder) {
    Planned p;
    p.entry.path = globalForm;
    p.entry.name = globalForm == kGlobalAirports12 ? "Global Airports" : kGlobalAirportsFolder;
    p.entry.kind = PackKind::GlobalAirports;
    place(p, "g", std::nullopt);
    planned.push_back(std::move(p));
  }

  // Every folder and link of Custom Scenery that X-Plane can open.
  for (const auto& [name, attributes] : entries) {
    const std::string key = FoldAsciiCase(name);
    if (!NameIsRepresentable(name)) {
      // A name the system cannot give: only the existing file's line can
      // name it, byte for byte. Without one it is left to the simulator.
      auto it = listed.find("c:" + key);
      if (it == listed.end()) continue;
      Planned p;
      p.entry.path = existing.lines[it->second].path;
      p.entry.name = name;
      p.entry.reason = Text("EcrOrdre", "NomIllisible");
      p.floating = true;
      place(p, "c:" + key, std::nullopt);
      planned.push_back(std::move(p));
      continue;
    }
    const std::string linkPath = custom + name;
    auto scene = scenePathOf.find(key);
    // A scene's link is read at the scene's folder (its own stamps); other
    // entries through the scenery folder.
    const std::string folder = scene != scenePathOf.end() ? scene->second : linkPath;
    // A link whose target is gone is no pack. A scene's folder is told to
    // exist by its classification (see PlanGathered), on the readers' threads.
    const bool aliveIfFound = (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) && scene != scenePathOf.end();
    if ((attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) && !aliveIfFound && !LinkShowsEntries(linkPath)) continue;
    Planned p;
    p.aliveIfFound = aliveIfFound;
    p.entry.path = kCustomPrefix + Utf8OfAnsi(name) + "/";
    p.entry.name = name;
    p.entry.folder = folder;
    p.linkPath = linkPath;
    std::optional<size_t> tree;
    if (auto r = treeRank.find(key); r != treeRank.end()) tree = r->second;
    place(p, "c:" + key, tree);
    planned.push_back(std::move(p));
  }

  // Packs the existing file names by an absolute path, while they exist.
  for (size_t i = 0; i < existing.lines.size(); ++i) {
    const std::string& path = existing.lines[i].path;
    if (IsGlobalAirportsLine(path) || CustomName(path)) continue;
    const std::string key = "a:" + FoldAsciiCase(WithoutFinalSlash(path));
    if (listed.at(key) != i) continue;  // named twice: the first line counts
    Planned p;
    p.entry.path = path;
    p.entry.name = ShownName(path);
    if (!NameIsRepresentable(p.entry.name)) {
      // Whether it still exists cannot be told: the line stays as it is.
      p.entry.reason = Text("EcrOrdre", "NomIllisible");
      p.floating = true;
    } else {
      const std::string folder = FolderOfAbsolute(path);
      if (folder.empty() || !DirectoryExists(folder)) continue;
      p.entry.folder = folder;
    }
    place(p, key, std::nullopt);
    planned.push_back(std::move(p));
  }
  return sources;
}

OrderPlan PlanGathered(const OrderInput& input, OrderSources sources, PackMemory& memory) {
  using Planned = OrderSources::Planned;
  OrderPlan plan;
  plan.crlf = sources.crlf;
  auto handKind = [&](const std::string& folder) -> std::optional<PackKind> {
    auto it = input.handKinds.find(FoldAsciiCase(folder));
    if (it == input.handKinds.end()) return std::nullopt;
    return it->second;
  };
  std::vector<Planned> planned;
  std::vector<Planned> floating;
  for (Planned& p : sources.planned) {
    if (!p.entry.folder.empty()) {
      const PackFacts& facts = memory.facts(p.entry.folder);
      if (p.aliveIfFound && facts.missing && !LinkShowsEntries(p.linkPath)) continue;
      p.entry.kind = facts.kind;
      p.entry.airports = facts.airports;
      p.entry.reason = facts.reason;
      std::optional<PackKind> hand = handKind(p.entry.folder);
      if (!hand && !p.linkPath.empty() && p.entry.folder != p.linkPath) hand = handKind(p.linkPath);
      if (hand) {
        p.entry.kind = *hand;
        p.entry.handSet = true;
        p.entry.reason.clear();
      }
    }
    (p.floating ? floating : planned).push_back(std::move(p));
  }

  std::stable_sort(planned.begin(), planned.end(), [](const Planned& a, const Planned& b) {
    if (a.entry.kind != b.entry.kind) return a.entry.kind < b.entry.kind;
    if (a.source != b.source) return a.source < b.source;
    if (a.source != Source::New) return a.rank < b.rank;
    return win::lstrcmpiA(a.entry.name.c_str(), b.entry.name.c_str()) < 0;
  });
  // Lines that cannot be placed by their kind follow the line that stood
  // above them in the file (the top when none did).
  std::sort(floating.begin(), floating.end(),
            [](const Planned& a, const Planned& b) { return a.fileLine.value_or(0) < b.fileLine.value_or(0); });
  for (Planned& f : floating) {
    const size_t line = f.fileLine.value_or(0);
    size_t at = 0;
    std::optional<size_t> best;
    for (size_t i = 0; i < planned.size(); ++i)
      if (planned[i].fileLine && *planned[i].fileLine < line && (!best || *planned[i].fileLine > *best)) {
        best = planned[i].fileLine;
        at = i + 1;
      }
    planned.insert(planned.begin() + static_cast<std::ptrdiff_t>(at), std::move(f));
  }

  for (Planned& p : planned) plan.entries.push_back(std::move(p.entry));
  // Two enabled packs declaring one airport: the higher one wins.
  std::unordered_map<std::string, const OrderEntry*> declared;
  for (const OrderEntry& e : plan.entries) {
    if (e.disabled) continue;
    for (const std::string& code : e.airports) {
      auto [it, first] = declared.emplace(code, &e);
      if (first || it->second == &e) continue;
      plan.warnings.push_back(Text("EcrOrdre", "AeroportDouble", {code, it->second->name, e.name, it->second->name}));
    }
  }
  return plan;
}

OrderPlan PlanOrder(const OrderInput& input, PackMemory& memory) {
  return PlanGathered(input, GatherOrder(input), memory);
}

std::string RenderSceneryPacks(const OrderPlan& plan) {
  const char* eol = plan.crlf ? "\r\n" : "\n";
  std::string out;
  out.reserve(64 + plan.entries.size() * 64);
  for (const char* line : {"I", "1000 Version", "SCENERY", ""}) {
    out += line;
    out += eol;
  }
  for (const OrderEntry& e : plan.entries) {
    out += e.disabled ? "SCENERY_PACK_DISABLED " : "SCENERY_PACK ";
    out += e.path;
    out += eol;
  }
  return out;
}

std::uint64_t TextDigest(const std::string& text) {
  std::uint64_t h = 1469598103934665603ull;
  for (unsigned char c : text) {
    h ^= c;
    h *= 1099511628211ull;
  }
  return h | 1;  // never 0, which stands for "none"
}

std::string UserBackupPath(const std::string& path) { return path + ".user.bak"; }

namespace {
// A copy kept beside the file: one left read-only (copied with the file's
// mode by earlier versions, or by the user) is made writable first. Answers
// whether it was written. Only a copy of the user's own file must outlive a
// power cut.
bool WriteBackup(const std::string& path, const std::string& bytes, bool durable) {
  const win::DWORD a = win::GetFileAttributesA(path.c_str());
  if (a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_READONLY) && !(a & win::FILE_ATTRIBUTE_DIRECTORY))
    win::SetFileAttributesA(path.c_str(), a & ~win::FILE_ATTRIBUTE_READONLY);
  return ReplaceFileContents(path, bytes, durable, false) == 0;
}
}  // namespace

std::optional<std::string> ReadSceneryPacksToRewrite(const std::string& path) {
  win::DWORD error = 0;
  std::optional<std::string> text = ReadFileStart(path, kFileLimit + 1, &error);
  if (!text) {
    if (error == win::ERROR_FILE_NOT_FOUND || error == win::ERROR_PATH_NOT_FOUND) return std::nullopt;
    throw EOrderWrite(path, error ? error : win::ERROR_READ_FAULT);
  }
  if (text->size() > kFileLimit) throw EOrderWrite(path, win::ERROR_FILE_TOO_LARGE);
  return text;
}

std::uint64_t WriteSceneryPacks(const std::string& path, const std::string& text, std::uint64_t ownDigest) {
  // A file the user made read-only is refused before anything is touched;
  // through a link (users who keep several orders switch between them by
  // links), the file it leads to, which is what gets written.
  const std::string target = LinkedFilePath(path);
  for (const std::string* p : {&path, &target}) {
    const win::DWORD a = win::GetFileAttributesA(p->c_str());
    if (a != win::INVALID_FILE_ATTRIBUTES && (a & win::FILE_ATTRIBUTE_READONLY))
      throw EOrderWrite(path, win::ERROR_ACCESS_DENIED);
  }
  if (std::optional<std::string> previous = ReadSceneryPacksToRewrite(path)) {
    // Already in order: nothing is rewritten, and the backups keep the files
    // that came before.
    if (*previous == text) return TextDigest(text);
    // The backups are a safety net only: one that cannot be written never
    // stops the new order.
    // The previous file is the user's unless Orvella wrote it: that copy is
    // forced to the disk. The .bak need not be: it holds either the same
    // text or Orvella's own output.
    if (TextDigest(*previous) != ownDigest) WriteBackup(UserBackupPath(path), *previous, true);
    WriteBackup(path + ".bak", *previous, false);
  }
  ReplaceFile(path, text);
  return TextDigest(text);
}

}  // namespace orvella
