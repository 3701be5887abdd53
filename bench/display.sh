#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# The game's frames against the display it runs on, under one private Xvfb:
#
# - refresh: with the display made to look like a synchronised one of 60, 144
#   and 240 Hz (librefresh_sim.so: the mode reports that rate, and every
#   present returns at the next refresh), the game's loop and callbacks
#   (bench_pace, the pace left to the engine) beside the drawing floor
#   (floor_draw, which draws every refresh), SECONDS each: frames a second,
#   tick rate, and whole-process CPU, the game's as a share of the floor's.
#   The pairs are run REPEATS times, interleaved (game first, then floor first),
#   and judged by their medians: a shared machine's speed drifts by a fifth
#   within a minute, and one pair shows that drift as much as the programs.
#   CPU is judged from the first second on (both programs alike): the first
#   second holds the start-up, about 0.3 s of CPU for either program (mostly
#   the software renderer compiling its shaders), which the start-up
#   benchmark measures and which would draw every ratio towards 1.
# - hidden: the game with its window unmapped after a second, as a window
#   manager does on minimising, and kept so for SECONDS: CPU meanwhile, the
#   tick rate, and frames drawn while unmapped.
#
#   bench/display.sh [build-dir]   (SECONDS_PER_RUN=10, REPEATS=3 by default)
set -euo pipefail

build=${1:-build}
bin=$(cd "$build/bin" && pwd)
seconds=${SECONDS_PER_RUN:-10}
repeats=${REPEATS:-3}
. "$(dirname "$0")/xvfb.sh"
bench_start display.sh "$bin" floor_draw process_probe bench_pace libpresent_count.so \
  librefresh_sim.so Data/Angle.png
export SDL_VIDEODRIVER=x11

# One line of key=value pairs per run: the probe's, the program's own (the
# game's pace line or the floor's summary) and the frame counter's.
run() {  # name, refresh Hz (0: Xvfb as it is), probe options, program and arguments...
  local name=$1 hz=$2 probe=$3
  shift 3
  local out
  out=$(cd "$bin" && SIMULATED_REFRESH_HZ=$hz PRESENT_COUNT_FILE="$scratch/$name.presents" \
      LD_PRELOAD="$bin/libpresent_count.so $bin/librefresh_sim.so" \
      ./process_probe --name "$name" $probe -- "$@" 2>"$scratch/$name.err") || true
  local own
  own=$(sed -n 's/^pace //p; s/^floor_draw: //p' "$scratch/$name.err" <(echo "$out") | tail -1)
  echo "$(echo "$out" | grep '^name=') $own $(cat "$scratch/$name.presents" 2>/dev/null)"
}

lines=()
for ((rep = 1; rep <= repeats; rep++)); do
  for hz in 60 144 240; do
    game=("game_${hz}_$rep" "$hz" "--seconds $seconds" ./bench_pace --fps 0 --seconds 3600)
    floor=("floor_${hz}_$rep" "$hz" "--seconds $seconds" ./floor_draw)
    if ((rep % 2)); then
      lines+=("$(run "${game[@]}")" "$(run "${floor[@]}")")
    else
      lines+=("$(run "${floor[@]}")" "$(run "${game[@]}")")
    fi
  done
done
lines+=("$(run hidden 0 "--seconds $((seconds + 1)) --unmap-at 1" ./bench_pace --fps 0 --seconds 3600)")
results=$(printf '%s\n' "${lines[@]}")
echo "$results"

# A value out of the line of a given run (the last of a repeated key).
val() { echo "$results" | awk -v n="$1" -v k="$2" '
  { delete v; for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    if (v["name"] == n) print v[k] }'; }

status=0
echo "--- frames against the display's refresh, $seconds s each under Xvfb, $repeats pairs a rate"
printf "%-7s %-4s %9s %10s %8s %8s %9s %8s %8s %s\n" refresh pair "game f/s" ticks/s "CPU %" "steady" \
  "floor f/s" "CPU %" "steady" "game/floor (steady, whole run)"
for hz in 60 144 240; do
  case $hz in 60) limit=1.0 ;; 144) limit=0.5 ;; 240) limit=0.3 ;; esac
  pairs=""
  for ((rep = 1; rep <= repeats; rep++)); do
    pair="$(val "game_${hz}_$rep" fps) $(val "game_${hz}_$rep" tick_rate) $(val "game_${hz}_$rep" cpu_pct)"
    pair+=" $(val "game_${hz}_$rep" cpu_steady_pct) $(val "floor_${hz}_$rep" fps)"
    pair+=" $(val "floor_${hz}_$rep" cpu_pct) $(val "floor_${hz}_$rep" cpu_steady_pct)"
    set -- $pair
    if [ $# -ne 7 ]; then
      echo "${hz} Hz, pair $rep: a run gave no figures (see above)"; status=1; continue
    fi
    pairs+="$pair"$'\n'
  done
  [ -n "$pairs" ] || continue
  echo -n "$pairs" | awk -v hz="$hz" -v limit="$limit" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  function median(a, n,   i, j, t) {
    for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
    return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
  }
  {
    n++; gf[n] = $1; gt[n] = $2
    ratio[n] = $7 > 0 ? $4 / $7 : 99; whole[n] = $6 > 0 ? $3 / $6 : 99  # 99: the floor gave no CPU
    printf "%-7s %-4d %9.2f %10.3f %8.2f %8.2f %9.2f %8.2f %8.2f %6.2f %6.2f\n",
      hz " Hz", n, $1, $2, $3, $4, $5, $6, $7, ratio[n], whole[n]
  }
  END {
    rate = 1000 / 17
    f = median(gf, n); t = median(gt, n); r = median(ratio, n); w = median(whole, n)
    pace = t >= 0.99 * rate && t <= 1.01 * rate
    frames = hz == 60 || f <= t + 1
    cpu = r <= limit
    printf "%-7s median: frames %.2f%s %s, ticks %.3f %s, CPU %.2f x floor (whole run %.2f; <= %.1f) %s\n",
      hz " Hz", f, hz == 60 ? "" : " (<= ticks + 1)", hz == 60 ? "-" : verdict(frames), t,
      verdict(pace), r, w, limit, verdict(cpu)
    exit !(pace && frames && cpu)
  }' || status=1
done

hc=$(val hidden cpu_unmapped_pct); ht=$(val hidden tick_rate); hf=$(val hidden hidden_frames)
hs=$(val hidden unmapped_seconds)
echo "--- window unmapped for $hs s (of $((seconds + 1)) s) under Xvfb"
if [ -z "$hc" ] || [ -z "$ht" ] || [ -z "$hf" ]; then
  echo "hidden: the run gave no figures (see above)"; status=1
else
  awk -v c="$hc" -v t="$ht" -v f="$hf" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  BEGIN {
    rate = 1000 / 17
    printf "CPU while unmapped %.2f %% of a core (target <= 2: %s); ticks %.3f a second (58.8 +- 1 %%: %s); frames drawn while unmapped %d (target 0: %s)\n",
      c, verdict(c <= 2), t, verdict(t >= 0.99 * rate && t <= 1.01 * rate), f, verdict(f == 0)
    exit !(c <= 2 && t >= 0.99 * rate && t <= 1.01 * rate && f == 0)
  }' || status=1
fi
exit $status
