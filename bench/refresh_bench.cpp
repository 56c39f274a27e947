// The refresh of a scenery tree against a scenery folder of N links, and the
// settings file of N nodes.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <map>
#include <memory>

#include "benchdir.h"
#include "logic/core/folders.h"
#include "logic/mainwindow/ecrorvellalogic.h"
#include "logic/model/refresh.h"
#include "logic/model/tree.h"
#include "platform/winapi.h"
#include "setups.h"

namespace fs = std::filesystem;

namespace orvella::bench {
namespace {

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
    if (i % kScenesPerGroup == 0)
      group = source.CustScn.addChild(nullptr, "Group " + std::to_string(i), kKindGroup);
    else
      source.CustScn.addChild(group, "E:\\Scenery\\Scene " + std::to_string(i), kKindScene);
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
