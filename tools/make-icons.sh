#!/usr/bin/env bash
# Makes the program's bitmap icons from its drawing dist/linux/orvella.svg:
# the PNG sizes of the desktop's icon theme and the Windows icon (16 to 256
# pixels in one .ico). The results are kept in the repository, so that a
# build needs neither tool; run this again after changing the drawing.
# Needs librsvg2-bin (rsvg-convert) and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
for size in 16 32 48 64 128 256; do
  mkdir -p "dist/linux/icons/${size}x${size}"
  rsvg-convert -w "$size" -h "$size" dist/linux/orvella.svg -o "dist/linux/icons/${size}x${size}/orvella.png"
  cp "dist/linux/icons/${size}x${size}/orvella.png" "$out/$size.png"
done
mkdir -p dist/windows
convert "$out"/16.png "$out"/32.png "$out"/48.png "$out"/64.png "$out"/128.png "$out"/256.png dist/windows/orvella.ico
echo "icons made: dist/linux/icons/*/orvella.png, dist/windows/orvella.ico"
