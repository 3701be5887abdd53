#!/bin/sh
# SPDX-License-Identifier: Zlib
# What the game's main module must give the engine's side module: every function and
# data symbol the side module imports, less those it brings itself (the weak ones, which
# it uses when the main module has none) and less what emscripten's loader supplies
# (memory, table, stack pointer, bases, the invoke_ wrappers of exception handling).
#
#   scripts/web-engine-imports.sh <side module> <needs file> <exports file>
# writes the names one a line into <needs file> (for DEFAULT_LIBRARY_FUNCS_TO_INCLUDE,
# which brings the JavaScript ones), and the same with C's underscore, and main, into
# <exports file> (for EXPORTED_FUNCTIONS).
set -eu
side=$1 needs=$2 exports=$3
wasm-dis "$side" -o /dev/stdout | awk '
  /^ \(import "(env|GOT\.mem|GOT\.func)" "/ { split($0, q, "\""); want[q[4]] = 1 }
  /^ \(export "/                          { split($0, q, "\""); have[q[2]] = 1 }
  END {
    split("memory __indirect_function_table __stack_pointer __memory_base __table_base", skip, " ")
    for (i in skip) have[skip[i]] = 1
    for (s in want) if (!(s in have) && s !~ /^invoke_/) print s
  }' | LC_ALL=C sort >"$needs.part"
[ -s "$needs.part" ] || { echo "web-engine-imports: $side imports nothing; is it a side module?" >&2; exit 1; }
{ echo _main; sed 's/^/_/' "$needs.part"; } >"$exports.part"
mv "$needs.part" "$needs"
mv "$exports.part" "$exports"
