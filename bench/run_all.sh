#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Every benchmark of the project in one run, each figure against its target:
# the tick and the cast on the real engine library, the scaled worlds, the
# frame into the software renderer, heap allocations, the pace with frames
# capped at 20, 60 and 300 a second, the whole process under Xvfb beside the
# two floors, and the frames against displays of 60, 144 and 240 Hz and with
# the window unmapped; and the page's size and speed, from the web build. Also writes
# everything to <build>/bench-results.txt.
#
#   bench/run_all.sh [build-dir] [web-build-dir]
set -uo pipefail

build=${1:-build}
web=${2:-build-web}
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "$build/bin" && pwd)
out="$build/bench-results.txt"
status=0
exec > >(tee "$out") 2>&1

echo "=== machine"
echo "date: $(date -u '+%Y-%m-%d %H:%M UTC')"
echo "cpu: $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ //'), $(nproc) cores"
echo "memory: $(awk '/MemTotal/ {printf "%.1f GiB", $2 / 1048576}' /proc/meminfo)"
echo "load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"

echo; echo "=== tick (bench_stealthbox, real libZenGL.so)"
(cd "$bin" && ./bench_stealthbox --benchmark_color=false) || status=1

echo; echo "=== frame (bench_frame, engine core into the software renderer)"
(cd "$bin" && ./bench_frame --benchmark_color=false) || status=1

echo; echo "=== pace: frames capped at 20, 60 and 300 a second, 10 s each (engine loop, dummy video driver)"
for fps in 20 60 300; do
  (cd "$bin" && SDL_VIDEODRIVER=dummy ./bench_pace --fps "$fps" --seconds 10) || status=1
done

echo; echo "=== whole process under Xvfb"
"$here/process.sh" "$build" || status=1

echo; echo "=== display: 60, 144 and 240 Hz beside the drawing floor, and the window unmapped (Xvfb)"
"$here/display.sh" "$build" || status=1

echo; echo "=== web: the page (web_bench.py; the web build's page and bench_tick_plain)"
if [ -f "$web/site/index.html" ]; then
  /usr/bin/python3 "$here/web_bench.py" "$build" "$web" || status=1
else
  echo "web: no page in $web/site (make web builds it)"; status=1
fi

echo; echo "load average at end: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $status -eq 0 ] && echo "bench: every target met" || echo "bench: SOME TARGETS MISSED (see above)"
exit $status
