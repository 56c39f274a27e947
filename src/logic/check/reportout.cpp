// The report as the user reads it (text, grouped by library) and as
// programs read it (one JSON object).
#include <map>

#include "logic/check/checktexts.h"
#include "logic/check/scenerycheck.h"
#include "logic/core/ansi.h"
#include "logic/core/asciitext.h"

namespace orvella::check {

namespace {

std::string Join(const std::vector<std::string>& items) {
  std::string out;
  for (const std::string& s : items) {
    if (!out.empty()) out += ", ";
    out += s;
  }
  return out;
}

std::string ReasonText(const Missing& m) {
  switch (m.reason) {
    case Reason::Absent:
      return CheckText("RaisonAbsent");
    case Reason::Disabled:
      return CheckText("RaisonDisabled", {m.provider});
    case Reason::Inactive:
      return CheckText("RaisonInactive", {m.provider});
    case Reason::Backup:
      return CheckText("RaisonBackup", {m.provider});
    case Reason::Case:
      return CheckText("RaisonCase", {m.provider});
  }
  return {};
}

// A JSON string of ANSI text: UTF-8, with the escapes JSON requires.
std::string Json(const std::string& ansi) {
  const std::string utf8 = Utf8FromAnsi(ansi);
  std::string out = "\"";
  for (const char ch : utf8) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += ch;
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\u00";
      out += IntToHex(c, 2);
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

std::string JsonArray(const std::vector<std::string>& items) {
  std::string out = "[";
  for (size_t i = 0; i < items.size(); ++i) out += (i ? "," : "") + Json(items[i]);
  return out + "]";
}

}  // namespace

std::string ReportText(const Report& r) {
  std::string out = CheckText("Titre", {r.folder}) + "\n";
  if (r.cancelled) out += CheckText("Interrompu") + "\n";
  if (!r.problems()) {
    if (!r.cancelled) out += CheckText("RienTrouve") + "\n";
    return out;
  }
  if (!r.missing.empty()) {
    out += "\n" + CheckText("Manquants") + "\n";
    std::map<std::string, std::vector<const Missing*>> byLibrary;
    for (const Missing& m : r.missing) byLibrary[m.library].push_back(&m);
    for (const auto& [library, items] : byLibrary) {
      out += CheckText("Bibliotheque", {library, std::to_string(items.size())}) + "\n";
      for (const Missing* m : items) {
        out += CheckText("Element", {m->path}) + "\n";
        out += "      " + ReasonText(*m) + "\n";
        out += CheckText("Besoin", {Join(m->packs)}) + "\n";
        out += CheckText("Exemple", {m->sample}) + "\n";
      }
    }
  }
  if (!r.brokenExports.empty()) {
    out += "\n" + CheckText("ExportsCasses") + "\n";
    for (const BrokenExport& b : r.brokenExports) out += CheckText("ExportCasse", {b.pack, b.path, b.file}) + "\n";
  }
  if (!r.duplicateAirports.empty()) {
    out += "\n" + CheckText("AeroportsDoubles") + "\n";
    for (const DuplicateAirport& d : r.duplicateAirports)
      out += CheckText("AeroportDouble", {d.icao, Join(d.packs)}) + "\n";
  }
  if (!r.tileConflicts.empty()) {
    out += "\n" + CheckText("TuilesCachees") + "\n";
    for (const TileConflict& t : r.tileConflicts)
      out += CheckText("TuileCachee", {TileName(t.tile), Join(t.packs)}) + "\n";
  }
  if (!r.damaged.empty()) {
    out += "\n" + CheckText("Endommages") + "\n";
    for (const DamagedFile& d : r.damaged)
      out += (d.file.empty() ? CheckText("EndommageDossier", {d.pack, d.what})
                             : CheckText("Endommage", {d.pack, d.file, d.what})) +
             "\n";
  }
  if (r.log.read && (!r.log.findings.empty() || !r.log.loadOrder.empty())) {
    out += "\n" + CheckText("Journal", {r.log.version}) + "\n";
    for (const LogFinding& f : r.log.findings) out += CheckText("JournalLigne", {f.kind, f.pack, f.what}) + "\n";
    if (r.log.omitted) out += CheckText("JournalOmis", {std::to_string(r.log.omitted)}) + "\n";
    if (!r.log.loadOrder.empty()) {
      out += CheckText("OrdreDifferent") + "\n";
      for (const std::string& p : r.log.loadOrder) out += "  " + p + "\n";
    }
  }
  return out;
}

std::string ReportJson(const Report& r) {
  std::string out = "{\"folder\":" + Json(r.folder) + ",\"cancelled\":" + (r.cancelled ? "true" : "false");
  out += ",\"missing\":[";
  for (size_t i = 0; i < r.missing.size(); ++i) {
    const Missing& m = r.missing[i];
    out += i ? "," : "";
    out +=
        "{\"path\":" + Json(m.path) + ",\"library\":" + Json(m.library) + ",\"reason\":\"" + ReasonKey(m.reason) + "\"";
    if (m.reason != Reason::Absent) out += ",\"provider\":" + Json(m.provider);
    out += ",\"packs\":" + JsonArray(m.packs) + ",\"sample\":" + Json(m.sample) + "}";
  }
  out += "],\"broken_exports\":[";
  for (size_t i = 0; i < r.brokenExports.size(); ++i) {
    const BrokenExport& b = r.brokenExports[i];
    out += (i ? "," : "") + std::string("{\"pack\":") + Json(b.pack) + ",\"path\":" + Json(b.path) +
           ",\"file\":" + Json(b.file) + "}";
  }
  out += "],\"duplicate_airports\":[";
  for (size_t i = 0; i < r.duplicateAirports.size(); ++i)
    out += (i ? "," : "") + std::string("{\"icao\":") + Json(r.duplicateAirports[i].icao) +
           ",\"packs\":" + JsonArray(r.duplicateAirports[i].packs) + "}";
  out += "],\"tile_conflicts\":[";
  for (size_t i = 0; i < r.tileConflicts.size(); ++i)
    out += (i ? "," : "") + std::string("{\"tile\":") + Json(TileName(r.tileConflicts[i].tile)) +
           ",\"packs\":" + JsonArray(r.tileConflicts[i].packs) + "}";
  out += "],\"damaged\":[";
  for (size_t i = 0; i < r.damaged.size(); ++i)
    out += (i ? "," : "") + std::string("{\"pack\":") + Json(r.damaged[i].pack) +
           ",\"file\":" + Json(r.damaged[i].file) + ",\"what\":" + Json(r.damaged[i].what) + "}";
  out += "]";
  if (r.log.read) {
    out += ",\"log\":{\"version\":" + Json(r.log.version) + ",\"findings\":[";
    for (size_t i = 0; i < r.log.findings.size(); ++i) {
      const LogFinding& f = r.log.findings[i];
      out += (i ? "," : "") + std::string("{\"kind\":") + Json(f.kind) + ",\"pack\":" + Json(f.pack) +
             ",\"what\":" + Json(f.what) + ",\"line\":" + Json(f.line) + "}";
    }
    out += "],\"omitted\":" + std::to_string(r.log.omitted) + ",\"load_order\":" + JsonArray(r.log.loadOrder) + "}";
  }
  return out + "}\n";
}

}  // namespace orvella::check
