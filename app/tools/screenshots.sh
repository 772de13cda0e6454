#!/usr/bin/env bash
# Screenshots of the desktop program's windows under a virtual X server.
# Usage: app/tools/screenshots.sh BUILD_DIR [OUTPUT_DIR]   (OUTPUT_DIR defaults to BUILD_DIR/screenshots)
set -euo pipefail
build=${1:?usage: screenshots.sh BUILD_DIR [OUTPUT_DIR]}
out=${2:-$build/screenshots}
cmake --build "$build" --target kyn_screenshots -j2
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# A private settings folder: the user's own settings are never touched.
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24 -dpi 96" "$build/app/kyn_screenshots" "$out"
echo "screenshots in $out"
