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
ctest --preset "$preset" -j "$jobs"
if [ "$preset" = mingw ]; then
  (cd "build/$preset" && cpack -C Release -B package >/dev/null)
  zip=$(ls "build/$preset"/package/orvella-*-windows-x64.zip)
  # The zip holds what a Windows user needs, and nothing is missing from it.
  listing=$(unzip -Z1 "$zip")
  for f in orvella.exe dm3conv.exe orvella-check.exe README.md LICENSE; do
    grep -q "/$f\$" <<<"$listing" || { echo "windows zip: $f is missing from $zip" >&2; exit 1; }
  done
  echo "Windows zip: $zip"
fi
echo "Windows build and tests under Wine: $(( $(date +%s) - start )) s"
