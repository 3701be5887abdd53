#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# SDL2 and SDL2_image for the Windows build, cross-built with mingw-w64 from Debian's own
# source packages (scripts/sdl-sources.sh) into <build>/deps.
#
#   scripts/windows-deps.sh <build folder> [jobs]
set -euo pipefail

build=$(realpath -m "${1:?usage: windows-deps.sh <build folder> [jobs]}")
jobs=${2:-2}
who=windows-deps
deps=$build/deps
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
  -DCMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-}")
. "$root/scripts/sdl-sources.sh"

# Video with its renderers, events, timers, threads, file and shared-object loading, and
# game controllers (XInput, DirectInput, and HIDAPI for PlayStation and other pads). SDL's
# own C library functions, as its Windows builds traditionally have them: probing
# mingw-w64's C library for each took most of the build's time.
build_once SDL2 "$sdl2_src" -- "${toolchain[@]}" \
  -DSDL_LIBC=OFF -DSDL_SHARED=ON -DSDL_STATIC=OFF "${sdl2_unused[@]}" \
  -DSDL_JOYSTICK=ON -DSDL_HIDAPI=ON -DSDL_XINPUT=ON -DSDL_OPENGLES=OFF -DSDL_WASAPI=OFF

build_once SDL2_image "$sdl2_image_src" -- "${toolchain[@]}" \
  -DBUILD_SHARED_LIBS=ON -DSDL2IMAGE_BACKEND_WIC=OFF "${sdl2_image_png_only[@]}"

copy_licences
