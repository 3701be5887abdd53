#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# SDL2 and SDL2_image for the web build, built with Debian's emscripten from Debian's own
# source packages (scripts/sdl-sources.sh) into <build>/deps, with a private copy of
# emscripten's cache in <build>/emcache.
#
#   scripts/web-deps.sh <build folder> [jobs]
#
# The game's own web build must run with the same environment, which the script prints
# last:  EM_CACHE=<build>/emcache EM_FROZEN_CACHE= NODE_PATH=/usr/share/nodejs
set -euo pipefail

build=$(realpath -m "${1:?usage: web-deps.sh <build folder> [jobs]}")
jobs=${2:-2}
who=web-deps
deps=$build/deps

for tool in emcmake emcc em-config cmake node apt-get dpkg-source; do
  command -v "$tool" >/dev/null || {
    echo "web-deps: '$tool' is missing; run scripts/setup.sh web" >&2
    exit 1
  }
done

# Debian's emscripten keeps its prebuilt system libraries in a frozen cache under
# /usr/share, which emcc may neither lock nor add a missing library variant to. A copy of
# it per build folder, unfrozen, can be both; it is taken once, and then only emcc writes.
cache=$build/emcache
if [ ! -f "$build/emcache.stamp" ]; then
  echo "web-deps: copying emscripten's cache to $cache (once per build folder)"
  rm -rf "$cache"
  mkdir -p "$build"
  cp -a "$(em-config CACHE)" "$cache"
  touch "$build/emcache.stamp"
fi
export EM_CACHE=$cache
# Empty, not 0: emscripten takes the variable's text, and any non-empty text is true.
export EM_FROZEN_CACHE=
# emcc's JavaScript passes need acorn, which Debian installs outside the module search of
# a node that did not come from Debian.
case ":${NODE_PATH:-}:" in
  *:/usr/share/nodejs:*) ;;
  *) export NODE_PATH=/usr/share/nodejs${NODE_PATH:+:$NODE_PATH} ;;
esac

. "$(dirname "$0")/sdl-sources.sh"

# The toolchain file makes find_package look inside emscripten's sysroot only, so the
# prefix joins the roots for SDL2_image to find SDL2 there. Every object is
# position-independent: the game links these libraries into a main module that loads the
# engine as a side module.
web=(-DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" -DCMAKE_POSITION_INDEPENDENT_CODE=ON
  -DCMAKE_FIND_ROOT_PATH="$prefix")

# Video with its renderers (WebGL through OpenGL ES 2, and the software one), events,
# timers, files, game controllers (the browser's gamepads); the dummy video driver for runs
# without a page. Without threads SDL runs its timers from the browser's event loop.
build_once SDL2 "$sdl2_src" emcmake -- "${web[@]}" \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON "${sdl2_unused[@]}" -DSDL_JOYSTICK=ON -DSDL_HIDAPI=OFF \
  -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF -DSDL_LOADSO=OFF -DSDL_ATOMIC=OFF -DSDL_CPUINFO=OFF \
  -DSDL_OPENGL=OFF -DSDL_OPENGLES=ON -DSDL_DISKAUDIO=OFF -DSDL_DUMMYAUDIO=OFF -DSDL_DUMMYVIDEO=ON

build_once SDL2_image "$sdl2_image_src" emcmake -- "${web[@]}" \
  -DBUILD_SHARED_LIBS=OFF "${sdl2_image_png_only[@]}"

copy_licences

echo "web-deps: SDL2 and SDL2_image in $prefix; build the game with"
echo "  export EM_CACHE=$EM_CACHE EM_FROZEN_CACHE= NODE_PATH=$NODE_PATH"
