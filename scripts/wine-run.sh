#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Runs a Windows program of the Windows build under Wine, in the build's own Wine prefix,
# which is brought up once (under a lock, as tests start in parallel) and then reused.
#
#   scripts/wine-run.sh <wine prefix> <program.exe> [arguments…]
set -euo pipefail
prefix=$(realpath -m "${1:?usage: wine-run.sh <wine prefix> <program.exe> [arguments…]}")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No prompts to install Mono or Gecko: the game needs neither.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$prefix/.ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.ready" ]; then
    echo "wine-run: bringing up the Wine prefix $prefix (once)" >&2
    wineboot --init >/dev/null 2>&1 || true
    wineserver --wait
    [ -f "$prefix/system.reg" ] || { echo "wine-run: wineboot made no prefix in $prefix" >&2; exit 1; }
    touch "$prefix/.ready"
  fi
  exec 9>&-
fi
exec wine "$@"
