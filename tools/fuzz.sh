#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and
# UndefinedBehaviorSanitizer) into build/fuzz and runs each one in turn for a
# number of seconds over its seed corpus. Stops at the first finding, with a
# non-zero exit; the input that caused it is kept in build/fuzz/artifacts/.
#   bash tools/fuzz.sh                  # every target, 30 seconds each
#   bash tools/fuzz.sh 600 fuzz_dm3     # one target, 10 minutes
# New inputs found along the way go to build/fuzz/corpus/<target>; the seeds
# in fuzz/corpus/<target> are only read.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_dm3 fuzz_settings fuzz_lng fuzz_lnk fuzz_order fuzz_library fuzz_dsfdefs fuzz_log)

build="$PWD/build/fuzz"   # absolute: a target may change its current directory
lock=()
command -v flock >/dev/null && lock=(flock /tmp/orvella-build.lock)

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DORVELLA_FUZZ=ON -DORVELLA_BUILD_UI=OFF -DORVELLA_BUILD_TESTS=OFF -DORVELLA_BUILD_BENCH=OFF >/dev/null
"${lock[@]}" cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Largest input per target: the seeds are far smaller; room for growth.
declare -A max_len=([fuzz_dm3]=16384 [fuzz_settings]=16384 [fuzz_lng]=8192 [fuzz_lnk]=4096 [fuzz_order]=8192 [fuzz_library]=8192 [fuzz_dsfdefs]=16384 [fuzz_log]=16384)

mkdir -p "$build/artifacts" "$build/logs"
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512
        -max_len="${max_len[$t]:-8192}" -use_value_profile=1 -print_final_stats=1
        -artifact_prefix="$build/artifacts/$t-")
  [ -f "fuzz/$t.dict" ] && args+=(-dict="$PWD/fuzz/$t.dict")
  echo "== $t: $seconds s"
  if ! ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzz/$t" "${args[@]}" "$corpus" "$PWD/fuzz/corpus/$t" >"$build/logs/$t.log" 2>&1; then
    tail -n 60 "$build/logs/$t.log"
    echo "== $t: FINDING (input kept in $build/artifacts/)" >&2
    exit 1
  fi
  grep -E '^stat::number_of_executed_units|^stat::peak_rss_mb|^Done' "$build/logs/$t.log" || true
done
echo "== no findings"
