#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Every benchmark in one run, written to <build>/bench-results.txt as well. Every verdict is a
# count (allocations, batches, frames, ticks a second) or a ratio against something measured
# in this same run; a time on its own is printed as information, never judged.
#   the tick, the cast, the scaled worlds and the frame (game_bench, the engine core linked in);
#   the pace with frames capped at 20, 60 and 300 a second (dummy video driver);
#   under one private Xvfb: the game beside the drawing floor and the idle floor (CPU, peak
#   memory, frames a second, start-up), the game beside the floor on displays of 60, 144 and
#   240 Hz, the game with its window unmapped, and both full screen on screens of 1920 x 1080
#   and 3840 x 2160;
#   the page (web_bench.py, from the web build).
#
#   bench/run_all.sh [build-dir] [web-build-dir]    SECONDS_PER_RUN, REPEATS: the X runs
set -uo pipefail
build=${1:-build}
web=${2:-build-web}
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$build/bin" && pwd)
seconds=${SECONDS_PER_RUN:-10}
repeats=${REPEATS:-3}
status=0
exec > >(tee "$build/bench-results.txt") 2>&1

echo "=== machine"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

echo; echo "=== tick and frame (game_bench)"
(cd "$bin" && ./game_bench tick && ./game_bench frame) || status=1
echo; echo "=== pace: frames capped at 20, 60 and 300 a second, 10 s each (dummy video driver)"
for fps in 20 60 300; do (cd "$bin" && ./game_bench pace --fps $fps --seconds 10) || status=1; done

# A private Xvfb of the size given, with a black root, so that a window's first frame is the
# first thing not black: its pid in $xvfb, its display in $screen.
start_xvfb() {
  Xvfb -displayfd 3 -screen 0 "$1x24" -br -nolisten tcp 3>"$scratch/$1" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 100); do [ -s "$scratch/$1" ] && break; sleep 0.1; done
  screen=:$(cat "$scratch/$1")
}
scratch=$(mktemp -d)
start_xvfb 1024x768
trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
export DISPLAY=$screen SDL_VIDEODRIVER=x11

# name, simulated refresh Hz (0: Xvfb as it is), probe options, program and arguments:
# one line of the probe's, the program's own (but of a run stopped at its first frame) and
# the preload's figures.
run() {
  local name=$1 hz=$2 probe=$3 out
  shift 3
  out=$(cd "$bin" && SIMULATED_REFRESH_HZ=$hz PRESENT_COUNT_FILE="$scratch/$name.presents" \
    LD_PRELOAD="$bin/libbench_preload.so" ./process_probe --name "$name" --server-pid $xvfb $probe \
    -- "$@" 2>"$scratch/$name.err")
  [[ $probe == --startup-only ]] && out=$(echo "$out" | grep '^name=')
  echo "$(echo "$out" | grep '^name=') $(echo "$out" | sed -n 's/^pace //p') $(cat "$scratch/$name.presents" 2>/dev/null)"
}
game=(./game_bench pace --fps 0 --seconds 3600)
lines=("$(run game 0 "--seconds $seconds --startup" "${game[@]}")"
  "$(run floor_draw 0 "--seconds $seconds --startup" ./floor)"
  "$(run floor_idle 0 "--seconds $seconds" ./floor --idle)")
for ((i = 1; i <= 7; i++)); do
  lines+=("$(run "game_start_$i" 0 --startup-only "${game[@]}")" "$(run "floor_start_$i" 0 --startup-only ./floor)")
done
for ((rep = 1; rep <= repeats; rep++)); do
  for hz in 60 144 240; do  # the game first in odd pairs, the floor first in even ones
    g=("game_${hz}_$rep" $hz "--seconds $seconds" "${game[@]}") f=("floor_${hz}_$rep" $hz "--seconds $seconds" ./floor)
    if ((rep % 2)); then lines+=("$(run "${g[@]}")" "$(run "${f[@]}")"); else lines+=("$(run "${f[@]}")" "$(run "${g[@]}")"); fi
  done
