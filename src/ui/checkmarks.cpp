#include "ui/checkmarks.h"

#include "logic/core/asciitext.h"
#include "qtansi/ansiqt.h"
#include "ui/checktexts.h"

namespace orvella::ui {

namespace {

std::string Folded(std::string path) {
  while (path.size() > 1 && (path.back() == '\\' || path.back() == '/')) path.pop_back();
  return FoldAsciiCase(path);
}

}  // namespace

QString ReasonText(check::Reason reason, const std::string& provider) {
  switch (reason) {
    case check::Reason::Absent:
      return EngineText("RaisonAbsent");
    case check::Reason::Disabled:
      return EngineText("RaisonDisabled", {provider});
    case check::Reason::Inactive:
      return EngineText("RaisonInactive", {provider});
    case check::Reason::Backup:
      return EngineText("RaisonBackup", {provider});
    case check::Reason::Case:
      return EngineText("RaisonCase", {provider});
  }
  return {};
}

void CheckMarks::clear() {
  byFolder_.clear();
  byName_.clear();
}

void CheckMarks::add(const check::Report& report, const std::string& packName, const QString& line) {
  auto put = [&](QStringList& list) {
    if (!list.contains(line)) list << line;
  };
  // By name too: the trees know a link of the scenery folder by its name,
  // while the report knows the folder the link leads to.
  if (!packName.empty()) put(byName_[FoldAsciiCase(packName)]);
  for (const check::LoadedPack& p : report.packs)
    if (p.name == packName && !p.folder.empty()) {
      put(byFolder_[Folded(p.folder)]);
      return;
    }
}

void CheckMarks::set(const check::Report& report) {
  if (report.cancelled) return;
  clear();
  for (const check::Missing& m : report.missing) {
    const QString line = CheckText("MarqueManque").arg(FromAnsi(m.path), ReasonText(m.reason, m.provider));
    for (const std::string& pack : m.packs) add(report, pack, line);
    // The scene or pack that would provide it once turned on.
    if ((m.reason == check::Reason::Inactive || m.reason == check::Reason::Disabled) && !m.provider.empty()) {
      QStringList& list = byFolder_[Folded(m.provider)];
      const QString provides = CheckText("MarqueFournit").arg(FromAnsi(m.library));
      if (!list.contains(provides)) list << provides;
    }
  }
  for (const check::BrokenExport& b : report.brokenExports)
    add(report, b.pack, CheckText("MarqueExport").arg(FromAnsi(b.path)));
  for (const check::DuplicateAirport& d : report.duplicateAirports)
    for (size_t i = 1; i < d.packs.size(); ++i)
      add(report, d.packs[i], CheckText("MarqueDoublon").arg(FromAnsi(d.icao), FromAnsi(d.packs.front())));
  for (const check::TileConflict& c : report.tileConflicts)
    for (size_t i = 1; i < c.packs.size(); ++i)
      add(report, c.packs[i],
          CheckText("MarqueCachee").arg(FromAnsi(check::TileName(c.tile)), FromAnsi(c.packs.front())));
  for (const check::DamagedFile& d : report.damaged)
    add(report, d.pack, CheckText("MarqueAbime").arg(FromAnsi(d.file.empty() ? d.pack : d.file), FromAnsi(d.what)));
  for (const check::LogFinding& f : report.log.findings)
    if (!f.pack.empty()) add(report, f.pack, CheckText("MarqueJournal").arg(FromAnsi(f.what)));
}

QStringList CheckMarks::problemsOf(const std::string& folder, const std::string& name) const {
  QStringList out;
  if (!folder.empty())
    if (auto it = byFolder_.find(Folded(folder)); it != byFolder_.end()) out = it->second;
  if (!name.empty())
    if (auto it = byName_.find(FoldAsciiCase(name)); it != byName_.end())
      for (const QString& l : it->second)
        if (!out.contains(l)) out << l;
  return out;
}

}  // namespace orvella::ui
