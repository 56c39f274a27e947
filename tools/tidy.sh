#!/usr/bin/env bash
# clang-tidy over the program's sources with the checks kept in .clang-tidy
# (the reasons for those left out are written there), on the compile commands
# of the dev build. Not part of the test command: it takes long on two cores
# and its findings are read, not counted. Exits non-zero on a finding.
#   bash tools/tidy.sh [path-regex]     # e.g. bash tools/tidy.sh src/logic/mainwindow
# The regex starts at the top folder: the generated sources in build/ stay out.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
# The Qt sources need their generated moc files.
cmake --build --preset dev -j "$(nproc)" >/dev/null
tidy=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
"$tidy" -p build/dev -quiet -j "$(nproc)" "$PWD/${1:-src/}" 2>/dev/null | tee build/dev/tidy.log
! grep -qE '(warning|error): ' build/dev/tidy.log
