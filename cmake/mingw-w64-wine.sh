#!/bin/sh
# Runs a Windows program of the MinGW build under Wine, in a Wine prefix made
# for these builds in a temporary folder (never the user's ~/.wine). The
# prefix is made once and then reused, and one Wine server is kept alive for
# a while, so that each test program starts in about a second instead of the
# ten it takes to make a prefix. Programs run one at a time through the
# prefix's lock until the session is up, so parallel tests never race to
# start it.
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
    wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
    wineserver --wait 9>&-
    touch "$base/ready"
  fi
  # Wine's own programs (services, plugplay, rpcss...) start with the first
  # program of a session and keep the output they were given until the
  # server ends, 120 s after its last program: started by a test, they would
  # hold the test's output open and make ctest wait those minutes. They are
  # started here, with no output of theirs and without the lock, before the
  # program runs.
  wineserver --persistent=120 </dev/null >/dev/null 2>&1 9>&- || true
  wine cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
) 9>"$base/lock"
exec wine "$@"
