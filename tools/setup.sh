#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds Orvella, and then
# either starts it (run) or runs every test (test).
#   bash tools/setup.sh run    # build and start Orvella
#   bash tools/setup.sh test   # build and run every test
set -euo pipefail
mode=${1:-run}
cd "$(dirname "$0")/.."

# fonts-wine: the windows' font (Wine's MS Sans Serif, drawn to the metrics the
# controls were sized for); qt6-translations-l10n: Qt's own dialogs in French;
# libarchive-dev, liblzma-dev: the 7z-compressed DSF files of scenery packs.
packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev libarchive-dev liblzma-dev
          libgtest-dev libgmock-dev libbenchmark-dev fonts-wine qt6-translations-l10n)
if [ "$mode" = test ]; then
  # ntfs-3g: the links on a real NTFS volume (mkntfs, the FUSE driver);
  # locales: the French locale the decimal-separator test compiles.
  packages+=(g++-mingw-w64-x86-64 wine64 wine clang libclang-rt-14-dev clang-format unzip python3-numpy
             desktop-file-utils ntfs-3g locales)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

jobs=$(nproc)
case "$mode" in
  run)
    cmake --preset dev
    cmake --build --preset dev -j "$jobs" --target orvella
    exec ./build/dev/src/program/orvella
    ;;
  test)
    start=$(date +%s)
    # The sources as .clang-format wants them, before anything is built.
    bash tools/check-format.sh
    # Two halves side by side, so that neither waits on the other where the
    # two cores allow: the Windows half (the MinGW build, its tests under
    # Wine, the zip) builds while the Linux half runs its suites and its
    # fuzzers, which keep one core busy each in turn. Each half has its log;
    # the Linux half's is also shown as it goes. The command fails when
    # either half fails, and shows the failed half's log.
    logs=$(mktemp -d)
    linux_half() {
      set -euo pipefail
      cmake --preset dev
      cmake --build --preset dev -j "$jobs"
      ctest --preset dev -j "$jobs"
      # The run command above must work too: same target, started for real.
      bash tools/run-check.sh build/dev
      # The whole suite again under AddressSanitizer and UndefinedBehaviorSanitizer.
      cmake --preset asan
      cmake --build --preset asan -j "$jobs"
      ctest --preset asan -j "$jobs"
      bash tools/fuzz.sh 30
    }
    windows_half() {
      set -euo pipefail
      # Second in line for the processor: the Linux half is the longer one.
      nice -n 5 bash tools/windows-tests.sh
    }
    windows_half >"$logs/windows.log" 2>&1 &
    windows=$!
    # Not under || or if: bash would then ignore set -e inside the halves.
    set +e
    linux_half 2>&1 | tee "$logs/linux.log"
    linux=$?
    wait "$windows"
    win=$?
    set -e
    if [ "$win" -ne 0 ]; then
      echo "=== The Windows half failed (exit $win); its log:"
      cat "$logs/windows.log"
    else
      echo "=== The Windows half passed:"
      grep -E "tests passed|Windows zip:|Windows build and tests" "$logs/windows.log" || true
    fi
    if [ "$linux" -ne 0 ]; then
      echo "=== The Linux half failed (exit $linux); its log: $logs/linux.log, the end:"
      tail -n 60 "$logs/linux.log"
    fi
    echo "Every test: $(( $(date +%s) - start )) s"
    [ "$linux" -eq 0 ] && [ "$win" -eq 0 ]
    ;;
  *)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
