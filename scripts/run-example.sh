#!/usr/bin/env bash
# Builds TAMO and starts it on the bundled example titration. Without a display
# it says so and prints the calibration of the example instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tamo tamo-calibrate
example=examples/acid-with-alkali.txt
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    build/default/app/tamo "$example" && exit 0
    echo "TAMO could not open its window on this display."
else
    echo "No display here (neither DISPLAY nor WAYLAND_DISPLAY is set): TAMO's window cannot open."
fi
echo "This is the calibration of $example by tamo-calibrate:"
echo
build/default/cli/tamo-calibrate "$example"
