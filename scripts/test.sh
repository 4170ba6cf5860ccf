#!/usr/bin/env bash
# The test command: installs what is missing, builds, and runs every test. The host and window
# tests run on SQLite and on PostgreSQL: unless PRICETAG_TEST_PG already names a server, a
# throwaway cluster is started for the run and stopped on every way out. Without the PostgreSQL
# server programs the PostgreSQL half is skipped with a note, and under CI=true that is a failure.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
export PRICETAG_CMAKE_ARGS="${PRICETAG_CMAKE_ARGS:--DPRICETAG_WERROR=ON}"
"$here/scripts/build.sh"
build="${BUILD_DIR:-$here/build}"
export QT_QPA_PLATFORM=offscreen

. "$here/scripts/pg-for-tests.sh"

cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
