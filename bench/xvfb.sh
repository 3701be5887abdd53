# SPDX-License-Identifier: Zlib
# Sourced by the bench scripts that measure under X:
#
#   bench_start <script name> <bin dir> <file the script needs>...
#
# checks that the build holds those files, starts a private Xvfb on a free
# display and exports DISPLAY. `xvfb` holds the server's pid, `scratch` a
# folder for the script's files; both go when the script ends. The root is
# black (-br), so a window's first drawn frame is the first thing on screen
# that is not black.
bench_start() {
  local name=$1 bin=$2 f fifo display
  shift 2
  for f in "$@"; do
    [ -e "$bin/$f" ] || { echo "$name: $bin/$f is missing; build first" >&2; exit 1; }
  done
  command -v Xvfb >/dev/null || { echo "$name: Xvfb is not installed" >&2; exit 1; }
  scratch=$(mktemp -d)
  fifo=$scratch/displayfd
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -br -nolisten tcp 3>"$fifo" 2>/dev/null &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null; rm -rf "$scratch"' EXIT
  read -r -t 10 display <"$fifo" || { echo "$name: Xvfb did not start" >&2; exit 1; }
  export DISPLAY=:$display
}
