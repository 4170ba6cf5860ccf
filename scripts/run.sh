#!/usr/bin/env bash
# The main job: installs what is missing, builds what the main job needs (the module, the
# stand-in host, its seed command and the template tool; not the tests and benchmarks), and
# starts the host with the module embedded, on a seeded demo database. Extra arguments go to the
# host (see README.md).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# Configured as test.sh configures, so that the test command reuses what this one built.
export PRICETAG_CMAKE_ARGS="${PRICETAG_CMAKE_ARGS:--DPRICETAG_WERROR=ON}"
"$here/scripts/build.sh" --target dllmorvex pricetag-host pricetag-seed pricetag-template
build="${BUILD_DIR:-$here/build}"
exec "$build/hostapp/pricetag-host" "$@"
