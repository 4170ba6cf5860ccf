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

if [ -z "${PRICETAG_TEST_PG:-}" ]; then
  cluster=$(mktemp -d /tmp/pricetag-pg.XXXXXX)
  trap '"$here/scripts/pg-test-cluster.sh" stop "$cluster"' EXIT
  set +e
  settings=$("$here/scripts/pg-test-cluster.sh" start "$cluster")
  rc=$?
  set -e
  if [ $rc -eq 0 ]; then
    eval "$settings"
    echo "PostgreSQL half: a test cluster in $cluster"
  elif [ "${CI:-}" = "true" ]; then
    echo "PostgreSQL test cluster could not be started; under CI the PostgreSQL half must run" >&2
    exit 1
  else
    echo "NOTE: the PostgreSQL half of the host and window tests is skipped (no PostgreSQL server here)" >&2
  fi
fi

cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
