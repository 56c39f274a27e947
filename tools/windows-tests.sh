#!/usr/bin/env bash
# The Windows build: orvella.exe with its window, dm3conv.exe, the platform
# layer (Win32 backend), the logic and every test program cross-built with
# MinGW-w64 and the static Qt for Windows of ../shared/qt6-mingw, the tests
# run under Wine on Qt's offscreen platform (see cmake/mingw-w64.cmake), and
# the zip a Windows user downloads. Without that Qt, the platform layer and
# the logic alone (preset mingw-logic). Called by tools/setup.sh test.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
jobs=$(nproc)
preset=mingw
if [ ! -f ../shared/qt6-mingw/lib/cmake/Qt6/qt.toolchain.cmake ]; then
  echo "No Qt for Windows in ../shared/qt6-mingw: building the logic and its tests only." >&2
  preset=mingw-logic
fi
cmake --preset "$preset"
cmake --build --preset "$preset" -j "$jobs"
# The build's Wine session is up (its prefix made, its server started) before
# the test programs start side by side; its server is ended after them.
wine_dir="$PWD/build/$preset/wine"
sh cmake/mingw-w64-wine.sh --wine-dir="$wine_dir" cmd /c exit
status=0
ctest --preset "$preset" -j "$jobs" || status=$?
[ -n "${ORVELLA_WINE_DIR:-}" ] || WINEPREFIX="$wine_dir/prefix" wineserver -k 2>/dev/null || true
[ "$status" -eq 0 ] || exit "$status"
if [ "$preset" = mingw ]; then
  (cd "build/$preset" && cpack -C Release -B package >/dev/null)
  zip=$(ls "build/$preset"/package/orvella-*-windows-x64.zip)
  # The zip holds what a Windows user needs, and nothing is missing from it.
  listing=$(unzip -Z1 "$zip")
  for f in orvella.exe dm3conv.exe orvella-check.exe README.md LICENSE LICENSE-libarchive.txt LICENSE-liblzma.txt; do
    grep -q "/$f\$" <<<"$listing" || { echo "windows zip: $f is missing from $zip" >&2; exit 1; }
  done
  # Its programs are stripped (the symbols stay beside the build) and carry
  # the manifest with the UTF-8 code page.
  unpacked=$(mktemp -d)
  trap 'rm -rf "$unpacked"' EXIT
  unzip -q "$zip" -d "$unpacked"
  for built in src/program/orvella.exe src/dm3qt/dm3conv.exe src/checkprogram/orvella-check.exe; do
    f=$(basename "$built")
    exe=$(ls "$unpacked"/*/"$f")
    if x86_64-w64-mingw32-nm "$exe" 2>&1 | grep -qv "no symbols"; then
      echo "windows zip: $f is not stripped" >&2; exit 1
    fi
    grep -qa '<activeCodePage xmlns="http://schemas.microsoft.com/SMI/2019/WindowsSettings">UTF-8' "$exe" ||
      { echo "windows zip: $f carries no UTF-8 manifest" >&2; exit 1; }
    [ -s "build/$preset/$built.debug" ] || { echo "windows build: no $built.debug beside $f" >&2; exit 1; }
  done
  echo "Windows zip: $zip"
fi
echo "Windows build and tests under Wine: $(( $(date +%s) - start )) s"
