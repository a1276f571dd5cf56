#!/usr/bin/env bash
# Builds TAMO and calibrates the bundled example titration.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tamo-calibrate
build/default/cli/tamo-calibrate examples/acid-with-alkali.txt
