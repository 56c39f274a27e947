// The scenery check's readers of outside files: library.txt, the definition
// tables of a DSF, and X-Plane's Log.txt.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "check/checkbuilder.h"
#include "logic/check/dsfdefs.h"
#include "logic/check/librarytxt.h"
#include "logic/check/logtxt.h"

namespace orvella::check {
namespace {

std::string Describe(const LibraryFile& f) {
  std::string out = f.valid ? "valid" : "invalid";
  for (const LibraryExport& e : f.exports) {
    out += " | " + std::to_string(static_cast<int>(e.kind)) + " " + std::string(e.virtualPath) + " -> " +
           std::string(e.realPath);
    if (!e.region.empty()) out += " @" + std::string(e.region);
    if (e.privateExport) out += " private";
  }
  if (f.climbing) out += " | climbing " + std::to_string(f.climbing);
  return out;
}

TEST(LibraryTxt, Grammar) {
  struct Case {
    const char* text;
    const char* expected;
  } cases[] = {
      {"A\n800\nLIBRARY\nEXPORT lib/a.obj objects/a.obj\n", "valid | 0 lib/a.obj -> objects/a.obj"},
      {"I\r\n800\r\nLIBRARY\r\nEXPORT lib/a.obj a.obj\r\n", "valid | 0 lib/a.obj -> a.obj"},
      // Every export form; the ratio and the season come before the path.
      {"A\n800\nLIBRARY\nEXPORT_EXTEND a/b x\nEXPORT_EXCLUDE a/c y\nEXPORT_BACKUP a/d z\nEXPORT_RATIO 0.5 a/e w\n"
       "EXPORT_SEASON sum a/f v\nEXPORT_EXTEND_SEASON win a/g u\nEXPORT_EXCLUDE_SEASON spr a/h t\n",
       "valid | 1 a/b -> x | 2 a/c -> y | 3 a/d -> z | 4 a/e -> w | 5 a/f -> v | 6 a/g -> u | 7 a/h -> t"},
      // Separators: '\' and ':' become '/'; a real path may hold blanks.
      {"A\n800\nLIBRARY\nEXPORT lib\\x:y.obj sub\\my file.obj\n", "valid | 0 lib/x/y.obj -> sub/my file.obj"},
      // Turned wherever they stand in a long path: first, across and after its
      // sixteen-byte steps.
      {"A\n800\nLIBRARY\nEXPORT lib\\objects:season\\winter\\trees:x\\oak_tall.obj o.obj\n",
       "valid | 0 lib/objects/season/winter/trees/x/oak_tall.obj -> o.obj"},
      // "." and ".." inside the pack are resolved; climbing out is ignored.
      {"A\n800\nLIBRARY\nEXPORT a/b ./x/../y.obj\nEXPORT a/c ../../other/z.obj\nEXPORT a/d /abs.obj\n",
       "valid | 0 a/b -> y.obj | climbing 2"},
      // Regions and visibility: kept with each export; "all" is no region.
      {"A\n800\nLIBRARY\nREGION_DEFINE eu\nREGION_RECT -10 35 30 70\nREGION_DREF sim/x == 1\nREGION eu\n"
       "EXPORT a/b x\nPRIVATE\nEXPORT a/c y\nPUBLIC\nREGION all\nEXPORT a/d z\nDEPRECATED\nSEMI_DEPRECATED\n",
       "valid | 0 a/b -> x @eu | 0 a/c -> y @eu private | 0 a/d -> z"},
      // Comments, unknown lines and exports missing their real path.
      {"A\n800\nLIBRARY\n# EXPORT no/no no\nFOO bar\nEXPORT a/b\nEXPORT a/c c\n", "valid | 0 a/c -> c"},
      // A header that is not one: nothing is exported.
      {"A\nLIBRARY\nEXPORT a/b x\n", "invalid"},
      {"X\n800\nLIBRARY\nEXPORT a/b x\n", "invalid"},
      {"", "invalid"},
  };
  for (const Case& c : cases) EXPECT_EQ(Describe(ParseLibrary(c.text)), c.expected) << c.text;
}

// An export's paths are its own, whatever becomes of the text they were
// read from or of the file they were first parsed into: a copy keeps them.
TEST(LibraryTxt, PathsOutliveTheirTextAndTheFileTheyWereReadInto) {
  std::string text = "A\n800\nLIBRARY\nREGION north\nEXPORT lib\\a:b.obj ./x/../y.obj\nEXPORT lib/c.obj c.obj\n";
  std::optional<LibraryFile> first = ParseLibrary(text);
  std::fill(text.begin(), text.end(), '#');
  const LibraryFile copy = *first;
  first.reset();
  EXPECT_EQ(Describe(copy), "valid | 0 lib/a/b.obj -> y.obj @north | 0 lib/c.obj -> c.obj @north");
}

TEST(DsfDefinitions, TablesOfEveryKind) {
  std::string dsf = "XPLNEDSF";
  test::PutU32(dsf, 1);
  // A raster atom before the header: passed over whole.
  dsf += test::Atom("DEMS", std::string(40, 'd'));
  dsf += test::Atom("HEAD", test::Atom("PROP", test::PropPayload({{"sim/overlay", "1"}, {"empty", ""}})));
  dsf +=
      test::Atom("DEFN", test::Atom("TERT", test::Table({"t.ter"})) + test::Atom("OBJT", test::Table({"o1", "o2"})) +
                             test::Atom("POLY", test::Table({"p.pol"})) + test::Atom("NETW", test::Table({"n.net"})) +
                             test::Atom("DEMN", test::Table({"elevation"})));
  const size_t whole = dsf.size();
  dsf += test::Atom("GEOD", "xyz");
  const auto d = ParseDsfDefinitions(dsf);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->terrains, (std::vector<std::string>{"t.ter"}));
  EXPECT_EQ(d->objects, (std::vector<std::string>{"o1", "o2"}));
  EXPECT_EQ(d->polygons, (std::vector<std::string>{"p.pol"}));
  EXPECT_EQ(d->networks, (std::vector<std::string>{"n.net"}));
  EXPECT_TRUE(IsOverlay(d->properties));
  EXPECT_EQ(d->properties.size(), 2u);
  // The check's read of the same: the four tables in one list.
  bool overlay = false;
  std::vector<std::string_view> names;
  ASSERT_TRUE(DsfDefinitionNames(dsf, overlay, names));
  EXPECT_TRUE(overlay);
  EXPECT_EQ(names, (std::vector<std::string_view>{"t.ter", "o1", "o2", "p.pol", "n.net"}));
  // Every shorter start asks for more, beyond what it holds, and never for
  // more than the definitions end at.
  for (size_t n = 0; n < whole; ++n) {
    const DsfStart s = ScanDsfDefinitions(std::string_view(dsf).substr(0, n));
    ASSERT_EQ(s.status, DsfStart::Status::NeedMore) << n;
    EXPECT_GT(s.needed, n);
    EXPECT_LE(s.needed, whole);
  }
  EXPECT_EQ(ScanDsfDefinitions(std::string_view(dsf).substr(0, whole)).status, DsfStart::Status::Done);
}

TEST(DsfDefinitions, DamagedTiles) {
  auto head = [] { return test::Atom("HEAD", test::Atom("PROP", test::PropPayload({{"a", "b"}}))); };
  auto start = [] {
    std::string s = "XPLNEDSF";
    test::PutU32(s, 1);
    return s;
  };
  std::string version2 = "XPLNEDSF";
  test::PutU32(version2, 2);
  std::string shortAtom = start();
  test::PutU32(shortAtom, 0x48454144u);
  test::PutU32(shortAtom, 4);  // shorter than its own header
  const std::string unended = start() + head() + test::Atom("DEFN", test::Atom("OBJT", "no end"));
  const std::string subTooLong = start() + head() + test::Atom("DEFN", test::Atom("OBJT", "a") + "\x4f\x42\x4a\x54");
  const std::string oddProps =
      start() + test::Atom("HEAD", test::Atom("PROP", std::string("k\0", 2))) + test::Atom("DEFN", "");
  for (const std::string& bad : {std::string("7z\xbc\xaf\x27\x1c"), std::string("XPLNEDSX"), version2, shortAtom})
    EXPECT_EQ(ScanDsfDefinitions(bad).status, DsfStart::Status::Damaged);
  for (const std::string& bad : {unended, subTooLong, oddProps}) {
    EXPECT_EQ(ScanDsfDefinitions(bad).status, DsfStart::Status::Done);
    EXPECT_FALSE(ParseDsfDefinitions(bad));
    bool overlay = false;
    std::vector<std::string_view> names;
    EXPECT_FALSE(DsfDefinitionNames(bad, overlay, names));
  }
}

TEST(LogTxt, LinesTiedToTheirPacks) {
  const std::string log =
      "Log.txt for X-Plane 12.1.1-r2 (build 121105 64-bit)\n"
      "0:00:00.000 I/SCN: Loading scenery pack: Custom Scenery/B/\n"
      "0:00:00.000 I/SCN: Loading scenery pack: Custom Scenery/A/\n"
      "0:00:12.500 E/SCN: Failed to find resource 'opensceneryx/a.obj', referenced from scenery package "
      "'Custom Scenery/KSEA Demo/'.\r\n"
      "0:00:12.600 E/SCN: Failed to find resource 'lib/b.obj', referenced from file "
      "'Custom Scenery/Mesh X/Earth nav data/+40+000/+46+007.dsf'.\n"
      "0:00:13.000 E/OBJ: Could not load texture Custom Scenery/Obj Pack/objects/t.png\n"
      "0:00:13.100 E/DSF: Error reading Global Scenery/X-Plane 12 Global Scenery/Earth nav data/+40+000/+46+007.dsf\n"
      "0:00:13.200 E/SCN: The terrain file 'Custom Scenery/Ortho/terrain/1.ter' could not be loaded\n"
      "MACIBM_alert: Error loading the scenery package: Custom Scenery\\Broken Pack\\\n"
      "0:00:14.000 E/SYS: something else entirely\n"
      "a line of no known form, with 'quotes' and E/ in it\n";
  const char* expected[][2] = {
      {"missing_resource", "KSEA Demo"},    {"missing_resource", "Mesh X"}, {"object", "Obj Pack"},
      {"dsf", "X-Plane 12 Global Scenery"}, {"terrain", "Ortho"},           {"package", "Broken Pack"}};
  // Fed whole, and cut at every place: the same report.
  LogReader whole;
  whole.feed(log);
  whole.finish();
  const LogReport& r = whole.report();
  EXPECT_EQ(r.version, "12.1.1-r2");
  ASSERT_EQ(r.findings.size(), std::size(expected));
  for (size_t i = 0; i < r.findings.size(); ++i) {
    EXPECT_EQ(r.findings[i].kind, expected[i][0]) << i;
    EXPECT_EQ(r.findings[i].pack, expected[i][1]) << i;
  }
  EXPECT_EQ(r.findings[0].what, "opensceneryx/a.obj");
  EXPECT_EQ(r.loadOrder, (std::vector<std::string>{"B", "A"}));
  for (size_t cut = 1; cut < log.size(); cut += 7) {
    LogReader parts;
    parts.feed(std::string_view(log).substr(0, cut));
    parts.feed(std::string_view(log).substr(cut));
    parts.finish();
    ASSERT_EQ(parts.report().findings.size(), r.findings.size()) << cut;
    for (size_t i = 0; i < r.findings.size(); ++i) EXPECT_EQ(parts.report().findings[i].line, r.findings[i].line);
  }
}

}  // namespace
}  // namespace orvella::check

