// The refresh of a scenery tree against a scenery folder of N links, and the
// settings file of N nodes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "benchdir.h"
#include "logic/app/ecrorvella.h"
#include "logic/core/folders.h"
#include "logic/model/etats.h"
#include "logic/model/tree.h"
#include "platform/winapi.h"

namespace fs = std::filesystem;

namespace orvella::bench {
namespace {

constexpr int kScenesPerGroup = 100;
constexpr int kPlainEntries = 100;

// N scene folders, a scenery folder holding N links (N/2 of them to scenes
// of the tree, N/2 to folders no scene names) and 100 plain entries, and a
// tree of the N scenes in groups of 100.
struct RefreshSetup {
  explicit RefreshSetup(int n) {
    root = MakeTempFolder("refresh" + std::to_string(n));
    fs::create_directories(root / "Custom Scenery");
    fs::create_directories(root / "library");
    for (int i = 0; i < n; ++i) {
      const std::string name = "Scene " + std::to_string(i);
      fs::create_directories(root / "library" / name / "Earth nav data");
    }
    for (int i = 0; i < n; ++i) {
      // Even scenes are linked; odd links point at folders no scene names.
      const std::string name = i % 2 == 0 ? "Scene " + std::to_string(i) : "Other " + std::to_string(i);
      fs::create_directory_symlink(root / "library" / ("Scene " + std::to_string(i)), root / "Custom Scenery" / name);
    }
    for (int i = 0; i < kPlainEntries; ++i) fs::create_directories(root / "Custom Scenery" / ("plain " + std::to_string(i)));
    folder = Win(root / "Custom Scenery") + "\\";
    tree.sceneryFolder = folder;
    Node* group = nullptr;
    for (int i = 0; i < n; ++i) {
      if (i % kScenesPerGroup == 0) group = tree.addChild(nullptr, "Group " + std::to_string(i / kScenesPerGroup), kKindGroup);
      tree.addChild(group, Win(root / "library" / ("Scene " + std::to_string(i))), kKindScene);
    }
  }
  fs::path root;
  std::string folder;
  SceneryTree tree{"CustScn"};
};

RefreshSetup& Setup(int n) {
  static std::map<int, std::unique_ptr<RefreshSetup>> setups;
  auto& s = setups[n];
  if (!s) s = std::make_unique<RefreshSetup>(n);
  return *s;
}

// Baseline: list the scenery folder and read every entry's attributes.
void BM_ScanBaseline(benchmark::State& state) {
  RefreshSetup& s = Setup(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    size_t links = 0;
    ForEachEntry(s.folder, [&](const std::string& name, win::DWORD) {
      const win::DWORD a = win::GetFileAttributesA((s.folder + name).c_str());
      links += (a & win::FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    });
    benchmark::DoNotOptimize(links);
  }
}
BENCHMARK(BM_ScanBaseline)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_Refresh(benchmark::State& state) {
  RefreshSetup& s = Setup(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    RafraichitArbre(s.tree, true);
    benchmark::DoNotOptimize(s.tree.unmanaged());
  }
  state.counters["unmanaged"] = s.tree.unmanaged() ? s.tree.unmanaged()->childCount() : 0;
}
BENCHMARK(BM_Refresh)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// Reading and writing a settings file of N nodes.
void BM_Settings(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const fs::path root = MakeTempFolder("settings");
  EcrOrvellaLogic source;
  Node* group = nullptr;
  for (int i = 0; i < n; ++i) {
    if (i % kScenesPerGroup == 0) group = source.CustScn.addChild(nullptr, "Group " + std::to_string(i), kKindGroup);
    else source.CustScn.addChild(group, "E:\\Scenery\\Scene " + std::to_string(i), kKindScene);
  }
  const std::string path = Win(root / "orvella.ini");
  source.EcritParametres(path);
  for (auto _ : state) {
    EcrOrvellaLogic w;
    w.LitParametres(path);
    w.EcritParametres(path);
    benchmark::DoNotOptimize(w.CustScn.topCount());
  }
}
BENCHMARK(BM_Settings)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvella::bench
