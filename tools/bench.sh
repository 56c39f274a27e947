#!/usr/bin/env bash
# Runs orvella_bench (built by the dev preset) and prints each measurement's
# median and its ratio to the baseline measured in the same run.
#   bash tools/bench.sh [extra Google Benchmark flags]
set -euo pipefail
cd "$(dirname "$0")/.."
bin=build/dev/bench/orvella_bench
if [ ! -x "$bin" ]; then
  cmake --preset dev >/dev/null
  cmake --build --preset dev --target orvella_bench
fi
out=$(mktemp)
QT_QPA_PLATFORM=offscreen "$bin" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_enable_random_interleaving=true \
  --benchmark_out="$out" --benchmark_out_format=json "$@"
python3 tools/bench_ratios.py "$out"
rm -f "$out"
