#!/usr/bin/env bash
# Saves a picture of every window at 96, 144 and 192 DPI into docs/ (the layout test renders them
# offscreen with the fonts of this machine): scripts/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
ninja -C "$build" LayoutTest >/dev/null
for dpi in 96 144 192; do
  QT_QPA_PLATFORM=offscreen QT_FONT_DPI=$dpi QUILLMERE_SCREENSHOTS=docs "$build/tests/LayoutTest" >/dev/null
done
# The README's pictures.
cp docs/main-window-96dpi.png docs/main-window.png
cp docs/preview-96dpi.png docs/preview.png
