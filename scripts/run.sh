#!/usr/bin/env bash
# The main job: installs what is missing, builds, and starts the stand-in host with the module
# embedded, on a seeded demo database. Extra arguments go to the host (see README.md).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build.sh"
build="${BUILD_DIR:-$here/build}"
exec "$build/hostapp/pricetag-host" "$@"
