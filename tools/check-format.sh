#!/usr/bin/env bash
# Fails when a C++ source of the repository differs from what clang-format
# makes of it with the project's .clang-format. With --fix, reformats them.
#   bash tools/check-format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
format=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files -- 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' \
                                      'fuzz/*.cpp' 'fuzz/*.h')
if [ "${1:-}" = --fix ]; then
  "$format" -i "${files[@]}"
  exit 0
fi
if ! "$format" --dry-run --Werror "${files[@]}" 2>"${TMPDIR:-/tmp}/orvella-format.log"; then
  grep -E '^[^ ].*: (error|warning)' "${TMPDIR:-/tmp}/orvella-format.log" | cut -d: -f1 | sort -u | sed 's/^/not formatted: /' >&2
  echo "Run: bash tools/check-format.sh --fix" >&2
  exit 1
fi
echo "format: ${#files[@]} files as .clang-format wants them"
