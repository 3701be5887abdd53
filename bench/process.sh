#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Whole-process cost of the game beside its two yardsticks, in one run under
# one Xvfb: the game itself, the drawing floor (the same picture drawn with
# direct SDL calls) and the idle floor (an empty window cleared and presented),
# each for SECONDS at the engine's frame pace. Prints CPU (% of one core, all
# threads, user + system, from /proc/<pid>/stat), peak resident memory (VmHWM),
# start-up to the first drawn frame, the ratios and whether the targets hold.
#
#   bench/process.sh [build-dir]        (SECONDS=10 by default)
set -euo pipefail

build=${1:-build}
bin=$(cd "$build/bin" && pwd)
seconds=${SECONDS_PER_RUN:-10}
. "$(dirname "$0")/xvfb.sh"
bench_start process.sh "$bin" stealthbox floor_draw floor_idle process_probe bench_pace \
  libpresent_count.so Data/Angle.png

# Each program's frames are counted by the same preloaded counter, so that
# the run shows all three were paced alike.
run() {  # name, startup flag, program
  local name=$1 startup=$2 prog=$3 line
  line=$(cd "$bin" && PRESENT_COUNT_FILE="$scratch/$name" LD_PRELOAD="$bin/libpresent_count.so" \
      ./process_probe --name "$name" --seconds "$seconds" $startup --server-pid "$xvfb" -- "./$prog" \
      2>>"$log")
  echo "$line $(tr '\n' ' ' <"$scratch/$name" 2>/dev/null)"
}

# Start-up: several launches each, stopped at the first frame; the median counts.
startups() {  # name, program, count
  local i
  for ((i = 0; i < $3; i++)); do
    (cd "$bin" && ./process_probe --name "$1" --startup-only -- "./$2") 2>/dev/null |
      awk -F'startup_ms=' 'NF > 1 && $2 + 0 >= 0 { print $2 + 0 }'
  done | sort -n | awk -v n="$1" '{ v[NR] = $1 } END {
    if (NR == 0) { print n " start-up: no frame seen" > "/dev/stderr"; exit 1 }
    printf "name=%s_startup runs=%d startup_median_ms=%.1f startup_min_ms=%.1f startup_max_ms=%.1f\n",
           n, NR, v[int((NR + 1) / 2)], v[1], v[NR] }'
}

log=$scratch/programs.log
results=$(
  run game --startup stealthbox
  run floor_draw --startup floor_draw
  run floor_idle "" floor_idle
  startups game stealthbox 7
  startups floor_draw floor_draw 7
)
echo "$results"
echo "--- what the programs said:"
cat "$log"
rm -f "$log"

# Pull a value out of the result line of a given program.
val() { echo "$results" | awk -v n="$1" -v k="$2" '
  { for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    if (v["name"] == n) print v[k] }'; }

game_cpu=$(val game cpu_pct); draw_cpu=$(val floor_draw cpu_pct); idle_cpu=$(val floor_idle cpu_pct)
game_rss=$(val game peak_rss_kb); draw_rss=$(val floor_draw peak_rss_kb); idle_rss=$(val floor_idle peak_rss_kb)
startup=$(val game_startup startup_median_ms)
draw_startup=$(val floor_draw_startup startup_median_ms)
for v in "$game_cpu" "$draw_cpu" "$idle_cpu" "$game_rss" "$draw_rss" "$idle_rss" "$startup"; do
  [ -n "$v" ] || { echo "process.sh: a run gave no figures (see above)" >&2; exit 1; }
done

# The engine's own frame rate on this display, to set beside the floors' (their
# summary lines above): the same loop and game, the pace left to the engine.
(cd "$bin" && SDL_VIDEODRIVER=x11 ./bench_pace --fps 0 --seconds 3 | sed 's/^pace /engine pace on Xvfb: /') || true

awk -v gc="$game_cpu" -v dc="$draw_cpu" -v ic="$idle_cpu" \
    -v gf="$(val game fps)" -v df="$(val floor_draw fps)" -v ifr="$(val floor_idle fps)" \
    -v gr="$game_rss" -v dr="$draw_rss" -v ir="$idle_rss" -v st="$startup" -v ds="$draw_startup" -v s="$seconds" '
function verdict(ok) { return ok ? "met" : "MISSED" }
BEGIN {
  printf "--- whole process, %s s each under Xvfb\n", s
  printf "%-11s %8s %12s %8s\n", "program", "CPU %", "peak RSS MB", "frames/s"
  printf "%-11s %8.2f %12.1f %8.2f\n", "game", gc, gr / 1024, gf
  printf "%-11s %8.2f %12.1f %8.2f\n", "floor_draw", dc, dr / 1024, df
  printf "%-11s %8.2f %12.1f %8.2f\n", "floor_idle", ic, ir / 1024, ifr
  printf "CPU game/drawing floor  %.2f (target <= 1.2: %s)\n", gc / dc, verdict(gc <= 1.2 * dc)
  printf "CPU game/idle floor     %.2f\n", gc / ic
  printf "RSS game - drawing floor %+.1f MB (target <= +10 MB: %s)\n", (gr - dr) / 1024, verdict(gr - dr <= 10 * 1024)
  printf "RSS game - idle floor    %+.1f MB\n", (gr - ir) / 1024
  printf "start-up to first frame, median of 7: game %.1f ms (target <= 150 ms: %s), drawing floor %.1f ms\n", st, verdict(st >= 0 && st <= 150), ds
  exit !(gc <= 1.2 * dc && gr - dr <= 10 * 1024 && st >= 0 && st <= 150)
}'
