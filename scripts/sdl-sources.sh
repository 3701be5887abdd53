# SPDX-License-Identifier: Zlib
# Sourced by windows-deps.sh and web-deps.sh: SDL2 and SDL2_image built from Debian's own
# source packages, the versions of this system's libsdl2-dev and libsdl2-image-dev, so that
# the Linux, Windows and web builds all use one SDL. Everything lands in <build>/deps: the
# unpacked sources (a folder per version), one build per library and the install prefix.
# The caller sets `who` (its name, for messages), `deps` and `jobs` before sourcing.
set -euo pipefail

prefix=$deps/prefix
src=$deps/src
mkdir -p "$src" "$prefix"
# Ninja runs the hundreds of small configure checks of SDL's build faster than make does.
generator="Unix Makefiles"
command -v ninja >/dev/null && generator=Ninja

# "<source package>=<source version>" of a binary package: the installed one, or, where it
# is not installed (a system whose SDL2 is sdl2-compat, or a machine that builds only for
# Windows or the web), the one apt would install.
source_of() {
  local package=$1 found
  found=$(dpkg-query -W -f='${db:Status-Abbrev} ${source:Package}=${source:Version}\n' "$package" 2>/dev/null |
    awk '$1 == "ii" { print $2 }')
  if [ -z "$found" ]; then
    found=$(apt-cache show --no-all-versions "$package" 2>/dev/null | awk '
      /^Package:/ { package = $2 } /^Version:/ { version = $2 }
      /^Source:/ { source = $2; if ($3 ~ /^\(/) { gsub(/[()]/, "", $3); sourceVersion = $3 } }
      END { if (version != "") print (source ? source : package) "=" (sourceVersion ? sourceVersion : version) }')
  fi
  [ -n "$found" ] || {
    echo "$who: cannot tell which SDL sources to build: $package is neither installed nor known to apt" \
      "(run scripts/setup.sh, or apt-get update)" >&2
    exit 1
  }
  echo "$found"
}

# Fetches and unpacks one source package ("name=version") once; prints its folder.
fetch() {
  local package=${1%%=*} version=${1#*=}
  local upstream=${version#*:}
  upstream=${upstream%-*}
  local dir=$src/$package-$upstream
  if [ ! -f "$dir/.unpacked" ]; then
    rm -rf "$dir"
    echo "$who: fetching Debian's source of $package $version" >&2
    (cd "$src" && apt-get source -qq --only-source "$package=$version" >&2) || {
      echo "$who: 'apt-get source $package=$version' failed. apt needs deb-src entries for the suite that" \
        "has it: scripts/setup.sh windows (or web) adds them, then runs apt-get update" >&2
      exit 1
    }
    [ -d "$dir" ] || { echo "$who: apt-get source made no $dir" >&2; exit 1; }
    touch "$dir/.unpacked"
  fi
  echo "$dir"
}

# Configures, builds and installs one CMake project into the prefix, once for each source
# and set of options: `build_once NAME SOURCE CONFIGURE-COMMAND... -- CMAKE-OPTIONS...`.
build_once() {
  local name=$1 source=$2
  shift 2
  local configure=()
  while [ "$1" != -- ]; do configure+=("$1"); shift; done
  shift
  local stamp=$deps/$name.stamp
  [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$source $*" ] && return 0
  echo "$who: building $name from $(basename "$source") (once per build folder)"
  rm -rf "$deps/build-$name"
  "${configure[@]}" cmake -S "$source" -B "$deps/build-$name" -G "$generator" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    "$@" >"$deps/$name.configure.log" 2>&1 ||
    { tail -40 "$deps/$name.configure.log" >&2; exit 1; }
  cmake --build "$deps/build-$name" -j "$jobs" >"$deps/$name.build.log" 2>&1 ||
    { tail -40 "$deps/$name.build.log" >&2; exit 1; }
  cmake --install "$deps/build-$name" >"$deps/$name.install.log" 2>&1 ||
    { tail -40 "$deps/$name.install.log" >&2; exit 1; }
  printf '%s\n' "$source $*" >"$stamp"
}

sdl2_src=$(fetch "$(source_of libsdl2-dev)")
sdl2_image_src=$(fetch "$(source_of libsdl2-image-dev)")

# Subsystems the engine does not use, left out of both builds. (Joysticks it uses: game
# controllers, each build with its platform's drivers.)
sdl2_unused=(-DSDL_TEST=OFF -DSDL_TESTS=OFF -DSDL_AUDIO=OFF -DSDL_HAPTIC=OFF -DSDL_SENSOR=OFF
  -DSDL_POWER=OFF -DSDL_LOCALE=OFF -DSDL_MISC=OFF -DSDL_VULKAN=OFF -DSDL_OFFSCREEN=OFF -DSDL_CCACHE=OFF)
# PNG through SDL2_image's built-in decoder (stb_image), so that no image library needs a
# build of its own; no other format. Saving (through its built-in miniz) is for the tests.
sdl2_image_png_only=(-DSDL2IMAGE_VENDORED=OFF -DSDL2IMAGE_DEPS_SHARED=OFF -DSDL2IMAGE_SAMPLES=OFF
  -DSDL2IMAGE_TESTS=OFF -DSDL2IMAGE_BACKEND_STB=ON -DSDL2IMAGE_PNG=ON -DSDL2IMAGE_PNG_SAVE=ON
  -DSDL2IMAGE_JPG=OFF -DSDL2IMAGE_JPG_SAVE=OFF -DSDL2IMAGE_AVIF=OFF -DSDL2IMAGE_BMP=OFF -DSDL2IMAGE_GIF=OFF
  -DSDL2IMAGE_JXL=OFF -DSDL2IMAGE_LBM=OFF -DSDL2IMAGE_PCX=OFF -DSDL2IMAGE_PNM=OFF -DSDL2IMAGE_QOI=OFF
  -DSDL2IMAGE_SVG=OFF -DSDL2IMAGE_TGA=OFF -DSDL2IMAGE_TIF=OFF -DSDL2IMAGE_WEBP=OFF -DSDL2IMAGE_XCF=OFF
  -DSDL2IMAGE_XPM=OFF -DSDL2IMAGE_XV=OFF)

# The licences travel with what the player receives.
copy_licences() {
  mkdir -p "$prefix/licenses"
  cp "$sdl2_src/LICENSE.txt" "$prefix/licenses/SDL2-LICENSE.txt"
  cp "$sdl2_image_src/LICENSE.txt" "$prefix/licenses/SDL2_image-LICENSE.txt"
}
