#!/bin/sh
# Runs a Windows program of the MinGW build under Wine, in the build's own
# Wine prefix (never the user's ~/.wine, nor one that another build or
# checkout shares: a prefix made again or a server ended by another run
# would make programs fail at their start). The prefix is made once and then
# reused, and one Wine server is kept alive for a while, so that each test
# program starts in about a second instead of the ten it takes to make a
# prefix. Programs run one at a time through the prefix's lock until the
# session is up, so parallel tests never race to start it; a failure of that
# start says what failed.
#   mingw-w64-wine.sh --wine-dir=DIR PROGRAM ARGS...   (as the toolchain runs it)
#   ORVELLA_WINE_DIR   folder of the prefix, in place of DIR
#                      (default without either: $TMPDIR/orvella-wine-<uid>)
set -eu
dir=
case "${1:-}" in
  --wine-dir=*) dir=${1#--wine-dir=}; shift ;;
esac
base="${ORVELLA_WINE_DIR:-${dir:-${TMPDIR:-/tmp}/orvella-wine-$(id -u)}}"
fail() { echo "mingw-w64-wine.sh: $*" >&2; exit 1; }
mkdir -p "$base" || fail "cannot make $base"
WINEPREFIX="$base/prefix"
WINEDEBUG=-all
# No Mono or Gecko installers: the tests need neither.
WINEDLLOVERRIDES="mscoree,mshtml="
export WINEPREFIX WINEDEBUG WINEDLLOVERRIDES
(
  flock 9 || fail "cannot lock $base/lock"
  if [ ! -f "$base/ready" ]; then
    rm -rf "$WINEPREFIX"
    wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
    wineserver --wait 9>&- || true
    # Ready only when the prefix is whole.
    [ -f "$WINEPREFIX/system.reg" ] || fail "wineboot made no prefix in $WINEPREFIX"
    touch "$base/ready"
  fi
  # Wine's own programs (services, plugplay, rpcss..., and the desktop's
  # explorer.exe, started by the first program that makes a window) keep the
  # output they were given until the server ends, 120 s after its last
  # program: started by a test, they would hold the test's output open and
  # make ctest wait those minutes. They are started here, with no output of
  # theirs and without the lock, before the program runs: rundll32 makes a
  # window of its own.
  wineserver --persistent=120 </dev/null >/dev/null 2>&1 9>&- || true
  # Once more if the first met a server on its way out.
  start() { wine rundll32 user32.dll,GetDesktopWindow </dev/null >/dev/null 2>&1 9>&-; }
  start || start || fail "Wine cannot start a program in $WINEPREFIX"
) 9>"$base/lock" || exit 1
exec wine "$@"
