#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Runs a test suite again and again while busy loops keep the cores loaded, as on a shared
# CI machine or a player's busy desktop, and says how many runs failed. A failed run keeps
# its ctest output and the play tests' pictures under BUILD/stress/.
#
#   stress.sh BUILD RUNS LOAD [ctest arguments...]
#   e.g. stress.sh build 30 2 -L e2e -j 2     (what `make stress-e2e` runs)
set -uo pipefail
if [ $# -lt 3 ]; then
  echo "usage: $0 BUILD RUNS LOAD [ctest arguments...]" >&2
  exit 2
fi
build=$1 runs=$2 load=$3
shift 3
out="$build/stress"
rm -rf "$out"
mkdir -p "$out"

busy=()
stop_busy() { for pid in "${busy[@]}"; do kill "$pid" 2>/dev/null; done; }
trap stop_busy EXIT
for ((i = 0; i < load; ++i)); do
  (while :; do :; done) &
  busy+=($!)
done

failed=0
start=$(date +%s)
for ((run = 1; run <= runs; ++run)); do
  t0=$(date +%s)
  log="$out/run-$run.log"
  rm -rf "$build/tests/e2e/artifacts"
  if ctest --test-dir "$build" --output-on-failure "$@" >"$log" 2>&1; then
    verdict=passed
    rm -f "$log"
  else
    verdict="FAILED ($(grep -cE '^[[:space:]]*[0-9]+ - .*\((Failed|Timeout|SEGFAULT|Subprocess aborted|Exception)' "$log") tests; see $log)"
    failed=$((failed + 1))
    [ -d "$build/tests/e2e/artifacts" ] && cp -r "$build/tests/e2e/artifacts" "$out/run-$run-artifacts"
  fi
  echo "stress: run $run of $runs: $verdict in $(($(date +%s) - t0)) s, load $(cut -d' ' -f1 /proc/loadavg)"
done
echo "stress: $runs runs with $load busy loops in $(($(date +%s) - start)) s: $((runs - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
