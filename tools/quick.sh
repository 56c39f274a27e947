#!/usr/bin/env bash
# The developers' quick loop: the format check, the dev build (compiled
# through ccache when it is installed) and the Linux suite, without the
# sanitizer build, the fuzzers and the Windows half that the full test
# command adds. A few minutes on two cores once the build exists.
#   bash tools/quick.sh [ctest -R regex]
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/check-format.sh
if command -v ccache >/dev/null; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
fi
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)"
if [ $# -gt 0 ]; then
  ctest --preset dev -j "$(nproc)" -R "$1"
else
  ctest --preset dev -j "$(nproc)"
fi
