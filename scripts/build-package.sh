#!/usr/bin/env bash
# Builds the Debian package of TAMO, build/default/package/tamo_VERSION_ARCH.deb,
# from the default build (only the programs and the manual pages are built).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target tamo tamo-calibrate man_pages
rm -rf build/default/package
cpack --config build/default/CPackConfig.cmake -B build/default/package
