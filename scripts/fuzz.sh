#!/usr/bin/env bash
# Runs the fuzz targets one after another, SECONDS each: scripts/fuzz.sh SECONDS [TARGET...]
# (all targets when none is named: packet template filter ini import dept gbk expression sql).
# Builds them with clang into build-fuzz/ (or $FUZZ_BUILD_DIR), writes their seed corpora from the
# project's own data, keeps each target's growing corpus in build-fuzz/corpus/TARGET and whatever
# a target finds in build-fuzz/findings/TARGET/. Prints one line per target; exits 1 when a target
# found something (the log in build-fuzz/logs/TARGET.log says what). FUZZ_JOBS=N runs N targets at
# a time (default 1); a long run on a shared machine: FUZZ_JOBS=2 nice -n 10 scripts/fuzz.sh 600.
# FUZZ_TIMEOUT (seconds, 10 by default) is how long one input may run before it counts as a finding;
# on a crowded machine a longer one keeps its load from passing for a slow input.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:?usage: scripts/fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(packet template filter ini import dept gbk expression sql)
build="${FUZZ_BUILD_DIR:-$here/build-fuzz}"

"$here/scripts/install-deps.sh"
cmake -S "$here" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPRICETAG_FUZZ=ON -DPRICETAG_BENCH=OFF -DPRICETAG_WERROR=ON >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz_all >/dev/null
rm -rf "$build/seeds"
"$build/tests/fuzz/fuzz_seeds" "$build/seeds" "$here" >/dev/null
mkdir -p "$build/logs"

# Leaks are checked in every run; the suppressions cover third-party libraries only.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$here/tests/sanitizers/lsan.supp:print_suppressions=0}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"

jobs=${FUZZ_JOBS:-1}

# One target: prints its summary line when it ends (kept in logs/TARGET.result); fails when it found
# something.
fuzz_one() {
  local t=$1 corpus="$build/corpus/$1" findings="$build/findings/$1" log="$build/logs/$1.log"
  mkdir -p "$corpus" "$findings"
  local dict=()
  [ -f "$here/tests/fuzz/dicts/$t.dict" ] && dict=(-dict="$here/tests/fuzz/dicts/$t.dict")
  local rc=0
  "$build/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout="${FUZZ_TIMEOUT:-10}" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "${dict[@]}" "$corpus" "$build/seeds/$t" >"$log" 2>&1 || rc=$?
  local execs cov files
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
  files=$(find "$corpus" -type f | wc -l)
  if [ "$rc" -ne 0 ]; then
    {
      echo "$t: FOUND something after ${execs:-?} runs ($cov) — $(ls -t "$findings" | head -n 1); see $log"
      grep -E 'invariant broken|ERROR: |runtime error|Test unit written' "$log" | head -n 5 | sed 's/^/  /' || true
    } >"$build/logs/$t.result"
  else
    echo "$t: ${execs:-?} runs in ${seconds}s, $cov, corpus $files inputs, nothing found" >"$build/logs/$t.result"
  fi
  cat "$build/logs/$t.result"
  return "$rc"
}

status=0
running=0
for t in "${targets[@]}"; do
  if [ "$running" -ge "$jobs" ]; then
    wait -n || status=1
    running=$((running - 1))
  fi
  fuzz_one "$t" &
  running=$((running + 1))
done
while [ "$running" -gt 0 ]; do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
