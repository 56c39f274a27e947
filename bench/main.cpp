// Benchmark entry: Google Benchmark's main, then the temporary folders go.
#include <benchmark/benchmark.h>

#include "benchdir.h"

#ifdef ORVELLA_BENCH_VIEW
#include <QApplication>
#endif

int main(int argc, char** argv) {
#ifdef ORVELLA_BENCH_VIEW
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
#endif
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  orvella::bench::RemoveTempFolders();
  return 0;
}
