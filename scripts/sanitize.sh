#!/usr/bin/env bash
# The whole test suite under AddressSanitizer (leaks included) and UndefinedBehaviorSanitizer,
# built with clang into build-san/ (or $SAN_BUILD_DIR). Any finding fails the test it arose in.
# The build carries the fuzz targets too (PRICETAG_FUZZ), so that
# `FUZZ_BUILD_DIR=build-san scripts/fuzz.sh SECONDS` runs them without another build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build="${SAN_BUILD_DIR:-$here/build-san}"
"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPRICETAG_SANITIZE=ON -DPRICETAG_FUZZ=ON -DPRICETAG_BENCH=OFF -DPRICETAG_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)"
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
export QT_QPA_PLATFORM=offscreen
. "$here/scripts/pg-for-tests.sh"  # the PostgreSQL half runs under the sanitizers too
cd "$build"
ctest --output-on-failure -j"$(nproc)" --timeout 900