done
lines+=("$(run unmapped 0 "--seconds $((seconds + 1)) --unmap-at 1" "${game[@]}")")
# Full screen as F11 makes it (openbox, as a desktop's window manager) on screens of 1920 x 1080
# and 3840 x 2160 at 60 Hz: the game beside the floor drawing the same picture at that size.
main_server=$xvfb
for size in 1920x1080 3840x2160; do
  start_xvfb "$size"
  DISPLAY=$screen openbox --sm-disable >/dev/null 2>&1 &
  manager=$!
  for _ in $(seq 100); do DISPLAY=$screen xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q window && break; sleep 0.1; done
  lines+=("$(DISPLAY=$screen run "game_full_$size" 60 "--seconds $seconds" "${game[@]}" --full-screen 1)"
    "$(DISPLAY=$screen run "floor_full_$size" 60 "--seconds $seconds" ./floor --full-screen)")
  kill $manager $xvfb 2>/dev/null
done
xvfb=$main_server
echo; echo "=== under Xvfb, $seconds s a run"
printf '%s\n' "${lines[@]}" | tee "$scratch/lines"

awk -v repeats="$repeats" '
function v(n, k) { return (n SUBSEP k) in f ? f[n, k] : -1 }
function verdict(ok) { if (!ok) bad = 1; return ok ? "met" : "MISSED" }
function median(a, n,   i, j, t) {
  for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
  return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
}
{ delete kv1; for (i = 1; i <= NF; i++) if (split($i, kv, "=") == 2) kv1[kv[1]] = kv[2]
  if (!("name" in kv1) || ("error" in kv1)) failed++
  for (k in kv1) f[kv1["name"], k] = kv1[k] }
