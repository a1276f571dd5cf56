#!/usr/bin/env bash
# Builds the default and the sanitizer configurations and runs every test of
# both, the time-bounded fuzzers included (they run in the sanitizer build).
# After the default build's tests its Debian package is built and checked.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
for preset in default asan; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs"
    ctest --preset "$preset" -j "$jobs"
    if [ "$preset" = default ]; then
        scripts/check-package.sh
    fi
done
echo "All tests passed."
