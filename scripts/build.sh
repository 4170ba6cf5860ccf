#!/usr/bin/env bash
# Installs what is missing, then configures and builds into build/ (or $BUILD_DIR): everything,
# or the targets given (--target NAME...).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
build="${BUILD_DIR:-$here/build}"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${PRICETAG_CMAKE_ARGS:-} >/dev/null
cmake --build "$build" -j"$(nproc)" "$@"
