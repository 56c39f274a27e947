#include "logic/order/scenerypacks.h"

#include <algorithm>
#include <optional>
#include <unordered_map>

#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"
#include "logic/core/folders.h"
#include "logic/core/textfile.h"
#include "logic/order/files.h"
#include "platform/winapi.h"

namespace orvella {

namespace {

constexpr const char* kCustomPrefix = "Custom Scenery/";
constexpr const char* kGlobalAirportsFolder = "Global Airports";
constexpr size_t kFileLimit = 16u << 20;

// Text between code pages through UTF-16.
std::string Recode(const std::string& s, win::UINT from, win::UINT to) {
  if (s.empty()) return s;
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

// The name of a "Custom Scenery/<name>/" line (ANSI), or nothing.
std::optional<std::string> CustomName(const std::string& path) {
  const std::string p = WithoutFinalSlash(path);
  const size_t n = std::char_traits<char>::length(kCustomPrefix);
  if (p.size() <= n || !EqualsAsciiNoCase(std::string_view(p).substr(0, n), kCustomPrefix)) return std::nullopt;
  const std::string name = p.substr(n);
  if (name.find_first_of("/\\") != std::string::npos) return std::nullopt;
  return AnsiOfUtf8(name);
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

struct Planned {
  OrderEntry entry;
  Source source = Source::New;
  size_t rank = 0;
};

}  // namespace

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

OrderPlan PlanOrder(const OrderInput& input, PackMemory& memory) {
  OrderPlan plan;
  const std::string custom = input.installation + "\\Custom Scenery\\";
  SceneryPacksFile existing;
  if (FileExists(SceneryPacksPath(input.installation)))
    if (std::optional<std::string> text = ReadFileStart(SceneryPacksPath(input.installation), kFileLimit))
      existing = ParseSceneryPacks(*text);
  plan.crlf = existing.crlf;

  // The existing lines by what they name: "c:" a Custom Scenery name, "a:" an
  // absolute path, "g" the simulator's airports. The first line of a name counts.
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
  // Without a file to follow, the installation tells: X-Plane 11 keeps its
  // airports in Custom Scenery, X-Plane 12 elsewhere.
  if (globalForm.empty())
    globalForm = DirectoryExists(custom + kGlobalAirportsFolder) ? kGlobalAirports11 : kGlobalAirports12;

  std::unordered_map<std::string, size_t> treeRank;
  std::unordered_map<std::string, std::string> scenePathOf;
  for (size_t i = 0; i < input.scenes.size(); ++i) {
    const std::string key = FoldAsciiCase(input.scenes[i].linkName);
    if (treeRank.try_emplace(key, i).second) scenePathOf.emplace(key, input.scenes[i].scenePath);
  }

  auto handKind = [&](const std::string& folder) -> std::optional<PackKind> {
    auto it = input.handKinds.find(FoldAsciiCase(folder));
    if (it == input.handKinds.end()) return std::nullopt;
    return it->second;
  };

  std::vector<Planned> planned;
  auto place = [&](Planned& p, const std::string& fileKey, std::optional<size_t> tree) {
    auto it = listed.find(fileKey);
    if (it != listed.end()) p.entry.disabled = existing.lines[it->second].disabled;
    if (tree) {
      p.source = Source::Tree;
      p.rank = *tree;
    } else if (it != listed.end()) {
      p.source = Source::File;
      p.rank = it->second;
    }
  };

  // The simulator's airports.
  if (globalForm == kGlobalAirports12 || DirectoryExists(custom + kGlobalAirportsFolder)) {
    Planned p;
    p.entry.path = globalForm;
    p.entry.name = globalForm == kGlobalAirports12 ? "Global Airports" : kGlobalAirportsFolder;
    p.entry.kind = PackKind::GlobalAirports;
    place(p, "g", std::nullopt);
    planned.push_back(std::move(p));
  }

  // Every folder and link of Custom Scenery that X-Plane can open.
  ForEachEntry(custom, [&](const std::string& name, win::DWORD attributes) {
    if (!(attributes & win::FILE_ATTRIBUTE_DIRECTORY)) return;
    if (EqualsAsciiNoCase(name, kGlobalAirportsFolder)) return;
    const std::string key = FoldAsciiCase(name);
    const std::string linkPath = custom + name;
    auto scene = scenePathOf.find(key);
    // A scene's link is read at the scene's folder (its own stamps); other
    // entries through the scenery folder.
    const std::string folder = scene != scenePathOf.end() ? scene->second : linkPath;
    if (attributes & win::FILE_ATTRIBUTE_REPARSE_POINT) {
      // A link whose target is gone is no pack.
      bool alive = scene != scenePathOf.end() && DirectoryExists(folder);
      if (!alive) ForEachEntry(linkPath, [&](const std::string&, win::DWORD) { alive = true; });
      if (!alive) return;
    }
    Planned p;
    p.entry.path = kCustomPrefix + Utf8OfAnsi(name) + "/";
    p.entry.name = name;
    p.entry.folder = folder;
    const PackFacts& facts = memory.facts(folder);
    p.entry.kind = facts.kind;
    p.entry.airports = facts.airports;
    std::optional<PackKind> hand = handKind(folder);
    if (!hand && folder != linkPath) hand = handKind(linkPath);
    if (hand) {
      p.entry.kind = *hand;
      p.entry.handSet = true;
    }
    std::optional<size_t> tree;
    if (auto r = treeRank.find(key); r != treeRank.end()) tree = r->second;
    place(p, "c:" + key, tree);
    planned.push_back(std::move(p));
  });

  // Packs the existing file names by an absolute path, while they exist.
  for (size_t i = 0; i < existing.lines.size(); ++i) {
    const std::string& path = existing.lines[i].path;
    if (IsGlobalAirportsLine(path) || CustomName(path)) continue;
    const std::string key = "a:" + FoldAsciiCase(WithoutFinalSlash(path));
    if (listed.at(key) != i) continue;  // named twice: the first line counts
    const std::string folder = FolderOfAbsolute(path);
    if (folder.empty() || !DirectoryExists(folder)) continue;
    Planned p;
    p.entry.path = path;
    p.entry.name = AnsiOfUtf8(path);
    p.entry.folder = folder;
    const PackFacts& facts = memory.facts(folder);
    p.entry.kind = facts.kind;
    p.entry.airports = facts.airports;
    if (std::optional<PackKind> hand = handKind(folder)) {
      p.entry.kind = *hand;
      p.entry.handSet = true;
    }
    place(p, key, std::nullopt);
    planned.push_back(std::move(p));
  }

  std::stable_sort(planned.begin(), planned.end(), [](const Planned& a, const Planned& b) {
    if (a.entry.kind != b.entry.kind) return a.entry.kind < b.entry.kind;
    if (a.source != b.source) return a.source < b.source;
    if (a.source != Source::New) return a.rank < b.rank;
    return win::lstrcmpiA(a.entry.name.c_str(), b.entry.name.c_str()) < 0;
  });

  // Two enabled packs declaring one airport: the higher one wins.
  std::unordered_map<std::string, const OrderEntry*> declared;
  for (Planned& p : planned) {
    plan.entries.push_back(std::move(p.entry));
  }
  for (const OrderEntry& e : plan.entries) {
    if (e.disabled) continue;
    for (const std::string& code : e.airports) {
      auto [it, first] = declared.emplace(code, &e);
      if (first || it->second == &e) continue;
      plan.warnings.push_back(Ansi("Aéroport ") + code + Ansi(" déclaré par « ") + it->second->name +
                              Ansi(" » et par « ") + e.name + Ansi(" » : « ") + it->second->name +
                              Ansi(" », plus haut, l'emporte."));
    }
  }
  return plan;
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

void WriteSceneryPacks(const std::string& path, const std::string& text) {
  if (FileExists(path)) {
    const std::string bak = path + ".bak";
    if (!win::CopyFileA(path.c_str(), bak.c_str(), win::FALSE_)) throw EOrderWrite(bak, win::GetLastError());
  }
  ReplaceFile(path, text);
}

}  // namespace orvella
