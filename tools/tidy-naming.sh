#!/usr/bin/env bash
# The naming check alone (readability-identifier-naming, with the options of
# .clang-tidy and of the folders' own .clang-tidy files) over the program's
# sources, on the compile commands of the dev build. Exits non-zero on a
# finding. Not part of the test command: it parses every source, which takes
# minutes on two cores.
#   bash tools/tidy-naming.sh [path-regex] [exclude-regex]
#   e.g. bash tools/tidy-naming.sh src/ 'src/(logic/mainwindow|ui/mainwindow)'
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
# The Qt sources need their generated moc files.
cmake --build --preset dev -j "$(nproc)" >/dev/null
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
files=$(python3 - "$PWD/${1:-src/}" "${2:-}" <<'PY'
import json, re, sys
include, exclude = sys.argv[1], sys.argv[2]
for entry in json.load(open("build/dev/compile_commands.json")):
    f = entry["file"]
    if re.match(include, f) and "/build/" not in f and not (exclude and re.search(exclude, f)):
        print(f)
PY
)
log=build/dev/tidy-naming.log
# Findings in the excluded files' headers are left out too.
# shellcheck disable=SC2086
printf '%s\n' $files | xargs -P "$(nproc)" -n 4 "$tidy" -p build/dev --quiet --use-color=false \
  -checks='-*,readability-identifier-naming' 2>/dev/null >"$log" || true
if [ -n "${2:-}" ]; then
  grep -E '(warning|error): ' "$log" | grep -vE "${2}" | sort -u >"$log.findings" || true
else
  grep -E '(warning|error): ' "$log" | sort -u >"$log.findings" || true
fi
cat "$log.findings"
echo "naming: $(wc -l <"$log.findings") findings in $(printf '%s\n' $files | wc -l) sources"
[ ! -s "$log.findings" ]
