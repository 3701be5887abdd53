#!/usr/bin/env bash
# The game's frames against the display it runs on, under one private Xvfb:
#
# - refresh: with the display made to look like a synchronised one of 60, 144
#   and 240 Hz (librefresh_sim.so: the mode reports that rate, and every
#   present returns at the next refresh), the game's loop and callbacks
#   (bench_pace, the pace left to the engine) beside the drawing floor
#   (floor_draw, which draws every refresh), SECONDS each: frames a second,
#   tick rate, and whole-process CPU, the game's as a share of the floor's.
# - hidden: the game with its window unmapped after a second, as a window
#   manager does on minimising, and kept so for SECONDS: CPU meanwhile, the
#   tick rate, and frames drawn while unmapped.
#
#   bench/display.sh [build-dir]        (SECONDS_PER_RUN=10 by default)
set -euo pipefail

build=${1:-build}
bin=$(cd "$build/bin" && pwd)
seconds=${SECONDS_PER_RUN:-10}
for f in floor_draw process_probe bench_pace libpresent_count.so librefresh_sim.so Data/Angle.png; do
  [ -e "$bin/$f" ] || { echo "display.sh: $bin/$f is missing; build first" >&2; exit 1; }
done
command -v Xvfb >/dev/null || { echo "display.sh: Xvfb is not installed" >&2; exit 1; }

fifo=$(mktemp -u)
mkfifo "$fifo"
Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$fifo" 2>/dev/null &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$fifo" "$work"' EXIT
read -r -t 10 display <"$fifo" || { echo "display.sh: Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$display SDL_VIDEODRIVER=x11

# One line of key=value pairs per run: the probe's, the program's own (the
# game's pace line or the floor's summary) and the frame counter's.
run() {  # name, refresh Hz (0: Xvfb as it is), probe options, program and arguments...
  local name=$1 hz=$2 probe=$3
  shift 3
  local out
  out=$(cd "$bin" && SIMULATED_REFRESH_HZ=$hz PRESENT_COUNT_FILE="$work/$name.presents" \
      LD_PRELOAD="$bin/libpresent_count.so $bin/librefresh_sim.so" \
      ./process_probe --name "$name" $probe -- "$@" 2>"$work/$name.err") || true
  local own
  own=$(sed -n 's/^pace //p; s/^floor_draw: //p' "$work/$name.err" <(echo "$out") | tail -1)
  echo "$(echo "$out" | grep '^name=') $own $(cat "$work/$name.presents" 2>/dev/null)"
}

lines=()
for hz in 60 144 240; do
  lines+=("$(run "game_$hz" "$hz" "--seconds $seconds" ./bench_pace --fps 0 --seconds 3600)")
  lines+=("$(run "floor_$hz" "$hz" "--seconds $seconds" ./floor_draw)")
done
lines+=("$(run hidden 0 "--seconds $((seconds + 1)) --unmap-at 1" ./bench_pace --fps 0 --seconds 3600)")
results=$(printf '%s\n' "${lines[@]}")
echo "$results"

# A value out of the line of a given run (the last of a repeated key).
val() { echo "$results" | awk -v n="$1" -v k="$2" '
  { delete v; for (i = 1; i <= NF; i++) { split($i, kv, "="); v[kv[1]] = kv[2] }
    if (v["name"] == n) print v[k] }'; }

status=0
echo "--- frames against the display's refresh, $seconds s each under Xvfb"
printf "%-7s %-8s %9s %10s %8s %12s %s\n" refresh program frames/s ticks/s "CPU %" "game/floor" verdict
for hz in 60 144 240; do
  gf=$(val "game_$hz" fps); gt=$(val "game_$hz" tick_rate); gc=$(val "game_$hz" cpu_pct)
  ff=$(val "floor_$hz" fps); fc=$(val "floor_$hz" cpu_pct)
  case $hz in 60) limit=1.0 ;; 144) limit=0.5 ;; 240) limit=0.3 ;; esac
  if [ -z "$gf" ] || [ -z "$gt" ] || [ -z "$gc" ] || [ -z "$ff" ] || [ -z "$fc" ]; then
    echo "${hz} Hz: a run gave no figures (see above)"; status=1; continue
  fi
  awk -v hz="$hz" -v gf="$gf" -v gt="$gt" -v gc="$gc" -v ff="$ff" -v fc="$fc" -v limit="$limit" '
  function verdict(ok) { return ok ? "met" : "MISSED" }
  BEGIN {
    rate = 1000 / 17
    pace = gt >= 0.99 * rate && gt <= 1.01 * rate
    frames = hz == 60 || gf <= gt + 1
    cpu = gc <= limit * fc
    printf "%-7s %-8s %9.2f %10.3f %8.2f %12.2f frames %s%s, ticks %s, CPU %s (<= %.1f x floor)\n",
      hz " Hz", "game", gf, gt, gc, gc / fc, hz == 60 ? "" : "(<= ticks + 1) ", verdict(frames),
      verdict(pace), verdict(cpu), limit
    printf "%-7s %-8s %9.2f %10s %8.2f\n", hz " Hz", "floor", ff, "-", fc
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
