#!/bin/sh
# Runs a Windows program of the MinGW build under Wine, in a Wine prefix made
# for these builds in a temporary folder (never the user's ~/.wine). The
# prefix is made once and then reused, and one Wine server is kept alive for
# a while, so that each test program starts in about a second instead of the
# ten it takes to make a prefix.
#   ORVELLA_WINE_DIR   folder of the prefix (default: $TMPDIR/orvella-wine-<uid>)
set -eu
base="${ORVELLA_WINE_DIR:-${TMPDIR:-/tmp}/orvella-wine-$(id -u)}"
mkdir -p "$base"
WINEPREFIX="$base/prefix"
WINEDEBUG=-all
# No Mono or Gecko installers: the tests need neither.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
(
  flock 9
  if [ ! -f "$base/ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait
    touch "$base/ready"
  fi
) 9>"$base/lock"
wineserver --persistent=120 >/dev/null 2>&1 || true
exec wine "$@"
