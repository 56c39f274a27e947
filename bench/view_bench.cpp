// The refresh with the Qt tree view attached: the view must not repaint
// during the refresh nor rebuild what did not change.
#ifdef ORVELLA_BENCH_VIEW
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QEvent>

#include "logic/model/refresh.h"
#include "setups.h"
#include "ui/ttreeview.h"

namespace orvella::bench {
namespace {

// Counts the paint events of a widget.
class PaintCounter : public QObject {
 public:
  int paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++paints;
    return false;
  }
};

void BM_ViewRefresh(benchmark::State& state) {
  RefreshSetup& s = Setup(static_cast<int>(state.range(0)));
  {
    ui::TTreeView view(s.tree);
    view.resize(460, 400);
    view.show();
    view.expandAll();
    RafraichitArbre(s.tree, true);
    QApplication::processEvents();
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    int paintsDuringRefresh = 0;
    for (auto _ : state) {
      const int before = counter.paints;
      RafraichitArbre(s.tree, true);
      paintsDuringRefresh += counter.paints - before;
      // The view then shows the new state once.
      QApplication::processEvents();
    }
    state.counters["paints_during_refresh"] = paintsDuringRefresh;
    state.counters["paints_per_refresh"] = benchmark::Counter(counter.paints, benchmark::Counter::kAvgIterations);
    view.viewport()->removeEventFilter(&counter);
  }
}
BENCHMARK(BM_ViewRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace orvella::bench
#endif
