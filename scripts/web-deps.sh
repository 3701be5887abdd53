#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# SDL2 and SDL2_image for the web build, built with Debian's emscripten from Debian's own
# source packages, the same versions as the Linux build links against. Everything lands
# in <build>: a private copy of emscripten's cache (<build>/emcache) and, in <build>/deps,
# the unpacked sources, the two builds and the install prefix. A stamp per step keeps a
# finished one from being redone while the folder is there.
#
#   scripts/web-deps.sh <build folder> [jobs]
#
# The game's own web build must run with the same environment, which the script prints
# last:  EM_CACHE=<build>/emcache EM_FROZEN_CACHE= NODE_PATH=/usr/share/nodejs
set -euo pipefail

build=$(realpath -m "${1:?usage: web-deps.sh <build folder> [jobs]}")
jobs=${2:-2}
deps=$build/deps
prefix=$deps/prefix
src=$deps/src

# Debian versions: the ones the Linux build uses (bookworm's libsdl2-dev, libsdl2-image-dev).
sdl2_version=2.26.5+dfsg-1
sdl2_image_version=2.6.3+dfsg-1

for tool in emcmake emcc cmake node; do
  command -v "$tool" >/dev/null || {
    echo "web-deps: '$tool' is missing; the web build needs the Debian packages emscripten binaryen nodejs cmake dpkg-dev ninja-build" >&2
    exit 1
  }
done

mkdir -p "$src" "$prefix"
generator="Unix Makefiles"
command -v ninja >/dev/null && generator=Ninja

# Debian's emscripten keeps its prebuilt system libraries in a frozen cache under
# /usr/share, which emcc may neither lock nor add a missing library variant to. A copy of
# it per build folder, unfrozen, can be both; it is taken once, and then only emcc writes.
cache=$build/emcache
if [ ! -f "$build/emcache.stamp" ]; then
  echo "web-deps: copying emscripten's cache to $cache (once per build folder)"
  rm -rf "$cache"
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

# Fetches and unpacks one source package once; prints its folder.
fetch() {
  local package=$1 version=$2
  local upstream=${version%-*}
  local dir=$src/$package-$upstream
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    (cd "$src" && apt-get source -qq --only-source "$package=$version" >&2) || {
      echo "web-deps: 'apt-get source $package=$version' failed; run scripts/setup.sh windows (it adds the deb-src entries)" >&2
      exit 1
    }
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

# Configures, builds and installs one CMake project into the prefix, once.
build_once() {
  local name=$1 source=$2
  shift 2
  local stamp=$deps/$name.stamp
  # The stamp holds the options it was built with: other options build it again.
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$*" ] && return 0
  echo "web-deps: building $name for the web (once per build folder)"
  rm -rf "$deps/build-$name"
  # The toolchain file makes find_package look inside emscripten's sysroot only, so the
  # prefix joins the roots for SDL2_image to find SDL2 there. Every object is
  # position-independent: the game links these libraries into a main module that loads
  # the engine as a side module.
  emcmake cmake -S "$source" -B "$deps/build-$name" -G "$generator" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_FLAGS_RELEASE="-O2 -DNDEBUG" \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_FIND_ROOT_PATH="$prefix" \
    "$@" >"$deps/$name.configure.log" 2>&1 ||
    { tail -40 "$deps/$name.configure.log" >&2; exit 1; }
  cmake --build "$deps/build-$name" -j "$jobs" >"$deps/$name.build.log" 2>&1 ||
    { tail -40 "$deps/$name.build.log" >&2; exit 1; }
  cmake --install "$deps/build-$name" >"$deps/$name.install.log" 2>&1 ||
    { tail -40 "$deps/$name.install.log" >&2; exit 1; }
  printf '%s\n' "$*" >"$stamp"
}

sdl2_src=$(fetch libsdl2 "$sdl2_version")
sdl2_image_src=$(fetch libsdl2-image "$sdl2_image_version")

# Only what the engine uses: video with its renderers (WebGL through OpenGL ES 2, and the
# software one), events, timers, files; the dummy video driver for runs without a page.
# Without threads SDL runs its timers from the browser's event loop.
build_once SDL2 "$sdl2_src" \
  -DSDL_SHARED=OFF -DSDL_STATIC=ON -DSDL_STATIC_PIC=ON -DSDL_TEST=OFF -DSDL_TESTS=OFF \
  -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
  -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_THREADS=OFF -DSDL_PTHREADS=OFF \
  -DSDL_LOADSO=OFF -DSDL_ATOMIC=OFF -DSDL_CPUINFO=OFF \
  -DSDL_OPENGL=OFF -DSDL_OPENGLES=ON -DSDL_VULKAN=OFF -DSDL_OFFSCREEN=OFF \
  -DSDL_DISKAUDIO=OFF -DSDL_DUMMYAUDIO=OFF -DSDL_DUMMYVIDEO=ON \
  -DSDL_CCACHE=OFF

# PNG through SDL2_image's built-in decoder (stb_image), so that no image library needs
# building; no other format. Saving (through its built-in miniz) is for the tests; the
# page leaves it out, since the engine never saves.
build_once SDL2_image "$sdl2_image_src" \
  -DBUILD_SHARED_LIBS=OFF -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
  -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON \
  -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_PNG_SAVE=ON -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_JPG_SAVE=OFF \
  -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_LBM=OFF \
  -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF \
  -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF

# The licences travel with the page, whose code includes both libraries.
mkdir -p "$prefix/licenses"
cp "$sdl2_src/LICENSE.txt" "$prefix/licenses/SDL2-LICENSE.txt"
cp "$sdl2_image_src/LICENSE.txt" "$prefix/licenses/SDL2_image-LICENSE.txt"

echo "web-deps: SDL2 and SDL2_image in $prefix; build the game with"
echo "  export EM_CACHE=$EM_CACHE EM_FROZEN_CACHE= NODE_PATH=$NODE_PATH"