namespace orvella::check {
namespace {

// The hints are searched by one of their inner bytes: near misses that
// share it, hints after such a byte, overlapping starts and a last line
// without its line break, fed whole and cut at every byte.
TEST(LogTxt, HintsFoundPastNearMissesAtEveryCut) {
  const std::string log =
      "Log.txt for X-Plane 12.1.4 (build 121405 64-bit)\n"
      "kkkk Loading scenery pac k: Custom Scenery/No/\n"
      "ccenery pack Loading scenery pack: Custom Scenery/A/\n"
      "_ _ MACIBM_alert: Error loading the scenery package: Custom Scenery/B/\n"
      "MACIBM_alert: Error loading the scenery package: Custom Scenery/C/\n"
      "Scenery pack loaded: Custom Scenery/D/\n"
      "cenery pac\nk MACIBM alert _\n"
      "Loaded scenery package: Custom Scenery/E/";
  const std::vector<std::string> order{"A", "D", "E"};
  for (size_t cut = 0; cut <= log.size(); ++cut) {
    LogReader reader;
    reader.feed(std::string_view(log).substr(0, cut));
    reader.feed(std::string_view(log).substr(cut));
    reader.finish();
    EXPECT_EQ(reader.report().version, "12.1.4") << cut;
    EXPECT_EQ(reader.report().loadOrder, order) << cut;
    std::vector<std::string> found;
    for (const LogFinding& f : reader.report().findings) found.push_back(f.kind + " " + f.pack);
    EXPECT_EQ(found, (std::vector<std::string>{"package B", "package C"})) << cut;
  }
}

}  // namespace
}  // namespace orvella::check
