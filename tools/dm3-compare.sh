#!/usr/bin/env bash
# Whole-process comparison of dm3conv with a numpy reader doing the same
# conversion (memory-mapped pixel block, min/max, stretch to 8 bits, raw bytes
# written), and with the physical floor (cat of the file into /dev/null plus
# one std::minmax_element pass over its floats), on a 4096 x 4096 float file.
# Five rounds run every command once, side by side; each command's best wall
# time, CPU time and peak resident set (/usr/bin/time -v) are kept. Then the
# peak memory of dm3conv on an 8192 x 8192 float file.
#   bash tools/dm3-compare.sh [dm3conv binary]
# Needs python3-numpy (Debian) and g++; the files go to a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
conv=$(realpath "${1:-build/dev/src/dm3qt/dm3conv}")
# The DM3 files come from the tests' DM3 writer (tests/tools/dm3files.cpp).
make=$(realpath "${DM3FILES:-build/dev/tests/dm3files}")
py=/usr/bin/python3
[ -x "$conv" ] || { echo "dm3conv not found: $conv (build it first)" >&2; exit 1; }
[ -x "$make" ] || { echo "dm3files not found: $make (build it first)" >&2; exit 1; }
"$py" -c 'import numpy' 2>/dev/null || { echo "numpy is missing: apt-get install python3-numpy" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The numpy reader.
cat >"$work/numpy_conv.py" <<'EOF'
import sys
import numpy as np
path, offset, w, h, out = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4]), sys.argv[5]
v = np.memmap(path, dtype='<f4', mode='r', offset=offset, shape=(h, w))
lo = min(float(v.min()), 3.4e38)
hi = max(float(v.max()), 0.0)
factor = np.float32(255.0 / (hi - lo)) if hi > lo else np.float32(0)
levels = np.rint((v - np.float32(lo)) * factor).astype(np.uint8)
levels.tofile(out)
EOF

# The floor's min/max pass.
cat >"$work/minmax.cpp" <<'EOF'
#include <algorithm>
#include <cstdio>
#include <fstream>
#include <vector>
int main(int, char** argv) {
  std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
  std::vector<float> v(static_cast<size_t>(in.tellg()) / sizeof(float));
  in.seekg(0);
  in.read(reinterpret_cast<char*>(v.data()), static_cast<std::streamsize>(v.size() * sizeof(float)));
  const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
  std::printf("%g %g\n", *lo, *hi);
}
EOF
g++ -O2 -o "$work/minmax" "$work/minmax.cpp"

# once LABEL COMMAND...: one run; keeps the label's best wall seconds, CPU
# seconds (user + system) and peak KiB.
declare -A best_t best_c best_m
once() {
  local label=$1 t c m
  shift
  /usr/bin/time -v "$@" >/dev/null 2>"$work/time.txt"
  t=$(awk -F': ' '/Elapsed \(wall clock\)/ {n = split($2, p, ":"); s = 0; for (i = 1; i <= n; i++) s = s * 60 + p[i]; print s}' "$work/time.txt")
  c=$(awk -F': ' '/User time|System time/ {s += $2} END {print s}' "$work/time.txt")
  m=$(awk -F': ' '/Maximum resident set size/ {print $2}' "$work/time.txt")
  if [ -z "${best_t[$label]:-}" ] || awk "BEGIN {exit !($t < ${best_t[$label]})}"; then best_t[$label]=$t; fi
  if [ -z "${best_c[$label]:-}" ] || awk "BEGIN {exit !($c < ${best_c[$label]})}"; then best_c[$label]=$c; fi
  if [ -z "${best_m[$label]:-}" ] || [ "$m" -lt "${best_m[$label]}" ]; then best_m[$label]=$m; fi
}
show() {
  printf '%-12s wall %6.3f s  cpu %6.3f s  peak %9d KiB\n' "$1" "${best_t[$1]}" "${best_c[$1]}" "${best_m[$1]}"
}

cd "$work"
off=$("$make" float 4096 f4096.dm3)
echo "4096 x 4096 float32, $(stat -c %s f4096.dm3) bytes, pixels at $off"
conv4096=("$conv" f4096.dm3 out.pgm)
numpy4096=("$py" numpy_conv.py f4096.dm3 "$off" 4096 4096 out.raw)
"${conv4096[@]}" >/dev/null 2>&1; "${numpy4096[@]}"; cat f4096.dm3 >/dev/null  # page cache warm
# Five rounds, each running every command once, so that the load of the
# machine falls on all of them alike.
for _ in 1 2 3 4 5; do
  once dm3conv "${conv4096[@]}"
  once numpy "${numpy4096[@]}"
  once cat sh -c 'cat f4096.dm3 >/dev/null'
  once minmax ./minmax f4096.dm3
done
for label in dm3conv numpy cat minmax; do show $label; done
awk -v ct="${best_t[dm3conv]}" -v cc="${best_c[dm3conv]}" -v cm="${best_m[dm3conv]}" \
    -v nt="${best_t[numpy]}" -v nc="${best_c[numpy]}" -v nm="${best_m[numpy]}" \
    -v at="${best_t[cat]}" -v mt="${best_t[minmax]}" 'BEGIN {
  printf "dm3conv / numpy: wall time %.2f (at most 0.6), cpu time %.2f, peak memory %.2f (at most 0.2)\n", ct / nt, cc / nc, cm / nm
  printf "dm3conv / floor (cat + minmax = %.3f s): wall time %.2f (at most 2)\n", at + mt, ct / (at + mt) }'
# The grey map holds the same levels as the numpy reader's bytes, but for
# rounding in the last place: numpy stretches in single precision.
{ tail -c $((4096 * 4096)) out.pgm | cmp -l - out.raw || true; } | wc -l | awk '{printf "levels that differ from numpy'"'"'s: %d of %d\n", $1, 4096 * 4096}'
rm -f f4096.dm3 out.pgm out.raw

"$make" float 8192 f8192.dm3 >/dev/null
echo "8192 x 8192 float32, $(stat -c %s f8192.dm3) bytes"
"$conv" f8192.dm3 out.pgm
for _ in 1 2 3 4 5; do once dm3conv8192 "$conv" f8192.dm3 out.pgm; done
show dm3conv8192
awk -v m="${best_m[dm3conv8192]}" 'BEGIN {
  limit = 1.2 * 65536 + 32768
  printf "dm3conv peak %d KiB against the limit %d KiB (1.2 x 64 MiB + 32 MiB): %s\n", m, limit, m < limit ? "under" : "OVER" }'
