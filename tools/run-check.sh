#!/usr/bin/env bash
# Proves the run command of the README: builds the target it builds, then
# starts that program as a user would, but on Qt's offscreen platform and
# from a temporary folder, until its main window is up; a second start must
# hand over to it and end; SIGTERM must close it as its close box does,
# writing its settings file beside it.
#   bash tools/run-check.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cmake --build "$build" -j "$(nproc)" --target orvella

work=$(mktemp -d)
trap 'kill -9 "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/tmp"
cp "$build/src/program/orvella" "$work/bin/orvella"
export QT_QPA_PLATFORM=offscreen TMPDIR="$work/tmp"

fail() { echo "run check: $*" >&2; exit 1; }

"$work/bin/orvella" >"$work/first.log" 2>&1 &
pid=$!
# The running program rings no bell before it owns its settings file.
for _ in $(seq 1 300); do
  compgen -G "$work/tmp/orvella-*.bell" >/dev/null && break
  kill -0 "$pid" 2>/dev/null || { cat "$work/first.log" >&2; fail "orvella ended at start"; }
  sleep 0.1
done
compgen -G "$work/tmp/orvella-*.bell" >/dev/null || fail "orvella did not start within 30 s"

# A second start hands over to the first and ends at once, writing nothing.
timeout 20 "$work/bin/orvella" >"$work/second.log" 2>&1 || { cat "$work/second.log" >&2; fail "the second start did not end cleanly"; }
[ ! -e "$work/bin/orvella.ini" ] || fail "the second start wrote the settings file"
kill -0 "$pid" 2>/dev/null || fail "the first program ended when the second started"

# SIGTERM closes the window as its close box does.
kill -TERM "$pid"
status=0
for _ in $(seq 1 300); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$pid" 2>/dev/null && fail "orvella did not end within 30 s of SIGTERM"
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { cat "$work/first.log" >&2; fail "orvella ended with status $status"; }
[ -f "$work/bin/orvella.ini" ] || fail "orvella wrote no settings file at its close"
head -c 3 "$work/bin/orvella.ini" | od -c | grep -q '5  \\r  \\n' || fail "the settings file is not of version 5"
echo "run check: orvella started, handed a second start over, and closed on SIGTERM with its settings written"
