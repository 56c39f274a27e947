#!/usr/bin/env bash
# The Windows build: the platform layer (Win32 backend), the logic libraries
# and their tests cross-built with MinGW-w64 and run under Wine (see
# cmake/mingw-w64.cmake). Called by tools/setup.sh test.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
jobs=$(nproc)
cmake --preset mingw
cmake --build --preset mingw -j "$jobs"
ctest --preset mingw -j "$jobs"
echo "Windows build and tests under Wine: $(( $(date +%s) - start )) s"
