#!/usr/bin/env bash
# Makes the README's pictures of the scenery check (docs/check-*.png): the
# real window checks a generated installation offscreen and each view is
# saved with QWidget::grab(). The same as the build target "screenshots".
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset dev >/dev/null
cmake --build --preset dev -j2 --target screenshots
