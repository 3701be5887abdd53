#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Runs every fuzzer of a fuzz build for a bounded time, side by side, and fails
# on the first finding. Usage: scripts/fuzz.sh BUILD_DIR [SECONDS]
set -euo pipefail
build=${1:?usage: scripts/fuzz.sh BUILD_DIR [SECONDS]}
seconds=${2:-60}
root=$(cd "$(dirname "$0")/.." && pwd)

pids=() names=()
for fuzzer in "$build"/*_fuzz; do
  [ -x "$fuzzer" ] || continue
  name=$(basename "$fuzzer")
  corpus="$build/corpus/$name" findings="$build/findings/$name/"
  mkdir -p "$corpus" "$findings"
  # A fuzzer's words (fuzz/<name>.dict), and for the font parser the game's own font to start from.
  options=()
  [ -f "$root/fuzz/$name.dict" ] && options+=(-dict="$root/fuzz/$name.dict")
  [ "$name" = font_fuzz ] && cp -n "$root/Data/font_1.zfi" "$corpus/"
  "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings" "${options[@]}" "$corpus" >"$build/$name.log" 2>&1 &
  pids+=($!) names+=("$name")
done
[ ${#pids[@]} -gt 0 ] || { echo "fuzz: no fuzzers in $build" >&2; exit 1; }

failed=0
for i in "${!pids[@]}"; do
  if wait "${pids[$i]}"; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/${names[$i]}.log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz: ${names[$i]}: $runs runs in ${seconds}s, nothing found"
  else
    failed=1
    echo "fuzz: ${names[$i]} FAILED; log and reproducer:" >&2
    tail -n 40 "$build/${names[$i]}.log" >&2
    ls "$build/findings/${names[$i]}" >&2
  fi
done
exit $failed
