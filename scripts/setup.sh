#!/usr/bin/env bash
# SPDX-License-Identifier: Zlib
# Installs the Debian packages the project needs, by group:
#   scripts/setup.sh play        what building and playing the game need
#   scripts/setup.sh             every group: what building and running every test needs
#   scripts/setup.sh play assets …   the named groups only
# As root with apt-get it installs whatever is missing; otherwise it names the command to run.
set -euo pipefail

declare -A group
# Building the game, its engine and its assets, and playing.
group[play]="cmake g++ make pkg-config libsdl2-dev libsdl2-image-dev"
# The asset generator: PNG through SDL2_image, the font page from a real font.
group[assets]="libsdl2-ttf-dev fonts-dejavu-core"
# Unit tests and benchmarks.
group[test]="libgtest-dev libgmock-dev libbenchmark-dev"
# A virtual display, real X input and pixel capture for the play tests; software OpenGL,
# so that the window can be drawn without a graphics card; the message-box program.
group[e2e]="xvfb libx11-dev libxtst-dev zlib1g-dev x11-utils xauth libgl1-mesa-dri libegl-mesa0"
# The Debian package: building it, checking it, and a fresh Debian system to install it in.
group[package]="dpkg-dev file lintian desktop-file-utils appstream man-db mmdebstrap debian-archive-keyring"
# Screenshots and hand checks.
group[tools]="xdotool imagemagick"
# Fuzzing: libFuzzer and the sanitizer runtimes come with clang's runtime package.
group[fuzz]="clang-14 libclang-rt-14-dev"
# The Windows build: the cross compiler, Wine to run it here, the icon tool; dpkg-dev
# unpacks the SDL2 source packages that the build fetches with `apt-get source`, and Ninja
# builds them. (The zip is made by cpack, which needs no zip program.)
group[windows]="g++-mingw-w64-x86-64 wine wine64 icoutils dpkg-dev ninja-build"
# The web build: Debian's emscripten (with node) and binaryen's disassembler, which lists
# what the engine's side module needs from the game's main module; SDL2 comes from
# Debian's source packages as for Windows.
group[web]="emscripten binaryen dpkg-dev ninja-build"
# Playing the page in a browser for the tests: Chromium, driven through WebDriver.
group[webtest]="chromium chromium-driver python3-selenium"
all_groups=(play assets test e2e package tools fuzz windows web webtest)

wanted=("$@")
[ ${#wanted[@]} -eq 0 ] && wanted=("${all_groups[@]}")
packages=()
for g in "${wanted[@]}"; do
  if [ -z "${group[$g]+set}" ]; then
    echo "setup: no package group '$g' (groups: ${all_groups[*]})" >&2
    exit 2
  fi
  read -ra list <<<"${group[$g]}"
  packages+=("${list[@]}")
done

# The Windows and web builds compile SDL2 and SDL2_image from Debian's source packages, so apt
# must know the source side of the suites this machine already installs from.
deb_src_file=/etc/apt/sources.list.d/stealthbox-deb-src.sources
need_deb_src=false
if [[ " ${wanted[*]} " =~ \ (windows|web)\  ]] && [ ! -e "$deb_src_file" ] &&
   ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_deb_src=true
fi

add_deb_src() {
  {
    echo "# Added by Stealthbox's scripts/setup.sh: its Windows and web builds compile SDL2 and"
    echo "# SDL2_image from Debian's own source packages (apt-get source), the same versions as the"
    echo "# Linux build. The source side of the suites already in use here, nothing else."
    if [ -e /etc/apt/sources.list.d/debian.sources ]; then
      sed -e 's/^Types:.*/Types: deb-src/' /etc/apt/sources.list.d/debian.sources
    else
      grep -hE '^deb ' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
        sed -e 's/^deb /deb-src /'
    fi
  } >"$deb_src_file.tmp"
  # The one-line format needs its own file extension.
  if grep -q '^deb-src ' "$deb_src_file.tmp"; then
    mv "$deb_src_file.tmp" "${deb_src_file%.sources}.list"
  else
    mv "$deb_src_file.tmp" "$deb_src_file"
  fi
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && ! $need_deb_src && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  $need_deb_src && echo "setup: the Windows build needs deb-src entries for apt-get source (see add_deb_src in $0)" >&2
  echo "setup: missing packages: ${missing[*]}" >&2
  echo "setup: install them with: sudo apt-get update && sudo apt-get install -y ${missing[*]}" >&2
  exit 1
fi

export DEBIAN_FRONTEND=noninteractive
if $need_deb_src; then
  echo "setup: adding deb-src entries for the Windows build's SDL2 sources"
  add_deb_src
fi
apt-get update -qq
[ ${#missing[@]} -eq 0 ] && exit 0
echo "setup: installing ${missing[*]}"
apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