END {
  if (failed) { printf "%d runs gave no figures (their lines above): MISSED\n", failed; bad = 1 }
  rate = 1000 / 17
  print "--- whole process (Xvfb paced)"
  printf "%-11s %8s %8s %12s %9s %9s\n", "program", "CPU %", "steady", "peak RSS MB", "frames/s", "Xvfb CPU %"
  split("game floor_draw floor_idle", p, " ")
  for (i = 1; i <= 3; i++)
    printf "%-11s %8.2f %8.2f %12.1f %9.2f %9.2f\n", p[i], v(p[i], "cpu_pct"), v(p[i], "cpu_steady_pct"),
      v(p[i], "peak_rss_kb") / 1024, v(p[i], "fps"), v(p[i], "xserver_cpu_pct")
  c = v("game", "cpu_pct") / v("floor_draw", "cpu_pct"); m = v("game", "peak_rss_kb") / v("floor_draw", "peak_rss_kb")
  printf "CPU game / drawing floor %.2f (<= 1.2: %s); game / idle floor %.2f\n", c, verdict(c > 0 && c <= 1.2),
    v("game", "cpu_pct") / v("floor_idle", "cpu_pct")
  printf "peak RSS game / drawing floor %.3f (%+.1f MB; <= 1.1: %s)\n", m,
    (v("game", "peak_rss_kb") - v("floor_draw", "peak_rss_kb")) / 1024, verdict(m > 0 && m <= 1.1)
  for (i = 1; i <= 7; i++) { gs[i] = v("game_start_" i, "startup_ms"); fs[i] = v("floor_start_" i, "startup_ms") }
  gm = median(gs, 7); fm = median(fs, 7)
  printf "start-up to the first frame, median of 7: game %.1f ms (%.1f to %.1f), drawing floor %.1f ms (%.1f to %.1f); game / floor %.2f (<= 1.5: %s)\n",
    gm, gs[1], gs[7], fm, fs[1], fs[7], gm / fm, verdict(gm > 0 && fm > 0 && gm <= 1.5 * fm)
  print "--- the display at 60, 144 and 240 Hz: game / floor CPU from the first second on (whole run)"
  split("1.0 0.5 0.3", limit, " "); split("60 144 240", hzs, " ")
  for (h = 1; h <= 3; h++) {
    hz = hzs[h]
    for (r = 1; r <= repeats; r++) {
      g = "game_" hz "_" r; fl = "floor_" hz "_" r
      gf[r] = v(g, "fps"); gt[r] = v(g, "tick_rate"); ratio[r] = v(g, "cpu_steady_pct") / v(fl, "cpu_steady_pct")
      whole[r] = v(g, "cpu_pct") / v(fl, "cpu_pct")
      printf "%3d Hz pair %d: game %.2f frames/s %.3f ticks/s CPU %.2f / %.2f %%; floor %.2f frames/s CPU %.2f / %.2f %%; %.2f (%.2f)\n",
        hz, r, gf[r], gt[r], v(g, "cpu_pct"), v(g, "cpu_steady_pct"), v(fl, "fps"), v(fl, "cpu_pct"), v(fl, "cpu_steady_pct"), ratio[r], whole[r]
    }
    fr = median(gf, repeats); t = median(gt, repeats); rr = median(ratio, repeats); w = median(whole, repeats)
    printf "%3d Hz median: frames %.2f (<= ticks + 1: %s), ticks %.3f (58.8 within 1 %%: %s), CPU %.2f x floor (whole run %.2f; <= %s: %s)\n",
      hz, fr, hz == 60 ? "-" : verdict(fr <= t + 1), t, verdict(t >= 0.99 * rate && t <= 1.01 * rate), rr, w, limit[h], verdict(rr > 0 && rr <= limit[h] + 0)
  }
  # CPU a frame: where the machine cannot draw so large a picture every refresh, the two draw
  # different numbers of frames, and only the cost of one compares.
  print "--- full screen (F11) at 60 Hz: game / floor drawing the same picture at that size, CPU a frame"
  split("1920x1080 3840x2160", sizes, " ")
  for (i = 1; i <= 2; i++) {
    g = "game_full_" sizes[i]; fl = "floor_full_" sizes[i]
    r = v(g, "fps") > 0 && v(fl, "fps") > 0 ? (v(g, "cpu_steady_pct") / v(g, "fps")) / (v(fl, "cpu_steady_pct") / v(fl, "fps")) : -1
    printf "%s: game %.2f frames/s %.3f ticks/s CPU %.2f %%; floor %.2f frames/s CPU %.2f %%; %.2f x floor (whole %.2f; <= 1.2: %s); frames <= ticks + 1: %s\n",
      sizes[i], v(g, "fps"), v(g, "tick_rate"), v(g, "cpu_steady_pct"), v(fl, "fps"), v(fl, "cpu_steady_pct"), r,
      v(g, "cpu_steady_pct") / v(fl, "cpu_steady_pct"), verdict(r > 0 && r <= 1.2), verdict(v(g, "fps") > 0 && v(g, "fps") <= v(g, "tick_rate") + 1)
  }
  u = v("unmapped", "cpu_unmapped_pct") / v("game", "cpu_steady_pct"); t = v("unmapped", "tick_rate")
  printf "--- window unmapped for %.2f s: CPU %.2f %% of a core, %.3f x the game shown (<= 0.1: %s); ticks %.3f a second (%s); frames drawn while unmapped %d (0: %s)\n",
    v("unmapped", "unmapped_seconds"), v("unmapped", "cpu_unmapped_pct"), u, verdict(u >= 0 && u <= 0.1), t,
    verdict(t >= 0.99 * rate && t <= 1.01 * rate), v("unmapped", "hidden_frames"), verdict(v("unmapped", "hidden_frames") == 0)
  exit bad
}' "$scratch/lines" || status=1

echo; echo "=== web: the page (web_bench.py; the web build's page and game_bench)"
if [ -f "$web/site/index.html" ]; then
  /usr/bin/python3 "$here/web_bench.py" "$build" "$web" || status=1
else
  echo "web: no page in $web/site (make web builds it)"; status=1
fi
echo; echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $status -eq 0 ] && echo "bench: every verdict met" || echo "bench: SOME VERDICTS MISSED (see above)"
exit $status
