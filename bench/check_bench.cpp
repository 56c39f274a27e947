// The scenery check at heavy-user scale: 1,000 packs holding 5,000 DSF tiles
// (the tiles of every fifth pack 7z-compressed) that name library objects,
// and 50 libraries of 2,000 exports each. The first check is measured
// against a baseline that opens each tile and reads it up to its
// definitions (decompressing 7z tiles that far); the second check, nothing
// changed, against the first. Log.txt of 100 MB against reading it line by
// line. ORVELLA_CHECK_BENCH_SCALE (default 1) divides the packs and tiles.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "benchdir.h"
#include "logic/check/dsfdefs.h"
#include "logic/check/logtxt.h"
#include "logic/check/scenerycheck.h"
#include "logic/core/folders.h"
#include "order/packbuilder.h"
#include "platform/handle.h"

namespace fs = std::filesystem;

namespace orvella::bench {
namespace {

constexpr int kLibraries = 50;
constexpr int kExports = 2000;
constexpr int kRealFiles = 200;  // exports per library share these files, as seasonal variants do
constexpr int kRefsPerTile = 40;
constexpr size_t kGeometry = 16 * 1024;  // bytes after the definitions, never read
constexpr size_t kLogBytes = size_t{100} << 20;

int Scale() {
  const char* s = std::getenv("ORVELLA_CHECK_BENCH_SCALE");
  const int v = s ? std::atoi(s) : 1;
  return v > 0 ? v : 1;
}

void WriteHost(const fs::path& p, const std::string& bytes) {
  fs::create_directories(p.parent_path());
  FILE* f = std::fopen(p.string().c_str(), "wb");
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string Strings(const std::vector<std::string>& v) {
  std::string out;
  for (const std::string& s : v) out += s + '\0';
  return out;
}

struct CheckSetup {
  CheckSetup() {
    const int packs = 1000 / Scale();
    const int tilesPerPack = 5;
    root = MakeTempFolder("check");
    const fs::path custom = root / "XP" / "Custom Scenery";
    std::string ini = "I\n1000 Version\nSCENERY\n\n";
    for (int l = 0; l < kLibraries; ++l) {
      const std::string name = "Library " + std::to_string(l);
      std::string lib = "A\n800\nLIBRARY\n\n";
      for (int e = 0; e < kExports; ++e)
        lib += "EXPORT lib" + std::to_string(l) + "/objects/o" + std::to_string(e) + ".obj objects/f" +
               std::to_string(e % kRealFiles) + ".obj\n";
      WriteHost(custom / name / "library.txt", lib);
      for (int f = 0; f < kRealFiles; ++f)
        WriteHost(custom / name / "objects" / ("f" + std::to_string(f) + ".obj"), "A\n800\nOBJ\n");
      ini += "SCENERY_PACK Custom Scenery/" + name + "/\n";
    }
    unsigned seed = 1;
    for (int p = 0; p < packs; ++p) {
      const std::string name = "Pack " + std::to_string(p);
      const fs::path pack = custom / name;
      const bool compressed = p % 5 == 0;
      for (int t = 0; t < tilesPerPack; ++t) {
        std::vector<std::string> objects;
        for (int r = 0; r < kRefsPerTile; ++r) {
          seed = seed * 1103515245u + 12345u;
          const unsigned v = seed >> 8;
          objects.push_back("lib" + std::to_string(v % kLibraries) + "/objects/o" +
                            std::to_string((v / kLibraries) % kExports) + ".obj");
        }
        objects.push_back("objects/own.obj");
        std::string dsf = "XPLNEDSF";
        test::PutU32(dsf, 1);
        dsf += test::Atom("HEAD", test::Atom("PROP", test::PropPayload(test::TileProps(true, t, 46))));
        dsf +=
            test::Atom("DEFN", test::Atom("TERT", Strings({"terrain_Water"})) + test::Atom("OBJT", Strings(objects)) +
                                   test::Atom("POLY", "") + test::Atom("NETW", ""));
        std::string geometry(kGeometry, '\0');
        for (size_t i = 0; i < geometry.size(); ++i) geometry[i] = static_cast<char>((i * 7919u) >> 3);
        dsf += test::Atom("GEOD", geometry) + std::string(16, '\0');
        const std::string file = "+46+00" + std::to_string(t) + ".dsf";
        const fs::path at = pack / "Earth nav data" / "+40+000" / file;
        fs::create_directories(at.parent_path());
        if (compressed)
          test::Write7z(at, file, dsf);
        else
          WriteHost(at, dsf);
        tiles.push_back(Win(at));
      }
      WriteHost(pack / "objects" / "own.obj", "A\n800\nOBJ\n");
      ini += "SCENERY_PACK Custom Scenery/" + name + "/\n";
    }
    WriteHost(custom / "scenery_packs.ini", ini);
    // Files and folders an hour old: a check trusts the stamps of what
    // settled (else a second check run alone within seconds of this set-up
    // would keep no verdict).
    const auto past = fs::file_time_type::clock::now() - std::chrono::hours(1);
    for (const auto& e : fs::recursive_directory_iterator(root / "XP"))
      if (e.is_regular_file() || (e.is_directory() && !e.is_symlink())) fs::last_write_time(e.path(), past);
    installation = Win(root / "XP");
    memory = Win(root / "memory.check");
  }
  fs::path root;
  std::string installation, memory;
  std::vector<std::string> tiles;
};

CheckSetup& Setup() {
  static std::unique_ptr<CheckSetup> s;
  if (!s) s = std::make_unique<CheckSetup>();
  return *s;
}

double PeakMegabytes() {
  struct rusage u {};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_maxrss) / 1024.0;
}

// Baseline: every tile opened and read to the end of its definitions.
void BM_CheckBaseline(benchmark::State& state) {
  CheckSetup& s = Setup();
  for (auto _ : state) {
    size_t bytes = 0;
    for (const std::string& t : s.tiles)
      bytes += ReadDsfPrefix(t, check::ScanDsfDefinitions, check::kDsfDefinitionsLimit).bytes.size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["tiles"] = static_cast<double>(s.tiles.size());
}
BENCHMARK(BM_CheckBaseline)->Unit(benchmark::kMillisecond);

// The first check: everything read, the memory written for the next one.
void BM_CheckFirst(benchmark::State& state) {
  CheckSetup& s = Setup();
  check::Options o;
  o.memoryFile = s.memory;
  size_t missing = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove(s.root / "memory.check");
    state.ResumeTiming();
    const check::Report r = check::CheckInstallation(s.installation, o);
    missing = r.missing.size() + r.brokenExports.size() + r.damaged.size();
    benchmark::DoNotOptimize(missing);
  }
  state.counters["problems"] = static_cast<double>(missing);
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_CheckFirst)->Unit(benchmark::kMillisecond);

// The second check: nothing changed since the remembered one.
void BM_CheckSecond(benchmark::State& state) {
  CheckSetup& s = Setup();
  check::Options o;
  o.memoryFile = s.memory;
  check::CheckInstallation(s.installation, o);
  int read = 0;
  for (auto _ : state) read = check::CheckInstallation(s.installation, o).filesRead;
  state.counters["files_read"] = read;
  state.counters["peak_MB"] = PeakMegabytes();
}
BENCHMARK(BM_CheckSecond)->Unit(benchmark::kMillisecond);

// A Log.txt of 100 MB: mostly lines of no interest, a scenery error in 500.
const std::string& LogPath() {
  static std::string path;
  if (path.empty()) {
    const fs::path host = MakeTempFolder("log") / "Log.txt";
    std::string text = "Log.txt for X-Plane 12.1.1-r1 (build 121105 64-bit)\n";
    text.reserve(kLogBytes + 256);
    for (int i = 0; text.size() < kLogBytes; ++i) {
      if (i % 500 == 0)
        text += "0:01:02.345 E/SCN: Failed to find resource 'lib/x" + std::to_string(i) +
                ".obj', referenced from scenery package 'Custom Scenery/Pack " + std::to_string(i % 1000) + "/'.\n";
      else
        text += "0:01:02.345 I/GFX: Texture load of Resources/bitmaps/a" + std::to_string(i) +
                ".png done in 0.01 s, 4096 bytes resident, pool 3\n";
    }
    WriteHost(host, text);
    path = Win(host);
  }
  return path;
}

// Baseline: the file read in 1 MB blocks and cut into lines.
void BM_LogBaseline(benchmark::State& state) {
  const std::string& path = LogPath();
  for (auto _ : state) {
    platform::FileHandle f(win::CreateFileA(path.c_str(), win::GENERIC_READ, win::FILE_SHARE_READ, nullptr,
                                            win::OPEN_EXISTING, 0, nullptr));
    std::string buffer(size_t{1} << 20, '\0');
    size_t lines = 0;
    win::DWORD got = 0;
    while (win::ReadFile(f.get(), buffer.data(), static_cast<win::DWORD>(buffer.size()), &got, nullptr) && got) {
      std::string_view rest(buffer.data(), got);
      for (size_t nl = rest.find('\n'); nl != std::string_view::npos; nl = rest.find('\n')) {
        benchmark::DoNotOptimize(rest.substr(0, nl));
        rest.remove_prefix(nl + 1);
        ++lines;
      }
    }
    benchmark::DoNotOptimize(lines);
  }
}
BENCHMARK(BM_LogBaseline)->Unit(benchmark::kMillisecond);

void BM_LogRead(benchmark::State& state) {
  const std::string& path = LogPath();
  size_t findings = 0;
  for (auto _ : state) findings = check::ReadLogFile(path).findings.size();
  state.counters["findings"] = static_cast<double>(findings);
}
BENCHMARK(BM_LogRead)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvella::bench
