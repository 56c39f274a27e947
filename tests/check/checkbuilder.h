// Installations for the scenery check's tests: DSF tiles with definition
// tables, written with the order tests' tile writer (plain or 7z).
#pragma once

#include <string>
#include <vector>

#include "logic/check/scenerycheck.h"
#include "order/packbuilder.h"

namespace orvella::test {

// The loaded packs' names, and the missing paths, in the report's order.
inline std::vector<std::string> PackNames(const check::Report& r) {
  std::vector<std::string> v;
  for (const check::LoadedPack& p : r.packs) v.push_back(p.name);
  return v;
}
inline std::vector<std::string> MissingPaths(const check::Report& r) {
  std::vector<std::string> v;
  for (const check::Missing& m : r.missing) v.push_back(m.path);
  return v;
}

inline std::string Table(const std::vector<std::string>& names) {
  std::string p;
  for (const std::string& n : names) p += n + '\0';
  return p;
}

// A tile placing these objects (and one terrain); an overlay or a base mesh.
inline std::string CheckDsf(const std::vector<std::string>& objects, bool overlay = true,
                            const std::vector<std::string>& terrains = {"terrain_Water"}) {
  std::string out = "XPLNEDSF";
  PutU32(out, 1);
  out += Atom("HEAD", Atom("PROP", PropPayload(TileProps(overlay, 7, 46))));
  out +=
      Atom("DEFN", Atom("TERT", Table(terrains)) + Atom("OBJT", Table(objects)) + Atom("POLY", "") + Atom("NETW", ""));
  out += Atom("GEOD", std::string(200, 'g'));
  out += std::string(16, '\0');
  return out;
}

// A pack's tile at "Earth nav data/+40+000/<name>".
inline void PutTile(const TestDir& dir, const std::string& pack, const std::string& dsf, bool compressed = false,
                    const std::string& name = "+46+007.dsf") {
  const std::string rel = pack + "/Earth nav data/+40+000/" + name;
  if (compressed)
    Write7z(dir.host(rel), name, dsf);
  else
    dir.file(rel, dsf);
}

inline void PutLibrary(const TestDir& dir, const std::string& pack, const std::string& lines) {
  dir.file(pack + "/library.txt", "A\n800\nLIBRARY\n\n" + lines);
}

}  // namespace orvella::test
