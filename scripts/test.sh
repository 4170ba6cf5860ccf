#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export PRICETAG_CMAKE_ARGS="${PRICETAG_CMAKE_ARGS:--DPRICETAG_WERROR=ON}"
"$here/scripts/build.sh"
build="${BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 600
