#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# SDL2 and SDL2_image for the Windows build, cross-built with mingw-w64 from Debian's own
# source packages, the same versions as the Linux build links against. Everything lands
# in <build>/deps: the unpacked sources, the two builds and the install prefix. A stamp
# per library keeps a finished build from being redone while the folder is there.
#
#   scripts/windows-deps.sh <build folder> [jobs]
set -euo pipefail

build=$(realpath -m "${1:?usage: windows-deps.sh <build folder> [jobs]}")
jobs=${2:-2}
root=$(cd "$(dirname "$0")/.." && pwd)
toolchain=$root/cmake/mingw-w64-x86_64.cmake
deps=$build/deps
prefix=$deps/prefix
src=$deps/src

# Debian versions: the ones the Linux build uses (bookworm's libsdl2-dev, libsdl2-image-dev).
sdl2_version=2.26.5+dfsg-1
sdl2_image_version=2.6.3+dfsg-1

mkdir -p "$src" "$prefix"
# Ninja runs the hundreds of small configure checks of SDL's build faster than make does.
generator="Unix Makefiles"
command -v ninja >/dev/null && generator=Ninja

# Fetches and unpacks one source package once; prints its folder.
fetch() {
  local package=$1 version=$2
  local upstream=${version%-*}
  local dir=$src/$package-$upstream
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    (cd "$src" && apt-get source -qq --only-source "$package=$version" >&2) || {
      echo "windows-deps: 'apt-get source $package=$version' failed; run scripts/setup.sh windows (it adds the deb-src entries)" >&2
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
  [ -f "$stamp" ] && return 0
  echo "windows-deps: building $name for Windows (once per build folder)"
  rm -rf "$deps/build-$name"
  cmake -S "$source" -B "$deps/build-$name" -G "$generator" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DCMAKE_C_COMPILER_LAUNCHER="${CMAKE_C_COMPILER_LAUNCHER:-}" \
    "$@" >"$deps/$name.configure.log" 2>&1 ||
    { tail -40 "$deps/$name.configure.log" >&2; exit 1; }
  cmake --build "$deps/build-$name" -j "$jobs" >"$deps/$name.build.log" 2>&1 ||
    { tail -40 "$deps/$name.build.log" >&2; exit 1; }
  cmake --install "$deps/build-$name" >"$deps/$name.install.log" 2>&1 ||
    { tail -40 "$deps/$name.install.log" >&2; exit 1; }
  touch "$stamp"
}

sdl2_src=$(fetch libsdl2 "$sdl2_version")
sdl2_image_src=$(fetch libsdl2-image "$sdl2_image_version")

# Only what the engine uses: video with its renderers, events, timers, threads, file and
# shared-object loading. No audio, joysticks, haptics, sensors, tests or static library.
# SDL's own C library functions, as its Windows builds traditionally have them: probing
# mingw-w64's C library for each took most of the build's time.
build_once SDL2 "$sdl2_src" \
  -DSDL_LIBC=OFF \
  -DSDL_SHARED=ON -DSDL_STATIC=OFF -DSDL_TEST=OFF -DSDL_TESTS=OFF \
  -DSDL_AUDIO=OFF -DSDL_JOYSTICK=OFF -DSDL_HAPTIC=OFF -DSDL_HIDAPI=OFF -DSDL_SENSOR=OFF \
  -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF \
  -DSDL_OPENGLES=OFF -DSDL_VULKAN=OFF -DSDL_OFFSCREEN=OFF -DSDL_XINPUT=OFF -DSDL_WASAPI=OFF \
  -DSDL_CCACHE=OFF

# PNG through SDL2_image's built-in decoder (stb_image), so that no image library needs a
# cross-build (saving, through its built-in miniz, is for the tests); no other format is used.
build_once SDL2_image "$sdl2_image_src" \
  -DBUILD_SHARED_LIBS=ON -DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF \
  -DSDL2IMAGE_SAMPLES=OFF -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_BACKEND_WIC=OFF \
  -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_PNG_SAVE=ON -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_JPG_SAVE=OFF \
  -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_LBM=OFF \
  -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF \
  -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_XCF=OFF -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF

# The licences travel with the DLLs in the player's package.
mkdir -p "$prefix/licenses"
cp "$sdl2_src/LICENSE.txt" "$prefix/licenses/SDL2-LICENSE.txt"
cp "$sdl2_image_src/LICENSE.txt" "$prefix/licenses/SDL2_image-LICENSE.txt"
