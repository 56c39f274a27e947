// The orphan search over a library of 20,000 folders, and the load of a
// 4096 x 4096 float32 DM3 picture.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>

#include "benchdir.h"
#include "logic/core/folders.h"
#include "logic/dm3/dm3image.h"
#include "logic/dm3/dm3stream.h"
#include "logic/links/orphans.h"
#include "logic/model/refresh.h"
#include "logic/model/tree.h"
#include "platform/winapi.h"
#include "support/dm3writer.h"

namespace fs = std::filesystem;

namespace orvella::bench {
namespace {

// A library of `folders` folders: 100 regions of areas; one area in nine
// is a scene (an "Earth nav data" folder inside it), and every second scene
// is managed by the tree. Regions, areas and marker folders add up to
// `folders`; with 20,000 there are 2,000 scenes, 1,000 of them managed.
struct OrphanSetup {
  explicit OrphanSetup(int folders) {
    root = MakeTempFolder("library");
    const int regions = 100;
    // regions + regions * areas + regions * ceil(areas / 9) = folders
    const int perRegion = (folders / regions - 1) * 9 / 10;
    Node* managedGroup = managedTree.addChild(nullptr, "Managed", kKindGroup);
    int scenes = 0;
    for (int r = 0; r < regions; ++r) {
      for (int a = 0; a < perRegion; ++a) {
        const fs::path area = root / ("Region " + std::to_string(r)) / ("Area " + std::to_string(a));
        if (a % 9 == 0) {
          fs::create_directories(area / "Earth nav data");
          if (scenes++ % 2 == 0) managedTree.addChild(managedGroup, Win(area), kKindScene);
        } else {
          fs::create_directories(area);
        }
      }
    }
    library = Win(root) + "\\";
    managed = ManagedScenes(managedTree, otherTree);
  }
  fs::path root;
  std::string library;
  SceneryTree managedTree{"CustScn"};
  SceneryTree otherTree{"GlobScn"};
  ManagedScenes managed;
};

OrphanSetup& Orphans(int n) {
  static std::unique_ptr<OrphanSetup> s;
  if (!s) s = std::make_unique<OrphanSetup>(n);
  return *s;
}

// Baseline: the same recursive listing, with the scene-folder test, alone.
void Walk(const std::string& folder, size_t& count) {
  if (EstDossierScene(folder)) {
    ++count;
    return;
  }
  ForEachEntry(folder, [&](const std::string& name, win::DWORD a) {
    if (a & win::FILE_ATTRIBUTE_DIRECTORY) Walk(folder + name + "\\", count);
  });
}

void BM_WalkBaseline(benchmark::State& state) {
  OrphanSetup& s = Orphans(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    size_t scenes = 0;
    Walk(s.library, scenes);
    benchmark::DoNotOptimize(scenes);
    state.counters["scenes"] = static_cast<double>(scenes);
  }
}
BENCHMARK(BM_WalkBaseline)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_Orphans(benchmark::State& state) {
  OrphanSetup& s = Orphans(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    SceneryTree target("CustScn");
    Node* g = target.addChild(nullptr, "Orphans", kKindGroup);
    ChercheOrphelins(s.library, s.managed, target, g);
    state.counters["orphans"] = g->childCount();
  }
}
BENCHMARK(BM_Orphans)->Arg(20000)->Unit(benchmark::kMillisecond);

// A float32 picture of n x n values in one DM3 file.
struct Dm3Setup {
  explicit Dm3Setup(int n) {
    const fs::path root = MakeTempFolder("dm3");
    std::vector<float> values(static_cast<size_t>(n) * n);
    for (size_t i = 0; i < values.size(); ++i) values[i] = static_cast<float>(std::sin(i * 0.001) * 1000.0);
    test::dm3w::Group tags;
    test::dm3w::Group& list = tags.AddGroup("ImageList");
    test::dm3w::AddImage(list, n, n, 2, 4, 6, test::dm3w::Block(values));
    file = (root / "big.dm3").string();
    std::ofstream(file, std::ios::binary) << test::dm3w::File(tags);
    winPath = Win(root / "big.dm3");
    cwd = root;
  }
  std::string file;
  std::string winPath;
  fs::path cwd;
};

Dm3Setup& Dm3(int n) {
  static std::unique_ptr<Dm3Setup> s;
  if (!s) s = std::make_unique<Dm3Setup>(n);
  return *s;
}

// Baseline: read the file into memory and one min/max pass over its values.
void BM_Dm3Baseline(benchmark::State& state) {
  Dm3Setup& s = Dm3(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream in(s.file, std::ios::binary | std::ios::ate);
    std::string bytes(static_cast<size_t>(in.tellg()), '\0');
    in.seekg(0);
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    const size_t count = bytes.size() / sizeof(float);
    const float* v = reinterpret_cast<const float*>(bytes.data());
    float lo = 3.4e38f, hi = 0;
    for (size_t i = 0; i < count; ++i) {
      lo = std::min(lo, v[i]);
      hi = std::max(hi, v[i]);
    }
    benchmark::DoNotOptimize(lo);
    benchmark::DoNotOptimize(hi);
  }
}
BENCHMARK(BM_Dm3Baseline)->Arg(4096)->Unit(benchmark::kMillisecond);

void BM_Dm3Load(benchmark::State& state) {
  Dm3Setup& s = Dm3(static_cast<int>(state.range(0)));
  const fs::path saved = fs::current_path();
  fs::current_path(s.cwd);  // the tag dump goes to the current folder
  for (auto _ : state) {
    TDM3Image image;
    dm3::FileStream stream(s.winPath);
    image.LoadFromStream(stream);
    benchmark::DoNotOptimize(image.GetWidth());
  }
  fs::current_path(saved);
}
BENCHMARK(BM_Dm3Load)->Arg(4096)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvella::bench
