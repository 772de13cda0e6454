#!/usr/bin/env bash
# Screenshots of the desktop program's windows under a virtual X server.
# Usage: app/tools/screenshots.sh BUILD_DIR [OUTPUT_DIR]   (OUTPUT_DIR defaults to BUILD_DIR/screenshots)
# Besides the dialogs it shows the main window after converting the bundled examples: the results
# list and the preview of each example (results-NAME.png). The last lines say what it wrote.
set -euo pipefail
build=${1:?usage: screenshots.sh BUILD_DIR [OUTPUT_DIR]}
out=${2:-$build/screenshots}
cmake --build "$build" --target kyn_screenshots -j2
config=$(mktemp -d)
trap 'rm -rf "$config"' EXIT
# A private settings folder: the user's own settings are never touched.
XDG_CONFIG_HOME=$config QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1280x900x24 -dpi 96" "$build/app/kyn_screenshots" "$out" \
  "$(cd "$(dirname "$0")/../../examples/data" && pwd)"
echo "screenshots in $out:"
ls -1 "$out"/*.png
